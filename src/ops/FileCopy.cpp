#include "ops/FileCopy.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "ops/CardWrites.h"
#include "ops/DiskSteps.h"
#include "win/Handles.h"
#include "win/TwoThreads.h"

namespace {

// Large enough to stream at full speed, small enough that a cancel is
// answered within a fraction of a second even on a slow card.
constexpr DWORD kPieceBytes = 256 * 1024;
// How long the calling thread waits for the helper's file between two
// ticks: the window keeps answering and a cancel is seen.
constexpr DWORD kTickWhileWaitingMs = 20;

}  // namespace

CopyResult CopyFileInPieces(const std::string& from, const std::string& to, const CopyTicker& tick,
                            bool flush, SourceStamp* read, CopyFailure* failure) {
    auto failed = [&](const std::string& path) {
        if (failure) *failure = {::GetLastError(), path};
        return CopyResult::Failed;
    };
    win::FileHandle source(::CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return failed(from);
    // Attributes and times in one question on the open file (the fuller
    // GetFileInformationByHandle also asks for the volume's serial number,
    // which costs more than the copy of a small file under Wine). The
    // attributes go on with the creation: a later call by name costs
    // another round trip.
    FILE_BASIC_INFO info = {};
    if (!::GetFileInformationByHandleEx(source.Get(), FileBasicInfo, &info, sizeof info)) return failed(from);
    DWORD attributes =
        info.FileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;

    DiskStep("create", to);
    win::FileHandle dest(::CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       attributes | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!dest) return failed(to);

    CopyResult result = CopyResult::Done;
    ULONGLONG copiedBytes = 0;
    // One buffer for every copy on a thread: a fresh block of this size per
    // file costs more than copying a small file.
    thread_local const std::unique_ptr<char[]> buffer(new char[kPieceBytes]);
    for (;;) {
        DWORD got = 0, written = 0;
        if (!::ReadFile(source.Get(), buffer.get(), kPieceBytes, &got, nullptr)) {
            result = failed(from);
            break;
        }
        if (got == 0) break;
        DiskStep("write", to);
        if (!::WriteFile(dest.Get(), buffer.get(), got, &written, nullptr) || written != got) {
            if (written != got && ::GetLastError() == ERROR_SUCCESS) ::SetLastError(ERROR_DISK_FULL);
            result = failed(to);
            break;
        }
        copiedBytes += got;
        if (tick && !tick(got)) {
            result = CopyResult::Cancelled;
            break;
        }
    }
    if (result == CopyResult::Done) {
        // The times only: the change time is the file system's own.
        FILE_BASIC_INFO times = info;
        times.ChangeTime.QuadPart = 0;
        times.FileAttributes = 0;
        ::SetFileInformationByHandle(dest.Get(), FileBasicInfo, &times, sizeof times);
    }
    // A close (or a flush) that fails may have lost buffered data.
    const bool closed = flush && result == CopyResult::Done ? FlushAndClose(dest.Release())
                                                            : ::CloseHandle(dest.Release()) != FALSE;
    if (!closed && result == CopyResult::Done) result = failed(to);
    if (result != CopyResult::Done) {
        // A read-only copy would refuse to go.
        ::SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(to.c_str());
        return result;
    }
    if (read) *read = {copiedBytes, info.LastWriteTime.QuadPart};
    return result;
}

std::string ChangedSinceCopied(const std::vector<FileToCopy>& files) {
    for (const FileToCopy& file : files) {
        WIN32_FILE_ATTRIBUTE_DATA now;
        if (!::GetFileAttributesExA(file.from.c_str(), GetFileExInfoStandard, &now)) return file.from;
        const ULONGLONG size = (static_cast<ULONGLONG>(now.nFileSizeHigh) << 32) | now.nFileSizeLow;
        const LONGLONG lastWrite =
            static_cast<LONGLONG>((static_cast<ULONGLONG>(now.ftLastWriteTime.dwHighDateTime) << 32) |
                                  now.ftLastWriteTime.dwLowDateTime);
        if (size != file.read.size || lastWrite != file.read.lastWrite) return file.from;
    }
    return {};
}

namespace {

// A block of whole pages: uncached reads want a buffer aligned to the sector.
struct Pages {
    Pages()
        : at(static_cast<char*>(
              ::VirtualAlloc(nullptr, kPieceBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
    ~Pages() {
        if (at) ::VirtualFree(at, 0, MEM_RELEASE);
    }
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;
    char* at;
};

// Reads up to a piece; fewer bytes only at the end of the file.
bool ReadPiece(HANDLE file, char* into, DWORD& got) {
    got = 0;
    while (got < kPieceBytes) {
        DWORD read = 0;
        const DWORD wanted = kPieceBytes - got;
        if (!::ReadFile(file, into + got, wanted, &read, nullptr)) return false;
        got += read;
        // A file's reads fall short only at its end (and an uncached read
        // may not start at an odd offset).
        if (read < wanted) break;
    }
    return true;
}

// Whether to's bytes, read from the disk past the system's cache where the
// file system allows it, are from's.
bool SameBytes(const std::string& from, const std::string& to) {
    DiskStep("verify", to);
    win::FileHandle source(::CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    win::FileHandle copy(::CreateFileA(to.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!copy)
        copy.Reset(::CreateFileA(to.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    Pages ours, theirs;
    if (!source || !copy || !ours.at || !theirs.at) return false;
    for (;;) {
        DWORD sourceGot = 0, copyGot = 0;
        if (!ReadPiece(source.Get(), ours.at, sourceGot) || !ReadPiece(copy.Get(), theirs.at, copyGot))
            return false;
        if (sourceGot != copyGot || std::memcmp(ours.at, theirs.at, sourceGot) != 0) return false;
        if (sourceGot < kPieceBytes) return true;
    }
}

}  // namespace

std::string FirstCopyDiffering(const std::vector<FileToCopy>& files) {
    for (const FileToCopy& file : files)
        if (!SameBytes(file.from, file.to)) return file.to;
    return {};
}

CopyResult CopyFilesInPieces(std::vector<FileToCopy>& files, const CopyTicker& tick, bool flush,
                             win::HelperThread* helper) {
    // Each thread takes the next file not yet taken, so that a large file on
    // one side does not leave the other idle.
    std::atomic<size_t> next{0};
    std::atomic<ULONGLONG> helperBytes{0};  // copied by the helper, not yet ticked
    std::atomic<bool> stop{false};
    std::atomic<CopyResult> result{CopyResult::Done};
    auto end = [&](CopyResult why) {
        CopyResult done = CopyResult::Done;
        result.compare_exchange_strong(done, why);
        stop = true;
    };
    auto copyTaken = [&](const CopyTicker& pieceTick) {
        while (!stop) {
            const size_t i = next++;
            if (i >= files.size()) return;
            const CopyResult copied = CopyFileInPieces(files[i].from, files[i].to, pieceTick, flush,
                                                       &files[i].read, &files[i].failure);
            if (copied != CopyResult::Done) end(copied);
        }
    };
    // Here the helper's bytes go out with this thread's.
    auto tickHere = [&](ULONGLONG bytes) {
        if (tick && !tick(bytes + helperBytes.exchange(0))) end(CopyResult::Cancelled);
        return !stop;
    };
    win::HelperJob job = helper && files.size() >= 2 ? helper->Start([&] {
        copyTaken([&](ULONGLONG bytes) {
            helperBytes += bytes;
            return !stop;
        });
    })
                                                     : win::HelperJob();
    copyTaken(tickHere);
    if (job.Started()) {
        // Stopped or not, the calling thread keeps ticking: after a cancel
        // the window still paints while the helper ends its piece.
        while (!job.Wait(kTickWhileWaitingMs)) tickHere(0);
        if (!stop && helperBytes != 0) tickHere(0);
    }
    job.Finish();
    return result;
}
