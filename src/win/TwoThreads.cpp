#include "win/TwoThreads.h"

#include <utility>

namespace win {

namespace {
HelperThread* g_shared = nullptr;
}  // namespace

HelperJob::~HelperJob() {
    Wait();
}

bool HelperJob::Wait(DWORD ms) {
    if (!helper_) return true;
    if (!helper_->WaitForJob(ms)) return false;
    return true;
}

void HelperJob::Finish() {
    if (!helper_) return;
    Wait();
    std::exception_ptr thrown = std::exchange(helper_->thrown_, nullptr);
    helper_ = nullptr;
    if (thrown) std::rethrow_exception(thrown);
}

HelperThread::~HelperThread() {
    if (!thread_) return;
    WaitForJob(INFINITE);
    quit_ = true;
    ::SetEvent(jobReady_.Get());
    ::WaitForSingleObject(thread_.Get(), INFINITE);
}

HelperJob HelperThread::Start(std::function<void()> job) {
    if (busy_) return HelperJob();
    if (!thread_) {
        jobReady_.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
        jobDone_.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
        if (!jobReady_ || !jobDone_) return HelperJob();
        thread_.Reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
        if (!thread_) return HelperJob();
    }
    // The thread reads job_ only after the signal, and the caller touches
    // it again only after jobDone_.
    job_ = std::move(job);
    thrown_ = nullptr;
    busy_ = true;
    ::SetEvent(jobReady_.Get());
    return HelperJob(this);
}

bool HelperThread::WaitForJob(DWORD ms) {
    if (!busy_) return true;
    if (::WaitForSingleObject(jobDone_.Get(), ms) != WAIT_OBJECT_0) return false;
    busy_ = false;
    job_ = nullptr;
    return true;
}

DWORD WINAPI HelperThread::Run(void* self) {
    auto& helper = *static_cast<HelperThread*>(self);
    for (;;) {
        ::WaitForSingleObject(helper.jobReady_.Get(), INFINITE);
        if (helper.quit_) return 0;
        // Nothing leaves this thread but through the guard.
        try {
            helper.job_();
        } catch (...) {
            helper.thrown_ = std::current_exception();
        }
        ::SetEvent(helper.jobDone_.Get());
    }
}

HelperScope::HelperScope() {
    if (!g_shared) g_shared = &helper_;
}

HelperScope::~HelperScope() {
    if (g_shared == &helper_) g_shared = nullptr;
}

HelperThread* SharedHelper() {
    return g_shared;
}

void ForEachOnTwoThreads(size_t count, size_t threshold, const std::function<void(size_t)>& work) {
    HelperThread* helper = SharedHelper();
    // Without a second thread the work still gets done, all of it here.
    HelperJob job = count >= threshold && helper ? helper->Start([&] {
        for (size_t i = 1; i < count; i += 2) work(i);
    })
                                                 : HelperJob();
    const size_t step = job.Started() ? 2 : 1;
    for (size_t i = 0; i < count; i += step) work(i);
    job.Finish();
}

}  // namespace win
