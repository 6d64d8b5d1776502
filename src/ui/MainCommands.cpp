// Command states, menu commands, target switching and browsing of the main
// window.
#include <windows.h>
#include <commctrl.h>

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "choosers/MemoryCardWizard.h"
#include "frames/FrameInfoCache.h"
#include "resource.h"
#include "ui/MainDlg.h"
#include "win/Strings.h"

namespace {
// Commands with a handler of their own; the menu walk disables any other.
bool HasCommandHandler(UINT id) {
    return (id >= ID_FILE_CLOSE && id <= ID_SORT_DATE) || (id >= ID_EDIT_ADD && id <= ID_EDIT_FILTER) ||
           id == ID_TARGET_REMOVE_CARD;
}
}  // namespace

bool CZELMaintenanceDlg::OnCommand(WORD id, WORD code, HWND control) {
    // An operation pumps messages while it runs: nothing else may start
    // meanwhile, since it would work on the same folders. The commands are
    // disabled then; this catches what slips through (a posted command).
    if (IsOperationRunning() && id != ID_FILE_CLOSE && id != ID_HELP_ABOUT) return true;
    switch (id) {
        case IDC_FILTER_SOURCE:
        case IDC_FILTER_TARGET: {
            const ActiveList list = id == IDC_FILTER_SOURCE ? ActiveList::kSource : ActiveList::kTarget;
            if (code == EN_CHANGE) OnFilterChanged(list);
            // Typing in a list's box makes that list the one the commands act on.
            if (code == EN_SETFOCUS && activeList_ != list) OnListFocus(list);
            return true;
        }
        case IDC_BTN_ADD:
            if (code == BN_CLICKED) OnAdd();
            return true;
        case IDC_BTN_COPY:
            if (code == BN_CLICKED) OnCopy();
            return true;
        case IDC_BTN_MOVE_BACK:
            if (code == BN_CLICKED) OnMoveBack();
            return true;
        case IDC_BTN_DELETE:
            if (code == BN_CLICKED) OnDelete();
            return true;
        case IDC_BTN_NEW_FOLDER:
            if (code == BN_CLICKED) OnNewFolder();
            return true;
        case IDC_BTN_RENAME:
            if (code == BN_CLICKED) OnRename();
            return true;
        case ID_FILE_CLOSE:
            EndDialog(IDOK);
            return true;
        case ID_HELP_ABOUT:
            OnAbout();
            return true;
        case ID_VIEW_REFRESH:
            OnRefresh();
            return true;
        case ID_SORT_TITLE:
            OnSort(CListCtrlZEL::kSortByTitle);
            return true;
        case ID_SORT_PAPER:
            OnSort(CListCtrlZEL::kSortByPaper);
            return true;
        case ID_SORT_DATE:
            OnSort(CListCtrlZEL::kSortByDate);
            return true;
        case ID_SORT_ASCENDING:
        case ID_SORT_DESCENDING:
            OnSort(app_.GetSortMode(), id == ID_SORT_DESCENDING);
            return true;
        case ID_TARGET_LUMADEX:
            OnTargetLumadex();
            return true;
        case ID_TARGET_MEMCARD:
            OnTargetMemoryCard();
            return true;
        case ID_TARGET_REMOVE_CARD:
            OnRemoveCardSafely();
            return true;
        case IDC_BTN_SELECT_CARD:
            if (code == BN_CLICKED && app_.GetLayoutAdditionTo() == kTargetMemoryCard) OnTargetMemoryCard();
            return true;
        default:
            return OnEditCommand(id, code) || win::Dialog::OnCommand(id, code, control);
    }
}

bool CZELMaintenanceDlg::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->code == NM_SETFOCUS &&
        (header->idFrom == IDC_LIST_SOURCE || header->idFrom == IDC_LIST_TARGET)) {
        OnListFocus(header->idFrom == IDC_LIST_SOURCE ? ActiveList::kSource : ActiveList::kTarget);
        result = 0;
        return true;
    }
    if (header->idFrom == IDC_FOLDER_TREE) {
        if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW) {
            OnTreeSelChanged();
            result = 0;
            return true;
        }
        return tree_.HandleNotify(header, result);
    }
    // A click on a column's heading sorts by it; on the sorted one again,
    // the other way round. While an operation runs, as the Sort menu, not.
    if (header->code == LVN_COLUMNCLICK &&
        (header->idFrom == IDC_LIST_SOURCE || header->idFrom == IDC_LIST_TARGET)) {
        const int mode =
            CListCtrlZEL::SortModeOfColumn(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
        if (mode >= 0 && !IsOperationRunning())
            OnSort(mode, mode == app_.GetSortMode() && !app_.GetSortDescending());
        result = 0;
        return true;
    }
    if (header->code == LVN_BEGINDRAG &&
        (header->idFrom == IDC_LIST_SOURCE || header->idFrom == IDC_LIST_TARGET)) {
        OnBeginDrag(header->idFrom == IDC_LIST_SOURCE ? ActiveList::kSource : ActiveList::kTarget);
        result = 0;
        return true;
    }
    return sourceList_.HandleNotify(header, result) || targetList_.HandleNotify(header, result);
}

