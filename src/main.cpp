#include <windows.h>
#include <commctrl.h>

#include "ui/MainDlg.h"
#include "win/Handles.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    win::OleScope ole;
    CZELMaintenanceDlg dialog;
    dialog.DoModal(nullptr);
    return 0;
}
