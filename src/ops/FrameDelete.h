// Deleting frames, each frame file with its companion folder: to the
// recycle bin through the shell, or for good on a drive without one.
#pragma once

#include <string>
#include <vector>

#include "ops/OperationReporter.h"

// The frames (file names with extension) of folder (ending with a
// backslash), one by one, each frame file first; the reporter's Progress
// comes before each frame, and for a delete for good between its files too,
// and may stop the rest. A frame that is or holds a link refuses the whole
// delete before anything is touched (ERR_FRAME_LINK, naming the link). The
// first thing that will not go is reported, naming it and why, and stops; a
// frame file that stays keeps its folder, and what did go has left the
// frame-info cache. True unless something was refused or left.
// A drive without a recycle bin (a card) passes toRecycleBin false: the
// frames are deleted for good, and the shell is not asked to pretend.
// deleted, when given, gets the names of the frames deleted whole (a frame
// gone before the delete came to it, or one a stop left half deleted, is
// not among them).
bool DeleteFramesToRecycleBin(const std::string& folder, const std::vector<std::string>& names,
                              IOperationReporter& reporter, bool toRecycleBin = true,
                              std::vector<std::string>* deleted = nullptr);
