#include "Thumbnails.h"

#include <cstdlib>

#include "frames/FrameInfoCache.h"
#include "win/Handles.h"

COLORREF ThumbnailCentre(int imageIndex) {
    win::WindowDc screen(nullptr);
    win::MemoryDc dc(::CreateCompatibleDC(screen.Get()));
    win::Bitmap bitmap(::CreateCompatibleBitmap(screen.Get(), 64, 64));
    win::SelectObjectScope select(dc.Get(), bitmap.Get());
    ::PatBlt(dc.Get(), 0, 0, 64, 64, WHITENESS);
    ::ImageList_Draw(FrameThumbnailList(), imageIndex, dc.Get(), 0, 0, ILD_TRANSPARENT);
    return ::GetPixel(dc.Get(), 32, 32);
}

bool NearColour(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
               std::abs(GetBValue(a) - GetBValue(b)) <
           40;
}
