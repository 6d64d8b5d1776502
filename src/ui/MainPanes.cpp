// The resizable panes of the main window: the gaps between the tree and
// list 1 and between list 1's button column and list 2 are dragged with the
// mouse; the proportions go to the settings. Also keeps the tree's selected
// label in view when the tree is narrow.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "ui/MainDlg.h"

bool CZELMaintenanceDlg::OnSetCursor(HWND window, UINT hitTest) {
    if (window != Handle() || hitTest != HTCLIENT) return false;
    POINT point;
    ::GetCursorPos(&point);
    ::ScreenToClient(Handle(), &point);
    if (paneDrag_.gap == PaneGap::kNone && HitPaneGap(layout_, point) == PaneGap::kNone) return false;
    ::SetCursor(::LoadCursor(nullptr, IDC_SIZEWE));
    return true;
}

void CZELMaintenanceDlg::OnPaneButtonDown(POINT client) {
    const PaneGap gap = HitPaneGap(layout_, client);
    if (gap == PaneGap::kNone) return;
    paneDrag_.gap = gap;
    paneDrag_.startX = client.x;
    // The tree pane ends 20 pixels before list 1 starts.
    paneDrag_.startWidth = gap == PaneGap::kTree ? layout_.sourceList.left - 20 : layout_.sourceList.right;
    paneDrag_.targetWidth = layout_.targetList.right;
    ::SetCapture(Handle());
}

void CZELMaintenanceDlg::OnPaneMouseMove(POINT client) {
    if (paneDrag_.gap == PaneGap::kNone) return;
    const int width = paneDrag_.startWidth + client.x - paneDrag_.startX;
    if (paneDrag_.gap == PaneGap::kTree) {
        // Only the tree and list 1 change: list 1 takes what the tree gave
        // or took, and list 2 keeps its width.
        MainLayoutInput in = layoutInput_;
        in.treePane = TreePaneFor(layoutInput_, width);
        const MainLayout moved = ComputeMainLayout(in);
        const int lists = moved.sourceList.right + moved.targetList.right;
        app_.SetPanes(in.treePane, SourcePaneFor(in, lists - paneDrag_.targetWidth));
    } else {
        app_.SetPanes(app_.GetTreePane(), SourcePaneFor(layoutInput_, width));
    }
    LayoutControls();
}

void CZELMaintenanceDlg::EndPaneDrag() {
    paneDrag_ = PaneDrag{};
}

namespace {

int TreeScrollPosition(HWND tree) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    return ::GetScrollInfo(tree, SB_HORZ, &info) ? info.nPos : 0;
}

// Back to the tree's left edge. Wine's tree view keeps its sideways scroll
// when it grows wider than its widest label, and then ignores scrolling
// because it has hidden its scroll bar: narrowed for a moment, with its
// drawing held, it shows the bar again and takes the scroll.
void ScrollTreeToLeftEdge(HWND tree) {
    ::SendMessageA(tree, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    if (TreeScrollPosition(tree) == 0) return;
    RECT box;
    ::GetWindowRect(tree, &box);
    const int width = box.right - box.left, height = box.bottom - box.top;
    const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    ::SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    ::SetWindowPos(tree, nullptr, 0, 0, std::max(1, width / 4), height, flags);
    ::SendMessageA(tree, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    ::SetWindowPos(tree, nullptr, 0, 0, width, height, flags);
    ::SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace

void CZELMaintenanceDlg::ShowSelectedTreeLabel() {
    HWND tree = tree_.Handle();
    HTREEITEM item = tree_.GetSelectedItem();
    if (!tree || !item) return;
    ::SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    RECT label;
    if (!tree_.GetItemRect(item, label, true)) return;
    RECT client;
    ::GetClientRect(tree, &client);
    // The tree is scrolled sideways only for a label that would not fit
    // unscrolled: then its left edge, with its icon, goes to the left of
    // the tree. A label that fits brings the tree back to its left edge, so
    // that the names above it are whole.
    const int iconRoom = 20;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS | SIF_RANGE | SIF_PAGE;
    if (!::GetScrollInfo(tree, SB_HORZ, &info)) info.nPos = 0;
    if (label.right + info.nPos <= client.right) {
        if (info.nPos > 0) ScrollTreeToLeftEdge(tree);
        return;
    }
    if (label.left >= iconRoom && label.right <= client.right) return;
    const int most = std::max(0, info.nMax - static_cast<int>(info.nPage) + 1);
    const int position = std::clamp(info.nPos + static_cast<int>(label.left) - iconRoom, 0, most);
    if (position == info.nPos) return;
    ::SendMessageA(tree, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position), 0);
}
