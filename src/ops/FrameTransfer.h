// Carries frames (a .USD file and its companion folder of the same base
// name) from one folder to another, by copying them or by moving them.
// The main window owns one CFrameTransfer; add, copy and move back all go
// through TransferFrames.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

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
    // trailing backslash. Stops at the first failure after saying why; a
    // replace the user cancels only skips that frame. Nonzero unless it
    // stopped on a failure. Refused (0, nothing touched) while a transfer is
    // already running, e.g. when called from a message the walks pumped.
    BOOL TransferFrames(std::string& sourceFolder, std::string& destFolder,
                        const std::vector<std::string>& names, TransferMode mode,
                        std::vector<std::string>& transferred);

    // True while TransferFrames runs: the walks pump messages, and the
    // window must not start a second operation from one of them.
    bool IsBusy() const { return busy_; }

    // Tests set an exact free space; the default asks the drive.
    void SetFreeSpaceQuery(FreeSpaceQuery query) { freeSpaceQuery_ = std::move(query); }

    // 1 when the frame's companion folder exists; else says ERR_COPY_FAILED.
    BOOL CheckCompanionFolder(const std::string& framePath);
    // Bytes a frame (file and companion folder) or a folder needs at the
    // destination: each file its length plus 32768.
    static ULONGLONG FrameBytesNeeded(const std::string& framePath);
    static ULONGLONG FolderBytesNeeded(const std::string& folder);
    // Free bytes of the drive that holds path; false when they are unknown.
    bool DriveFreeBytes(const std::string& path, ULONGLONG& freeBytes) const;

    // The recursive walks over the walk state below: CopyTree copies what
    // walkPattern finds (and, for a frame file, its companion folder) from
    // walkFolder to walkMirror; DeleteTree deletes the same entries under
    // walkMirror. Both pump messages before each entry and give 1 on
    // success, 0 on the first failure.
    BOOL CopyTree();
    BOOL DeleteTree();
    // Deletes a folder and all it holds; the result of removing the folder.
    static BOOL RemoveFolderTree(const std::string& folder);
    // Normal attributes, so that read-only files and folders can be deleted.
    static void ClearAttributes(const std::string& path);
    // Gives back attributes read earlier, leaving out those (such as the
    // directory bit) that cannot be set.
    static void RestoreAttributes(const std::string& path, DWORD attributes);

    // Walk state: the folder being enumerated (ends with a backslash), the
    // search pattern, the folder the walk began at, and the folder under
    // which the path relative to walkBase is rebuilt.
    std::string walkFolder;
    std::string walkPattern;
    std::string walkBase;
    std::string walkMirror;

private:
    // The old frame of a confirmed replace, kept until the new one is
    // complete: renamed aside in the destination folder, or, when the new
    // frame only fits in the old one's space, copied to a folder on another
    // drive (awayFolder) and removed from the destination.
    struct ParkedFrame {
        std::string name;                      // file name with extension
        std::string file, folder;              // original paths
        std::string parkedFile, parkedFolder;  // temporary names
        std::string awayFolder;                // ends with a backslash; empty when parked beside
        DWORD fileAttributes = 0, folderAttributes = 0;
        bool hasFolder = false;
    };

    enum class Step { Done, DoneThenStop, Skipped, Stop };
    Step TransferOne(const std::string& sourceFolder, const std::string& destFolder, const std::string& name,
                     TransferMode mode);
    static std::string FolderHoldingDestination(const std::string& sourceFolder,
                                                const std::string& destFolder);
    bool ParkOldFrame(const std::string& destFolder, const std::string& file, const std::string& folder,
                      ParkedFrame& parked);
    // No room: nothing was touched. Failed: the old frame could not all be
    // removed from the destination and was put back as far as possible.
    enum class ParkAway { Parked, NoRoom, Failed };
    ParkAway ParkOldFrameAway(const std::string& destFolder, ULONGLONG oldBytes, ParkedFrame& parked);
    void RestoreParkedFrame(const ParkedFrame& parked);
    bool DiscardParkedFrame(const ParkedFrame& parked);
    // Copies or deletes the frame name (file and companion folder) of
    // fromFolder into or under toFolder with the walks.
    BOOL WalkCopyFrame(const std::string& fromFolder, const std::string& name, const std::string& toFolder);
    BOOL WalkDeleteFrame(const std::string& folder, const std::string& name);
    bool CopyFrame(const std::string& sourceFolder, const std::string& destFolder, const std::string& source);
    void UndoCopy(const std::string& destFolder, const std::string& source);
    bool CopyEntry(const WIN32_FIND_DATAA& entry, bool wholeFolder);
    bool DeleteEntry(const WIN32_FIND_DATAA& entry, bool wholeFolder);
    bool DescendCopy(const std::string& name, bool mustCreate);
    bool DescendDelete(const std::string& name);
    std::string RelativeFolder() const;

    FreeSpaceQuery freeSpaceQuery_;
    bool busy_ = false;
    // Of the running transfer: whether the destination drive is asked for
    // free space, and the subfolder of the source folder that holds the
    // destination folder (empty when none does).
    bool checkSpace_ = true;
    std::string destInsideSource_;
};

// True when both paths name one existing file or folder (same volume, same
// file index), however they are spelled.
bool IsSameFile(const std::string& a, const std::string& b);
