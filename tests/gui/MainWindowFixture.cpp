#include "MainWindowFixture.h"

#include <windows.h>
#include <commctrl.h>

#include "TestFiles.h"
#include "app/MessageBox.h"
#include "resource.h"

void MainWindowFixture::SetUp() {
    userKey_ = std::make_unique<RegistrySnapshot>(HKEY_CURRENT_USER, "Software\\ZORVA");
    machineKey_ = std::make_unique<RegistrySnapshot>(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZORVA");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, CZELMaintenanceApp::SettingsKeyPath().c_str());
    ::OleInitialize(nullptr);
    app_ = std::make_unique<CZELMaintenanceApp>();
    app_->LoadSettings();
    SetMessageBoxResponder([this](const std::string& text, UINT flags) {
        boxes_.push_back({text, flags});
        if (answers_.empty()) return IDOK;
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

void MainWindowFixture::TearDown() {
    dialog_.reset();
    SetMessageBoxResponder({});
    app_.reset();
    ::OleUninitialize();
    machineKey_.reset();
    userKey_.reset();
}

CZELMaintenanceDlg& MainWindowFixture::Open() {
    dialog_ = std::make_unique<CZELMaintenanceDlg>(*app_);
    HWND hwnd = dialog_->Create(nullptr);
    EXPECT_NE(hwnd, nullptr);
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetActiveWindow(hwnd);  // no window manager activates it here
    Pump();
    return *dialog_;
}

void MainWindowFixture::Close() {
    dialog_->Destroy();
    dialog_.reset();
}

void MainWindowFixture::Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

RECT MainWindowFixture::ChildRect(int id) const {
    RECT r;
    ::GetWindowRect(dialog_->Item(id), &r);
    ::MapWindowPoints(nullptr, dialog_->Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void MainWindowFixture::Focus(CListCtrlZEL& list) {
    ::SetFocus(list.Handle());
    Pump();
}

void MainWindowFixture::Select(CListCtrlZEL& list, std::initializer_list<int> items) {
    for (int item : items) {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        ::SendMessageA(list.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                       reinterpret_cast<LPARAM>(&state));
    }
    Pump();
}

void MainWindowFixture::Command(int id) {
    ::SendMessageA(dialog_->Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    Pump();
}

int MainWindowFixture::FindItem(const CListCtrlZEL& list, const std::string& name) {
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemFileName(i) == name) return i;
    return -1;
}

std::string WriteFrame(const std::string& folder, const std::string& base, const std::string& title,
                       const std::string& paper) {
    const std::string path = folder + "\\" + base + ".USD";
    testing_support::WriteFile(path, "[HEADER]\r\nHdTitle=" + title + "\r\nHdPhysicalPaperSize=" + paper +
                                         "\r\nHdMargines=42,42,42,42\r\nHdThumbnail=.\\" + base +
                                         "\\thumb.jpg\r\n[LAYOUT]\r\nImage1=.\\" + base + "\\layout.jpg\r\n");
    testing_support::MakeDirs(folder + "\\" + base + "\\parts");
    testing_support::WriteFile(folder + "\\" + base + "\\layout.jpg", std::string(3000, 'L'));
    testing_support::WriteFile(folder + "\\" + base + "\\parts\\piece.bin", std::string(500, 'p'));
    return path;
}

void MainWindowFixture::Drag(POINT from, int dx) {
    HWND hwnd = dialog_->Handle();
    ::SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    ::SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.x + dx / 2, from.y));
    ::SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.x + dx, from.y));
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(from.x + dx, from.y));
    Pump();
}

POINT MainWindowFixture::TreeGap() const {
    const RECT list = ChildRect(IDC_LIST_SOURCE);
    return POINT{list.left - 5, list.top + 60};
}
