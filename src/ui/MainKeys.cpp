// The edit menu, its keys and the context menus of the lists and the tree.
// Every one of them ends in the button's own handler and is enabled exactly
// when that button is.
#include <windows.h>
#include <commctrl.h>

#include "app/LangStrings.h"
#include "resource.h"
#include "ui/MainDlg.h"

namespace {

struct EditItem {
    UINT id;
    const char* key;
    const char* shortcut;  // added after the language text, so old files show it too
    int button;            // the button whose state the command follows (0: none)
};

const EditItem kEditItems[] = {
    {ID_EDIT_ADD, "MENU_EDIT_ADD", "", IDC_BTN_ADD},
    {ID_EDIT_MOVE_BACK, "MENU_EDIT_MOVE_BACK", "", IDC_BTN_MOVE_BACK},
    {ID_EDIT_COPY, "MENU_EDIT_COPY", "", IDC_BTN_COPY},
    {ID_EDIT_DELETE, "MENU_EDIT_DELETE", "\tDel", IDC_BTN_DELETE},
    {ID_EDIT_RENAME, "MENU_EDIT_RENAME", "\tF2", IDC_BTN_RENAME},
    {ID_EDIT_SELECT_ALL, "MENU_EDIT_SELECT_ALL", "\tCtrl+A", 0},
    {ID_EDIT_FILTER, "MENU_EDIT_FILTER", "\tCtrl+F", 0},
    {ID_EDIT_NEW_FOLDER, "MENU_EDIT_NEW_FOLDER", "\tF7", IDC_BTN_NEW_FOLDER},
};

const EditItem* FindEditItem(UINT id) {
    for (const EditItem& item : kEditItems)
        if (item.id == id) return &item;
    return nullptr;
}

std::string EditText(const EditItem& item) {
    return GetLangString(item.key) + item.shortcut;
}

// Refresh in a context menu, its key in the shortcut column as the others'.
std::string RefreshText() {
    return GetLangString("MENU_CONTEXT_REFRESH") + "\tF5";
}

// Commands that work on the active list's selection.
bool ActsOnList(UINT id) {
    return id != ID_EDIT_NEW_FOLDER && id != ID_EDIT_FILTER;
}

constexpr WORD kFromAccelerator = 1;

void AppendItem(HMENU menu, UINT id, const std::string& text, bool enabled, bool checked = false) {
    ::AppendMenuA(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED) | (checked ? MF_CHECKED : 0), id,
                  text.c_str());
}

}  // namespace

void CZELMaintenanceDlg::SetEditMenuTexts(HMENU menu) {
    for (const EditItem& item : kEditItems)
        ::ModifyMenuA(menu, item.id, MF_BYCOMMAND | MF_STRING, item.id, EditText(item).c_str());
}

bool CZELMaintenanceDlg::IsEditCommandEnabled(UINT id) {
    const EditItem* item = FindEditItem(id);
    if (!item) return false;
    if (item->button) return ::IsWindowEnabled(Item(item->button)) != FALSE;
    if (id == ID_EDIT_FILTER) return ::IsWindowEnabled(FilterBox(ActiveList::kSource)) != FALSE;
    CListCtrlZEL* active = ActiveListCtrl();
    return active && active->GetItemCount() > 0;
}

bool CZELMaintenanceDlg::OnEditCommand(WORD id, WORD code) {
    if (!FindEditItem(id)) return false;
    // A key acts on the list it is typed in: Del in the tree must not
    // delete the frames still selected in a list.
    if (code == kFromAccelerator && ActsOnList(id)) {
        CListCtrlZEL* active = ActiveListCtrl();
        if (!active || ::GetFocus() != active->Handle()) return true;
    }
    if (!IsEditCommandEnabled(id)) return true;
    switch (id) {
        case ID_EDIT_ADD:
            OnAdd();
            break;
        case ID_EDIT_MOVE_BACK:
            OnMoveBack();
            break;
        case ID_EDIT_COPY:
            OnCopy();
            break;
        case ID_EDIT_DELETE:
            OnDelete();
            break;
        case ID_EDIT_RENAME:
            OnRename();
            break;
        case ID_EDIT_SELECT_ALL:
            OnSelectAll();
            break;
        case ID_EDIT_NEW_FOLDER:
            OnNewFolder();
            break;
        case ID_EDIT_FILTER:
            OnFindFilter();
            break;
        default:
            break;
    }
    return true;
}

