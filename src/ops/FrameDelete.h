// Deleting frames to the recycle bin, each frame file with its companion
// folder, through the shell (which takes a link away as a link).
#pragma once

#include <string>
#include <vector>

#include "ops/OperationReporter.h"

// The frames (file names with extension) of folder (ending with a
// backslash). A failure of the shell is reported; whatever it did delete is
// gone and leaves the frame-info cache. True when the shell succeeded.
// A drive without a recycle bin (a card) passes toRecycleBin false: the
// frames are deleted for good, and the shell is not asked to pretend.
bool DeleteFramesToRecycleBin(const std::string& folder, const std::vector<std::string>& names,
                              IOperationReporter& reporter, bool toRecycleBin = true);
