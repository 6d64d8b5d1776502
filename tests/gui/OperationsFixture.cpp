#include "OperationsFixture.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "RegistrySnapshot.h"
#include "TreeSelect.h"
#include "app/LangStrings.h"
#include "app/Lumadex.h"
#include "resource.h"
#include "win/Strings.h"

using testing_support::Exists;
using testing_support::IsDirectory;
using testing_support::RemoveTree;

namespace {

void RemoveEntry(const std::string& path) {
    if (IsDirectory(path)) {
        RemoveTree(path);
    } else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
}

// Removes what a folder holds now and did not hold before.
void RemoveNewEntries(const std::string& folder, const std::vector<std::string>& before,
                      const std::vector<std::string>& now) {
    for (const std::string& name : now)
        if (!std::binary_search(before.begin(), before.end(), name)) RemoveEntry(folder + "\\" + name);
}

}  // namespace

void OperationsFixture::SetUp() {
    MainWindowFixture::SetUp();
    RemoveTree(kCardFolder);
    lumadexBefore_ = Entries(app_->GetLumadexTargetFolder());
    trashBefore_ = Entries(TrashFiles());
    trashInfoBefore_ = Entries(TrashFiles() + "\\..\\info");
}

void OperationsFixture::TearDown() {
    MainWindowFixture::TearDown();
    SetLangFileOverride("");
    lumadexSemaphore_ = win::KernelObject();
    RemoveTree(kCardFolder);
    const std::string lumadex = CZELMaintenanceApp().GetLumadexTargetFolder();
    RemoveNewEntries(lumadex, lumadexBefore_, Entries(lumadex));
    RemoveNewEntries(TrashFiles(), trashBefore_, Entries(TrashFiles()));
    RemoveNewEntries(TrashFiles() + "\\..\\info", trashInfoBefore_, Entries(TrashFiles() + "\\..\\info"));
}

std::string OperationsFixture::UseLanguageOfCodePage() {
    if (win::LegacyCodePage() != 932) return "English";
    const std::string japanese = testing_support::ModuleFolder() + "lang\\ja\\QuilletTool.INI";
    EXPECT_TRUE(testing_support::Exists(japanese)) << japanese;
    SetLangFileOverride(japanese);
    app_->SetLanguageFile(japanese);
    return "Japanese";
}

void OperationsFixture::UseMemoryCard() {
    app_->SetLayoutAdditionTo(kTargetMemoryCard);
    app_->SetMemoryCardDrive("M:\\");
}

void OperationsFixture::OpenOn(const std::string& folder) {
    ASSERT_TRUE(CFolderTreeCtrl::StoreCurrentFolderPath(CZELMaintenanceApp::SettingsKeyPath(), folder));
    Open();
    ASSERT_TRUE(win::EqualsNoCase(dialog_->Tree().GetSelectedPath(), folder));
    dialog_->Tree().Expand(dialog_->Tree().GetSelectedItem(), TVE_EXPAND);
    Pump();
}

HTREEITEM OperationsFixture::LoadNode(const std::string& path) {
    HTREEITEM item = testing_support::FindTreePath(dialog_->Tree(), path);
    if (item) dialog_->Tree().Expand(item, TVE_EXPAND);
    Pump();
    return item;
}

