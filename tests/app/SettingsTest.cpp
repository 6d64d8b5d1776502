#include <cstring>

#include "AppFixture.h"
#include "app/Lumadex.h"
#include "frames/ListCtrlZEL.h"

namespace {
using SettingsTest = AppFixture;

const std::string kSetting = CZELMaintenanceApp::SettingsKeyPath() + "\\Setting";
const std::string kWindowPos = CZELMaintenanceApp::SettingsKeyPath() + "\\WindowPos";

RegValue Dword(int v) {
    RegValue value{REG_DWORD, std::vector<BYTE>(4)};
    std::memcpy(value.data.data(), &v, 4);
    return value;
}
RegValue Sz(const std::string& text) {
    return {REG_SZ, std::vector<BYTE>(text.c_str(), text.c_str() + text.size() + 1)};
}
}  // namespace

TEST_F(SettingsTest, AFirstRunWritesAllEightValuesWithTheirDefaultsAtExit) {
    EXPECT_EQ(CZELMaintenanceApp::SettingsKeyPath(), "Software\\ZORVA\\ZORVA Quillet Tool1.1");
    CZELMaintenanceApp app;
    UseLanguageFile(app);
    bool sawDefaults = false;
    EXPECT_EQ(RunWithoutWindow(app,
                               [&](CZELMaintenanceApp& a) {
                                   RECT rect;
                                   bool zoomed = true;
                                   a.GetStoredWindowRect(rect, zoomed);
                                   sawDefaults = a.GetSortMode() == 1 &&
                                                 a.GetLayoutAdditionTo() == kTargetLumadexFolder &&
                                                 a.GetMemoryCardDrive().empty() && rect.left == -1 &&
                                                 rect.top == -1 && !zoomed;
                               }),
              0);
    EXPECT_TRUE(sawDefaults);

    RegTree expected;
    RegTree& windowPos = expected.keys["WindowPos"];
    windowPos.values = {{"Left", Dword(-1)},
                        {"Top", Dword(-1)},
                        {"Width", Dword(-1)},
                        {"Height", Dword(-1)},
                        {"Zoomed", Dword(0)},
                        {"TreePane", Dword(2000)},
                        {"SourcePane", Dword(5000)},
                        {"SourceTitleWidth", Dword(0)},
                        {"SourcePaperWidth", Dword(0)},
                        {"SourceDateWidth", Dword(0)},
                        {"TargetTitleWidth", Dword(0)},
                        {"TargetPaperWidth", Dword(0)},
                        {"TargetDateWidth", Dword(0)}};
    expected.keys["Setting"].values = {{"SortMode", Dword(1)},
                                       {"SortDescending", Dword(0)},
                                       {"SortByDate", Dword(0)},
                                       {"LayoutAdditionTo", Dword(0)},
                                       {"MemoryCardDrive", Sz("")}};
    EXPECT_EQ(StoredSettings(), expected);
}

TEST_F(SettingsTest, ARoundTripKeepsEveryValue) {
    {
        CZELMaintenanceApp app;
        app.LoadSettings();
        app.SetSortMode(0);
        app.SetSortMode(CListCtrlZEL::kSortByDate);
        app.SetSortDescending(true);
        app.SetLayoutAdditionTo(kTargetMemoryCard);
        app.SetMemoryCardDrive("E:\\");
        app.StoreWindowRect(-20, 30, 780, 630, true);
        app.SetPanes(3100, 4200);
        app.SetListColumns(1, {140, 0, 90});
        app.SaveSettings();
    }
    CZELMaintenanceApp app;
    app.LoadSettings();
    EXPECT_EQ(app.GetSortMode(), CListCtrlZEL::kSortByDate);
    EXPECT_TRUE(app.GetSortDescending());
    // Whatever reads only SortMode finds the order chosen before the date's.
    RegValue mode;
    ASSERT_TRUE(ReadRegValue(HKEY_CURRENT_USER, kSetting, "SortMode", mode));
    EXPECT_EQ(mode, Dword(0));
    EXPECT_EQ(app.GetLayoutAdditionTo(), kTargetMemoryCard);
    EXPECT_EQ(app.GetMemoryCardDrive(), "E:\\");
    RECT rect;
    bool zoomed = false;
    app.GetStoredWindowRect(rect, zoomed);
    EXPECT_EQ(rect.left, -20);
    EXPECT_EQ(rect.top, 30);
    EXPECT_EQ(rect.right, 780);
    EXPECT_EQ(rect.bottom, 630);
    EXPECT_TRUE(zoomed);
    EXPECT_EQ(app.GetTreePane(), 3100);
    EXPECT_EQ(app.GetSourcePane(), 4200);
    EXPECT_EQ(app.GetListColumns(0).title + app.GetListColumns(0).paper, 0);
    EXPECT_EQ(app.GetListColumns(1).title, 140);
    EXPECT_EQ(app.GetListColumns(1).paper, 0);
    EXPECT_EQ(app.GetListColumns(1).date, 90);
    RegValue width;
    ASSERT_TRUE(ReadRegValue(HKEY_CURRENT_USER, kWindowPos, "Width", width));
    EXPECT_EQ(width, Dword(800));
}

