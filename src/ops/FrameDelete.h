// Deleting frames to the recycle bin, each frame file with its companion
// folder, through the shell (which takes a link away as a link).
#pragma once

#include <string>
#include <vector>

#include "ops/OperationReporter.h"

// The frames (file names with extension) of folder (ending with a
// backslash), one by one; the reporter's Progress comes before each frame
// and may stop the rest. A failure of the shell is reported and stops;
// whatever it did delete is gone and leaves the frame-info cache. True
// unless the shell failed.
// A drive without a recycle bin (a card) passes toRecycleBin false: the
// frames are deleted for good, and the shell is not asked to pretend.
bool DeleteFramesToRecycleBin(const std::string& folder, const std::vector<std::string>& names,
                              IOperationReporter& reporter, bool toRecycleBin = true);
