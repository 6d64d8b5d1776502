#include <windows.h>
#include <commctrl.h>

#include "app/App.h"
#include "ui/MainDlg.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    if (CZELMaintenanceApp::IsUninstallCommand(commandLine)) {
        CZELMaintenanceApp::ForgetUserData();
        return 0;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    CZELMaintenanceApp app;
    return app.Run([](CZELMaintenanceApp& self) {
        CZELMaintenanceDlg dialog(self);
        dialog.DoModal(nullptr);
    });
}