CListCtrlZEL* CZELMaintenanceDlg::ActiveListCtrl() {
    switch (activeList_) {
        case ActiveList::kSource:
            return &sourceList_;
        case ActiveList::kTarget:
            return &targetList_;
        default:
            return nullptr;
    }
}

void CZELMaintenanceDlg::UpdateCommandButtons() {
    // A running operation's buttons change twice: when it shows itself
    // (ShowOperationRunning) and when it ends.
    if (operationRunning_ && !operationShown_) return;
    CListCtrlZEL* active = ActiveListCtrl();
    const int n =
        active ? static_cast<int>(::SendMessageA(active->Handle(), LVM_GETSELECTEDCOUNT, 0, 0)) : -1;
    const bool fileSystem = tree_.IsSelectedFileSystem() != 0;
    const bool idle = !IsOperationRunning();
    ::EnableWindow(Item(IDC_BTN_MOVE_BACK),
                   idle && activeList_ == ActiveList::kTarget && n > 0 && fileSystem);
    ::EnableWindow(Item(IDC_BTN_ADD), idle && activeList_ == ActiveList::kSource && n > 0);
    ::EnableWindow(Item(IDC_BTN_COPY), idle && n > 0);
    ::EnableWindow(Item(IDC_BTN_DELETE), idle && n > 0);
    ::EnableWindow(Item(IDC_BTN_RENAME), idle && n == 1);
    ::EnableWindow(Item(IDC_BTN_SELECT_CARD), idle);
    for (ActiveList list : {ActiveList::kSource, ActiveList::kTarget}) ::EnableWindow(FilterBox(list), idle);
    DisableCardWritesWhenMissing();
    UpdateListTitles();
}

void CZELMaintenanceDlg::UpdateListTitles() {
    const std::string sourceTitle = SourceTitleText(layout_.sourceTitle.right);
    if (win::WindowText(Item(IDC_TITLE_SOURCE)) != sourceTitle) {
        if (layoutInput_.clientWidth != 0 &&
            WrappedTextHeight(sourceTitle, boldFont_.Get(), layout_.sourceTitle.right) !=
                sourceTitleHeight_) {
            LayoutControls();
            return;
        }
        SetItemText(IDC_TITLE_SOURCE, sourceTitle);
    }
    // Before the first layout the title has no width to fit yet.
    if (layoutInput_.clientWidth == 0) {
        SetItemText(IDC_TITLE_TARGET, TargetTitleText(0));
        return;
    }
    // A change of target moves the choose-card button, and a title that
    // needs another line grows its row: both lay the window out again.
    const bool card = app_.GetLayoutAdditionTo() == kTargetMemoryCard;
    const std::string text = TargetTitleText(layout_.targetTitle.right);
    // List 1's title is as the layout measured it: only list 2's changes.
    const int height =
        std::max(sourceTitleHeight_, WrappedTextHeight(text, boldFont_.Get(), layout_.targetTitle.right));
    if (card != layoutInput_.card || height != layoutInput_.titleHeight) {
        LayoutControls();
        return;
    }
    if (win::WindowText(Item(IDC_TITLE_TARGET)) != text) SetItemText(IDC_TITLE_TARGET, text);
}

void CZELMaintenanceDlg::OnListFocus(ActiveList list) {
    activeList_ = list;
    (list == ActiveList::kSource ? targetList_ : sourceList_).SetAllSelected(false);
    UpdateCommandButtons();
}

void CZELMaintenanceDlg::OnInitMenuPopup(HMENU menu, bool isSystemMenu) {
    if (isSystemMenu) return;
    for (int index = 0; index < ::GetMenuItemCount(menu); ++index) {
        const UINT id = ::GetMenuItemID(menu, index);
        if (id == 0) continue;  // separator
        if (id == static_cast<UINT>(-1)) {
            // A sub-menu is represented by its first item, never auto-disabled.
            HMENU sub = ::GetSubMenu(menu, index);
            const UINT first = sub ? ::GetMenuItemID(sub, 0) : 0;
            if (first != 0 && first != static_cast<UINT>(-1)) UpdateMenuItem(menu, index, first, false);
            continue;
        }
        UpdateMenuItem(menu, index, id, true);
    }
}

