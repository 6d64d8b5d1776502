#include <gtest/gtest.h>

#include <vector>

#include "ListHost.h"
#include "TestFiles.h"
#include "win/Handles.h"

using testing_support::TempDir;

namespace {

// A 32-bit top-down picture of one row, painted by the list's DrawItem.
class RowPicture {
public:
    RowPicture(CListCtrlZEL& list, int item, bool selected, int width, int height)
        : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        win::WindowDc screen(nullptr);
        dc_.Reset(::CreateCompatibleDC(screen.Get()));
        void* bits = nullptr;
        bitmap_.Reset(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<const DWORD*>(bits);
        win::SelectObjectScope select(dc_.Get(), bitmap_.Get());
        ::PatBlt(dc_.Get(), 0, 0, width, height, BLACKNESS);
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_LISTVIEW;
        draw.CtlID = static_cast<UINT>(::GetDlgCtrlID(list.Handle()));
        draw.itemID = static_cast<UINT>(item);
        draw.itemAction = ODA_DRAWENTIRE;
        draw.itemState = selected ? ODS_SELECTED | ODS_FOCUS : 0;
        draw.hwndItem = list.Handle();
        draw.hDC = dc_.Get();
        draw.rcItem = {0, 0, width, height};
        drawn_ = list.DrawItem(draw);
        ::GdiFlush();
    }

    bool Drawn() const { return drawn_; }
    COLORREF At(int x, int y) const {
        const DWORD p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
    }
    // Pixels in [left, right) x [top, bottom) that differ from colour.
    int CountOther(COLORREF colour, int left, int top, int right, int bottom) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += At(x, y) != colour;
        return n;
    }
    // First and last row holding a pixel other than colour in a band of columns; -1 when none.
    std::pair<int, int> InkRows(COLORREF colour, int left, int top, int right, int bottom) const {
        int first = -1, last = -1;
        for (int y = top; y < bottom; ++y)
            if (CountOther(colour, left, y, right, y + 1)) {
                if (first < 0) first = y;
                last = y;
            }
        return {first, last};
    }
    bool HasPixelNear(COLORREF target, int left, int top, int right, int bottom) const {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const COLORREF c = At(x, y);
                if (std::abs(GetRValue(c) - GetRValue(target)) + std::abs(GetGValue(c) - GetGValue(target)) +
                        std::abs(GetBValue(c) - GetBValue(target)) <
                    60)
                    return true;
            }
        return false;
    }

private:
    int width_, height_;
    win::MemoryDc dc_;
    win::Bitmap bitmap_;
    const DWORD* bits_ = nullptr;
    bool drawn_ = false;
};

}  // namespace