void CZELMaintenanceDlg::OnSelectAll() {
    if (CListCtrlZEL* active = ActiveListCtrl()) active->SetAllSelected(true);
    UpdateCommandButtons();
}

void CZELMaintenanceDlg::OnContextMenu(HWND window, POINT screen) {
    // Nothing may start while an operation runs, so nothing is offered either.
    if (IsOperationRunning()) return;
    const bool fromKeyboard = screen.x == -1 && screen.y == -1;
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return;
    if (window == sourceList_.Handle() || window == targetList_.Handle()) {
        CListCtrlZEL& list = window == sourceList_.Handle() ? sourceList_ : targetList_;
        const ActiveList which = &list == &sourceList_ ? ActiveList::kSource : ActiveList::kTarget;
        // A right click works on the list clicked, as a left click would.
        if (activeList_ != which) {
            ::SetFocus(list.Handle());
            if (activeList_ != which) OnListFocus(which);
        }
        UpdateCommandButtons();
        for (UINT id : {which == ActiveList::kSource ? ID_EDIT_ADD : ID_EDIT_MOVE_BACK, ID_EDIT_COPY,
                        ID_EDIT_DELETE, ID_EDIT_RENAME, ID_EDIT_SELECT_ALL})
            AppendItem(menu, id, EditText(*FindEditItem(id)), IsEditCommandEnabled(id));
        ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendItem(menu, ID_VIEW_REFRESH, RefreshText(), true);
        HMENU sort = ::CreatePopupMenu();
        AppendItem(sort, ID_SORT_TITLE, GetLangString("MENU_SORT_TITLE"), true,
                   app_.GetSortMode() == CListCtrlZEL::kSortByTitle);
        AppendItem(sort, ID_SORT_PAPER, GetLangString("MENU_SORT_PAPER_NAME"), true,
                   app_.GetSortMode() == CListCtrlZEL::kSortByPaper);
        AppendItem(sort, ID_SORT_DATE, GetLangString("MENU_SORT_DATE"), true,
                   app_.GetSortMode() == CListCtrlZEL::kSortByDate);
        ::AppendMenuA(sort, MF_SEPARATOR, 0, nullptr);
        AppendItem(sort, ID_SORT_ASCENDING, GetLangString("MENU_SORT_ASCENDING"), true,
                   !app_.GetSortDescending());
        AppendItem(sort, ID_SORT_DESCENDING, GetLangString("MENU_SORT_DESCENDING"), true,
                   app_.GetSortDescending());
        ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sort), GetLangString("MENU_SORT").c_str());
        if (fromKeyboard) {
            RECT box = {};
            const int focused = static_cast<int>(::SendMessageA(
                list.Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
            box.left = LVIR_BOUNDS;
            if (focused < 0 ||
                !::SendMessageA(list.Handle(), LVM_GETITEMRECT, focused, reinterpret_cast<LPARAM>(&box)))
                box = RECT{};
            screen = POINT{box.left + 16, box.bottom};
            ::ClientToScreen(list.Handle(), &screen);
        }
    } else if (window == tree_.Handle()) {
        AppendItem(menu, ID_EDIT_NEW_FOLDER, EditText(*FindEditItem(ID_EDIT_NEW_FOLDER)),
                   IsEditCommandEnabled(ID_EDIT_NEW_FOLDER));
        AppendItem(menu, ID_VIEW_REFRESH, RefreshText(), true);
        if (fromKeyboard) {
            RECT box = {};
            HTREEITEM selected = tree_.GetSelectedItem();
            if (!selected || !tree_.GetItemRect(selected, box, true)) box = RECT{};
            screen = POINT{box.left, box.bottom};
            ::ClientToScreen(tree_.Handle(), &screen);
        }
    } else {
        ::DestroyMenu(menu);
        return;
    }
    TrackContextMenu(menu, screen);
    ::DestroyMenu(menu);
}

void CZELMaintenanceDlg::TrackContextMenu(HMENU menu, POINT screen) {
    UINT chosen = 0;
    if (menuTracker_) {
        chosen = menuTracker_(menu, screen);
    } else {
        chosen = static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                    screen.x, screen.y, 0, Handle(), nullptr));
    }
    // Sent as a menu command, so the same guards apply as from the menu bar.
    if (chosen) ::SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
}
