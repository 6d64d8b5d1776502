#include "ops/FileCopy.h"

#include <windows.h>

#include <memory>

#include "ops/CardWrites.h"
#include "win/Handles.h"

namespace {

// Large enough to stream at full speed, small enough that a cancel is
// answered within a fraction of a second even on a slow card.
constexpr DWORD kPieceBytes = 256 * 1024;

}  // namespace

CopyResult CopyFileInPieces(const std::string& from, const std::string& to, const CopyTicker& tick,
                            bool flush) {
    win::FileHandle source(::CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return CopyResult::Failed;
    const DWORD attributes = ::GetFileAttributesA(from.c_str());
    FILETIME created = {}, accessed = {}, lastWrite = {};
    ::GetFileTime(source.Get(), &created, &accessed, &lastWrite);

    win::FileHandle dest(::CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!dest) return CopyResult::Failed;

    CopyResult result = CopyResult::Done;
    // One buffer for every copy: a fresh block of this size per file costs
    // more than copying a small file.
    static const std::unique_ptr<char[]> buffer(new char[kPieceBytes]);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!::ReadFile(source.Get(), buffer.get(), kPieceBytes, &read, nullptr)) {
            result = CopyResult::Failed;
            break;
        }
        if (read == 0) break;
        if (!::WriteFile(dest.Get(), buffer.get(), read, &written, nullptr) || written != read) {
            result = CopyResult::Failed;
            break;
        }
        if (tick && !tick(read)) {
            result = CopyResult::Cancelled;
            break;
        }
    }
    if (result == CopyResult::Done) ::SetFileTime(dest.Get(), &created, &accessed, &lastWrite);
    // A close (or a flush) that fails may have lost buffered data.
    const bool closed = flush && result == CopyResult::Done ? FlushAndClose(dest.Release())
                                                            : ::CloseHandle(dest.Release()) != FALSE;
    if (!closed && result == CopyResult::Done) result = CopyResult::Failed;
    if (result != CopyResult::Done) {
        ::DeleteFileA(to.c_str());
        return result;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && attributes != FILE_ATTRIBUTE_NORMAL)
        ::SetFileAttributesA(to.c_str(), attributes & ~FILE_ATTRIBUTE_DIRECTORY);
    if (flush) NoteCardFileWritten(to);
    return result;
}
