// Copies one file in pieces, so that a long copy can report progress and be
// cancelled between pieces. The copy gets the source's attributes and times;
// a copy that fails or is cancelled leaves nothing behind.
#pragma once

#include <string>
#include <vector>

#include "ops/FrameScan.h"

namespace win {
class HelperThread;
}

// The destination must not exist yet. With flush (a card) the copy is
// written through to the disk before it counts as done, and remembered.
CopyResult CopyFileInPieces(const std::string& from, const std::string& to, const CopyTicker& tick,
                            bool flush = false);

struct FileToCopy {
    std::string from, to;
};

// Copies each file as CopyFileInPieces does and stops at the first that
// fails or is cancelled; the result is that first one's. With a helper, its
// thread copies some of the files meanwhile. tick is only ever called on
// the calling thread, with the bytes of both, and goes on being called
// while the helper finishes its file.
CopyResult CopyFilesInPieces(const std::vector<FileToCopy>& files, const CopyTicker& tick, bool flush,
                             win::HelperThread* helper);
