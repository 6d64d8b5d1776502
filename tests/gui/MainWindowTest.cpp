// The real main window, created in process on the test display.
#include <algorithm>
#include <vector>

#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "Version.h"
#include "app/LangStrings.h"
#include "ops/OperationReporter.h"
#include "resource.h"
#include "win/Strings.h"

namespace {

using MainWindowTest = MainWindowFixture;

RECT WindowRect(HWND hwnd) {
    RECT r;
    ::GetWindowRect(hwnd, &r);
    return r;
}

}  // namespace

TEST_F(MainWindowTest, FirstRunOpensCentredWithEveryLabelFromTheLanguageFile) {
    ASSERT_EQ(::GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(::GetSystemMetrics(SM_CYSCREEN), 768);
    CZELMaintenanceDlg& dlg = Open();
    const RECT r = WindowRect(dlg.Handle());
    EXPECT_EQ(r.left, 122);
    EXPECT_EQ(r.top, 114);
    EXPECT_EQ(r.right - r.left, 780);
    EXPECT_EQ(r.bottom - r.top, 540);

    EXPECT_EQ(win::WindowText(dlg.Handle()), GetLangString("TITLE_APP"));
    EXPECT_EQ(dlg.ItemText(IDC_TITLE_SOURCE), GetLangString("TITLE_ZELLIT1"));
    EXPECT_EQ(dlg.ItemText(IDC_BTN_ADD), GetLangString("BTN_ADD"));
    // The companion's folder with its frame count.
    EXPECT_EQ(dlg.ItemText(IDC_TITLE_TARGET),
              GetLangString("TITLE_ZELLIT2_LX") + " " +
                  ReportText("TITLE_TARGET_FRAMES", {std::to_string(dlg.TargetList().GetItemCount())}));
    EXPECT_FALSE(::IsWindowVisible(dlg.Item(IDC_BTN_SELECT_CARD)));
    char text[256] = {};
    ::GetMenuStringA(::GetMenu(dlg.Handle()), ID_VIEW_REFRESH, text, sizeof text, MF_BYCOMMAND);
    EXPECT_EQ(std::string(text), GetLangString("MENU_DISPLAY_REFRESH"));
    ::GetMenuStringA(::GetMenu(dlg.Handle()), 4, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(std::string(text), GetLangString("MENU_CHANGE_TARGET"));
    ::GetMenuStringA(::GetMenu(dlg.Handle()), 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(std::string(text), GetLangString("MENU_EDIT"));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainWindowTest, OnlyLeftMissingOrOffScreenOpens660By540Centred) {
    app_->StoreWindowRect(-1, 10, 690, 510, false);
    CZELMaintenanceDlg& dlg = Open();
    RECT r = WindowRect(dlg.Handle());
    EXPECT_EQ(r.left, 182);
    EXPECT_EQ(r.right - r.left, 660);
    Close();
    app_->StoreWindowRect(224, 168, 1024, 768, false);  // ends exactly at the screen edges
    r = WindowRect(Open().Handle());
    EXPECT_EQ(r.left, 224);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.bottom, 768);
}

TEST_F(MainWindowTest, EnterEscapeAndTheMinimumSize) {
    CZELMaintenanceDlg& dlg = Open();
    ::SendMessageA(dlg.Handle(), WM_COMMAND, IDOK, 0);
    ::SendMessageA(dlg.Handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(dlg.HasEnded());
    MINMAXINFO info = {};
    ::SendMessageA(dlg.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 660);
    EXPECT_EQ(info.ptMinTrackSize.y, 540);
    ::SendMessageA(dlg.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(dlg.HasEnded());
}

TEST_F(MainWindowTest, LayoutFollowsTheClientAndSkipsMinimisedWindows) {
    CZELMaintenanceDlg& dlg = Open();
    RECT client;
    ::GetClientRect(dlg.Handle(), &client);
    const RECT source = ChildRect(IDC_LIST_SOURCE);
    const RECT target = ChildRect(IDC_LIST_TARGET);
    EXPECT_EQ(source.left, client.right / 5 + 20);
    EXPECT_EQ(target.right, client.right - 10);
    EXPECT_EQ(source.right - source.left, target.right - target.left);
    EXPECT_EQ(ChildRect(IDC_BTN_MOVE_BACK).left, source.right + 5);

    // Labels of any length (here 5,000 characters on every button and
    // caption) are cut: every control stays in the window and off the lists.
    const std::string longText(5000, 'W');
    for (HWND child = ::GetWindow(dlg.Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (child != dlg.Item(IDC_LIST_SOURCE) && child != dlg.Item(IDC_LIST_TARGET) &&
            child != dlg.Item(IDC_FOLDER_TREE))
            ::SetWindowTextA(child, longText.c_str());
    ::ShowWindow(dlg.Item(IDC_BTN_SELECT_CARD), SW_SHOW);
    ::SetWindowPos(dlg.Handle(), nullptr, 0, 0, 700, 560, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    ::GetClientRect(dlg.Handle(), &client);
    const RECT lists[] = {ChildRect(IDC_LIST_SOURCE), ChildRect(IDC_LIST_TARGET)};
    for (const RECT& list : lists) EXPECT_GT(list.right - list.left, client.right / 5);
    for (HWND child = ::GetWindow(dlg.Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(child);
        RECT r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, dlg.Handle(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << id;
        if (id == IDC_LIST_SOURCE || id == IDC_LIST_TARGET) continue;
        RECT overlap;
        for (const RECT& list : lists) EXPECT_FALSE(::IntersectRect(&overlap, &r, &list)) << id;
    }

    const RECT before = ChildRect(IDC_LIST_SOURCE);
    ::ShowWindow(dlg.Handle(), SW_MINIMIZE);
    Pump();
    const RECT after = ChildRect(IDC_LIST_SOURCE);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right, before.right);
}

TEST_F(MainWindowTest, AWindowClosedMaximisedReopensMaximisedAndRestoresItsRectangle) {
    app_->StoreWindowRect(100, 80, 800, 660, false);
    CZELMaintenanceDlg& dlg = Open();
    ::ShowWindow(dlg.Handle(), SW_MAXIMIZE);
    Pump();
    Close();
    RECT stored;
    bool zoomed = false;
    app_->GetStoredWindowRect(stored, zoomed);
    EXPECT_TRUE(zoomed);
    EXPECT_EQ(stored.left, 100);
    EXPECT_EQ(stored.right, 800);

    CZELMaintenanceDlg& again = Open();
    EXPECT_TRUE(::IsZoomed(again.Handle()));
    ::ShowWindow(again.Handle(), SW_RESTORE);
    Pump();
    const RECT r = WindowRect(again.Handle());
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 80);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 660);
}

TEST_F(MainWindowTest, F5GoesThroughTheAcceleratorTable) {
    CZELMaintenanceDlg& dlg = Open();
    MSG msg = {dlg.Item(IDC_LIST_SOURCE), WM_KEYDOWN, VK_F5, 0, 0, {0, 0}};
    EXPECT_TRUE(dlg.PreTranslateMessage(&msg));
    msg.wParam = VK_F6;
    EXPECT_FALSE(dlg.PreTranslateMessage(&msg));
}

TEST_F(MainWindowTest, TheAboutBoxShowsTheVersionOfTheVersionResource) {
    CZELMaintenanceDlg& dlg = Open();
    std::string versionLine, productLine;
    testing_support::ModalDriver driver({[&](HWND about) {
        versionLine = win::WindowText(::GetDlgItem(about, IDC_ABOUT_PROGRAM_VERSION));
        productLine = win::WindowText(::GetDlgItem(about, IDC_ABOUT_VERSION));
        testing_support::ClickButton(about, IDOK);
    }});
    Command(ID_HELP_ABOUT);
    EXPECT_EQ(driver.LeftOpen(), 0);
    EXPECT_EQ(productLine, GetLangString("VERSION_ABOUT"));
    EXPECT_EQ(versionLine, GetLangString("TITLE_ABOUT_PROGRAM_VERSION") + " " + QUILLET_VERSION_TEXT);

    // This test program carries the program's resources, version included.
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, sizeof module);
    DWORD ignored = 0;
    std::vector<char> data(::GetFileVersionInfoSizeA(module, &ignored));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(::GetFileVersionInfoA(module, 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS,
              static_cast<DWORD>(MAKELONG(QUILLET_VERSION_MINOR, QUILLET_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, QUILLET_VERSION_PATCH)));
    char* product = nullptr;
    ASSERT_TRUE(::VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\ProductVersion",
                                 reinterpret_cast<void**>(&product), &size));
    EXPECT_STREQ(product, QUILLET_VERSION_TEXT);
    EXPECT_FALSE(dlg.HasEnded());
}

TEST_F(MainWindowTest, TheAboutBoxShowsTheLicencesOfTheProgramAndItsLibraries) {
    Open();
    std::string button, title, text;
    bool okHasFocus = false;
    const auto inAbout = [&](HWND about) {
        // Enter closes the box, although the licences button comes first.
        okHasFocus = ::GetFocus() == ::GetDlgItem(about, IDOK);
        button = win::WindowText(::GetDlgItem(about, IDC_ABOUT_LICENCES));
        testing_support::ClickButton(about, IDC_ABOUT_LICENCES);
        testing_support::ClickButton(about, IDOK);
    };
    const auto inLicences = [&](HWND licences) {
        title = win::WindowText(licences);
        text = win::WindowText(::GetDlgItem(licences, IDC_LICENCES_TEXT));
        testing_support::ClickButton(licences, IDOK);
    };
    testing_support::ModalDriver driver({inAbout, inLicences});
    Command(ID_HELP_ABOUT);
    EXPECT_EQ(driver.ActionsRun(), 2);
    EXPECT_EQ(driver.LeftOpen(), 0);
    EXPECT_TRUE(okHasFocus);
    EXPECT_EQ(button, GetLangString("BTN_ABOUT_LICENCES"));
    EXPECT_EQ(title, GetLangString("TITLE_LICENCES"));
    // The program's own licence and those of both libraries (IJG's README
    // included), from the program itself, with the edit control's line ends.
    for (const char* part : {"MIT License\r\n", "libjpeg-turbo", "Independent JPEG Group", "SQLite"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 100);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), std::count(text.begin(), text.end(), '\n'));
}
