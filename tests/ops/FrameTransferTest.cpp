#include "TransferFixture.h"
#include "ops/DiskSteps.h"
#include "ops/Failures.h"
#include "ops/FrameDelete.h"

#include "app/LangStrings.h"
#include "frames/FrameInfoCache.h"
#include "win/Handles.h"

using testing_support::Exists;
using testing_support::MakeDirs;
using testing_support::ReadFile;
using testing_support::WriteFile;
using namespace transfer_test;

namespace {
constexpr UINT kError = MB_OK | MB_ICONHAND;
}

TEST_F(TransferTest, CopyKeepsTheSourceAndMoveTakesItWithEveryNestedFolder) {
    MakeFrame(src, "Rose", "Rose title");
    MakeDirs(Src("Rose\\sub\\deeper\\deepest"));
    WriteFile(Src("Rose\\sub\\deeper\\deepest\\x.jpg"), "deep");
    // A frame-like pair inside a companion folder is copied once, not twice.
    WriteFile(Src("Rose\\inner.usd"), "inner");
    MakeDirs(Src("Rose\\inner"));
    WriteFile(Src("Rose\\inner\\y.jpg"), "y");
    const auto original = Snapshot(src);

    std::string source = src, dest = dst;
    ASSERT_TRUE(
        transfer.TransferFrames(source, dest, {"Rose.USD"}, TransferMode::Copy, reporter, transferred));
    EXPECT_EQ(source, src + "\\");
    EXPECT_EQ(dest, dst + "\\");
    EXPECT_EQ(transferred, std::vector<std::string>{Dst("Rose.USD")});
    EXPECT_EQ(Snapshot(dst), original);
    EXPECT_EQ(Snapshot(src), original);
    // The copies keep the times of their originals.
    for (const char* file : {"Rose.USD", "Rose\\sub\\photo.jpg"}) {
        WIN32_FILE_ATTRIBUTE_DATA from{}, to{};
        ASSERT_TRUE(::GetFileAttributesExA(Src(file).c_str(), GetFileExInfoStandard, &from));
        ASSERT_TRUE(::GetFileAttributesExA(Dst(file).c_str(), GetFileExInfoStandard, &to));
        EXPECT_EQ(::CompareFileTime(&from.ftLastWriteTime, &to.ftLastWriteTime), 0) << file;
    }
    ASSERT_NE(GetFrameInfo(Dst("Rose.USD")), nullptr);
    EXPECT_STREQ(GetFrameInfo(Dst("Rose.USD"))->title, "Rose title");

    const std::string moved = root / "moved";
    MakeDirs(moved);
    transferred.clear();
    ASSERT_TRUE(RunTo(moved + "\\", {"Rose.USD"}, TransferMode::Move));
    EXPECT_EQ(transferred, std::vector<std::string>{moved + "\\Rose.USD"});
    EXPECT_EQ(Snapshot(moved), original);
    EXPECT_TRUE(Snapshot(src).empty());
    EXPECT_EQ(GetFrameInfo(Src("Rose.USD")), nullptr);
    ASSERT_NE(GetFrameInfo(moved + "\\Rose.USD"), nullptr);
    EXPECT_STREQ(GetFrameInfo(moved + "\\Rose.USD")->title, "Rose title");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TransferTest, MoveClearsReadOnlySourceFiles) {
    MakeFrame(src, "Rose", "t");
    ::SetFileAttributesA(Src("Rose.USD").c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesA(Src("Rose\\sub\\photo.jpg").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(Run({"Rose.USD"}, TransferMode::Move));
    EXPECT_TRUE(Snapshot(src).empty());
    EXPECT_TRUE(Exists(Dst("Rose\\sub\\photo.jpg")));
}

TEST_F(TransferTest, MissingCompanionFolderStopsAndLaterFramesAreNotAttempted) {
    MakeFrame(src, "Good", "g");
    WriteFile(Src("Bare.USD"), "[HEADER]\r\nHdTitle=bare\r\n");

    EXPECT_FALSE(Run({"Bare.USD", "Good.USD"}, TransferMode::Move));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetLangString("ERR_COPY_FAILED"));
    EXPECT_EQ(boxes[0].flags, kError);
    EXPECT_TRUE(Snapshot(dst).empty());
    EXPECT_TRUE(transferred.empty());
    EXPECT_TRUE(Exists(Src("Good.USD")));

    // Frames before the failing one stay transferred.
    boxes.clear();
    EXPECT_FALSE(Run({"Good.USD", "Bare.USD"}, TransferMode::Move));
    EXPECT_EQ(transferred, std::vector<std::string>{Dst("Good.USD")});
    EXPECT_TRUE(Exists(Dst("Good\\thumb.jpg")));
    EXPECT_FALSE(Exists(Dst("Bare.USD")));
    EXPECT_TRUE(Exists(Src("Bare.USD")));
}

TEST_F(TransferTest, FolderNamedLikeTheFrameWithoutItsFileGivesErrMove) {
    MakeFrame(src, "Rose", "t");
    MakeDirs(Dst("Rose"));
    WriteFile(Dst("Rose\\mine.txt"), "someone else's");
    const auto before = Snapshot(dst);

    EXPECT_FALSE(Run({"Rose.USD"}, TransferMode::Move));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetLangString("ERR_MOVE"));
    EXPECT_EQ(boxes[0].flags, kError);
    EXPECT_EQ(Snapshot(dst), before);
    EXPECT_TRUE(Exists(Src("Rose.USD")));
    EXPECT_TRUE(transferred.empty());
}

