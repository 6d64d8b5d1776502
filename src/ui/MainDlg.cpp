#include "ui/MainDlg.h"

#include "app/LangStrings.h"
#include "resource.h"

CZELMaintenanceDlg::CZELMaintenanceDlg(CZELMaintenanceApp& app) : win::Dialog(IDD_MAIN), app_(app) {
    icon_.Reset(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP),
                                                IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
}

BOOL CZELMaintenanceDlg::OnInitDialog() {
    ::SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
    ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));
    ::SetWindowTextA(Handle(), GetLangString("TITLE_APP").c_str());
    PlaceWindow();
    return TRUE;
}

void CZELMaintenanceDlg::PlaceWindow() {
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    ::MoveWindow(Handle(), (cx - 780) / 2, (cy - 540) / 2, 780, 540, TRUE);
}

bool CZELMaintenanceDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (id == ID_FILE_CLOSE) {
        EndDialog(IDOK);
        return true;
    }
    return win::Dialog::OnCommand(id, code, control);
}

INT_PTR CZELMaintenanceDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        EndDialog(IDOK);
        return TRUE;
    default:
        return win::Dialog::HandleMessage(msg, wParam, lParam);
    }
}
