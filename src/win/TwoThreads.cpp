#include "win/TwoThreads.h"

#include <utility>

namespace win {

HelperThread::~HelperThread() {
    if (!thread_) return;
    Wait();
    quit_ = true;
    ::SetEvent(jobReady_.Get());
    ::WaitForSingleObject(thread_.Get(), INFINITE);
}

bool HelperThread::Start(std::function<void()> job) {
    if (running_) return false;
    if (!thread_) {
        jobReady_.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
        jobDone_.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
        if (!jobReady_ || !jobDone_) return false;
        thread_.Reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
        if (!thread_) return false;
    }
    // The thread reads job_ only after the signal, and the caller touches
    // it again only after jobDone_.
    job_ = std::move(job);
    running_ = true;
    ::SetEvent(jobReady_.Get());
    return true;
}

bool HelperThread::Wait(DWORD ms) {
    if (!running_) return true;
    if (::WaitForSingleObject(jobDone_.Get(), ms) != WAIT_OBJECT_0) return false;
    running_ = false;
    job_ = nullptr;
    return true;
}

DWORD WINAPI HelperThread::Run(void* self) {
    auto& helper = *static_cast<HelperThread*>(self);
    for (;;) {
        ::WaitForSingleObject(helper.jobReady_.Get(), INFINITE);
        if (helper.quit_) return 0;
        helper.job_();
        ::SetEvent(helper.jobDone_.Get());
    }
}

void ForEachOnTwoThreads(size_t count, size_t threshold, const std::function<void(size_t)>& work,
                         HelperThread* helper) {
    HelperThread ownHelper;
    if (!helper) helper = &ownHelper;
    // Without a second thread the work still gets done, all of it here.
    const bool shared = count >= threshold && helper->Start([&] {
        for (size_t i = 1; i < count; i += 2) work(i);
    });
    for (size_t i = 0; i < count; i += shared ? 2 : 1) work(i);
    helper->Wait();
}

}  // namespace win
