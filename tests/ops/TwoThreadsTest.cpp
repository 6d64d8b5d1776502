// The window's second thread: a job's guard waits for it, what a job throws
// comes back to the thread that started it, a busy helper leaves the work to
// the caller, and without a helper everything runs on the calling thread.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

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
