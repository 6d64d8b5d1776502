// Renaming a frame: the frame file is written anew under its new name with
// the references to its companion folder changed, and the companion folder
// is renamed. All or nothing: after a failure the frame is exactly as it was.
#pragma once

#include <functional>
#include <string>

#include "ops/OperationReporter.h"

// The file-system steps of a rename, replaceable so that a test can make
// any one of them fail.
struct RenameSteps {
    std::function<bool(const std::string& oldPath, const std::string& newPath, const std::string& oldRef,
                       const std::string& newRef)>
        rewrite;
    std::function<bool(const std::string& from, const std::string& to)> move;
    std::function<bool(const std::string& path)> remove;

    static RenameSteps Real();
};

// Renames the frame fileName (with extension) of folder (ending with a
// backslash) to newBase + ".usd". A frame without its companion folder, or
// whose folder holds a link, is left alone. Failures are reported; true when
// the frame was renamed.
bool RenameFrame(const std::string& folder, const std::string& fileName, const std::string& newBase,
                 IOperationReporter& reporter, const RenameSteps& steps = RenameSteps::Real());