void CZELMaintenanceDlg::UpdateMenuItem(HMENU menu, UINT index, UINT id, bool autoDisable) {
    auto enable = [&](bool on) {
        ::EnableMenuItem(menu, index, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    };
    auto check = [&](bool on) {
        ::CheckMenuItem(menu, index, MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED));
    };
    if (IsOperationRunning() && id != ID_FILE_CLOSE && id != ID_HELP_ABOUT) {
        enable(false);
        return;
    }
    switch (id) {
        case ID_TARGET_LUMADEX:
            enable(true);
            check(app_.GetLayoutAdditionTo() == kTargetLumadexFolder);
            return;
        case ID_TARGET_MEMCARD: {
            const bool enabled = app_.IsMemoryCardTargetEnabled();
            enable(enabled);
            if (enabled) check(app_.GetLayoutAdditionTo() == kTargetMemoryCard);
            return;
        }
        case ID_TARGET_REMOVE_CARD:
            enable(CanRemoveCard());
            return;
        case ID_SORT_TITLE:
            enable(true);
            check(app_.GetSortMode() == CListCtrlZEL::kSortByTitle);
            return;
        case ID_SORT_PAPER:
            enable(true);
            check(app_.GetSortMode() == CListCtrlZEL::kSortByPaper);
            return;
        case ID_SORT_DATE:
            enable(true);
            check(app_.GetSortMode() == CListCtrlZEL::kSortByDate);
            return;
        case ID_SORT_ASCENDING:
        case ID_SORT_DESCENDING:
            enable(true);
            check(app_.GetSortDescending() == (id == ID_SORT_DESCENDING));
            return;
        case ID_EDIT_ADD:
        case ID_EDIT_MOVE_BACK:
        case ID_EDIT_COPY:
        case ID_EDIT_DELETE:
        case ID_EDIT_RENAME:
        case ID_EDIT_SELECT_ALL:
        case ID_EDIT_NEW_FOLDER:
            enable(IsEditCommandEnabled(id));
            return;
        default:
            if (autoDisable && id < 0xF000 && !HasCommandHandler(id)) enable(false);
            return;
    }
}

void CZELMaintenanceDlg::OnSort(int mode) {
    OnSort(mode, app_.GetSortDescending());
}

void CZELMaintenanceDlg::OnSort(int mode, bool descending) {
    app_.SetSortMode(mode);
    app_.SetSortDescending(descending);
    for (CListCtrlZEL* list : {&sourceList_, &targetList_}) {
        list->Sort();
        list->ShowSortOrder();
    }
}

void CZELMaintenanceDlg::OnRefresh() {
    refreshing_ = true;
    tree_.RefreshTree();
    // Every header is read again; a thumbnail whose JPEG is unchanged is kept.
    BeginFrameInfoRefresh();
    sourceList_.SetFolder(tree_.GetSelectedPath());
    targetList_.SetFolder(app_.GetTargetFolder());
    EndFrameInfoRefresh();
    refreshing_ = false;
    UpdateListTitles();
}

void CZELMaintenanceDlg::OnTargetLumadex() {
    if (app_.GetLayoutAdditionTo() == kTargetLumadexFolder) return;
    if (win::EqualsNoCase(tree_.GetSelectedPath(), app_.GetLumadexTargetFolder())) {
        ShowErrorBox("ERR_SELECT_SAME_TARGET");
    } else {
        ClearFilter(ActiveList::kTarget);
        targetList_.SetFolder(app_.GetLumadexTargetFolder());
        app_.SetLayoutAdditionTo(kTargetLumadexFolder);
    }
    UpdateListTitles();
}

void CZELMaintenanceDlg::OnTargetMemoryCard() {
    {
        CMemoryCardWizard wizard(Handle());
        if (cardDriveType_) wizard.SetDriveTypeFunction(cardDriveType_);
        // Drives that come and go while it is open reach its list.
        openWizard_ = &wizard;
        const INT_PTR answer = wizard.DoModal(tree_.GetSelectedPath());
        openWizard_ = nullptr;
        if (answer == IDOK) {
            const std::string drive = wizard.GetChosenDrive();
            ClearFilter(ActiveList::kTarget);
            targetList_.SetFolder(drive + "VOZEL");
            app_.SetLayoutAdditionTo(kTargetMemoryCard);
            app_.SetMemoryCardDrive(drive);
        }
    }
    UpdateListTitles();
}

void CZELMaintenanceDlg::SelectTreeRoot() {
    HWND tree = tree_.Handle();
    const auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
}

void CZELMaintenanceDlg::OnTreeSelChanged() {
    const std::string path = tree_.GetSelectedPath();
    // A virtual folder has no path: it is never the configuration folder or
    // the target, even before the target list has its folder.
    if (!path.empty() && win::EqualsNoCase(path, app_.GetLumadexConfigFolder())) {
        ShowErrorBox("ERR_NOT_USE_FOLDER");
        SelectTreeRoot();
    } else if (!path.empty() && win::EqualsNoCase(path, targetList_.GetFolder())) {
        ShowErrorBox("ERR_SELECT_SAME_FOLDER");
        SelectTreeRoot();
    } else if (sourceList_.Handle() && !refreshing_) {
        ClearFilter(ActiveList::kSource);
        sourceList_.SetFolder(path);
    }
    ::EnableWindow(Item(IDC_BTN_NEW_FOLDER), !IsOperationRunning() && tree_.IsSelectedFileSystem() == 1);
    UpdateCommandButtons();
    ShowSelectedTreeLabel();
}
