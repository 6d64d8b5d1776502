#include "Thumbnails.h"

#include <cstdlib>
#include <vector>

#include "frames/FrameInfoCache.h"
#include "win/Handles.h"

std::vector<COLORREF> ThumbnailOnWhite(int imageIndex, UINT style, int step) {
    win::WindowDc screen(nullptr);
    win::MemoryDc dc(::CreateCompatibleDC(screen.Get()));
    win::Bitmap bitmap(::CreateCompatibleBitmap(screen.Get(), 64, 64));
    win::SelectObjectScope select(dc.Get(), bitmap.Get());
    ::PatBlt(dc.Get(), 0, 0, 64, 64, WHITENESS);
    ::ImageList_Draw(FrameThumbnailList(), imageIndex, dc.Get(), 0, 0, style);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 64; y += step)
        for (int x = 0; x < 64; x += step) pixels.push_back(::GetPixel(dc.Get(), x, y));
    return pixels;
}

COLORREF ThumbnailCentre(int imageIndex) {
    // Every 32nd pixel: (0, 0), (32, 0), (0, 32), then (32, 32).
    return ThumbnailOnWhite(imageIndex, ILD_TRANSPARENT, 32)[3];
}

bool NearColour(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
               std::abs(GetBValue(a) - GetBValue(b)) <
           40;
}
