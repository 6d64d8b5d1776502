// The real program and the companion stand-in, started as processes of
// their own beside this test (the build puts every exe in one folder).
#include "AppFixture.h"
#include "app/Lumadex.h"
#include "win/Handles.h"

namespace {
using ProcessTest = AppFixture;
using testing_support::ModuleFolder;

const char kTitle[] = "ZORVA Quillet Tool1.1";

struct Process {
    Process() = default;
    Process(Process&&) = default;
    // A test that fails midway leaves no program behind.
    ~Process() {
        if (handle && Running()) ::TerminateProcess(handle.Get(), 1);
    }
    win::KernelObject handle;
    DWORD WaitExit(DWORD ms) const {
        if (::WaitForSingleObject(handle.Get(), ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = 0;
        ::GetExitCodeProcess(handle.Get(), &code);
        return code;
    }
    bool Running() const { return ::WaitForSingleObject(handle.Get(), 0) == WAIT_TIMEOUT; }
};

Process Start(const std::string& exe, const std::string& arguments = "") {
    std::string commandLine = "\"" + ModuleFolder() + exe + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    Process process;
    if (::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                         ModuleFolder().c_str(), &startup, &info)) {
        ::CloseHandle(info.hThread);
        process.handle.Reset(info.hProcess);
    }
    return process;
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > ms) return false;
        ::Sleep(50);
    }
    return true;
}

HWND FindMainWindow() {
    return ::FindWindowA(MAKEINTATOM(0x8002), kTitle);
}
}  // namespace

TEST_F(ProcessTest, ASecondProgramBringsTheFirstForwardAndEndsAtOnce) {
    Process first = Start("QuilletTool.exe");
    ASSERT_TRUE(first.handle);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindMainWindow()) && ::IsWindowVisible(window); }, 60000));
    const RegTree storedBefore = StoredSettings();

    ::ShowWindow(window, SW_HIDE);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(window); }, 10000));
    Process second = Start("QuilletTool.exe");
    ASSERT_TRUE(second.handle);
    // A message box would keep it waiting for an answer.
    EXPECT_EQ(second.WaitExit(60000), static_cast<DWORD>(StartResult::kOtherInstanceRunning));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(window) != FALSE; }, 10000));
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(StoredSettings(), storedBefore);

    ::PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitExit(60000), static_cast<DWORD>(StartResult::kMainWindowClosed));
    // A first run stores all its settings at exit (the tree may add its
    // CurrentFolder beside them).
    const RegTree stored = StoredSettings();
    for (const char* name :
         {"SortMode", "SortDescending", "SortByDate", "LayoutAdditionTo", "MemoryCardDrive"})
        EXPECT_EQ(stored.keys.at("Setting").values.count(name), 1u) << name;
    // With the two pane proportions and the six widths of columns sized by hand.
    EXPECT_EQ(stored.keys.at("WindowPos").values.size(), 13u);
}

// The stand-in acts as the 32-bit program the companion is: on 64-bit Windows
// it installs among the 32-bit programs and registers in the 32-bit view.
TEST_F(ProcessTest, TheCompanionStandInIsSeenUntilItEnds) {
    char programFiles[MAX_PATH] = {};
    if (!::GetEnvironmentVariableA("ProgramFiles(x86)", programFiles, MAX_PATH)) {
        ASSERT_GT(::GetEnvironmentVariableA("ProgramFiles", programFiles, MAX_PATH), 0u);
    }
    const std::string installRoot = std::string(programFiles) + "\\ZORVA";
    const bool installRootExisted = testing_support::Exists(installRoot);

    Process lumadex = Start("lumadex_standin.exe", "120");
    ASSERT_TRUE(lumadex.handle);
    ASSERT_TRUE(
        WaitFor([] { return IsNamedSemaphorePresent(ReadLumadexValue(kLumadexCaptionValue)); }, 60000));

    const std::string key = std::string(kLumadexKey) + "\\" + kLumadexSubKey;
    RegValue caption;
    EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, key, kLumadexCaptionValue, caption, KEY_WOW64_32KEY));
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, key, kLumadexCaptionValue, caption), sizeof(void*) == 4);

    CZELMaintenanceApp app;
    UseLanguageFile(app);
    EXPECT_EQ(app.GetLumadexConfigFolder(), installRoot + "\\LUMADEX3.0\\Config\\ZEL");
    EXPECT_TRUE(testing_support::IsDirectory(app.GetLumadexConfigFolder())) << app.GetLumadexConfigFolder();
    onBox = [&](const ShownBox&) {
        // The user closes the companion, then retries.
        ::TerminateProcess(lumadex.handle.Get(), 0);
        lumadex.WaitExit(30000);
    };
    AnswerBoxes({IDRETRY, IDCANCEL});
    EXPECT_TRUE(app.EnsureLumadexClosed());
    EXPECT_EQ(boxes.size(), 1u);

    ASSERT_EQ(Start("lumadex_standin.exe", "--install-only").WaitExit(60000), 0u);
    EXPECT_FALSE(IsNamedSemaphorePresent(ReadLumadexValue(kLumadexCaptionValue)));
    EXPECT_FALSE(ReadLumadexValue(kLumadexPathValue).empty());
    if (!installRootExisted) testing_support::RemoveTree(installRoot);
}
