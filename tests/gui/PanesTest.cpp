// The resizable panes of the real main window: dragging the gaps, the
// minimum widths, the proportions after maximising and after a restart, and
// a screen with nothing stale on it after any of these.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "TestFiles.h"
#include "resource.h"
#include "ui/MainLayout.h"

using testing_support::TempDir;

namespace {

class PanesTest : public MainWindowFixture {
protected:
    POINT ListsGap() const {
        const RECT list = ChildRect(IDC_LIST_SOURCE);
        return POINT{list.right + 2, list.bottom - 20};
    }
    static int Width(const RECT& r) { return r.right - r.left; }
    static int ColumnWidth(const CListCtrlZEL& list, int column) {
        return static_cast<int>(::SendMessageA(list.Handle(), LVM_GETCOLUMNWIDTH, column, 0));
    }
    // The columns end where the list's client area ends, with no scroll bar
    // across the bottom.
    static void ExpectColumnsFill(const CListCtrlZEL& list) {
        RECT client;
        ::GetClientRect(list.Handle(), &client);
        EXPECT_EQ(ColumnWidth(list, 0) + ColumnWidth(list, 1) + ColumnWidth(list, 2) + ColumnWidth(list, 3),
                  client.right);
        EXPECT_FALSE(::GetWindowLongA(list.Handle(), GWL_STYLE) & WS_HSCROLL);
    }
    // Left to right, nothing overlaps and every pane keeps its minimum.
    void ExpectNoOverlap() {
        const RECT tree = ChildRect(IDC_FOLDER_TREE), source = ChildRect(IDC_LIST_SOURCE),
                   buttons = ChildRect(IDC_BTN_ADD), target = ChildRect(IDC_LIST_TARGET);
        RECT client;
        ::GetClientRect(dialog_->Handle(), &client);
        EXPECT_LE(tree.right, source.left);
        EXPECT_LE(source.right, buttons.left);
        EXPECT_LE(buttons.right, target.left);
        EXPECT_LE(target.right, client.right);
        EXPECT_GE(Width(tree), kMinTreePaneWidth);
        EXPECT_GE(Width(source), kMinListPaneWidth);
        EXPECT_GE(Width(target), kMinListPaneWidth);
    }
    struct Panes {
        RECT tree, source, target;
        bool operator==(const Panes& o) const {
            return ::EqualRect(&tree, &o.tree) && ::EqualRect(&source, &o.source) &&
                   ::EqualRect(&target, &o.target);
        }
    };
    Panes Now() const {
        return {ChildRect(IDC_FOLDER_TREE), ChildRect(IDC_LIST_SOURCE), ChildRect(IDC_LIST_TARGET)};
    }
    // Lets the window finish its thumbnails and its painting.
    void Settle() {
        const DWORD start = ::GetTickCount();
        while ((dialog_->SourceList().MakingThumbnails() || dialog_->TargetList().MakingThumbnails()) &&
               ::GetTickCount() - start < 10000) {
            Pump();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        // How far down the tree is scrolled depends on the heights it had
        // before; what is drawn must not.
        ::SendMessageA(dialog_->Tree().Handle(), WM_VSCROLL, SB_TOP, 0);
        Pump();
        ::UpdateWindow(dialog_->Handle());
        ::Sleep(100);  // the X server shows what was drawn
        Pump();
    }
    // The window's client area as the screen shows it, one 0x00RRGGBB value
    // per pixel, row by row.
    std::vector<DWORD> ScreenPixels(SIZE& size) const {
        RECT client;
        ::GetClientRect(dialog_->Handle(), &client);
        POINT origin{0, 0};
        ::ClientToScreen(dialog_->Handle(), &origin);
        size = {client.right, client.bottom};
        std::vector<DWORD> pixels(static_cast<size_t>(size.cx) * size.cy);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size.cx;
        info.bmiHeader.biHeight = -size.cy;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap && bits) {
            HGDIOBJ old = ::SelectObject(memory, bitmap);
            ::BitBlt(memory, 0, 0, size.cx, size.cy, screen, origin.x, origin.y, SRCCOPY);
            ::GdiFlush();
            const DWORD* from = static_cast<const DWORD*>(bits);
            for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = from[i] & 0xFFFFFF;
            ::SelectObject(memory, old);
            ::DeleteObject(bitmap);
        }
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
        return pixels;
    }
};

}  // namespace

