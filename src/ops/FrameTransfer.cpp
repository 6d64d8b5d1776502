#include "ops/FrameTransfer.h"

#include <cstddef>
#include <optional>
#include <unordered_set>
#include <vector>

#include "frames/FrameInfoCache.h"
#include "ops/CardWrites.h"
#include "ops/DiskSteps.h"
#include "ops/Failures.h"
#include "ops/FileCopy.h"
#include "ops/ParkedFrames.h"
#include "win/FileSystem.h"
#include "win/Handles.h"
#include "win/Links.h"
#include "win/Names.h"
#include "win/Strings.h"
#include "win/TwoThreads.h"
#include "win/WaitCursor.h"

namespace {

// Below this many frames a second listing thread costs more than it saves.
constexpr size_t kFramesForTwoThreads = 16;

// The root of the drive a path is on ("E:\"); a path without a drive letter
// is asked about as it stands.
std::string DriveRoot(const std::string& path) {
    const auto letter = static_cast<unsigned char>(path.empty() ? 0 : path[0]);
    if (path.size() >= 2 && path[1] == ':' && letter < 0x80 && isalpha(letter))
        return path.substr(0, 2) + "\\";
    return path;
}

// Whether two paths lie on one volume (the serial number of the volume
// each is on); unknown counts as the same. Used where "the same" is the
// cautious answer: moving a parked frame within one volume frees nothing,
// and a rename that crosses volumes after all falls back to a copy.
bool IsSameVolume(const std::string& a, const std::string& b) {
    auto serial = [](const std::string& path, DWORD& number) {
        char root[MAX_PATH] = {};
        return ::GetVolumePathNameA(path.c_str(), root, MAX_PATH) &&
               ::GetVolumeInformationA(root, nullptr, 0, &number, nullptr, nullptr, nullptr, 0);
    };
    DWORD first = 0, second = 0;
    return !serial(a, first) || !serial(b, second) || first == second;
}

bool QueryDriveFreeBytes(const std::string& root, ULONGLONG& freeBytes) {
    ULARGE_INTEGER available = {}, total = {}, totalFree = {};
    if (!::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &totalFree)) return false;
    freeBytes = available.QuadPart;
    return true;
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    // No access rights needed; backup semantics let folders open too.
    win::FileHandle file(::CreateFileA(path.c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && ::GetFileInformationByHandle(file.Get(), &info);
}

// The subfolder of sourceFolder that holds destFolder, or empty when
// destFolder is not inside sourceFolder.
std::string FolderHoldingDestination(const std::string& sourceFolder, const std::string& destFolder) {
    // Under Wine each identity costs a millisecond or two (the volume's
    // serial number): the source's is asked once.
    BY_HANDLE_FILE_INFORMATION source = {}, parentInfo = {};
    if (!FileIdentity(sourceFolder, source)) return {};
    std::string folder = win::WithoutTrailingBackslashes(destFolder);
    for (;;) {
        const std::string parent = win::FolderOf(folder);
        if (parent.empty() || parent.size() >= folder.size()) return {};
        if (FileIdentity(parent, parentInfo) && SameIdentity(parentInfo, source)) return folder;
        folder = win::WithoutTrailingBackslashes(parent);
    }
}

// Renames what handle has open (with DELETE access) to the path to, which
// must not exist; as MoveFileExA without flags would, in fewer round trips
// to the Wine server. Returns the error, ERROR_SUCCESS when renamed.
DWORD RenameOpen(HANDLE handle, const std::string& to) {
    // The name goes to the file system as it stands: a full NT path, made
    // as the Win32 calls make theirs.
    char full[MAX_PATH];
    const DWORD length = ::GetFullPathNameA(to.c_str(), MAX_PATH, full, nullptr);
    if (length == 0) return ::GetLastError();
    if (length >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    const std::string path(full, length);
    const std::string nt = path.compare(0, 4, "\\\\?\\") == 0 ? "\\??\\" + path.substr(4)
                           : path.compare(0, 2, "\\\\") == 0  ? "\\??\\UNC\\" + path.substr(2)
                                                              : "\\??\\" + path;
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, nt.c_str(), -1, nullptr, 0);
    if (chars <= 0) return ::GetLastError();
    std::vector<BYTE> buffer(offsetof(FILE_RENAME_INFO, FileName) + chars * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>((chars - 1) * sizeof(WCHAR));
    ::MultiByteToWideChar(CP_ACP, 0, nt.c_str(), -1, info->FileName, chars);
    if (!::SetFileInformationByHandle(handle, FileRenameInfo, info, static_cast<DWORD>(buffer.size())))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

// Renames a file or folder within its volume; returns the error.
DWORD MoveWithinVolume(const std::string& from, const std::string& to) {
    DiskStep("rename", from);
    // Opened as itself, as MoveFileExA does: a link is renamed, not its target.
    win::FileHandle file(::CreateFileA(
        from.c_str(), DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file ? RenameOpen(file.Get(), to) : ::GetLastError();
}

// Where a file written into a stage is once its frame is committed.
std::string TargetOf(const std::string& staged, const CFrameStage& stage) {
    const std::string copy = stage.CompanionCopy();
    if (staged.rfind(copy, 0) == 0) return stage.CompanionPath() + staged.substr(copy.size());
    return stage.FramePath();
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION infoA = {}, infoB = {};
    return FileIdentity(a, infoA) && FileIdentity(b, infoB) && SameIdentity(infoA, infoB);
}

// What one call of TransferFrames works with.
struct CFrameTransfer::Batch {
    std::string sourceFolder, destFolder;  // both end with a backslash
    TransferMode mode;
    IOperationReporter& reporter;
    bool checkSpace = true;        // false for a network path without a drive letter
    std::string destInsideSource;  // the source subfolder holding the destination, if any
    bool renameMoves = false;      // a move may rename instead of copying
    bool flushCopies = false;      // the destination is a card: every file is written through
    bool verifyCopies = false;     // ... and read back before its frame is committed
    bool spaceKnown = false;       // freeBytes was asked once and is kept up to date since
    ULONGLONG freeBytes = 0;
    int conflictsLeft = 0;  // frames already at the destination, not yet asked about
    // The destination's names when the batch began, in capitals, if it
    // could be listed. A name missing there is not looked for again: a
    // name made since makes the rename that would take it fail, never
    // replace what it names.
    std::optional<std::unordered_set<std::string>> destNames;
    OperationProgress progress;
    bool cancelled = false;

    // One stage for the batch's frames, made with the first that needs it.
    CFrameStage stage;

    Batch(TransferMode m, IOperationReporter& r) : mode(m), reporter(r) {}
    ~Batch() { stage.Close(); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    DWORD BeginStage(const std::string& name, StageKind kind) {
        if (!stage.IsOpen()) {
            const DWORD error = stage.Open(destFolder, flushCopies);
            if (error != ERROR_SUCCESS) return error;
        }
        return stage.Begin(name, kind, kind == StageKind::Copy ? std::string() : sourceFolder);
    }

    // Between two pieces of a copy: the reporter sees the progress (and lets
    // the window answer) and may cancel. Once cancelled, the copy only waits
    // for its other thread, and the window goes on painting meanwhile.
    bool Tick(ULONGLONG bytes) {
        progress.bytesDone = SaturatingAdd(progress.bytesDone, bytes);
        if (cancelled) {
            reporter.KeepAlive();
            return false;
        }
        if (!reporter.Progress(progress)) cancelled = true;
        return !cancelled;
    }
    // A copy that is not the user's to cancel (putting an old frame aside
    // or back) still keeps the window painting.
    bool Pump(ULONGLONG) {
        reporter.KeepAlive();
        return true;
    }
    CopyTicker Ticker() {
        return [this](ULONGLONG bytes) { return Tick(bytes); };
    }
    CopyTicker Pumper() {
        return [this](ULONGLONG bytes) { return Pump(bytes); };
    }
};

// One frame of the batch, from its check to its arrival.
struct CFrameTransfer::FrameJob {
    std::string name;           // file name with extension
    std::string source, dest;   // frame file paths
    std::string destCompanion;  // the companion folder's path at the destination
    FrameScan scan;             // the source frame, listed once
    win::FileHandle companion;  // for a rename: the source's companion folder, open since its listing
    FrameScan oldScan;          // the frame it replaces, if any
    bool replacing = false;
    ULONGLONG freedBytes = 0;    // what the replaced frame takes on disk
    bool needsOldSpace = false;  // the new frame fits only once the old one has left the drive
    bool renamed = false;        // arrived by renames, its companion folder and all
};

CFrameTransfer::CFrameTransfer() : freeSpaceQuery_(QueryDriveFreeBytes) {}

BOOL CFrameTransfer::TransferFrames(std::string& sourceFolder, std::string& destFolder,
                                    const std::vector<std::string>& names, TransferMode mode,
                                    IOperationReporter& reporter, std::vector<std::string>& transferred) {
    // The transfer pumps messages; a second transfer from one of them would
    // work on the same frames underneath this one.
    if (busy_) return FALSE;
    busy_ = true;
    struct BusyReset {
        bool& flag;
        ~BusyReset() { flag = false; }
    } busyReset{busy_};

    win::EnsureTrailingBackslash(sourceFolder);
    win::EnsureTrailingBackslash(destFolder);
    everyFrameRenamed_ = true;
    Batch batch(mode, reporter);
    batch.sourceFolder = sourceFolder;
    batch.destFolder = destFolder;
    // A network path without a drive letter has no drive to ask.
    batch.checkSpace = destFolder[0] != '\\';
    batch.destInsideSource = FolderHoldingDestination(sourceFolder, destFolder);
    batch.renameMoves = mode == TransferMode::Move && IsSameVolume(sourceFolder, destFolder);
    // Asked once: each question about a drive's type goes to another process.
    batch.flushCopies = IsOnRemovableDrive(destFolder);
    batch.verifyCopies = batch.flushCopies && verifyCardCopies_;

    // Every frame is listed before anything is touched: a link anywhere in
    // one refuses the whole batch, since a copy or delete through it would
    // reach whatever it points to.
    std::vector<FrameJob> jobs(names.size());
    // Only for the count the replace question shows: each frame is asked
    // about by name when its turn comes.
    if (!names.empty()) batch.destNames = win::UpperNamesInFolder(destFolder);
    // The source folder's own final path is asked once for the whole batch.
    const win::LinkCheck sourceLinks(sourceFolder);
    win::ForEachOnTwoThreads(jobs.size(), kFramesForTwoThreads, [&](size_t i) {
        FrameJob& job = jobs[i];
        job.name = names[i];
        job.source = sourceFolder + job.name;
        job.dest = destFolder + job.name;
        job.destCompanion = win::WithoutLastDot(job.dest);
        job.scan = batch.renameMoves ? ScanFrameForRename(sourceFolder, job.name, job.companion, &sourceLinks)
                                     : ScanFrame(sourceFolder, job.name, &sourceLinks);
    });
    for (FrameJob& job : jobs) {
        if (ReportRefusal(job.scan, reporter)) return FALSE;
        batch.progress.bytesTotal = SaturatingAdd(batch.progress.bytesTotal, job.scan.bytes);
        if (!job.name.empty() && (batch.destNames ? batch.destNames->count(win::UpperCase(job.name)) != 0
                                                  : win::PathExists(job.dest)))
            ++batch.conflictsLeft;
    }
    batch.progress.frameCount = static_cast<int>(jobs.size());

    win::WaitCursor wait;
    for (size_t i = 0; i < jobs.size(); ++i) {
        batch.progress.frameIndex = static_cast<int>(i);
        batch.progress.frameName = jobs[i].name;
        batch.progress.framePath = jobs[i].source;
        if (!batch.Tick(0)) return FALSE;
        switch (TransferOne(batch, jobs[i])) {
            case Step::Stop:
                return FALSE;
            case Step::Done:
                transferred.push_back(jobs[i].dest);
                break;
            case Step::DoneThenStop:
                transferred.push_back(jobs[i].dest);
                return FALSE;
            case Step::Next:
            case Step::Skipped:
                break;
        }
    }
    return TRUE;
}

CFrameTransfer::Step CFrameTransfer::TransferOne(Batch& batch, FrameJob& job) {
    const ULONGLONG doneBefore = batch.progress.bytesDone;
    Step step = CheckFrame(batch, job);
    if (step == Step::Next) step = AskToReplace(batch, job);
    if (step == Step::Next && batch.renameMoves) step = RenameInto(batch, job);
    // A folder still open would outlive its deletion after a copy.
    job.companion.Reset();
    if (step == Step::Next) step = CheckSpace(batch, job);
    if (step == Step::Next) step = CopyInto(batch, job);
    // Skipped and renamed frames count as done for the progress by bytes.
    batch.progress.bytesDone = SaturatingAdd(doneBefore, job.scan.bytes);
    return step;
}

// Everything that refuses a frame before anything is touched.
CFrameTransfer::Step CFrameTransfer::CheckFrame(const Batch& batch, FrameJob& job) {
    // No name would make the folders themselves the frame.
    if (job.name.empty() || !job.scan.complete) {
        batch.reporter.Fail("ERR_COPY_FAILED");
        return Step::Stop;
    }
    for (const std::string* path : {&job.source, &job.dest}) {
        if (!win::FitsPath(*path)) {
            batch.reporter.Fail("ERR_PATH_TOO_LONG", {*path});
            return Step::Stop;
        }
    }
    if (!win::PathExists(win::WithoutLastDot(job.source))) {
        batch.reporter.Fail("ERR_COPY_FAILED");
        return Step::Stop;
    }
    // A file whose path would be too long at the destination could not be
    // reached there again, whether it was copied or renamed.
    for (const ScanEntry& entry : job.scan.entries) {
        if (!win::FitsPath(batch.destFolder + entry.relative)) {
            batch.reporter.Fail("ERR_PATH_TOO_LONG", {batch.destFolder + entry.relative});
            return Step::Stop;
        }
    }
    // A frame cannot go into its own companion folder: the copy would walk
    // into itself, and a move would then delete what it copied.
    if (!batch.destInsideSource.empty() &&
        IsSameFile(win::WithoutLastDot(job.source), batch.destInsideSource)) {
        batch.reporter.Fail("ERR_COPY_FAILED");
        return Step::Stop;
    }
    // Under Wine a look for a name that is not there reads the whole folder.
    auto mayExist = [&batch](const std::string& path) {
        return (!batch.destNames ||
                batch.destNames->count(win::UpperCase(path.substr(batch.destFolder.size()))) != 0) &&
               win::PathExists(path);
    };
    job.replacing = mayExist(job.dest);
    // The same folder spelled another way: "replacing" it would delete the
    // only copy.
    if (job.replacing && IsSameFile(job.source, job.dest)) {
        batch.reporter.Fail("ERR_COPY_FAILED");
        return Step::Stop;
    }
    // The frame being replaced is put aside by renaming, and a link renamed
    // under Wine takes what it points to along: refuse it untouched.
    if (job.replacing) {
        job.oldScan = ScanFrame(batch.destFolder, job.name);
        if (ReportRefusal(job.oldScan, batch.reporter)) return Step::Stop;
    }
    if (!job.replacing && mayExist(job.destCompanion)) {
        batch.reporter.Fail("ERR_MOVE");
        return Step::Stop;
    }
    return Step::Next;
}

CFrameTransfer::Step CFrameTransfer::AskToReplace(Batch& batch, FrameJob& job) {
    if (!job.replacing) return Step::Next;
    --batch.conflictsLeft;
    const FrameInfo* old = GetFrameInfo(job.dest);
    ReplaceQuestion question;
    question.existingPath = job.dest;
    question.incomingPath = job.source;
    question.existingTitle = old ? old->title : std::string();
    question.existingFileName = old ? old->fileName : job.name;
    question.conflictsAfter = batch.conflictsLeft;
    switch (batch.reporter.AskReplace(question)) {
        case ReplaceAnswer::Replace:
            job.freedBytes = job.oldScan.bytesNeeded;
            return Step::Next;
        case ReplaceAnswer::Skip:
            return Step::Skipped;
        case ReplaceAnswer::CancelAll:
            batch.cancelled = true;
            return Step::Stop;
    }
    return Step::Stop;
}

// Within one volume a move renames: the companion folder first, then the
// frame file, which commits it; the frame it replaces waits in the stage
// until then. A volume boundary found only now leaves the frame to the copy.
CFrameTransfer::Step CFrameTransfer::RenameInto(Batch& batch, FrameJob& job) {
    CFrameStage& stage = batch.stage;
    DWORD error = batch.BeginStage(job.name, StageKind::Rename);
    if (error == ERROR_SUCCESS && job.replacing) error = stage.ParkOld();
    auto giveUp = [&](DWORD why, const std::string& where) {
        stage.Abandon();
        if (why == ERROR_NOT_SAME_DEVICE) {
            batch.renameMoves = false;
            return Step::Next;
        }
        ReportFailure(batch.reporter, why, where);
        return Step::Stop;
    };
    if (error != ERROR_SUCCESS) return giveUp(error, job.dest);
    const std::string companion = win::WithoutLastDot(job.source);
    if (job.companion) {
        DiskStep("rename", companion);
        error = RenameOpen(job.companion.Get(), job.destCompanion);
    } else if (win::PathExists(companion)) {
        error = MoveWithinVolume(companion, job.destCompanion);
    }
    if (error != ERROR_SUCCESS) return giveUp(error, companion);
    // The companion folder goes back to its frame file when the frame file
    // will not follow it.
    error = MoveWithinVolume(job.source, job.dest);
    if (error != ERROR_SUCCESS) return giveUp(error, job.source);
    job.renamed = true;
    return Finish(batch, job);
}

// Checked before the old frame is touched, so a refusal loses nothing. The
// drive is asked once a batch and its answer kept up to date; the old
// frame's bytes count as free: when the new frame needs them, the old one
// waits on another drive instead of beside the new one.
CFrameTransfer::Step CFrameTransfer::CheckSpace(Batch& batch, FrameJob& job) {
    if (!batch.checkSpace) return Step::Next;
    if (!batch.spaceKnown) {
        if (!DriveFreeBytes(batch.destFolder, batch.freeBytes)) {
            batch.reporter.Fail(IsCardGone(batch.destFolder) ? "ERR_CARD_NOT_PRESENT" : "ERR_DISK_SIZE");
            return Step::Stop;
        }
        batch.spaceKnown = true;
    }
    const ULONGLONG needed = job.scan.bytesNeeded;
    if (needed > SaturatingAdd(batch.freeBytes, job.freedBytes)) {
        batch.reporter.Fail("ERR_DISK_SIZE");
        return Step::Stop;
    }
    job.needsOldSpace = job.replacing && needed > batch.freeBytes;
    return Step::Next;
}

CFrameTransfer::Step CFrameTransfer::CopyInto(Batch& batch, FrameJob& job) {
    // The new frame is written beside the old one, which stays in place
    // until the commit; only where the two do not fit together does the old
    // one wait on the computer meanwhile.
    CFrameStage& stage = batch.stage;
    DWORD error =
        batch.BeginStage(job.name, batch.mode == TransferMode::Move ? StageKind::Move : StageKind::Copy);
    if (error != ERROR_SUCCESS) {
        ReportFailure(batch.reporter, error, batch.destFolder);
        return Step::Stop;
    }
    CParkedFrame away;
    if (job.replacing && job.needsOldSpace) {
        // Parked on the same drive it would free nothing.
        const std::string parking = ParkingFolder();
        ULONGLONG parkingFree = 0;
        if (parking.empty() || IsSameVolume(parking, batch.destFolder) ||
            !DriveFreeBytes(parking, parkingFree) || parkingFree < job.freedBytes) {
            stage.Abandon();
            batch.reporter.Fail("ERR_DISK_SIZE");
            return Step::Stop;
        }
        const CParkedFrame::Result result = away.Park(job.oldScan, batch.destFolder, batch.Pumper());
        if (result != CParkedFrame::Result::Parked) {
            stage.Abandon();
            batch.reporter.Fail(result == CParkedFrame::Result::NoRoom ? "ERR_DISK_SIZE" : "ERR_COPY_FAILED");
            return Step::Stop;
        }
    }
    std::vector<FileToCopy> files;
    CopyFailure failure;
    const CopyResult copied =
        CopyIntoStage(job.scan, batch.sourceFolder, stage, batch.Ticker(), true,
                      batch.flushCopies ? nullptr : win::SharedHelper(), &files, &failure);
    // A move deletes only the source it copied: a file written to meanwhile
    // keeps the whole source, and the copy goes. A card's copy is read back
    // from the card itself before it may count.
    std::string changed, differs;
    if (copied == CopyResult::Done && batch.mode == TransferMode::Move) changed = ChangedSinceCopied(files);
    if (copied == CopyResult::Done && changed.empty() && batch.verifyCopies)
        differs = FirstCopyDiffering(files);
    error = ERROR_SUCCESS;
    if (copied == CopyResult::Done && changed.empty() && differs.empty()) {
        error = stage.FrameReady();
        if (error == ERROR_SUCCESS && job.replacing && !away.IsParked()) error = stage.ParkOld();
        if (error == ERROR_SUCCESS) error = stage.PlaceCompanion(job.scan.entries.size() > 1);
        if (error == ERROR_SUCCESS) error = stage.Commit();
    }
    if (copied != CopyResult::Done || !changed.empty() || !differs.empty() || error != ERROR_SUCCESS) {
        // The failure names the file where the copy has it, else the frame.
        if (copied != CopyResult::Failed) failure = {error, job.dest};
        if (failure.path.rfind(stage.Folder(), 0) == 0) failure.path = TargetOf(failure.path, stage);
        if (!differs.empty()) differs = TargetOf(differs, stage);
        stage.Abandon();
        const bool back = away.PutBack(batch.Pumper());
        if (!changed.empty())
            batch.reporter.Fail("ERR_SOURCE_CHANGED", {changed});
        else if (!differs.empty())
            batch.reporter.Fail("ERR_CARD_VERIFY", {differs});
        else if (copied != CopyResult::Cancelled)
            ReportFailure(batch.reporter, failure.error, failure.path);
        if (!back) batch.reporter.Fail("ERR_PARKED_LEFT", {job.dest, away.Where()});
        return Step::Stop;
    }
    if (batch.flushCopies) {
        for (const FileToCopy& file : files) NoteCardFileWritten(TargetOf(file.to, stage));
    }
    if (batch.spaceKnown) {
        batch.freeBytes = SaturatingAdd(batch.freeBytes, job.freedBytes);
        batch.freeBytes = batch.freeBytes > job.scan.bytesNeeded ? batch.freeBytes - job.scan.bytesNeeded : 0;
    }
    if (batch.mode == TransferMode::Move) {
        // Only now that the frame is committed; its frame file first, so that
        // a stop midway leaves no frame there that looks whole. What cannot
        // be deleted stays in the source folder; the frame has arrived either
        // way.
        DeleteFrameFileFirst(job.scan, batch.sourceFolder);
    }
    away.Discard();
    return Finish(batch, job);
}

// The new frame is committed: the old one goes with the stage, and the
// cache follows.
CFrameTransfer::Step CFrameTransfer::Finish(Batch& batch, FrameJob& job) {
    CFrameStage& stage = batch.stage;
    // An old frame that will not go is reported after this frame, and the
    // transfer ends there.
    const bool oldFrameLeft = !stage.Finish();
    if (oldFrameLeft)
        batch.reporter.Fail("ERR_DELETE_LEFT", {win::WithoutTrailingBackslashes(stage.Folder())});
    // Whatever was cached for the destination path described another file.
    // The frame's record follows it without a read where the cache has it.
    ForgetFrameInfo(job.dest);
    everyFrameRenamed_ = everyFrameRenamed_ && job.renamed;
    if (batch.mode == TransferMode::Move)
        MoveFrameInfo(job.source, job.dest);
    else
        CopyFrameInfo(job.source, job.dest);
    return oldFrameLeft ? Step::DoneThenStop : Step::Done;
}

ULONGLONG CFrameTransfer::FrameBytesNeeded(const std::string& framePath) {
    const std::string folder = win::FolderOf(framePath);
    const FrameScan scan = ScanFrame(folder, framePath.substr(folder.size()));
    return scan.found ? scan.bytesNeeded : 0;
}

ULONGLONG CFrameTransfer::FolderBytesNeeded(const std::string& folder) {
    return ScanFolder(folder).bytesNeeded;
}

bool CFrameTransfer::DriveFreeBytes(const std::string& path, ULONGLONG& freeBytes) const {
    freeBytes = 0;
    return freeSpaceQuery_ && freeSpaceQuery_(DriveRoot(path), freeBytes);
}
