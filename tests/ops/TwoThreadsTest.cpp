// The window's second thread: a job's guard waits for it, what a job throws
// comes back to the thread that started it, a busy helper leaves the work to
// the caller, and without a helper everything runs on the calling thread. A
// folder listed on the helper comes whole, in order, in every case.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "win/FolderListing.h"
#include "win/Strings.h"
#include "win/TwoThreads.h"

TEST(TwoThreads, AGuardWaitsForItsJobAndHandsBackWhatItThrew) {
    win::HelperThread helper;
    std::atomic<bool> done{false};
    {
        // The job outlives nothing it uses: the guard waits as it goes.
        int onThisFrame = 0;
        win::HelperJob job = helper.Start([&] {
            ::Sleep(100);
            onThisFrame = 1;
            done = true;
        });
        ASSERT_TRUE(job.Started());
        // One job at a time: a second finds the helper busy and is the
        // caller's to run.
        EXPECT_FALSE(helper.Start([] {}).Started());
    }
    EXPECT_TRUE(done);

    win::HelperJob throwing = helper.Start([] { throw std::runtime_error("from the helper"); });
    ASSERT_TRUE(throwing.Started());
    EXPECT_THROW(throwing.Finish(), std::runtime_error);
    // The thread survives it and takes the next job.
    win::HelperJob next = helper.Start([&] { done = false; });
    ASSERT_TRUE(next.Started());
    next.Finish();
    EXPECT_FALSE(done);
}

TEST(TwoThreads, EveryItemRunsOnceWithOrWithoutTheSharedHelper) {
    auto runAll = [](size_t count) {
        std::vector<std::atomic<int>> runs(count);
        std::atomic<DWORD> otherThread{0};
        const DWORD here = ::GetCurrentThreadId();
        win::ForEachOnTwoThreads(count, 2, [&](size_t i) {
            ++runs[i];
            if (::GetCurrentThreadId() != here) otherThread = ::GetCurrentThreadId();
        });
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i], 1) << i;
        return otherThread != 0;
    };
    EXPECT_EQ(win::SharedHelper(), nullptr);
    EXPECT_FALSE(runAll(1000));  // no window: this thread alone
    {
        win::HelperScope helpers;
        ASSERT_NE(win::SharedHelper(), nullptr);
        EXPECT_TRUE(runAll(1000));
        // A throw on either thread ends the whole call, after both stopped.
        EXPECT_THROW(win::ForEachOnTwoThreads(100, 2,
                                              [](size_t i) {
                                                  if (i == 51) throw std::runtime_error("odd one");
                                              }),
                     std::runtime_error);
        EXPECT_TRUE(runAll(10));
    }
    EXPECT_EQ(win::SharedHelper(), nullptr);
}

namespace {

// The names a FolderListing hands over, in order; "cut short" at the end
// when it says so.
std::vector<std::wstring> ListedNames(const std::string& pattern) {
    win::FolderListing listing(win::ToWide(pattern));
    std::vector<std::wstring> names;
    std::vector<WIN32_FIND_DATAW> chunk;
    while (listing.Next(chunk))
        for (const WIN32_FIND_DATAW& entry : chunk) names.push_back(entry.cFileName);
    EXPECT_TRUE(chunk.empty());
    if (listing.CutShort()) names.push_back(L"cut short");
    return names;
}

}  // namespace

TEST(TwoThreads, AFolderListedOnTheHelperComesWholeAndInOrder) {
    testing_support::TempDir dir;
    // More entries than one hand-over holds, and entries the pattern skips.
    for (int i = 0; i < 700; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.USD", i);
        testing_support::WriteFile(dir / name, "");
        if (i % 7 == 0) testing_support::WriteFile(dir / (std::string(name) + ".txt"), "");
    }
    std::vector<std::wstring> expected;
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW(win::ToWide(dir / "*.USD").c_str(), &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do expected.push_back(entry.cFileName);
    while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    ASSERT_EQ(expected.size(), 700u);

    EXPECT_EQ(ListedNames(dir / "*.USD"), expected);  // no helper: listed here
    {
        win::HelperScope helpers;
        EXPECT_EQ(ListedNames(dir / "*.USD"), expected);
        // The helper is free again once the listing was taken whole.
        win::HelperJob job = win::SharedHelper()->Start([] {});
        EXPECT_TRUE(job.Started());
        job.Finish();
        // A busy helper leaves the listing to the caller.
        win::HelperJob busy = win::SharedHelper()->Start([] { ::Sleep(100); });
        EXPECT_EQ(ListedNames(dir / "*.USD"), expected);
        busy.Finish();
        // A folder that is not there, or has no match, gives nothing and
        // was not cut short.
        EXPECT_TRUE(ListedNames(dir / "missing\\*.USD").empty());
        EXPECT_TRUE(ListedNames(dir / "*.JPG").empty());
    }
}