TEST_F(PanesTest, DraggedGapsHoldTheirMinimumsAndComeBackAfterMaximiseAndRestart) {
    Open();
    const RECT sourceBefore = ChildRect(IDC_LIST_SOURCE);
    const RECT addBefore = ChildRect(IDC_BTN_ADD);
    const RECT targetBefore = ChildRect(IDC_LIST_TARGET);

    // The gap shows the resize cursor.
    POINT screen = TreeGap();
    ::ClientToScreen(dialog_->Handle(), &screen);
    ::SetCursorPos(screen.x, screen.y);
    ::SendMessageA(dialog_->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(dialog_->Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursor(nullptr, IDC_SIZEWE));

    // The tree widens by 60; list 1 starts 60 later and the buttons stay
    // with its right edge. List 2, not beside that gap, does not change.
    Drag(TreeGap(), 60);
    EXPECT_EQ(ChildRect(IDC_LIST_SOURCE).left, sourceBefore.left + 60);
    EXPECT_EQ(ChildRect(IDC_BTN_ADD).left - ChildRect(IDC_LIST_SOURCE).right,
              addBefore.left - sourceBefore.right);
    const RECT targetAfter = ChildRect(IDC_LIST_TARGET);
    EXPECT_TRUE(::EqualRect(&targetBefore, &targetAfter));
    ExpectNoOverlap();
    // List 1 narrows by 40 and list 2 takes the room.
    const RECT sourceMid = ChildRect(IDC_LIST_SOURCE);
    const RECT targetMid = ChildRect(IDC_LIST_TARGET);
    Drag(ListsGap(), -40);
    EXPECT_EQ(Width(ChildRect(IDC_LIST_SOURCE)), Width(sourceMid) - 40);
    EXPECT_EQ(ChildRect(IDC_LIST_TARGET).left, targetMid.left - 40);
    ExpectNoOverlap();

    // Dragged far past the edges, every pane stops at its minimum.
    Drag(TreeGap(), -1000);
    EXPECT_EQ(Width(ChildRect(IDC_FOLDER_TREE)), kMinTreePaneWidth);
    Drag(ListsGap(), 1000);
    // List 2 keeps room for its title beside the choose-card button.
    EXPECT_EQ(Width(ChildRect(IDC_LIST_TARGET)),
              std::max(kMinListPaneWidth, Width(ChildRect(IDC_BTN_SELECT_CARD)) + kMinTitleBesideButton));
    ExpectNoOverlap();
    Drag(ListsGap(), -2000);
    EXPECT_EQ(Width(ChildRect(IDC_LIST_SOURCE)), kMinListPaneWidth);
    Drag(TreeGap(), 150);
    ExpectNoOverlap();
    const Panes dragged = Now();

    // Maximised the panes keep their proportions; restored, their places.
    ::ShowWindow(dialog_->Handle(), SW_MAXIMIZE);
    Pump();
    RECT client;
    ::GetClientRect(dialog_->Handle(), &client);
    ASSERT_GT(client.right, 800);
    EXPECT_NEAR(Width(ChildRect(IDC_FOLDER_TREE)), client.right * app_->GetTreePane() / kPaneScale, 1);
    ExpectNoOverlap();
    ::ShowWindow(dialog_->Handle(), SW_RESTORE);
    Pump();
    EXPECT_TRUE(Now() == dragged);

    // After a restart the stored proportions give the same panes.
    Close();
    app_->SaveSettings();
    app_ = std::make_unique<CZELMaintenanceApp>();
    app_->LoadSettings();
    Open();
    EXPECT_TRUE(Now() == dragged);
}

TEST_F(PanesTest, TheSelectedFolderLabelStaysInViewInANarrowTree) {
    TempDir dir;
    std::string deep = dir.Path();
    for (const char* name :
         {"Frames of the family", "Holidays", "Summer by the sea", "Second week", "Postcards"})
        deep += std::string("\\") + name;
    testing_support::MakeDirs(deep);
    ASSERT_TRUE(CFolderTreeCtrl::StoreCurrentFolderPath(CZELMaintenanceApp::SettingsKeyPath(), deep));
    Open();
    HWND tree = dialog_->Tree().Handle();
    // Unscrolled, this label would start far right of the tree's width.
    RECT label;
    ASSERT_TRUE(dialog_->Tree().GetItemRect(dialog_->Tree().GetSelectedItem(), label, true));
    RECT client;
    ::GetClientRect(tree, &client);
    EXPECT_GE(label.left, 0);
    EXPECT_LE(label.right, client.right);

    // With the focus in a list the selected folder is still marked.
    Focus(dialog_->SourceList());
    ::UpdateWindow(tree);
    HDC dc = ::GetDC(tree);
    const COLORREF marked = ::GetPixel(dc, label.left + 1, label.top + 1);
    ::ReleaseDC(tree, dc);
    EXPECT_EQ(marked, ::GetSysColor(COLOR_BTNSHADOW));
}

TEST_F(PanesTest, AfterDragsMaximiseAndRestoreTheScreenShowsWhatAFreshWindowShows) {
    TempDir dir;
    for (const char* name : {"ALPHA", "BRAVO", "CHARLIE", "DELTA"}) WriteFrame(dir.Path(), name, name);
    ASSERT_TRUE(CFolderTreeCtrl::StoreCurrentFolderPath(CZELMaintenanceApp::SettingsKeyPath(), dir.Path()));
    Open();
    Settle();
    // Both gaps dragged, with the mouse as a user would, then a maximise
    // and a restore.
    Drag(TreeGap(), 70);
    Drag(ListsGap(), -50);
    Drag(ListsGap(), 20);
    ::ShowWindow(dialog_->Handle(), SW_MAXIMIZE);
    Settle();
    ::ShowWindow(dialog_->Handle(), SW_RESTORE);
    Settle();
    SIZE size{};
    const std::vector<DWORD> afterLayouts = ScreenPixels(size);

    // The same window made afresh with the same settings.
    Close();
    app_->SaveSettings();
    app_ = std::make_unique<CZELMaintenanceApp>();
    app_->LoadSettings();
    Open();
    Settle();
    SIZE freshSize{};
    const std::vector<DWORD> fresh = ScreenPixels(freshSize);
    ASSERT_EQ(freshSize.cx, size.cx);
    ASSERT_EQ(freshSize.cy, size.cy);
    // Equal but for a caret or a focus rectangle: a few hundred pixels at most.
    size_t differing = 0;
    for (size_t i = 0; i < fresh.size(); ++i) differing += fresh[i] != afterLayouts[i];
    EXPECT_LE(differing, 300u) << "of " << fresh.size() << " pixels";
}

TEST_F(PanesTest, TheTitleColumnTakesTheRestOfTheListAndAColumnSizedByHandKeepsItsWidth) {
    Open();
    CListCtrlZEL& source = dialog_->SourceList();
    CListCtrlZEL& target = dialog_->TargetList();
    ExpectColumnsFill(source);
    ExpectColumnsFill(target);
    const int paper = ColumnWidth(source, 2);
    // The title column follows its pane; the others keep their widths.
    Drag(TreeGap(), -30);
    ExpectColumnsFill(source);
    EXPECT_EQ(ColumnWidth(source, 2), paper);

    // The user widens list 2's paper column: the title column gives way,
    // and after a restart the paper column has that width still.
    HWND header = reinterpret_cast<HWND>(::SendMessageA(target.Handle(), LVM_GETHEADER, 0, 0));
    HDITEMA item = {};
    item.mask = HDI_WIDTH;
    item.cxy = paper + 20;
    ::SendMessageA(header, HDM_SETITEMA, 2, reinterpret_cast<LPARAM>(&item));
    Pump();
    EXPECT_EQ(ColumnWidth(target, 2), paper + 20);
    ExpectColumnsFill(target);
    Close();
    app_->SaveSettings();
    app_ = std::make_unique<CZELMaintenanceApp>();
    app_->LoadSettings();
    Open();
    EXPECT_EQ(ColumnWidth(dialog_->TargetList(), 2), paper + 20);
    EXPECT_EQ(ColumnWidth(dialog_->SourceList(), 2), paper);
    ExpectColumnsFill(dialog_->TargetList());
}