std::vector<std::string> OperationsFixture::LoadedChildren(HTREEITEM item) const {
    std::vector<std::string> names;
    CFolderTreeCtrl& tree = dialog_->Tree();
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        const std::string path = testing_support::TreeItemPath(tree, child);
        names.push_back(path.substr(path.find_last_of('\\') + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void OperationsFixture::SelectNames(CListCtrlZEL& list, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const int item = FindItem(list, name);
        ASSERT_GE(item, 0) << name;
        Select(list, {item});
    }
}

std::vector<std::string> OperationsFixture::ListNames(const CListCtrlZEL& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.GetItemCount(); ++i) names.push_back(list.GetItemFileName(i));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> OperationsFixture::Entries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    win::FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find.Get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

void OperationsFixture::WriteBareFrames(const std::string& folder, const std::string& prefix, int count) {
    testing_support::MakeDirs(folder);
    for (int i = 0; i < count; ++i) {
        char base[32];
        std::snprintf(base, sizeof base, "%s%03d", prefix.c_str(), i);
        testing_support::WriteFile(folder + "\\" + base + ".USD",
                                   std::string("[HEADER]\r\nHdTitle=") + base + "\r\n");
        ::CreateDirectoryA((folder + "\\" + base).c_str(), nullptr);
    }
}

void OperationsFixture::MakeLumadexLookRunning() {
    const std::string name = "QuilletOpsTestLumadex";
    WriteRegString(HKEY_LOCAL_MACHINE, std::string(kLumadexKey) + "\\" + kLumadexSubKey, kLumadexCaptionValue,
                   name);
    lumadexSemaphore_ = win::KernelObject(::CreateSemaphoreA(nullptr, 0, 1, name.c_str()));
    ASSERT_TRUE(lumadexSemaphore_);
}

std::string OperationsFixture::TrashFiles() {
    // Wine passes the Unix environment on; its trash follows XDG_DATA_HOME.
    char buffer[MAX_PATH] = "";
    const DWORD n = ::GetEnvironmentVariableA("XDG_DATA_HOME", buffer, sizeof buffer);
    std::string unixPath;
    if (n > 0 && n < sizeof buffer) {
        unixPath = buffer;
    } else {
        ::GetEnvironmentVariableA("HOME", buffer, sizeof buffer);
        unixPath = std::string(buffer) + "/.local/share";
    }
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    return "Z:" + unixPath + "\\Trash\\files";
}

testing_support::ModalDriver::Action OperationsFixture::TypeAndOk(const std::string& text,
                                                                  std::vector<std::string>* seen) {
    return [text, seen](HWND dlg) {
        HWND edit = ::GetDlgItem(dlg, IDC_NAME_EDIT);
        if (seen) seen->push_back(win::WindowText(edit));
        ::SetWindowTextA(edit, text.c_str());
        testing_support::ClickButton(dlg, IDOK);
    };
}

testing_support::ModalDriver::Action OperationsFixture::AnswerReplace(int button, bool forAll,
                                                                      std::vector<ReplaceSeen>* seen) {
    return [button, forAll, seen](HWND dlg) {
        if (seen) {
            HWND box = ::GetDlgItem(dlg, IDC_REPLACE_FOR_ALL);
            seen->push_back({win::WindowText(::GetDlgItem(dlg, IDC_REPLACE_QUESTION)),
                             win::WindowText(::GetDlgItem(dlg, IDC_REPLACE_OLD_INFO)),
                             win::WindowText(::GetDlgItem(dlg, IDC_REPLACE_NEW_INFO)),
                             ::IsWindowVisible(box) ? win::WindowText(box) : std::string()});
        }
        if (forAll) ::SendMessageA(::GetDlgItem(dlg, IDC_REPLACE_FOR_ALL), BM_CLICK, 0, 0);
        testing_support::ClickButton(dlg, button);
    };
}

namespace {
struct ProgressSearch {
    HWND owner;
    HWND found = nullptr;
};
BOOL CALLBACK FindProgress(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<ProgressSearch*>(lParam);
    if (::GetWindow(hwnd, GW_OWNER) == search->owner && ::GetDlgItem(hwnd, IDC_PROGRESS_BAR) &&
        ::IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
std::function<void()> g_whileRunning;
}  // namespace

HWND OperationsFixture::FindProgressWindow() const {
    ProgressSearch search{dialog_->Handle()};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindProgress, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

OperationsFixture::WhileRunning::WhileRunning(std::function<void()> check) {
    g_whileRunning = std::move(check);
    timer_ = ::SetTimer(nullptr, 0, 10, Tick);
}

OperationsFixture::WhileRunning::~WhileRunning() {
    ::KillTimer(nullptr, timer_);
    g_whileRunning = nullptr;
}

void CALLBACK OperationsFixture::WhileRunning::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_whileRunning) return;
    try {
        g_whileRunning();
    } catch (...) {
        // Nothing may unwind through the system's dispatcher.
    }
}

void OperationsFixture::WriteSizedFrame(const std::string& folder, const std::string& base, DWORD bytes) {
    testing_support::MakeDirs(folder + "\\" + base);
    testing_support::WriteFile(folder + "\\" + base + ".USD",
                               "[HEADER]\r\nHdTitle=Title of " + base + "\r\n");
    win::FileHandle file(::CreateFileA((folder + "\\" + base + "\\photo.jpg").c_str(), GENERIC_WRITE, 0,
                                       nullptr, CREATE_ALWAYS, 0, nullptr));
    // Real bytes, not a sparse file: the copy must read them all.
    std::string block(1 << 20, static_cast<char>('a' + base.size() % 26));
    for (DWORD written = 0; written < bytes;) {
        const DWORD piece = std::min<DWORD>(bytes - written, static_cast<DWORD>(block.size()));
        DWORD done = 0;
        if (!::WriteFile(file.Get(), block.data(), piece, &done, nullptr) || done == 0) break;
        written += done;
    }
}