TEST(FrameListPaint, RowsAreTallEnoughForThumbnails) {
    TempDir dir;
    WriteFrame(dir.Path(), "a.USD", "A");
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    RECT row{};
    row.left = LVIR_BOUNDS;
    ASSERT_TRUE(::SendMessageA(list.Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
    EXPECT_GE(row.bottom - row.top, 64);
    EXPECT_EQ(::SendMessageA(list.Handle(), LVM_GETBKCOLOR, 0, 0),
              static_cast<LRESULT>(CListCtrlZEL::kRowColor));
    EXPECT_EQ(list.BkColor(), CListCtrlZEL::kRowColor);
    // The thumbnail and paper columns keep their widths; the title column
    // takes the rest of the list, all of it while the date's column would
    // leave it less than 120 pixels.
    EXPECT_EQ(list.GetColumnWidth(0), 68);
    EXPECT_EQ(list.GetColumnWidth(2), 78);
    EXPECT_EQ(list.GetColumnWidth(3), 0);
    RECT client{};
    ::GetClientRect(list.Handle(), &client);
    EXPECT_EQ(
        list.GetColumnWidth(0) + list.GetColumnWidth(1) + list.GetColumnWidth(2) + list.GetColumnWidth(3),
        client.right);
}

TEST(FrameListPaint, TextsStayInTheirRectanglesInTheRowColours) {
    TempDir dir;
    WriteFrame(dir.Path(), "a.USD", "AWWWWWWWWWWWWWWWWWWWWWWW",
               "Paper label that is long enough to pass column two", "42,198,42,42");
    const std::string gone = WriteFrame(dir.Path(), "b.USD", "B", "P", "42,198,42,42");
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    ASSERT_EQ(ItemNames(list), "a.USD b.USD");

    const int width = 320, height = 65, c0 = 68, c1 = list.GetColumnWidth(1);
    const int middle = 2 + (height - 2) / 2;
    for (bool selected : {true, false}) {
        SCOPED_TRACE(selected ? "selected" : "not selected");
        const COLORREF fill = selected ? CListCtrlZEL::kSelectedRowColor : CListCtrlZEL::kRowColor;
        const COLORREF ink = selected ? RGB(255, 255, 255) : RGB(0, 0, 0);
        RowPicture row(list, 0, selected, width, height);
        ASSERT_TRUE(row.Drawn());
        EXPECT_EQ(row.At(c0, 0), fill);
        EXPECT_EQ(row.At(width - 1, height - 1), fill);
        // Margins of 2 pixels around every text, and the gap between the columns.
        EXPECT_EQ(row.CountOther(fill, c0, 0, c0 + 2, height), 0);
        EXPECT_EQ(row.CountOther(fill, c0 + c1 - 2, 0, c0 + c1 + 2, height), 0);
        EXPECT_EQ(row.CountOther(fill, width - 2, 0, width, height), 0);
        EXPECT_EQ(row.CountOther(fill, c0, 0, width, 2), 0);
        EXPECT_EQ(row.CountOther(fill, c0, height - 2, width, height), 0);
        // Title over file name, paper over margins: the upper texts sit on the middle line.
        const auto title = row.InkRows(fill, c0 + 2, 2, c0 + c1 - 2, middle);
        const auto name = row.InkRows(fill, c0 + 2, middle, c0 + c1 - 2, height - 2);
        const auto paper = row.InkRows(fill, c0 + c1 + 2, 2, width - 2, middle);
        const auto margins = row.InkRows(fill, c0 + c1 + 2, middle, width - 2, height - 2);
        for (const auto& upper : {title, paper}) {
            ASSERT_GE(upper.first, 0);
            EXPECT_GE(upper.second, middle - 5);
        }
        for (const auto& lower : {name, margins}) {
            ASSERT_GE(lower.first, 0);
            EXPECT_LE(lower.first, middle + 4);
        }
        EXPECT_TRUE(row.HasPixelNear(ink, c0 + 2, 2, c0 + c1 - 2, middle));
        // The paper label runs on past column 2 to the end of the row.
        EXPECT_GT(row.CountOther(fill, c0 + c1 + 78, 2, width - 2, middle), 0);
    }

    // A frame file gone since the fill leaves an empty row.
    ASSERT_TRUE(::DeleteFileA(gone.c_str()));
    RowPicture empty(list, 1, false, width, height);
    EXPECT_EQ(empty.CountOther(CListCtrlZEL::kRowColor, 0, 0, width, height), 0);
}

TEST(FrameListPaint, TheListPaintsSelectedAndOtherRowsOnScreen) {
    TempDir dir;
    WriteFrame(dir.Path(), "a.USD", "A");
    WriteFrame(dir.Path(), "b.USD", "B");
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    ::SendMessageA(list.Handle(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    ::SetWindowPos(host.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::RedrawWindow(list.Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();

    RECT rows[2]{};
    for (int i = 0; i < 2; ++i) {
        rows[i].left = LVIR_BOUNDS;
        ASSERT_TRUE(::SendMessageA(list.Handle(), LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rows[i])));
    }
    win::WindowDc dc(list.Handle());
    const int x = list.GetColumnWidth(0) + 1;
    EXPECT_EQ(::GetPixel(dc.Get(), x, rows[0].top + 1), CListCtrlZEL::kSelectedRowColor);
    EXPECT_EQ(::GetPixel(dc.Get(), x, rows[1].top + 1), CListCtrlZEL::kRowColor);
    EXPECT_EQ(::GetPixel(dc.Get(), x, rows[1].bottom - 1), CListCtrlZEL::kRowColor);
}
