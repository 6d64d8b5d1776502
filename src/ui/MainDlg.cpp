#include "ui/MainDlg.h"

#include <cstdlib>

#include "app/LangStrings.h"
#include "resource.h"

namespace {

// Until the folder tree chooses the source, list 1 shows the demo library.
std::string SourceFolder() {
    const char* demo = std::getenv("QUILLET_DEMO_SOURCE");
    return demo && *demo ? demo : "C:\\users\\Public\\Documents\\Frames";
}

std::string TargetFolder() {
    char windows[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string drive = n >= 2 && n < MAX_PATH ? std::string(windows, 2) : std::string("C:");
    return drive + "\\Program Files\\Common Files\\ZEL";
}

}  // namespace

CZELMaintenanceDlg::CZELMaintenanceDlg() : win::Dialog(IDD_MAIN) {
    icon_.Reset(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP),
                                                IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
}

BOOL CZELMaintenanceDlg::OnInitDialog() {
    ::SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
    ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));
    ::SetWindowTextA(Handle(), GetLangString("TITLE_APP").c_str());
    ShowLists();
    PlaceWindow();
    return TRUE;
}

void CZELMaintenanceDlg::ShowLists() {
    // The tree and the buttons have no handlers yet: the lists take the window.
    for (HWND child = ::GetWindow(Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::ShowWindow(child, SW_HIDE);
    list1_.Attach(Item(IDC_LIST_SOURCE));
    list2_.Attach(Item(IDC_LIST_TARGET));
    for (CListCtrlZEL* list : {&list1_, &list2_}) {
        list->SetSortModeSource([this] { return sortMode_; });
        list->Initialize();
        ::ShowWindow(list->Handle(), SW_SHOW);
    }
    list1_.SetFolder(SourceFolder());
    list2_.SetFolder(TargetFolder());
}

void CZELMaintenanceDlg::LayoutLists() {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int gap = 6;
    const int width = (client.right - 3 * gap) / 2;
    const int height = client.bottom - 2 * gap;
    if (width <= 0 || height <= 0) return;
    ::MoveWindow(list1_.Handle(), gap, gap, width, height, TRUE);
    ::MoveWindow(list2_.Handle(), 2 * gap + width, gap, width, height, TRUE);
}

bool CZELMaintenanceDlg::OnNotify(NMHDR* header, LRESULT& result) {
    return list1_.HandleNotify(header, result) || list2_.HandleNotify(header, result);
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
        case WM_SIZE:
            LayoutLists();
            return FALSE;
        case WM_DRAWITEM:
        case WM_MEASUREITEM: {
            LRESULT result = 0;
            return list1_.HandleParentMessage(msg, wParam, lParam, result) ||
                   list2_.HandleParentMessage(msg, wParam, lParam, result);
        }
        default:
            return win::Dialog::HandleMessage(msg, wParam, lParam);
    }
}
