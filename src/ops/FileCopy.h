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

// What a copy read of its source: the bytes it copied, and the last-write
// time the source had when the copy opened it.
struct SourceStamp {
    ULONGLONG size = 0;
    LONGLONG lastWrite = 0;
};

// The destination must not exist yet. With flush (a card) the copy is
// written through to the disk before it counts as done, and remembered.
// read, when given, is filled in by a copy that is done.
CopyResult CopyFileInPieces(const std::string& from, const std::string& to, const CopyTicker& tick,
                            bool flush = false, SourceStamp* read = nullptr);

struct FileToCopy {
    std::string from, to;
    SourceStamp read;  // filled in by the copy
};

// The first source whose length or last-write time is no longer what its
// copy read (or that is gone); empty when every one is as it was copied.
// A move asks just before it deletes its sources: another program may write
// to a file (or a writer outside Windows' sharing rules may append to one)
// while it is copied or after.
std::string ChangedSinceCopied(const std::vector<FileToCopy>& files);

// Copies each file as CopyFileInPieces does and stops at the first that
// fails or is cancelled; the result is that first one's. With a helper, its
// thread copies some of the files meanwhile. tick is only ever called on
// the calling thread, with the bytes of both, and goes on being called
// while the helper finishes its file.
CopyResult CopyFilesInPieces(std::vector<FileToCopy>& files, const CopyTicker& tick, bool flush,
                             win::HelperThread* helper);
