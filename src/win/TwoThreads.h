// Work that mostly waits for the Wine server (opening, reading and listing
// files) goes faster on two threads: one asks while the other reads.
//
// The second thread is the window's: a HelperScope made with the main
// window (or with a benchmark or a test that wants two threads) owns it, and
// every job runs on it, one at a time. A job is started through a guard
// that waits for it when it goes, so no job outlives the stack frame that
// started it, and an exception a job throws is kept and thrown again by the
// guard's Finish, never on the helper thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>

#include "win/Handles.h"

namespace win {

class HelperThread;

// A started job (or none: Started() is false, and the work is the
// caller's). Waits for the job when it goes.
class HelperJob {
public:
    HelperJob() = default;
    HelperJob(HelperJob&& other) noexcept : helper_(other.helper_) { other.helper_ = nullptr; }
    HelperJob& operator=(HelperJob&&) = delete;
    HelperJob(const HelperJob&) = delete;
    ~HelperJob();

    bool Started() const { return helper_ != nullptr; }
    // Waits up to ms for the job; true when it is done (or never started).
    bool Wait(DWORD ms = INFINITE);
    // Waits for the job, then throws what it threw, if anything.
    void Finish();

private:
    friend class HelperThread;
    explicit HelperJob(HelperThread* helper) : helper_(helper) {}
    HelperThread* helper_ = nullptr;
};

// A second thread kept for many short jobs, one at a time: made at the
// first job and ended with the object, so that a job costs two event
// signals instead of a thread's creation.
class HelperThread {
public:
    HelperThread() = default;
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;
    // Waits for the job in hand, then ends the thread.
    ~HelperThread();

    // Hands job to the thread. The guard has started nothing when no thread
    // could be made or a job is still running; then job does not run.
    [[nodiscard]] HelperJob Start(std::function<void()> job);

private:
    friend class HelperJob;
    static DWORD WINAPI Run(void* self);
    bool WaitForJob(DWORD ms);

    KernelObject thread_, jobReady_, jobDone_;
    std::function<void()> job_;
    std::exception_ptr thrown_;      // by the job, kept for its guard
    std::atomic<bool> busy_{false};  // a job was started and not yet waited for
    std::atomic<bool> quit_{false};
};

// Owns the helper thread of the program for its lifetime and makes it the
// one SharedHelper answers with. One at a time.
class HelperScope {
public:
    HelperScope();
    ~HelperScope();
    HelperScope(const HelperScope&) = delete;
    HelperScope& operator=(const HelperScope&) = delete;

private:
    HelperThread helper_;
};

// The helper of the HelperScope alive, or null: the work then runs on the
// calling thread alone. Only the window's thread asks.
HelperThread* SharedHelper();

// work(i) for every i below count; once count reaches threshold, every
// second one runs on the shared helper thread when it is free. Returns when
// all have run; what a job threw is thrown here. work must be safe to call
// from two threads at once for different i.
void ForEachOnTwoThreads(size_t count, size_t threshold, const std::function<void(size_t)>& work);

}  // namespace win