TEST_F(TransferTest, CopyFailingMidwayLeavesNothingBehindAndKeepsTheSource) {
    MakeFrame(src, "Rose", "t");
    MakeFrame(src, "Tulip", "t");
    WriteFile(Src("Rose\\a.jpg"), "a");
    WriteFile(Src("Rose\\sub\\z.jpg"), "z");
    const auto original = Snapshot(src);
    // Held open without sharing, so copying it fails.
    win::FileHandle lock(::CreateFileA(Src("Rose\\sub\\photo.jpg").c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    const auto lockedView = Snapshot(src);  // the locked file reads as empty

    // A move across drives copies too and fails the same way (the memory
    // card tests); within one drive a move renames instead.
    EXPECT_FALSE(Run({"Rose.USD", "Tulip.USD"}, TransferMode::Copy));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReportText("ERR_FILE_IN_USE", {Src("Rose\\sub\\photo.jpg")}));
    EXPECT_TRUE(Snapshot(dst).empty());
    EXPECT_EQ(Snapshot(src), lockedView);
    EXPECT_TRUE(transferred.empty());
    EXPECT_FALSE(transfer.IsBusy());
    lock.Reset();
    EXPECT_EQ(Snapshot(src), original);
}

TEST_F(TransferTest, AFrameNeverGoesIntoItsOwnCompanionFolder) {
    MakeFrame(src, "Rose", "t");
    MakeFrame(src, "Tulip", "t");
    const auto original = Snapshot(src);
    for (const std::string& inside : {Src("Rose"), Src("ROSE\\sub")}) {
        boxes.clear();
        EXPECT_FALSE(RunTo(inside, {"Rose.USD"}, TransferMode::Move)) << inside;
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, GetLangString("ERR_COPY_FAILED"));
        EXPECT_EQ(Snapshot(src), original) << inside;
    }
    // Another frame may go there.
    EXPECT_TRUE(RunTo(Src("Rose\\sub"), {"Tulip.USD"}, TransferMode::Move));
    EXPECT_TRUE(Exists(Src("Rose\\sub\\Tulip\\sub\\photo.jpg")));
    EXPECT_FALSE(Exists(Src("Tulip.USD")));
}

