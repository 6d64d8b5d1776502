// Carries frames (a .USD file and its companion folder of the same base
// name) from one folder to another, by copying them or by moving them.
// The main window owns one CFrameTransfer; add, copy and move back all go
// through TransferFrames, and what happens is told to an IOperationReporter.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ops/FrameScan.h"
#include "ops/FrameStage.h"
#include "ops/OperationReporter.h"

enum class TransferMode { Move, Copy };

class CFrameTransfer {
public:
    // Free bytes available to this user on the drive whose root (e.g. "E:\")
    // is given; false when the drive cannot be asked.
    using FreeSpaceQuery = std::function<bool(const std::string& root, ULONGLONG& freeBytes)>;

    CFrameTransfer();
    CFrameTransfer(const CFrameTransfer&) = delete;
    CFrameTransfer& operator=(const CFrameTransfer&) = delete;

    // Transfers the named frames (file names with extension) from
    // sourceFolder to destFolder, one by one, and appends the destination
    // path of each frame that arrived to transferred. Both folders get a
    // trailing backslash. Stops at the first failure after reporting it; a
    // replace the user declines only skips that frame. Nonzero unless it
    // stopped on a failure or was cancelled. Refused (0, nothing touched)
    // while a transfer is already running, e.g. when called from a message
    // the transfer pumped.
    BOOL TransferFrames(std::string& sourceFolder, std::string& destFolder,
                        const std::vector<std::string>& names, TransferMode mode,
                        IOperationReporter& reporter, std::vector<std::string>& transferred);

    // True while TransferFrames runs: it pumps messages, and the window must
    // not start a second operation from one of them.
    bool IsBusy() const { return busy_; }
    // After a move: every frame that arrived was renamed within its volume,
    // so each companion folder it had is gone from the source folder. (A move
    // that copies deletes its source afterwards, and may leave some of it.)
    bool EveryFrameRenamed() const { return everyFrameRenamed_; }

    // Frames copied to a card are read back from it before they are
    // committed (on unless turned off, for a benchmark's comparison).
    void SetVerifyCardCopies(bool verify) { verifyCardCopies_ = verify; }

    // Tests set an exact free space; the default asks the drive.
    void SetFreeSpaceQuery(FreeSpaceQuery query) { freeSpaceQuery_ = std::move(query); }

    // Bytes a frame (file and companion folder) or a folder needs at the
    // destination: each file its length plus 32768. Links are not followed.
    static ULONGLONG FrameBytesNeeded(const std::string& framePath);
    static ULONGLONG FolderBytesNeeded(const std::string& folder);
    // Free bytes of the drive that holds path; false when they are unknown.
    bool DriveFreeBytes(const std::string& path, ULONGLONG& freeBytes) const;

private:
    struct Batch;
    struct FrameJob;
    // Next: this step let the frame through to the following one.
    enum class Step { Next, Done, DoneThenStop, Skipped, Stop };

    Step TransferOne(Batch& batch, FrameJob& job);
    Step CheckFrame(const Batch& batch, FrameJob& job);
    Step AskToReplace(Batch& batch, FrameJob& job);
    Step CheckSpace(Batch& batch, FrameJob& job);
    Step RenameInto(Batch& batch, FrameJob& job);
    Step CopyInto(Batch& batch, FrameJob& job);
    Step Finish(Batch& batch, FrameJob& job);

    FreeSpaceQuery freeSpaceQuery_;
    bool busy_ = false;
    bool everyFrameRenamed_ = false;
    bool verifyCardCopies_ = true;
};

// True when both paths name one existing file or folder (same volume, same
// file index), however they are spelled.
bool IsSameFile(const std::string& a, const std::string& b);
