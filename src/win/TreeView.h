// A tree view control the window does not own: inline helpers for the
// messages the program sends it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

namespace win {

class TreeView {
public:
    TreeView() = default;
    explicit TreeView(HWND hwnd) : hwnd_(hwnd) {}

    HWND Handle() const { return hwnd_; }

    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
        return reinterpret_cast<HTREEITEM>(
            ::SendMessageA(hwnd_, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }

    LPARAM GetItemData(HTREEITEM item) const {
        TVITEMA tvi = {};
        tvi.mask = TVIF_HANDLE | TVIF_PARAM;
        tvi.hItem = item;
        return item && ::SendMessageA(hwnd_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)) ? tvi.lParam
                                                                                              : 0;
    }
    UINT GetItemState(HTREEITEM item, UINT mask) const {
        return static_cast<UINT>(
            ::SendMessageA(hwnd_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
    }
    std::string GetItemText(HTREEITEM item) const {
        char buffer[MAX_PATH + 1] = {};
        TVITEMA tvi = {};
        tvi.mask = TVIF_HANDLE | TVIF_TEXT;
        tvi.hItem = item;
        tvi.pszText = buffer;
        tvi.cchTextMax = MAX_PATH;
        if (!item || !::SendMessageA(hwnd_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi))) return {};
        return tvi.pszText ? tvi.pszText : "";
    }
    // The item shows an expand button (cChildren is not 0).
    bool ItemHasChildren(HTREEITEM item) const {
        TVITEMA tvi = {};
        tvi.mask = TVIF_HANDLE | TVIF_CHILDREN;
        tvi.hItem = item;
        return item && ::SendMessageA(hwnd_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)) &&
               tvi.cChildren != 0;
    }
    HTREEITEM InsertItem(const TVINSERTSTRUCTA& insert) const {
        return reinterpret_cast<HTREEITEM>(
            ::SendMessageA(hwnd_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    bool DeleteItem(HTREEITEM item) const {
        return ::SendMessageA(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool DeleteAllItems() const { return DeleteItem(TVI_ROOT); }
    bool Expand(HTREEITEM item, UINT code) const {
        return ::SendMessageA(hwnd_, TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool SelectItem(HTREEITEM item) const {
        return ::SendMessageA(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
    }
    // The item's rectangle (only its label's when textOnly); false when the
    // item is not visible.
    bool GetItemRect(HTREEITEM item, RECT& rect, bool textOnly) const {
        rect = RECT{};
        std::memcpy(&rect, &item, sizeof item);  // the message takes the item in the rectangle
        return ::SendMessageA(hwnd_, TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&rect)) != 0;
    }
    HIMAGELIST GetImageList(int which) const {
        return reinterpret_cast<HIMAGELIST>(::SendMessageA(hwnd_, TVM_GETIMAGELIST, which, 0));
    }
    void SetImageList(HIMAGELIST list, int which) const {
        ::SendMessageA(hwnd_, TVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list));
    }

protected:
    HWND hwnd_ = nullptr;
};

}  // namespace win
