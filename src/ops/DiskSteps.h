// Every change a frame operation makes on disk (a file made, a piece
// written, a rename, a delete) is announced here first. The program does
// nothing with it; the crash tests stop the process at one of them and check
// what a restart finds.
#pragma once

#include <string>

// Called on whichever thread makes the change; must be safe from two at once.
using DiskStepHook = void (*)(const char* what, const std::string& path);

// Set before an operation starts; null (the default) turns it off.
void SetDiskStepHook(DiskStepHook hook);
void DiskStep(const char* what, const std::string& path);
