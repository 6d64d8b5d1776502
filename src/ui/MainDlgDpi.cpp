// The main window on screens of any DPI: the fonts, the window icons, the
// thumbnail cells and the layout's margins follow the DPI of the monitor the
// window is on, and are made again when it moves to another one.
#include "frames/FrameInfoCacheLifetime.h"
#include "frames/ThumbnailRender.h"
#include "resource.h"
#include "ui/MainDlg.h"
#include "win/Dpi.h"

void CZELMaintenanceDlg::ApplyDpi(int dpi) {
    dpi_ = dpi;
    // The window lays itself out; the dialog manager must not rescale it too.
    win::LayOutDialogOwnDpiChanges(Handle());
    SetThumbnailCellSize(win::ScaleForDpi(kThumbnailSize, dpi_));
}

void CZELMaintenanceDlg::LoadIcons() {
    auto load = [](int size) {
        return static_cast<HICON>(
            ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, size, size, 0));
    };
    win::Icon big(load(win::LargeIconSize(dpi_)));
    win::Icon small(load(win::SmallIconSize(dpi_)));
    ::SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
    ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
    // The window no longer uses the old icons: they can go now.
    icon_ = std::move(big);
    smallIcon_ = std::move(small);
}

void CZELMaintenanceDlg::OnDpiChanged(int dpi, const RECT* suggested) {
    if (dpi <= 0 || dpi == dpi_) {
        if (suggested)
            ::SetWindowPos(Handle(), nullptr, suggested->left, suggested->top,
                           suggested->right - suggested->left, suggested->bottom - suggested->top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    ApplyDpi(dpi);
    LoadIcons();
    // The controls still hold the old fonts until the layout gives them the
    // new ones: keep the old ones alive until then.
    win::Font oldFont = std::move(font_);
    win::Font oldBold = std::move(boldFont_);
    CreateFonts();
    ::SendMessageA(Item(IDC_FOLDER_TREE), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    for (HWND list : {Item(IDC_LIST_SOURCE), Item(IDC_LIST_TARGET)})
        ::SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);

    // Thumbnails are decoded again in the new cell size.
    RecreateFrameThumbnails();
    sourceList_.OnDpiChanged();
    targetList_.OnDpiChanged();

    if (suggested)
        ::SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutControls();
}
