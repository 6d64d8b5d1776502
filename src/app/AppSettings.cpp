// The settings of the application object and the folders they lead to.
#include "app/App.h"

#include <msi.h>
#include <shlwapi.h>

#include "app/Profile.h"
#include "app/PaneShares.h"
#include "frames/FrameStore.h"
#include "ops/ParkedFrames.h"
#include "win/Strings.h"

namespace {
constexpr char kWindowPos[] = "WindowPos";
constexpr char kSetting[] = "Setting";

int ReadInt(CProfile& profile, const char* subKey, const char* name, int defaultValue) {
    return static_cast<int>(profile.ReadDword(subKey, name, static_cast<DWORD>(defaultValue)));
}
void WriteInt(CProfile& profile, const char* subKey, const char* name, int value) {
    profile.WriteDword(subKey, name, static_cast<DWORD>(value));
}
// Widths of list columns sized by hand, for list 1 and list 2.
const char* const kTitleWidth[] = {"SourceTitleWidth", "TargetTitleWidth"};
const char* const kPaperWidth[] = {"SourcePaperWidth", "TargetPaperWidth"};
const char* const kDateWidth[] = {"SourceDateWidth", "TargetDateWidth"};
}  // namespace

std::string ValidDriveRootOrEmpty(const std::string& text) {
    if (text.size() != 3 || text[1] != ':' || text[2] != '\\') return {};
    const char letter = text[0];
    const bool valid = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    return valid ? text : std::string();
}

void CZELMaintenanceApp::LoadSettings() {
    CProfile profile(HKEY_CURRENT_USER, SettingsKeyPath());
    left_ = ReadInt(profile, kWindowPos, "Left", -1);
    top_ = ReadInt(profile, kWindowPos, "Top", -1);
    width_ = ReadInt(profile, kWindowPos, "Width", -1);
    height_ = ReadInt(profile, kWindowPos, "Height", -1);
    layoutAdditionTo_ = ReadInt(profile, kSetting, "LayoutAdditionTo", 0);
    sortMode_ = ReadInt(profile, kSetting, "SortMode", 1);
    // Stored beside SortMode, which keeps its meaning; anything but 1 is ascending.
    sortDescending_ = ReadInt(profile, kSetting, "SortDescending", 0) == 1;
    sortByDate_ = ReadInt(profile, kSetting, "SortByDate", 0) == 1;
    SetMemoryCardDrive(profile.ReadString(kSetting, "MemoryCardDrive", ""));
    zoomed_ = ReadInt(profile, kWindowPos, "Zoomed", 0);
    // Keys written before the panes could be resized have no such values.
    treePane_ = ValidPane(ReadInt(profile, kWindowPos, "TreePane", kDefaultTreePane), kDefaultTreePane);
    sourcePane_ =
        ValidPane(ReadInt(profile, kWindowPos, "SourcePane", kDefaultSourcePane), kDefaultSourcePane);
    for (int i = 0; i < 2; ++i) {
        listColumns_[i].title = ValidColumnWidth(ReadInt(profile, kWindowPos, kTitleWidth[i], 0));
        listColumns_[i].paper = ValidColumnWidth(ReadInt(profile, kWindowPos, kPaperWidth[i], 0));
        listColumns_[i].date = ValidColumnWidth(ReadInt(profile, kWindowPos, kDateWidth[i], 0));
    }
    settingsLoaded_ = true;
}

void CZELMaintenanceApp::SaveSettings() {
    // Write errors are not the user's concern at exit.
    CProfile profile(HKEY_CURRENT_USER, SettingsKeyPath());
    WriteInt(profile, kWindowPos, "Left", left_);
    WriteInt(profile, kWindowPos, "Top", top_);
    WriteInt(profile, kWindowPos, "Width", width_);
    WriteInt(profile, kWindowPos, "Height", height_);
    WriteInt(profile, kSetting, "LayoutAdditionTo", layoutAdditionTo_);
    WriteInt(profile, kSetting, "SortMode", sortMode_);
    WriteInt(profile, kSetting, "SortDescending", sortDescending_ ? 1 : 0);
    WriteInt(profile, kSetting, "SortByDate", sortByDate_ ? 1 : 0);
    profile.WriteString(kSetting, "MemoryCardDrive", memoryCardDrive_);
    WriteInt(profile, kWindowPos, "Zoomed", zoomed_);
    WriteInt(profile, kWindowPos, "TreePane", treePane_);
    WriteInt(profile, kWindowPos, "SourcePane", sourcePane_);
    for (int i = 0; i < 2; ++i) {
        WriteInt(profile, kWindowPos, kTitleWidth[i], listColumns_[i].title);
        WriteInt(profile, kWindowPos, kPaperWidth[i], listColumns_[i].paper);
        WriteInt(profile, kWindowPos, kDateWidth[i], listColumns_[i].date);
    }
}

