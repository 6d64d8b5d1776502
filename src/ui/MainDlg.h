// The main window: folder tree, source list, target list and the buttons
// between them.
#pragma once

#include "win/Dialog.h"
#include "win/Handles.h"

class CZELMaintenanceApp;

class CZELMaintenanceDlg : public win::Dialog {
public:
    explicit CZELMaintenanceDlg(CZELMaintenanceApp& app);

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    // Enter and Escape never close the main window.
    void OnOK() override {}
    void OnCancel() override {}

private:
    void PlaceWindow();

    CZELMaintenanceApp& app_;
    win::Icon icon_;
};
