#include "ops/DiskSteps.h"

#include <atomic>

namespace {
std::atomic<DiskStepHook> g_hook{nullptr};
}  // namespace

void SetDiskStepHook(DiskStepHook hook) {
    g_hook = hook;
}

void DiskStep(const char* what, const std::string& path) {
    if (const DiskStepHook hook = g_hook.load()) hook(what, path);
}
