#include <thread>

#include "AppFixture.h"
#include "app/Lumadex.h"
#include "win/Handles.h"

namespace {
using StartupTest = AppFixture;

const std::string kTitle = "ZORVA Quillet Tool1.1";

// Whether a thread of its own could take the single-instance mutex now
// (mutexes are recursive within one thread, so the test thread cannot ask).
bool MutexFreeElsewhere() {
    bool free = false;
    std::thread([&] {
        win::KernelObject mutex(::CreateMutexA(nullptr, FALSE, kTitle.c_str()));
        const DWORD wait = ::WaitForSingleObject(mutex.Get(), 0);
        free = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        if (free) ::ReleaseMutex(mutex.Get());
    }).join();
    return free;
}

// Holds the single-instance mutex from another thread, as a running
// instance would.
class OtherInstance {
public:
    OtherInstance() {
        thread_ = std::thread([this] {
            win::KernelObject mutex(::CreateMutexA(nullptr, FALSE, kTitle.c_str()));
            ::WaitForSingleObject(mutex.Get(), 0);
            ::SetEvent(ready_.Get());
            ::WaitForSingleObject(stop_.Get(), INFINITE);
            ::ReleaseMutex(mutex.Get());
        });
        ::WaitForSingleObject(ready_.Get(), INFINITE);
    }
    ~OtherInstance() {
        ::SetEvent(stop_.Get());
        thread_.join();
    }

private:
    win::KernelObject ready_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    win::KernelObject stop_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::thread thread_;
};

void StoreSettings(int layout, const std::string& drive) {
    CZELMaintenanceApp app;
    app.LoadSettings();
    app.SetSortMode(0);
    app.SetLayoutAdditionTo(layout);
    app.SetMemoryCardDrive(drive);
    app.StoreWindowRect(10, 20, 610, 420, false);
    app.SaveSettings();
}

std::string UnusedDriveRoot() {
    const DWORD used = ::GetLogicalDrives();
    for (char letter = 'Y'; letter > 'G'; --letter)
        if (!(used & (1u << (letter - 'A')))) return std::string(1, letter) + ":\\";
    return {};
}
}  // namespace

TEST_F(StartupTest, StepsRunInOrderAndTheSettingsAreWrittenOnlyAfterTheWindow) {
    WriteLumadexEntry("QuilletTest Lumadex order", "");
    win::KernelObject lumadex(::CreateSemaphoreA(nullptr, 1, 1, "QuilletTest Lumadex order"));
    std::vector<std::string> steps;
    onBox = [&](const ShownBox&) {
        steps.push_back("companion check");
        lumadex.Reset();
    };
    AnswerBoxes({IDRETRY});

    CZELMaintenanceApp app;
    UseLanguageFile(app);
    app.SetOleInitializer([&] {
        steps.push_back("ole");
        return true;
    });
    const int code = RunWithoutWindow(app, [&](CZELMaintenanceApp& a) {
        steps.push_back("window");
        EXPECT_TRUE(a.SettingsLoaded());
        EXPECT_FALSE(MutexFreeElsewhere());
        // Loading may create the empty sub keys, but no value is written yet.
        for (const auto& [name, sub] : StoredSettings().keys) EXPECT_TRUE(sub.values.empty()) << name;
        a.SetSortMode(0);
        a.StoreWindowRect(5, 6, 505, 406, true);
    });
    EXPECT_EQ(code, static_cast<int>(StartResult::kMainWindowClosed));
    EXPECT_EQ(steps, (std::vector<std::string>{"companion check", "ole", "window"}));
    EXPECT_TRUE(MutexFreeElsewhere());

    CZELMaintenanceApp after;
    after.LoadSettings();
    EXPECT_EQ(after.GetSortMode(), 0);
    RECT rect;
    bool zoomed = false;
    after.GetStoredWindowRect(rect, zoomed);
    EXPECT_EQ(rect.right, 505);
    EXPECT_TRUE(zoomed);
}