TEST_F(SettingsTest, MissingOrUnusableValuesReadAsDefaults) {
    WriteRegDword(HKEY_CURRENT_USER, kWindowPos, "Top", 12);
    WriteRegDword(HKEY_CURRENT_USER, kSetting, "SortMode", 0);
    // Not a drive root of three characters: taken as no drive.
    WriteRegString(HKEY_CURRENT_USER, kSetting, "MemoryCardDrive", "E:\\VOZEL");
    // A pane of the whole width or none would hide a control.
    WriteRegDword(HKEY_CURRENT_USER, kWindowPos, "SourcePane", 10000);
    CZELMaintenanceApp app;
    app.LoadSettings();
    RECT rect;
    bool zoomed = true;
    app.GetStoredWindowRect(rect, zoomed);
    EXPECT_EQ(rect.left, -1);
    EXPECT_EQ(rect.top, 12);
    EXPECT_EQ(rect.right, -2);  // left + width, both -1
    EXPECT_FALSE(zoomed);
    EXPECT_EQ(app.GetSortMode(), 0);  // stored by an older release, alone: A to Z
    EXPECT_FALSE(app.GetSortDescending());
    EXPECT_EQ(app.GetLayoutAdditionTo(), kTargetLumadexFolder);
    EXPECT_EQ(app.GetMemoryCardDrive(), "");
    EXPECT_EQ(app.GetTreePane(), 2000);  // a key from before resizable panes
    EXPECT_EQ(app.GetSourcePane(), 5000);
}

TEST_F(SettingsTest, OnlyADriveRootOfThreeCharactersIsAMemoryCardDrive) {
    CZELMaintenanceApp app;
    for (const char* bad : {"E:", "E:\\X", "EE\\", "1:\\", "E;\\", "E:/", ""}) {
        app.SetMemoryCardDrive("F:\\");
        app.SetMemoryCardDrive(bad);
        EXPECT_EQ(app.GetMemoryCardDrive(), "") << bad;
    }
    app.SetMemoryCardDrive("e:\\");
    EXPECT_EQ(app.GetMemoryCardDrive(), "e:\\");
}

TEST_F(SettingsTest, TargetFolders) {
    CZELMaintenanceApp app;
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string lumadexTarget = std::string(windows, 2) + "\\Program Files\\Common Files\\ZEL";
    EXPECT_EQ(app.GetLumadexTargetFolder(), lumadexTarget);

    app.SetMemoryCardDrive("E:\\");
    EXPECT_EQ(app.GetMemoryCardFolder(), "E:\\VOZEL");
    EXPECT_EQ(app.GetTargetFolder(), lumadexTarget);
    app.SetLayoutAdditionTo(kTargetMemoryCard);
    EXPECT_EQ(app.GetTargetFolder(), "E:\\VOZEL");
}

TEST_F(SettingsTest, TheLumadexConfigFolderLiesBesideItsProgram) {
    CZELMaintenanceApp app;
    EXPECT_EQ(app.GetLumadexConfigFolder(), "Config\\ZEL");  // no entry at all
    WriteLumadexEntry("", "D:\\Apps\\Lux\\lux.exe");
    EXPECT_EQ(app.GetLumadexConfigFolder(), "D:\\Apps\\Lux\\Config\\ZEL");
    WriteLumadexEntry("", "");
    EXPECT_EQ(app.GetLumadexConfigFolder(), "Config\\ZEL");

    EXPECT_EQ(DriveAndFolderOf("D:lux.exe"), "D:");
    EXPECT_EQ(DriveAndFolderOf("D:/Apps/lux.exe"), "D:/Apps/");
    EXPECT_EQ(DriveAndFolderOf("\\\\server\\share\\lux.exe"), "\\\\server\\share\\");
    EXPECT_EQ(DriveAndFolderOf("lux.exe"), "");
}
