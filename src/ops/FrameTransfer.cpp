#include "ops/FrameTransfer.h"

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "frames/FrameInfoCache.h"
#include "win/FileSystem.h"
#include "win/FormatText.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace {

constexpr ULONGLONG kFileAllowance = 32768;
// Attributes SetFileAttributesA accepts back when a parked frame returns.
constexpr DWORD kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

ULONGLONG EntrySize(const WIN32_FIND_DATAA& entry) {
    return (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

ULONGLONG SaturatingAdd(ULONGLONG a, ULONGLONG b) {
    return a > ~0ULL - b ? ~0ULL : a + b;
}

bool IsDots(const char* name) {
    return !strcmp(name, ".") || !strcmp(name, "..");
}

// The root of the drive a path is on ("E:\"); a path without a drive letter
// is asked about as it stands.
std::string DriveRoot(const std::string& path) {
    const auto letter = static_cast<unsigned char>(path.empty() ? 0 : path[0]);
    if (path.size() >= 2 && path[1] == ':' && letter < 0x80 && isalpha(letter))
        return path.substr(0, 2) + "\\";
    return path;
}

// Whether two paths lie on one volume (the serial number of the volume
// each is on); unknown counts as the same, so nothing relies on a move
// freeing space that it does not free.
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

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    // No access rights needed; backup semantics let folders open too.
    win::FileHandle file(::CreateFileA(path.c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && ::GetFileInformationByHandle(file.Get(), &info);
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION infoA = {}, infoB = {};
    if (!FileIdentity(a, infoA) || !FileIdentity(b, infoB)) return false;
    return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

CFrameTransfer::CFrameTransfer() : freeSpaceQuery_(QueryDriveFreeBytes) {}

void CFrameTransfer::RestoreAttributes(const std::string& path, DWORD attributes) {
    const DWORD settable = attributes & kSettableAttributes;
    ::SetFileAttributesA(path.c_str(), settable ? settable : FILE_ATTRIBUTE_NORMAL);
}

BOOL CFrameTransfer::TransferFrames(std::string& sourceFolder, std::string& destFolder,
                                    const std::vector<std::string>& names, TransferMode mode,
                                    std::vector<std::string>& transferred) {
    // The walks pump messages; a second transfer from one of them would
    // share the walk state with this one.
    if (busy_) return FALSE;
    busy_ = true;
    struct BusyReset {
        bool& flag;
        ~BusyReset() { flag = false; }
    } busyReset{busy_};

    win::EnsureTrailingBackslash(sourceFolder);
    win::EnsureTrailingBackslash(destFolder);
    // A network path without a drive letter has no drive to ask.
    checkSpace_ = destFolder[0] != '\\';
    destInsideSource_ = FolderHoldingDestination(sourceFolder, destFolder);
    walkFolder = sourceFolder;
    walkBase = sourceFolder;

    for (const std::string& name : names) {
        switch (TransferOne(sourceFolder, destFolder, name, mode)) {
            case Step::Stop:
                return FALSE;
            case Step::Done:
                transferred.push_back(destFolder + name);
                break;
            case Step::DoneThenStop:
                transferred.push_back(destFolder + name);
                return FALSE;
            case Step::Skipped:
                break;
        }
    }
    return TRUE;
}

CFrameTransfer::Step CFrameTransfer::TransferOne(const std::string& sourceFolder,
                                                 const std::string& destFolder, const std::string& name,
                                                 TransferMode mode) {
    const std::string source = sourceFolder + name;
    const std::string dest = destFolder + name;
    const std::string destCompanion = win::WithoutLastDot(dest);
    // No name would make the folders themselves the frame.
    if (name.empty() || !win::FitsPath(source) || !win::FitsPath(dest)) {
        ShowErrorBox("ERR_COPY_FAILED");
        return Step::Stop;
    }
    if (!CheckCompanionFolder(source)) return Step::Stop;
    // A frame cannot go into its own companion folder: the copy would walk
    // into itself, and a move would then delete what it copied.
    if (!destInsideSource_.empty() && IsSameFile(win::WithoutLastDot(source), destInsideSource_)) {
        ShowErrorBox("ERR_COPY_FAILED");
        return Step::Stop;
    }
    walkPattern = source;
    walkMirror = destFolder;

    const bool replacing = win::PathExists(dest);
    // The same folder spelled another way: "replacing" it would delete the
    // only copy.
    if (replacing && IsSameFile(source, dest)) {
        ShowErrorBox("ERR_COPY_FAILED");
        return Step::Stop;
    }
    if (!replacing && win::PathExists(destCompanion)) {
        ShowErrorBox("ERR_MOVE");
        return Step::Stop;
    }

    ULONGLONG freedBytes = 0;
    if (replacing) {
        const FrameInfo* old = GetFrameInfo(dest);
        const std::string text = win::FormatMessageText(GetLangString("ERR_CONFIRM_REPLACE"),
                                                        {old ? old->title : "", old ? old->fileName : name});
        if (AppMessageBox(text, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK) return Step::Skipped;
        freedBytes = FrameBytesNeeded(dest);
    }
    // Checked before the old frame is touched, so a refusal loses nothing.
    // The old frame's bytes count as free: when the new frame needs them,
    // the old one waits on another drive instead of beside the new one.
    bool needsOldSpace = false;
    if (checkSpace_) {
        ULONGLONG freeBytes = 0;
        const ULONGLONG needed = FrameBytesNeeded(source);
        if (!DriveFreeBytes(destFolder, freeBytes) || needed > SaturatingAdd(freeBytes, freedBytes)) {
            ShowErrorBox("ERR_DISK_SIZE");
            return Step::Stop;
        }
        needsOldSpace = replacing && needed > freeBytes;
    }

    // The old frame is kept until the new one is complete, and comes back
    // if the copy fails.
    ParkedFrame parked;
    parked.name = name;
    if (replacing && needsOldSpace) {
        const ParkAway result = ParkOldFrameAway(destFolder, freedBytes, parked);
        if (result != ParkAway::Parked) {
            ShowErrorBox(result == ParkAway::NoRoom ? "ERR_DISK_SIZE" : "ERR_COPY_FAILED");
            return Step::Stop;
        }
    }
    if (replacing && !needsOldSpace && !ParkOldFrame(destFolder, dest, destCompanion, parked)) {
        ShowErrorBox("ERR_COPY_FAILED");
        return Step::Stop;
    }
    if (!CopyFrame(sourceFolder, destFolder, source)) {
        UndoCopy(destFolder, source);
        if (replacing) RestoreParkedFrame(parked);
        ShowErrorBox("ERR_COPY_FAILED");
        return Step::Stop;
    }
    // The new frame is complete; an old one that will not go is reported
    // after this frame, and the transfer ends there.
    const bool oldFrameLeft = replacing && !DiscardParkedFrame(parked);
    if (oldFrameLeft) ShowErrorBox("ERR_COPY_FAILED");
    // Whatever was cached for the destination path described another file.
    ForgetFrameInfo(dest);

    if (mode == TransferMode::Move) {
        // What cannot be deleted stays in the source folder; the frame has
        // arrived either way.
        walkFolder = sourceFolder;
        walkBase = sourceFolder;
        walkPattern = source;
        walkMirror = sourceFolder;
        DeleteTree();
        MoveFrameInfo(source, dest);
    } else {
        GetFrameInfo(dest);
    }
    return oldFrameLeft ? Step::DoneThenStop : Step::Done;
}

std::string CFrameTransfer::FolderHoldingDestination(const std::string& sourceFolder,
                                                     const std::string& destFolder) {
    std::string folder = win::WithoutTrailingBackslashes(destFolder);
    for (;;) {
        const std::string parent = win::FolderOf(folder);
        if (parent.empty() || parent.size() >= folder.size()) return {};
        if (IsSameFile(parent, sourceFolder)) return folder;
        folder = win::WithoutTrailingBackslashes(parent);
    }
}

BOOL CFrameTransfer::CheckCompanionFolder(const std::string& framePath) {
    if (win::PathExists(win::WithoutLastDot(framePath))) return TRUE;
    ShowErrorBox("ERR_COPY_FAILED");
    return FALSE;
}

ULONGLONG CFrameTransfer::FrameBytesNeeded(const std::string& framePath) {
    if (framePath.empty()) return 0;
    WIN32_FIND_DATAA entry;
    win::FindHandle find(::FindFirstFileA(framePath.c_str(), &entry));
    if (!find) return 0;
    return SaturatingAdd(EntrySize(entry) + kFileAllowance,
                         FolderBytesNeeded(win::WithoutLastDot(framePath)));
}

ULONGLONG CFrameTransfer::FolderBytesNeeded(const std::string& folder) {
    const std::string base = win::WithoutTrailingBackslashes(folder) + "\\";
    if (!win::FitsPath(base + "*.*")) return 0;
    WIN32_FIND_DATAA entry;
    win::FindHandle find(::FindFirstFileA((base + "*.*").c_str(), &entry));
    if (!find) return 0;
    ULONGLONG total = 0;
    do {
        if (IsDots(entry.cFileName)) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            total = SaturatingAdd(total, FolderBytesNeeded(base + entry.cFileName));
        else
            total = SaturatingAdd(total, SaturatingAdd(EntrySize(entry), kFileAllowance));
    } while (::FindNextFileA(find.Get(), &entry));
    return total;
}

bool CFrameTransfer::DriveFreeBytes(const std::string& path, ULONGLONG& freeBytes) const {
    freeBytes = 0;
    return freeSpaceQuery_ && freeSpaceQuery_(DriveRoot(path), freeBytes);
}

bool CFrameTransfer::ParkOldFrame(const std::string& destFolder, const std::string& file,
                                  const std::string& folder, ParkedFrame& parked) {
    parked.file = file;
    parked.folder = folder;
    parked.hasFolder = win::PathExists(folder);
    // Names no folder scan for "*.USD" picks up, and free right now.
    for (unsigned n = 1; n < 1000 && parked.parkedFile.empty(); ++n) {
        const std::string base = destFolder + "~qtold" + std::to_string(n);
        if (!win::FitsPath(base + ".tmp")) return false;
        if (!win::PathExists(base) && !win::PathExists(base + ".tmp")) {
            parked.parkedFile = base + ".tmp";
            parked.parkedFolder = base;
        }
    }
    if (parked.parkedFile.empty()) return false;

    parked.fileAttributes = ::GetFileAttributesA(file.c_str());
    ClearAttributes(file);
    if (!::MoveFileA(file.c_str(), parked.parkedFile.c_str())) {
        RestoreAttributes(file, parked.fileAttributes);
        return false;
    }
    if (parked.hasFolder) {
        parked.folderAttributes = ::GetFileAttributesA(folder.c_str());
        ClearAttributes(folder);
        if (!::MoveFileA(folder.c_str(), parked.parkedFolder.c_str())) {
            RestoreAttributes(folder, parked.folderAttributes);
            parked.hasFolder = false;
            RestoreParkedFrame(parked);
            return false;
        }
    }
    return true;
}

CFrameTransfer::ParkAway CFrameTransfer::ParkOldFrameAway(const std::string& destFolder, ULONGLONG oldBytes,
                                                          ParkedFrame& parked) {
    // A folder of its own in the temporary folder, which must be on another
    // drive: moving the old frame within one drive frees nothing.
    char temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH || IsSameVolume(temp, destFolder)) return ParkAway::NoRoom;
    ULONGLONG tempFree = 0;
    if (!DriveFreeBytes(temp, tempFree) || tempFree < oldBytes) return ParkAway::NoRoom;
    for (unsigned n = 1; n < 1000 && parked.awayFolder.empty(); ++n) {
        const std::string candidate = std::string(temp) + "qtpark" + std::to_string(n);
        if (!win::FitsPath(candidate + "\\" + parked.name)) return ParkAway::NoRoom;
        if (::CreateDirectoryA(candidate.c_str(), nullptr)) parked.awayFolder = candidate + "\\";
    }
    if (parked.awayFolder.empty()) return ParkAway::NoRoom;

    parked.file = destFolder + parked.name;
    parked.folder = win::WithoutLastDot(parked.file);
    parked.hasFolder = win::PathExists(parked.folder);
    parked.fileAttributes = ::GetFileAttributesA(parked.file.c_str());
    parked.folderAttributes = parked.hasFolder ? ::GetFileAttributesA(parked.folder.c_str()) : 0;
    if (!WalkCopyFrame(destFolder, parked.name, parked.awayFolder)) {
        RemoveFolderTree(win::WithoutTrailingBackslashes(parked.awayFolder));
        return ParkAway::NoRoom;
    }
    if (!WalkDeleteFrame(destFolder, parked.name)) {
        // Part of the old frame is still in place: put back what went.
        RestoreParkedFrame(parked);
        return ParkAway::Failed;
    }
    return ParkAway::Parked;
}

BOOL CFrameTransfer::WalkCopyFrame(const std::string& fromFolder, const std::string& name,
                                   const std::string& toFolder) {
    walkFolder = fromFolder;
    walkBase = fromFolder;
    walkPattern = fromFolder + name;
    walkMirror = toFolder;
    return CopyTree();
}

BOOL CFrameTransfer::WalkDeleteFrame(const std::string& folder, const std::string& name) {
    walkFolder = folder;
    walkBase = folder;
    walkPattern = folder + name;
    walkMirror = folder;
    return DeleteTree();
}

void CFrameTransfer::RestoreParkedFrame(const ParkedFrame& parked) {
    if (!parked.awayFolder.empty()) {
        // Back from the other drive; the parked copy goes only once the old
        // frame is whole again, so it is never lost.
        const std::string destFolder = win::FolderOf(parked.file);
        WalkDeleteFrame(destFolder, parked.name);
        if (WalkCopyFrame(parked.awayFolder, parked.name, destFolder)) {
            RestoreAttributes(parked.file, parked.fileAttributes);
            if (parked.hasFolder) RestoreAttributes(parked.folder, parked.folderAttributes);
            RemoveFolderTree(win::WithoutTrailingBackslashes(parked.awayFolder));
        }
        return;
    }
    if (::MoveFileA(parked.parkedFile.c_str(), parked.file.c_str()))
        RestoreAttributes(parked.file, parked.fileAttributes);
    if (parked.hasFolder && ::MoveFileA(parked.parkedFolder.c_str(), parked.folder.c_str()))
        RestoreAttributes(parked.folder, parked.folderAttributes);
}

bool CFrameTransfer::DiscardParkedFrame(const ParkedFrame& parked) {
    if (!parked.awayFolder.empty())
        return RemoveFolderTree(win::WithoutTrailingBackslashes(parked.awayFolder));
    ClearAttributes(parked.parkedFile);
    bool gone = ::DeleteFileA(parked.parkedFile.c_str()) != FALSE;
    if (parked.hasFolder) gone = RemoveFolderTree(parked.parkedFolder) && gone;
    return gone;
}

bool CFrameTransfer::CopyFrame(const std::string& sourceFolder, const std::string& destFolder,
                               const std::string& source) {
    walkFolder = sourceFolder;
    walkBase = sourceFolder;
    walkPattern = source;
    walkMirror = destFolder;
    return CopyTree() != FALSE;
}

void CFrameTransfer::UndoCopy(const std::string& destFolder, const std::string& source) {
    // Enumerate and delete at the destination, so exactly what the copy
    // made goes: the frame file and its companion folder.
    walkFolder = destFolder;
    walkBase = destFolder;
    walkPattern = source;
    walkMirror = destFolder;
    DeleteTree();
}
