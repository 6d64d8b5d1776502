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
    ::SetCapture(Handle());
}

void CZELMaintenanceDlg::OnPaneMouseMove(POINT client) {
    if (paneDrag_.gap == PaneGap::kNone) return;
    const int width = paneDrag_.startWidth + client.x - paneDrag_.startX;
    if (paneDrag_.gap == PaneGap::kTree)
        app_.SetPanes(TreePaneFor(layoutInput_, width), app_.GetSourcePane());
    else
        app_.SetPanes(app_.GetTreePane(), SourcePaneFor(layoutInput_, width));
    LayoutControls();
}

void CZELMaintenanceDlg::EndPaneDrag() {
    paneDrag_ = PaneDrag{};
}

void CZELMaintenanceDlg::ShowSelectedTreeLabel() {
    HWND tree = tree_.Handle();
    HTREEITEM item = tree_.GetSelectedItem();
    if (!tree || !item) return;
    ::SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    RECT label;
    if (!tree_.GetItemRect(item, label, true)) return;
    RECT client;
    ::GetClientRect(tree, &client);
    // The label's left edge, with its icon, goes to the left of the tree
    // when the label does not fit where it is.
    const int iconRoom = 20;
    if (label.left >= iconRoom && label.right <= client.right) return;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS | SIF_RANGE | SIF_PAGE;
    if (!::GetScrollInfo(tree, SB_HORZ, &info)) return;
    const int most = std::max(0, info.nMax - static_cast<int>(info.nPage) + 1);
    const int position = std::clamp(info.nPos + static_cast<int>(label.left) - iconRoom, 0, most);
    if (position == info.nPos) return;
    ::SendMessageA(tree, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position), 0);
}
