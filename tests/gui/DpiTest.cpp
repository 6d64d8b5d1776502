// The main window at the DPI of the test prefix (ctest runs this group at 96
// and again in a prefix at 144), and after WM_DPICHANGED moves it to the
// other one.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../tools/JpegWriter.h"
#include "MainWindowFixture.h"
#include "TestFiles.h"
#include "frames/FrameInfoCache.h"
#include "frames/ThumbnailRender.h"
#include "resource.h"
#include "win/Dpi.h"

namespace {

using DpiTest = MainWindowFixture;

const int kControls[] = {IDC_FOLDER_TREE,    IDC_LIST_SOURCE,  IDC_LIST_TARGET,    IDC_TITLE_SOURCE,
                         IDC_TITLE_TARGET,   IDC_TARGET_LABEL, IDC_BTN_NEW_FOLDER, IDC_BTN_MOVE_BACK,
                         IDC_BTN_ADD,        IDC_BTN_COPY,     IDC_BTN_DELETE,     IDC_BTN_RENAME,
                         IDC_BTN_SELECT_CARD};

// A frame whose picture is square, so that its thumbnail covers the cell.
void WriteSquareFrame(const std::string& folder, const std::string& base) {
    WriteFrame(folder, base, "Square " + base);
    std::vector<unsigned char> pixels(120 * 120 * 3, 90);
    demo::WriteJpeg(folder + "\\" + base + "\\thumb.jpg", 120, 120, 3, JCS_RGB, pixels.data());
}

// Client rectangles of the visible controls, by id.
std::vector<std::pair<int, RECT>> VisibleControls(HWND dialog) {
    std::vector<std::pair<int, RECT>> out;
    for (int id : kControls) {
        HWND item = ::GetDlgItem(dialog, id);
        if (!item || !::IsWindowVisible(item)) continue;
        RECT r;
        ::GetWindowRect(item, &r);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        out.emplace_back(id, r);
    }
    return out;
}

void ExpectNoOverlapInsideClient(HWND dialog, int dpi) {
    RECT client;
    ::GetClientRect(dialog, &client);
    const auto controls = VisibleControls(dialog);
    ASSERT_GE(controls.size(), 12u);
    for (size_t i = 0; i < controls.size(); ++i) {
        const RECT& a = controls[i].second;
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= client.right && a.bottom <= client.bottom)
            << "control " << controls[i].first << " leaves the window at " << dpi << " DPI";
        EXPECT_GT(a.right - a.left, 0) << controls[i].first;
        for (size_t j = i + 1; j < controls.size(); ++j) {
            RECT both;
            EXPECT_FALSE(::IntersectRect(&both, &a, &controls[j].second))
                << controls[i].first << " overlaps " << controls[j].first << " at " << dpi << " DPI";
        }
    }
}

// The thumbnail cell, the row and the first column all hold a scaled cell,
// and the square picture's opaque part spans the cell but for its inset.
void ExpectThumbnailsFillTheirCells(HWND list, int dpi) {
    const int cell = win::ScaleForDpi(kThumbnailSize, dpi);
    int cx = 0, cy = 0;
    ASSERT_TRUE(::ImageList_GetIconSize(FrameThumbnailList(), &cx, &cy));
    EXPECT_EQ(cx, cell);
    EXPECT_EQ(cy, cell);
    ASSERT_EQ(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    ::SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    EXPECT_GE(row.bottom - row.top, cell + 1);
    EXPECT_GE(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), cell);

    char path[MAX_PATH] = {};
    LVITEMA item{};
    item.pszText = path;
    item.cchTextMax = sizeof path;
    ::SendMessageA(list, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item));
    const FrameInfo* info = GetFrameInfo(path);
    ASSERT_NE(info, nullptr);
    ASSERT_GE(info->imageIndex, 1);
    // Drawn transparently onto magenta: count the picture's span across the
    // middle row and down the middle column.
    constexpr COLORREF kBackground = RGB(255, 0, 255);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP canvas = ::CreateCompatibleBitmap(screen, cell, cell);
    HGDIOBJ old = ::SelectObject(dc, canvas);
    HBRUSH brush = ::CreateSolidBrush(kBackground);
    const RECT all{0, 0, cell, cell};
    ::FillRect(dc, &all, brush);
    ::ImageList_Draw(FrameThumbnailList(), info->imageIndex, dc, 0, 0, ILD_TRANSPARENT);
    int across = 0, down = 0;
    for (int i = 0; i < cell; ++i) {
        if (::GetPixel(dc, i, cell / 2) != kBackground) ++across;
        if (::GetPixel(dc, cell / 2, i) != kBackground) ++down;
    }
    ::SelectObject(dc, old);
    ::DeleteObject(brush);
    ::DeleteObject(canvas);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    const int inset = 2 * cell / kThumbnailSize;
    EXPECT_EQ(across, cell - 2 * inset) << dpi << " DPI";
    EXPECT_EQ(down, cell - 2 * inset) << dpi << " DPI";
}

