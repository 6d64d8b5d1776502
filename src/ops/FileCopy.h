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

// Why a copy failed: the system's error, and the file it was met on.
struct CopyFailure {
    DWORD error = ERROR_SUCCESS;
    std::string path;
};

// The destination must not exist yet. With flush the copy is written
// through to the disk before it counts as done.
// read, when given, is filled in by a copy that is done; failure by one that
// failed.
CopyResult CopyFileInPieces(const std::string& from, const std::string& to, const CopyTicker& tick,
                            bool flush = false, SourceStamp* read = nullptr, CopyFailure* failure = nullptr);

struct FileToCopy {
    std::string from, to;
    SourceStamp read;     // filled in by the copy
    CopyFailure failure;  // filled in by a copy that failed
};

// The first source whose length or last-write time is no longer what its
// copy read (or that is gone); empty when every one is as it was copied.
// A move asks just before it deletes its sources: another program may write
// to a file (or a writer outside Windows' sharing rules may append to one)
// while it is copied or after.
std::string ChangedSinceCopied(const std::vector<FileToCopy>& files);

// The first copy (its destination) whose bytes, read back from the disk
// itself past the system's cache, are not its source's; empty when all are.
std::string FirstCopyDiffering(const std::vector<FileToCopy>& files);

// Copies each file as CopyFileInPieces does and stops at the first that
// fails or is cancelled; the result is that first one's. With a helper, its
// thread copies some of the files meanwhile. tick is only ever called on
// the calling thread, with the bytes of both, and goes on being called
// while the helper finishes its file.
CopyResult CopyFilesInPieces(std::vector<FileToCopy>& files, const CopyTicker& tick, bool flush,
                             win::HelperThread* helper);
