// Work that mostly waits for the Wine server (opening, reading and listing
// files) goes faster on two threads: one asks while the other reads.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>

#include "win/Handles.h"

namespace win {

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

    // Hands job to the thread. False when no thread could be made or a job
    // is still running; then job does not run.
    bool Start(std::function<void()> job);
    // Waits up to ms for the job; true when none is running any more.
    bool Wait(DWORD ms = INFINITE);

private:
    static DWORD WINAPI Run(void* self);

    KernelObject thread_, jobReady_, jobDone_;
    std::function<void()> job_;
    bool running_ = false;  // a job was started and not yet waited for
    bool quit_ = false;
};

// work(i) for every i below count; once count reaches threshold, every
// second one runs on a thread of its own (the helper's, when given). Returns
// when all have run. work must be safe to call from two threads at once for
// different i.
void ForEachOnTwoThreads(size_t count, size_t threshold, const std::function<void(size_t)>& work,
                         HelperThread* helper = nullptr);

}  // namespace win
