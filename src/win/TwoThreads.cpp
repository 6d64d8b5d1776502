#include "win/TwoThreads.h"

#include <windows.h>

namespace win {

namespace {

struct OddHalf {
    const std::function<void(size_t)>* work;
    size_t count;
};

DWORD WINAPI RunOddHalf(void* data) {
    const auto& half = *static_cast<const OddHalf*>(data);
    for (size_t i = 1; i < half.count; i += 2) (*half.work)(i);
    return 0;
}

}  // namespace

void ForEachOnTwoThreads(size_t count, size_t threshold, const std::function<void(size_t)>& work) {
    OddHalf theirs{&work, count};
    // Without a second thread the work still gets done, all of it here.
    HANDLE helper =
        count >= threshold ? ::CreateThread(nullptr, 0, RunOddHalf, &theirs, 0, nullptr) : nullptr;
    for (size_t i = 0; i < count; i += helper ? 2 : 1) work(i);
    if (helper) {
        ::WaitForSingleObject(helper, INFINITE);
        ::CloseHandle(helper);
    }
}

}  // namespace win