LONG FontHeight(HWND control) {
    LOGFONTA logFont{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)), sizeof logFont,
                 &logFont);
    return std::labs(logFont.lfHeight);
}

}  // namespace

TEST_F(DpiTest, LayoutAndThumbnailsScaleWithTheDpiAndFollowWmDpiChanged) {
    testing_support::TempDir dir;
    WriteSquareFrame(dir.Path(), "SQUARE1");
    WriteSquareFrame(dir.Path(), "SQUARE2");

    CZELMaintenanceDlg& dlg = Open();
    const int dpi = win::WindowDpi(dlg.Handle());
    HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(dpi, ::GetDeviceCaps(screen, LOGPIXELSX));
    ::ReleaseDC(nullptr, screen);
    dlg.SourceList().SetFolder(dir.Path());
    Pump();
    RECT window;
    ::GetWindowRect(dlg.Handle(), &window);
    // The first-run size scales too, as long as the screen has room.
    EXPECT_EQ(window.right - window.left,
              std::min(win::ScaleForDpi(780, dpi), ::GetSystemMetrics(SM_CXSCREEN)));
    ExpectNoOverlapInsideClient(dlg.Handle(), dpi);
    // Thumbnails stream in after the rows; the check wants them all.
    dlg.SourceList().FinishThumbnails();
    ExpectThumbnailsFillTheirCells(dlg.Item(IDC_LIST_SOURCE), dpi);
    const LONG fontHeight = FontHeight(dlg.Item(IDC_BTN_ADD));

    // Windows sends WM_DPICHANGED when the window reaches a monitor of
    // another DPI, with the rectangle it suggests there.
    const int other = dpi == 96 ? 144 : 96;
    RECT suggested = {0, 0, std::min(win::ScaleForDpi(780, other), ::GetSystemMetrics(SM_CXSCREEN)),
                      std::min(win::ScaleForDpi(540, other), ::GetSystemMetrics(SM_CYSCREEN))};
    ::SendMessageA(dlg.Handle(), WM_DPICHANGED, MAKEWPARAM(other, other),
                   reinterpret_cast<LPARAM>(&suggested));
    Pump();
    ::GetWindowRect(dlg.Handle(), &window);
    EXPECT_TRUE(::EqualRect(&window, &suggested));
    EXPECT_EQ(FontHeight(dlg.Item(IDC_BTN_ADD)), ::MulDiv(fontHeight, other, dpi));
    EXPECT_EQ(FontHeight(dlg.Item(IDC_LIST_SOURCE)), FontHeight(dlg.Item(IDC_BTN_ADD)));
    ExpectNoOverlapInsideClient(dlg.Handle(), other);
    dlg.SourceList().FinishThumbnails();
    ExpectThumbnailsFillTheirCells(dlg.Item(IDC_LIST_SOURCE), other);
    EXPECT_TRUE(boxes_.empty());
}