TEST_F(StartupTest, EarlyEndsLeaveTheStoredSettingsAlone) {
    StoreSettings(1, "C:\\");
    const RegTree stored = StoredSettings();
    bool windowRan = false;
    bool oleStarted = false;
    auto start = [&](bool oleWorks) {
        CZELMaintenanceApp app;
        UseLanguageFile(app);
        app.SetOleInitializer([&, oleWorks] {
            oleStarted = true;
            return oleWorks;
        });
        return RunWithoutWindow(app, [&](CZELMaintenanceApp&) { windowRan = true; });
    };

    {
        OtherInstance other;
        EXPECT_EQ(start(true), static_cast<int>(StartResult::kOtherInstanceRunning));
        EXPECT_TRUE(boxes.empty());
        EXPECT_FALSE(oleStarted);
        EXPECT_EQ(StoredSettings(), stored);
    }

    WriteLumadexEntry("QuilletTest Lumadex early", "");
    {
        win::KernelObject lumadex(::CreateSemaphoreA(nullptr, 1, 1, "QuilletTest Lumadex early"));
        AnswerBoxes({IDCANCEL});
        EXPECT_EQ(start(true), static_cast<int>(StartResult::kLumadexRefused));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "companion running");
        EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONHAND));
        EXPECT_FALSE(oleStarted);
        EXPECT_EQ(StoredSettings(), stored);
        EXPECT_TRUE(MutexFreeElsewhere());
    }

    boxes.clear();
    AnswerBoxes({IDOK});
    EXPECT_EQ(start(false), static_cast<int>(StartResult::kOleFailed));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "err AfxOleInit()");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(StoredSettings(), stored);

    // A language file that cannot give texts: one English box naming it, no
    // companion question (it would be blank), nothing written.
    const std::string lang = dir / "lang.INI";
    auto expectLanguageRefusal = [&](const char* problem) {
        boxes.clear();
        oleStarted = false;
        AnswerBoxes({IDOK});
        EXPECT_EQ(start(true), static_cast<int>(StartResult::kLanguageFileUnusable)) << problem;
        ASSERT_EQ(boxes.size(), 1u) << problem;
        EXPECT_NE(boxes[0].text.find(lang + "\n" + problem), std::string::npos) << boxes[0].text;
        EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
        EXPECT_FALSE(oleStarted);
        EXPECT_EQ(StoredSettings(), stored);
        EXPECT_TRUE(MutexFreeElsewhere());
    };
    {
        win::KernelObject lumadex(::CreateSemaphoreA(nullptr, 1, 1, "QuilletTest Lumadex early"));
        ::DeleteFileA(lang.c_str());
        expectLanguageRefusal("was not found");
        testing_support::WriteFile(lang, "[OTHER]\nERR_LX=companion running\n");
        expectLanguageRefusal("has no [STRING] section");
        testing_support::WriteFile(lang, "[STRING]\n; all texts removed\nERR_LX\n");
        expectLanguageRefusal("has no [STRING] section");
        testing_support::WriteFile(lang, "[STRING]\nERR_LX=companion running\n");
        {
            // Another program holds the file without sharing.
            win::FileHandle locked(
                ::CreateFileA(lang.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(locked);
            expectLanguageRefusal("cannot be read");
        }
        ::DeleteFileA(lang.c_str());
        ::CreateDirectoryA(lang.c_str(), nullptr);
        expectLanguageRefusal("cannot be read");
        ::RemoveDirectoryA(lang.c_str());
    }

    EXPECT_FALSE(windowRan);
}

TEST_F(StartupTest, ASecondInstanceShowsTheFirstWindowAndEndsWithoutAMessage) {
    // A hidden window of the dialog class with the title stands for the
    // first instance's main window.
    HWND first = ::CreateWindowExA(0, MAKEINTATOM(0x8002), kTitle.c_str(), WS_POPUP, 0, 0, 200, 100, nullptr,
                                   nullptr, nullptr, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_FALSE(::IsWindowVisible(first));
    {
        OtherInstance other;
        CZELMaintenanceApp app;
        EXPECT_EQ(RunWithoutWindow(app), static_cast<int>(StartResult::kOtherInstanceRunning));
    }
    EXPECT_TRUE(::IsWindowVisible(first));
    EXPECT_TRUE(boxes.empty());
    ::DestroyWindow(first);
}

TEST_F(StartupTest, AStoredMemoryCardTargetNeedsTheFeatureAndARemovableOrFixedDrive) {
    auto targetAfterStart = [&](const char* flag, const std::string& drive, int stored = 1) {
        WriteLanguageFile(flag);
        StoreSettings(stored, drive);
        CZELMaintenanceApp app;
        UseLanguageFile(app);
        int seen = -1;
        RunWithoutWindow(app, [&](CZELMaintenanceApp& a) { seen = a.GetLayoutAdditionTo(); });
        CZELMaintenanceApp after;
        after.LoadSettings();
        EXPECT_EQ(after.GetLayoutAdditionTo(), seen) << "the checked target is what is stored at exit";
        return seen;
    };
    ASSERT_EQ(::GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(targetAfterStart("1", "C:\\"), 1);
    EXPECT_EQ(targetAfterStart(nullptr, "C:\\"), 0);
    EXPECT_EQ(targetAfterStart("0", "C:\\"), 0);
    EXPECT_EQ(targetAfterStart("1", ""), 0);
    const std::string unused = UnusedDriveRoot();
    ASSERT_FALSE(unused.empty());
    EXPECT_EQ(targetAfterStart("1", unused), 0) << unused;

    // M: and N: come from scripts/wine-drives.sh (run by scripts/test.sh):
    // Wine reads drive types only when its server starts.
    ASSERT_EQ(::GetDriveTypeA("M:\\"), static_cast<UINT>(DRIVE_REMOVABLE)) << "run scripts/wine-drives.sh";
    ASSERT_EQ(::GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_CDROM)) << "run scripts/wine-drives.sh";
    EXPECT_EQ(targetAfterStart("1", "M:\\"), 1);
    EXPECT_EQ(targetAfterStart("1", "N:\\"), 0);
    // A damaged value is no target kind: the companion's folder.
    EXPECT_EQ(targetAfterStart("1", "M:\\", 2), 0);
    EXPECT_EQ(targetAfterStart("1", "M:\\", -1), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StartupTest, TheCompanionCheckAsksUntilItsSemaphoreIsGoneOrTheUserCancels) {
    CZELMaintenanceApp app;
    UseLanguageFile(app);
    EXPECT_TRUE(app.EnsureLumadexClosed());  // no entry at all

    win::KernelObject lumadex(::CreateSemaphoreA(nullptr, 1, 1, "QuilletTest Lumadex"));
    WriteLumadexEntry("QuilletTest Lumadex other", "");
    EXPECT_TRUE(app.EnsureLumadexClosed());  // a semaphore of another name
    EXPECT_TRUE(boxes.empty());

    WriteLumadexEntry("QuilletTest Lumadex", "");
    AnswerBoxes({IDRETRY, IDRETRY, IDRETRY});
    onBox = [&](const ShownBox&) {
        if (boxes.size() == 2) lumadex.Reset();
    };
    EXPECT_TRUE(app.EnsureLumadexClosed());
    ASSERT_EQ(boxes.size(), 2u);
    for (const ShownBox& box : boxes) {
        EXPECT_EQ(box.text, "companion running");
        EXPECT_EQ(box.flags, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONHAND));
    }

    lumadex.Reset(::CreateSemaphoreA(nullptr, 1, 1, "QuilletTest Lumadex"));
    boxes.clear();
    onBox = {};
    AnswerBoxes({IDRETRY, IDCANCEL});
    EXPECT_FALSE(app.EnsureLumadexClosed());
    EXPECT_EQ(boxes.size(), 2u);
}

// The companion is a 32-bit program: on 64-bit Windows its entry lies in the
// registry's 32-bit view, which a 64-bit build has to ask for.
TEST_F(StartupTest, TheCompanionEntryIsReadFromThe32BitViewFirstThenFromTheNativeOne) {
    constexpr bool k64Bit = sizeof(void*) == 8;
    const std::string key = std::string(kLumadexKey) + "\\" + kLumadexSubKey;
    WriteLumadexEntry("QuilletTest Lumadex 32", "D:\\Lux32\\lux.exe", KEY_WOW64_32KEY);
    RegValue inOwnView;
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, key, kLumadexCaptionValue, inOwnView), !k64Bit);

    CZELMaintenanceApp app;
    UseLanguageFile(app);
    EXPECT_EQ(app.GetLumadexConfigFolder(), "D:\\Lux32\\Config\\ZEL");
    {
        win::KernelObject lumadex(::CreateSemaphoreA(nullptr, 1, 1, "QuilletTest Lumadex 32"));
        AnswerBoxes({IDCANCEL});
        EXPECT_FALSE(app.EnsureLumadexClosed());
        EXPECT_EQ(boxes.size(), 1u);
    }
    if (!k64Bit) return;  // a 32-bit build has but the one view

    WriteLumadexEntry("QuilletTest Lumadex 64", "D:\\Lux64\\lux.exe");
    EXPECT_EQ(app.GetLumadexConfigFolder(), "D:\\Lux32\\Config\\ZEL");
    DeleteRegTree(HKEY_LOCAL_MACHINE, kLumadexKey, KEY_WOW64_32KEY);
    EXPECT_EQ(app.GetLumadexConfigFolder(), "D:\\Lux64\\Config\\ZEL");
    win::KernelObject lumadex(::CreateSemaphoreA(nullptr, 1, 1, "QuilletTest Lumadex 64"));
    boxes.clear();
    AnswerBoxes({IDCANCEL});
    EXPECT_FALSE(app.EnsureLumadexClosed());
    EXPECT_EQ(boxes.size(), 1u);
}
