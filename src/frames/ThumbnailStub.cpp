// temporary until the thumbnail loader lands; removed at merge
#include <windows.h>
#include <commctrl.h>

#include "frames/Thumbnail.h"
#include "resource.h"
#include "win/Handles.h"

HIMAGELIST CreateThumbnailImageList() {
    HIMAGELIST list = ::ImageList_Create(64, 64, ILC_COLOR24 | ILC_MASK, 0, 2000);
    if (!list) return nullptr;
    HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_THUMB_PLACEHOLDER));
    ::ImageList_ReplaceIcon(list, -1, icon);
    return list;
}

int LoadThumbnail(HIMAGELIST list, const std::string&) {
    win::WindowDc screen(nullptr);
    win::MemoryDc imageDc(::CreateCompatibleDC(screen.Get()));
    win::MemoryDc maskDc(::CreateCompatibleDC(screen.Get()));
    win::Bitmap image(::CreateCompatibleBitmap(screen.Get(), 64, 64));
    win::Bitmap mask(::CreateCompatibleBitmap(maskDc.Get(), 64, 64));
    {
        win::SelectObjectScope a(imageDc.Get(), image.Get());
        win::SelectObjectScope b(maskDc.Get(), mask.Get());
        ::PatBlt(imageDc.Get(), 0, 0, 64, 64, WHITENESS);
        ::PatBlt(maskDc.Get(), 0, 0, 64, 64, WHITENESS);
    }
    return ::ImageList_Add(list, image.Get(), mask.Get());
}
