// Runs one frame transfer as the program does, and stops dead at a chosen
// change on disk, for the crash tests:
//   transfer_child copy|move <source folder> <dest folder> <stop at> <event> [card free] <names...>
// <stop at> counts the changes (a file made, a piece written, a rename, a
// delete) from 1; at that one, before it is made, the event is set and the
// process waits to be killed. 0 runs to the end and prints "steps <n>".
// <card free>: "-" for the real free space, or the bytes drive M: offers.
// Every replace is answered yes.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ops/DiskSteps.h"
#include "ops/FrameTransfer.h"
#include "win/TwoThreads.h"

namespace {

std::atomic<long> g_steps{0};
long g_stopAt = 0;
HANDLE g_stopped = nullptr;

void CountStep(const char*, const std::string&) {
    if (++g_steps != g_stopAt) return;
    ::SetEvent(g_stopped);
    ::Sleep(INFINITE);
}

class Answers : public IOperationReporter {
public:
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override { return ReplaceAnswer::Replace; }
    void Fail(const char* key, const std::vector<std::string>& args) override {
        std::printf("failed %s%s\n", key, args.empty() ? "" : (" " + args.front()).c_str());
    }
    using IOperationReporter::Fail;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 8) {
        std::fprintf(
            stderr,
            "usage: transfer_child copy|move <source> <dest> <stop at> <event> <card free> <names...>\n");
        return 2;
    }
    const TransferMode mode = std::string(argv[1]) == "move" ? TransferMode::Move : TransferMode::Copy;
    std::string source = argv[2], dest = argv[3];
    g_stopAt = std::atol(argv[4]);
    g_stopped = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[5]);
    if (g_stopAt && !g_stopped) return 3;
    std::vector<std::string> names(argv + 7, argv + argc);

    win::HelperScope helpers;  // as the window has
    CFrameTransfer transfer;
    if (std::string(argv[6]) != "-") {
        const ULONGLONG cardFree = std::strtoull(argv[6], nullptr, 10);
        transfer.SetFreeSpaceQuery([cardFree](const std::string& root, ULONGLONG& freeBytes) {
            if (root == "M:\\") {
                freeBytes = cardFree;
                return true;
            }
            ULARGE_INTEGER available = {};
            if (!::GetDiskFreeSpaceExA(root.c_str(), &available, nullptr, nullptr)) return false;
            freeBytes = available.QuadPart;
            return true;
        });
    }
    SetDiskStepHook(CountStep);
    Answers answers;
    std::vector<std::string> transferred;
    const BOOL done = transfer.TransferFrames(source, dest, names, mode, answers, transferred);
    std::printf("steps %ld\n", g_steps.load());
    return done ? 0 : 1;
}