TEST_F(TransferTest, EmptyNameListChangesNothingAndSucceeds) {
    MakeFrame(src, "Rose", "t");
    const auto before = Snapshot(src);
    EXPECT_TRUE(Run({}, TransferMode::Move));
    EXPECT_EQ(Snapshot(src), before);
    EXPECT_TRUE(Snapshot(dst).empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(transferred.empty());
}

namespace {
// Calls a function for WM_APP, from whatever message loop dispatches it.
LRESULT CALLBACK CallbackWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
        (*reinterpret_cast<std::function<void()>*>(lParam))();
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

TEST_F(TransferTest, TransferStartedFromThePumpIsRefusedWithoutTouchingFiles) {
    MakeFrame(src, "Rose", "t");
    MakeFrame(src, "Tulip", "t");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CallbackWindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "TransferReentryTest";
    ::RegisterClassA(&wc);
    HWND window =
        ::CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    const std::string other = root / "other";
    MakeDirs(other);
    bool sawBusy = false;
    BOOL innerResult = TRUE;
    std::vector<std::string> innerTransferred;
    std::function<void()> reenter = [&] {
        sawBusy = transfer.IsBusy();
        std::string source = src, dest = other;
        innerResult = transfer.TransferFrames(source, dest, {"Tulip.USD"}, TransferMode::Move, reporter,
                                              innerTransferred);
    };
    ::PostMessageA(window, WM_APP, 0, reinterpret_cast<LPARAM>(&reenter));
    // The reporter lets the messages through, as the window's does.
    reporter.onProgress = [](const OperationProgress&) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    };

    EXPECT_TRUE(Run({"Rose.USD"}, TransferMode::Copy));
    ::DestroyWindow(window);
    EXPECT_TRUE(sawBusy);
    EXPECT_FALSE(innerResult);
    EXPECT_TRUE(innerTransferred.empty());
    EXPECT_TRUE(Snapshot(other).empty());
    EXPECT_TRUE(Exists(Src("Tulip.USD")));
    EXPECT_TRUE(Exists(Dst("Rose\\sub\\photo.jpg")));
    EXPECT_FALSE(transfer.IsBusy());
}

TEST_F(TransferTest, OverLongPathsAreRefusedCleanly) {
    const std::string deep = root / std::string(200, 'd');
    MakeDirs(deep);
    MakeFrame(src, "Rose", "t");
    const std::string longName = std::string(70, 'n') + ".USD";
    EXPECT_FALSE(RunTo(deep, {longName}, TransferMode::Copy));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReportText("ERR_PATH_TOO_LONG", {deep + "\\" + longName}));

    // A companion folder whose files would not fit at the destination: the
    // walk stops and nothing is left there.
    MakeDirs(Src("Rose\\" + std::string(60, 'a')));
    WriteFile(Src("Rose\\" + std::string(60, 'a') + "\\f.jpg"), "f");
    boxes.clear();
    EXPECT_FALSE(RunTo(deep, {"Rose.USD"}, TransferMode::Move));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReportText("ERR_PATH_TOO_LONG", {deep + "\\Rose\\" + std::string(60, 'a')}));
    EXPECT_TRUE(Snapshot(deep).empty());
    EXPECT_TRUE(Exists(Src("Rose\\sub\\photo.jpg")));
}

// A folder whose listing the disk ends midway is no whole frame: a copy, a
// move and a delete each refuse it before touching anything, naming the
// folder, and never report done what was not.
TEST_F(TransferTest, AListingThatEndsMidwayRefusesTheFrameAndNamesTheFolder) {
    MakeFrame(src, "Rose", "t");
    for (int i = 0; i < 6; ++i) WriteFile(Src("Rose\\p" + std::to_string(i) + ".jpg"), "p");
    MakeFrame(src, "Tulip", "t");
    const auto before = Snapshot(src);
    SetListingFaultForTests("\\Rose", 3);
    const std::string refusal = ReportText("ERR_LISTING_FAILED", {Src("Rose")});
    for (TransferMode mode : {TransferMode::Copy, TransferMode::Move}) {
        boxes.clear();
        EXPECT_FALSE(Run({"Tulip.USD", "Rose.USD"}, mode));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, refusal);
        EXPECT_TRUE(transferred.empty());
    }
    boxes.clear();
    EXPECT_FALSE(DeleteFramesToRecycleBin(src + "\\", {"Tulip.USD", "Rose.USD"}, reporter, false));
    SetListingFaultForTests("", 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, refusal);
    EXPECT_EQ(Snapshot(src), before);
    EXPECT_TRUE(Snapshot(dst).empty());
}

