// The main window: folder tree, source list, target list and the buttons
// between them.
#pragma once

#include "frames/ListCtrlZEL.h"
#include "win/Dialog.h"
#include "win/Handles.h"

class CZELMaintenanceDlg : public win::Dialog {
public:
    CZELMaintenanceDlg();

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    // Enter and Escape never close the main window.
    void OnOK() override {}
    void OnCancel() override {}

private:
    void PlaceWindow();
    void ShowLists();
    void LayoutLists();

    win::Icon icon_;
    int sortMode_ = CListCtrlZEL::kSortByTitle;
    CListCtrlZEL list1_;
    CListCtrlZEL list2_;
};
