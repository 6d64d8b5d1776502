#include "ops/NewFolder.h"

#include <windows.h>

#include "ops/NameChecks.h"

namespace {

// A new folder's path stays this short so that a frame inside it (a
// backslash, an 8-byte name and ".usd") and the files of its companion
// folder still fit the 260-byte paths of the ANSI calls.
constexpr int kMaxNewFolderPath = 243;

}  // namespace

int NewFolderNameLimit(const std::string& parent) {
    return kMaxNewFolderPath - static_cast<int>(parent.size());
}

bool CreateNewFolder(const std::string& parent, const std::string& name, std::string& created,
                     IOperationReporter& reporter) {
    created = FolderNameToCreate(name);
    if (!created.empty() && ::CreateDirectoryA((parent + created).c_str(), nullptr)) return true;
    reporter.Fail("ERR_FOLDER_CREATE");
    return false;
}