void CZELMaintenanceApp::SetMemoryCardDrive(const std::string& drive) {
    memoryCardDrive_ = ValidDriveRootOrEmpty(drive);
}

void CZELMaintenanceApp::StoreWindowRect(int left, int top, int right, int bottom, bool zoomed) {
    left_ = left;
    top_ = top;
    width_ = right - left;
    height_ = bottom - top;
    zoomed_ = zoomed ? 1 : 0;
}

void CZELMaintenanceApp::GetStoredWindowRect(RECT& rect, bool& zoomed) const {
    rect = {left_, top_, left_ + width_, top_ + height_};
    zoomed = zoomed_ != 0;
}

std::string CZELMaintenanceApp::GetLumadexTargetFolder() const {
    char windows[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryA(windows, sizeof windows);
    std::string drive;
    if (n >= 2 && n < sizeof windows && windows[1] == ':') drive.assign(windows, 2);
    return drive + "\\Program Files\\Common Files\\ZEL";
}

std::string CZELMaintenanceApp::GetMemoryCardFolder() const {
    return memoryCardDrive_ + "VOZEL";
}

std::string CZELMaintenanceApp::GetTargetFolder() const {
    return layoutAdditionTo_ != 0 ? GetMemoryCardFolder() : GetLumadexTargetFolder();
}

bool CZELMaintenanceApp::IsUninstallCommand(const char* commandLine) {
    std::string word = commandLine ? commandLine : "";
    const size_t first = word.find_first_not_of(" \t");
    const size_t last = word.find_last_not_of(" \t");
    word = first == std::string::npos ? std::string() : word.substr(first, last - first + 1);
    return win::EqualsNoCase(word, "/uninstall") || win::EqualsNoCase(word, "-uninstall");
}

namespace {
// The installer of a newer version notes the product code it installs in
// the settings key before it removes the old version. While that product
// is not installed yet, an uninstall is the one inside its upgrade (Wine's
// installer does not say so the way Windows does). The note goes either way.
bool UpgradeUnderWay(const std::string& settingsKey) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey.c_str(), 0, KEY_READ | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    char product[64] = {};
    DWORD size = sizeof product - 1, type = 0;
    const bool noted = ::RegQueryValueExA(key, "UpgradingTo", nullptr, &type,
                                          reinterpret_cast<BYTE*>(product), &size) == ERROR_SUCCESS &&
                       type == REG_SZ;
    if (noted) ::RegDeleteValueA(key, "UpgradingTo");
    ::RegCloseKey(key);
    return noted && ::MsiQueryProductStateA(product) != INSTALLSTATE_DEFAULT;
}
}  // namespace

void CZELMaintenanceApp::ForgetUserData() {
    const std::string settings = SettingsKeyPath();
    if (UpgradeUnderWay(settings)) return;
    ::SHDeleteKeyA(HKEY_CURRENT_USER, settings.c_str());
    // The vendor key goes too, unless another program of the vendor keeps
    // something in it.
    const std::string vendor = settings.substr(0, settings.rfind('\\'));
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, vendor.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD subKeys = 1, values = 1;
        const LONG info = ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                             &values, nullptr, nullptr, nullptr, nullptr);
        ::RegCloseKey(key);
        if (info == ERROR_SUCCESS && subKeys == 0 && values == 0)
            ::RegDeleteKeyA(HKEY_CURRENT_USER, vendor.c_str());
    }
    // The frame cache. The folders go only when empty: a parked frame keeps them.
    const std::string store = DefaultFrameStoreFile();
    if (store.empty()) return;
    RemoveFrameStoreFiles(store);
    const std::string parking = ParkingFolder(false);
    if (!parking.empty()) ::RemoveDirectoryA(parking.c_str());
    ::RemoveDirectoryA(store.substr(0, store.rfind('\\')).c_str());
}