namespace {
bool FileIndex(const std::string& path, ULONGLONG& index) {
    win::FileHandle file(::CreateFileA(path.c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !::GetFileInformationByHandle(file.Get(), &info)) return false;
    index = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}
}  // namespace

TEST_F(TransferTest, AMoveWithinOneVolumeRenamesAndPutsTheFileBackWhenTheFolderWillNotFollow) {
    MakeFrame(src, "Rose", "Rose");
    MakeFrame(src, "Tulip", "Tulip");
    const auto original = Snapshot(src);
    ULONGLONG fileBefore = 0, folderBefore = 0, fileAfter = 0, folderAfter = 0;
    ASSERT_TRUE(FileIndex(Src("Rose.USD"), fileBefore) && FileIndex(Src("Rose\\sub"), folderBefore));

    // A folder held open without delete sharing cannot be renamed.
    {
        win::FileHandle held(::CreateFileA(Src("Tulip").c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(Run({"Rose.USD", "Tulip.USD"}, TransferMode::Move));
    }
    EXPECT_EQ(reporter.keys, std::vector<std::string>{"ERR_FILE_IN_USE"});
    EXPECT_EQ(boxes[0].text, ReportText("ERR_FILE_IN_USE", {Src("Tulip")}));
    EXPECT_EQ(transferred, std::vector<std::string>{Dst("Rose.USD")});
    EXPECT_TRUE(Exists(Src("Tulip.USD")));
    EXPECT_FALSE(Exists(Dst("Tulip.USD")));
    EXPECT_FALSE(Exists(Dst("Tulip")));

    // Renamed, not copied: the same files, found under the new folder.
    ASSERT_TRUE(FileIndex(Dst("Rose.USD"), fileAfter) && FileIndex(Dst("Rose\\sub"), folderAfter));
    EXPECT_EQ(fileAfter, fileBefore);
    EXPECT_EQ(folderAfter, folderBefore);
    EXPECT_FALSE(Exists(Src("Rose.USD")));
    EXPECT_FALSE(Exists(Src("Rose")));
    // A destination spelled with a detour and forward slashes arrives where
    // the Win32 calls would put it.
    std::string detour = dst + "/../" + dst.substr(dst.find_last_of('\\') + 1);
    ASSERT_TRUE(RunTo(detour, {"Tulip.USD"}, TransferMode::Move));
    EXPECT_EQ(Snapshot(dst), original);
    EXPECT_TRUE(Snapshot(src).empty());
}

TEST_F(TransferTest, ACancelInsideLargeFilesLeavesEveryFrameWholeAndNoPartialFile) {
    // A move to another drive copies one file at a time (the card); a copy
    // within the drive copies a frame's files on two threads.
    const std::string card = "M:\\qtcancel" + std::to_string(::GetCurrentProcessId());
    testing_support::RemoveTree(card);
    MakeDirs(card);
    ASSERT_TRUE(testing_support::IsDirectory(card)) << "run scripts/wine-drives.sh";
    MakeFrame(src, "Alpha", "a", 'a');
    MakeFrame(src, "Big", "b", 'b');
    MakeFrame(src, "Gamma", "c", 'c');
    // Two large files, so that on two threads each copies one of them.
    constexpr LONGLONG kLarge = 32LL << 20;
    for (const char* name : {"Big\\large1.bin", "Big\\large2.bin"}) {
        win::FileHandle file(
            ::CreateFileA(Src(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size;
        size.QuadPart = kLarge;
        ASSERT_TRUE(::SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.Get()));
    }
    const auto before = Snapshot(src);
    for (const bool toCard : {false, true}) {
        SCOPED_TRACE(toCard ? "move to the card" : "copy within the drive");
        const std::string to = toCard ? card : dst;
        ULONGLONG bigStart = 0;
        int piecesInBig = 0;
        reporter.cancelWhen = [&](const OperationProgress& progress) {
            if (progress.frameIndex != 1) return false;
            if (bigStart == 0) bigStart = progress.bytesDone;
            // Three quarters through the two large files: more than either
            // file alone, so the progress must count both threads' bytes.
            return ++piecesInBig > 1 &&
                   progress.bytesDone - bigStart > static_cast<ULONGLONG>(kLarge * 3 / 2);
        };
        transferred.clear();

        EXPECT_FALSE(RunTo(to, {"Alpha.USD", "Big.USD", "Gamma.USD"},
                           toCard ? TransferMode::Move : TransferMode::Copy));
        EXPECT_TRUE(boxes.empty()) << boxes[0].text;  // a cancel is no failure
        // Stopped inside the files; on one thread, piece by piece.
        EXPECT_GT(piecesInBig, toCard ? 100 : 1);
        EXPECT_EQ(transferred, std::vector<std::string>{to + "\\Alpha.USD"});
        // Alpha arrived whole; Big and Gamma are whole where they were; nothing
        // else is at the destination: no partial file, no parked frame.
        auto there = Snapshot(to);
        auto here = Snapshot(src);
        size_t alphaPaths = 0;
        for (const auto& [path, print] : before) {
            const bool alphaFile = path.rfind("Alpha", 0) == 0;
            alphaPaths += alphaFile;
            EXPECT_EQ(alphaFile ? there[path] : here[path], print) << path;
            if (alphaFile && !toCard) {
                EXPECT_EQ(here[path], print) << path;
            }
            if (!alphaFile) {
                EXPECT_EQ(there.count(path), 0u) << path;
            }
        }
        EXPECT_EQ(there.size(), alphaPaths);
        EXPECT_EQ(here.size(), before.size() - (toCard ? alphaPaths : 0));
    }
    testing_support::RemoveTree(card);
}

namespace {
// Overwrites the copy of photo.jpg as it is about to be read back.
void SpoilTheReadBack(const char* what, const std::string& path) {
    if (std::string(what) != "verify" || path.size() < 9 ||
        path.compare(path.size() - 9, 9, "photo.jpg") != 0)
        return;
    const std::string bytes = ReadFile(path);
    WriteFile(path, std::string(bytes.size(), '?'));
}
}  // namespace

// A move to another drive copies, then deletes the source: a source file
// written to meanwhile (here after its copy, while a large file follows)
// keeps the whole source where it is, and the copy goes.
TEST_F(TransferTest, AMoveKeepsASourceThatChangedAfterItsCopyAndRemovesTheCopy) {
    const std::string card = "M:\\qtchanged" + std::to_string(::GetCurrentProcessId());
    testing_support::RemoveTree(card);
    // Gone however the test ends: a folder left on the card shows in other tests' trees.
    const struct Cleanup {
        std::string path;
        ~Cleanup() { testing_support::RemoveTree(path); }
    } cleanup{card};
    MakeDirs(card);
    ASSERT_TRUE(testing_support::IsDirectory(card)) << "run scripts/wine-drives.sh";
    MakeFrame(src, "Rose", "Rose");
    WriteFile(Src("Rose\\large.bin"), std::string(3 << 20, 'L'));
    MakeFrame(src, "Tulip", "Tulip");
    // The large file is copied whole before the frame file, which comes
    // last: at the frame file's first piece it is closed, and is written to.
    const ULONGLONG largeBytes = 3 << 20;
    bool sawLarge = false, written = false;
    reporter.onProgress = [&](const OperationProgress& progress) {
        if (written || progress.frameIndex != 0) return;
        if (progress.bytesDone >= largeBytes && !sawLarge) {
            sawLarge = true;
            return;
        }
        if (!sawLarge) return;
        WriteFile(Src("Rose\\large.bin"), std::string(largeBytes, 'L') + "added while it was copied");
        written = true;
    };
    auto before = Snapshot(src);

    EXPECT_FALSE(RunTo(card, {"Rose.USD", "Tulip.USD"}, TransferMode::Move));
    ASSERT_TRUE(written);
    ASSERT_EQ(reporter.keys, std::vector<std::string>{"ERR_SOURCE_CHANGED"});
    EXPECT_NE(boxes[0].text.find(Src("Rose\\large.bin")), std::string::npos) << boxes[0].text;
    // The source is whole, with what was written; the card holds nothing.
    auto after = Snapshot(src);
    EXPECT_NE(after["Rose\\large.bin"], before["Rose\\large.bin"]);
    before.erase("Rose\\large.bin");
    after.erase("Rose\\large.bin");
    EXPECT_EQ(after, before);
    EXPECT_TRUE(Snapshot(card).empty());
    EXPECT_TRUE(transferred.empty());

    // The card gives back other bytes than were written (here the copy is
    // spoilt just before it is read back): the frame is not committed, the
    // file is named, and the source stays.
    boxes.clear();
    reporter.keys.clear();
    reporter.onProgress = nullptr;
    before = Snapshot(src);
    SetDiskStepHook(SpoilTheReadBack);
    EXPECT_FALSE(RunTo(card, {"Rose.USD", "Tulip.USD"}, TransferMode::Move));
    SetDiskStepHook(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReportText("ERR_CARD_VERIFY", {card + "\\Rose\\sub\\photo.jpg"}));
    EXPECT_EQ(Snapshot(src), before);
    EXPECT_TRUE(Snapshot(card).empty());
    EXPECT_TRUE(transferred.empty());
}

// The causes the tests above meet for real (a file in use, a path too long,
// a listing that ended) and those a test cannot bring about under Wine as
// root (access denied, a drive that allows no more files): each has its own
// message naming the path; anything else gives the system's own words.
TEST(Failures, EachCauseHasItsOwnMessageAndTheRestSayTheSystemsWords) {
    const std::string path = "C:\\Frames\\Rose\\photo.jpg";
    const std::pair<DWORD, const char*> causes[] = {
        {ERROR_DISK_FULL, "ERR_DISK_SIZE"},
        {ERROR_HANDLE_DISK_FULL, "ERR_DISK_SIZE"},
        {ERROR_CANNOT_MAKE, "ERR_DRIVE_NO_MORE_FILES"},
        {ERROR_SHARING_VIOLATION, "ERR_FILE_IN_USE"},
        {ERROR_LOCK_VIOLATION, "ERR_FILE_IN_USE"},
        {ERROR_ACCESS_DENIED, "ERR_ACCESS_DENIED"},
        {ERROR_WRITE_PROTECT, "ERR_ACCESS_DENIED"},
        {ERROR_FILENAME_EXCED_RANGE, "ERR_PATH_TOO_LONG"},
        {ERROR_NOT_READY, "ERR_CARD_NOT_PRESENT"},
    };
    for (const auto& [error, key] : causes) {
        const FailureText text = DescribeFailure(error, path);
        EXPECT_STREQ(text.key, key) << error;
        const std::string shown = ReportText(text.key, text.args);
        EXPECT_NE(shown, GetLangString("ERR_COPY_FAILED")) << key;
        if (std::string(key) != "ERR_DISK_SIZE" && std::string(key) != "ERR_CARD_NOT_PRESENT") {
            EXPECT_NE(shown.find(path), std::string::npos) << shown;
        }
    }
    const FailureText unknown = DescribeFailure(ERROR_CRC, path);
    EXPECT_STREQ(unknown.key, "ERR_OPERATION_FAILED");
    ASSERT_EQ(unknown.args.size(), 2u);
    EXPECT_EQ(unknown.args[0], path);
    EXPECT_FALSE(unknown.args[1].empty());
}
