#include "ops/FrameScan.h"

#include <cstring>
#include <optional>

#include "app/LangStrings.h"
#include "ops/CardWrites.h"
#include "ops/DiskSteps.h"
#include "ops/FileCopy.h"
#include "win/FileSystem.h"
#include "win/Handles.h"
#include "win/Links.h"
#include "win/Names.h"
#include "win/Strings.h"

namespace {

std::string g_faultFolder;
int g_faultEntries = 0;

// Whether the seam of the tests ends this listing here.
bool FaultHere(const std::string& folder, int listed) {
    return !g_faultFolder.empty() && listed >= g_faultEntries && folder.size() >= g_faultFolder.size() &&
           win::EqualsNoCase(folder.substr(folder.size() - g_faultFolder.size()), g_faultFolder);
}

void NoteUnlisted(FrameScan& scan, const std::string& folder) {
    scan.complete = false;
    if (scan.unlisted.empty()) scan.unlisted = folder;
}

void NoteTooLong(FrameScan& scan, const std::string& path) {
    scan.complete = false;
    if (scan.tooLong.empty()) scan.tooLong = path;
}

bool IsDots(const std::wstring& name) {
    return name == L"." || name == L"..";
}

void AddFile(FrameScan& scan, std::string relative, ULONGLONG size) {
    scan.bytes = SaturatingAdd(scan.bytes, size);
    scan.bytesNeeded = SaturatingAdd(scan.bytesNeeded, SaturatingAdd(size, kFileAllowance));
    scan.entries.push_back({std::move(relative), false, false, size});
}

void AddLink(FrameScan& scan, const std::string& root, std::string relative, bool folder) {
    if (scan.firstLink.empty()) scan.firstLink = root + relative;
    scan.entries.push_back({std::move(relative), folder, true, 0});
}

void ScanInto(const std::string& root, const std::string& relative, const win::LinkCheck& links,
              FrameScan& scan);

// One entry of a folder being listed (prefix: the folder relative to root,
// with its backslash; links: that folder's); a real folder is listed in turn.
// A name the ANSI calls cannot reach is noted, never listed: it would be
// reached as a look-alike, or as a device.
void AddListed(const std::string& root, const std::string& prefix, const win::LinkCheck& links,
               const std::wstring& wideName, DWORD attributes, ULONGLONG size, FrameScan& scan) {
    if (IsDots(wideName)) return;
    std::string name;
    const win::NameProblem problem = win::AnsiName(wideName, name);
    if (problem != win::NameProblem::kNone) {
        if (scan.firstUnusable.empty()) {
            scan.firstUnusable = root + prefix + name;
            scan.unusableProblem = problem;
        }
        return;
    }
    std::string child = prefix + name;
    if (!win::FitsPath(root + child)) {
        NoteTooLong(scan, root + child);
        return;
    }
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (links.IsLink(name, attributes)) {
        AddLink(scan, root, std::move(child), folder);
    } else if (folder) {
        scan.entries.push_back({child, true, false, 0});
        ScanInto(root, child, links.Child(name), scan);
    } else {
        AddFile(scan, std::move(child), size);
    }
}

// Lists root + relative (a folder) into scan, descending into real folders
// only.
void ScanInto(const std::string& root, const std::string& relative, const win::LinkCheck& links,
              FrameScan& scan) {
    const std::string prefix = relative.empty() ? std::string() : relative + "\\";
    const std::string folder = root + relative;
    const std::string pattern = root + prefix + "*.*";
    if (!win::FitsPath(pattern)) {
        NoteTooLong(scan, pattern);
        return;
    }
    WIN32_FIND_DATAW entry;
    win::FindHandle find(::FindFirstFileW(win::ToWide(pattern).c_str(), &entry));
    if (!find) {
        // Nothing found in a folder that is there: an empty folder of a file
        // system that lists no "." and "..".
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) NoteUnlisted(scan, folder);
        return;
    }
    int listed = 0;
    bool more = true;
    do {
        AddListed(root, prefix, links, entry.cFileName, entry.dwFileAttributes,
                  (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow, scan);
        if (FaultHere(folder, ++listed)) {
            ::SetLastError(ERROR_IO_DEVICE);
            more = false;
        } else {
            more = ::FindNextFileW(find.Get(), &entry) != FALSE;
        }
    } while (more);
    // A listing that ends early is no whole folder.
    if (::GetLastError() != ERROR_NO_MORE_FILES) NoteUnlisted(scan, folder);
}

// ScanInto through a handle the folder root + relative is open with.
void ScanOpenFolder(HANDLE folder, const std::string& root, const std::string& relative,
                    const win::LinkCheck& links, FrameScan& scan) {
    const std::string prefix = relative + "\\";
    std::vector<LONGLONG> buffer(8192);  // 64 KB, aligned as the entries need
    const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
    FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;
    int listed = 0;
    bool faulted = false;
    while (!faulted && ::GetFileInformationByHandleEx(folder, kind, buffer.data(), bytes)) {
        kind = FileFullDirectoryInfo;
        for (auto* at = reinterpret_cast<const BYTE*>(buffer.data());;) {
            const auto& entry = *reinterpret_cast<const FILE_FULL_DIR_INFO*>(at);
            const std::wstring name(entry.FileName, entry.FileNameLength / sizeof(WCHAR));
            AddListed(root, prefix, links, name, entry.FileAttributes, entry.EndOfFile.QuadPart, scan);
            if (FaultHere(root + relative, ++listed)) {
                ::SetLastError(ERROR_IO_DEVICE);
                faulted = true;
                break;
            }
            if (!entry.NextEntryOffset) break;
            at += entry.NextEntryOffset;
        }
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_NO_MORE_FILES && error != ERROR_FILE_NOT_FOUND) NoteUnlisted(scan, root + relative);
}

// ScanFrame; for a rename, the companion folder is listed through a handle
// left in companionKept.
FrameScan ScanFrameKeeping(const std::string& folder, const std::string& name, win::FileHandle* companionKept,
                           const win::LinkCheck* folderLinks) {
    FrameScan scan;
    const std::string path = folder + name;
    // A device name or a look-alike is no frame to act on.
    if (name.empty() || !win::FitsPath(path) || !win::IsReachablePath(path)) return scan;
    // Asked by name: a search would open the folder, a round trip to the
    // Wine server where this needs none.
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &file) ||
        (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return scan;
    scan.found = true;
    const std::optional<win::LinkCheck> ownLinks =
        folderLinks ? std::nullopt : std::optional<win::LinkCheck>(win::LinkCheck(folder));
    const win::LinkCheck& links = folderLinks ? *folderLinks : *ownLinks;
    if (links.IsLink(name, file.dwFileAttributes))
        AddLink(scan, folder, name, false);
    else
        AddFile(scan, name, (static_cast<ULONGLONG>(file.nFileSizeHigh) << 32) | file.nFileSizeLow);

    const std::string companion = win::WithoutLastDot(name);
    const DWORD attributes = ::GetFileAttributesA((folder + companion).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return scan;
    if (links.IsLink(companion, attributes)) {
        AddLink(scan, folder, companion, true);
        return scan;
    }
    scan.entries.push_back({companion, true, false, 0});
    if (companionKept) {
        // Opened as itself should it have become a link since.
        companionKept->Reset(
            ::CreateFileA((folder + companion).c_str(), DELETE | FILE_LIST_DIRECTORY | SYNCHRONIZE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (*companionKept) {
            ScanOpenFolder(companionKept->Get(), folder, companion, links.Child(companion), scan);
            return scan;
        }
    }
    ScanInto(folder, companion, links.Child(companion), scan);
    return scan;
}

}  // namespace

void SetListingFaultForTests(const std::string& folderName, int entries) {
    g_faultFolder = folderName;
    g_faultEntries = entries;
}

bool ReportRefusal(const FrameScan& scan, IOperationReporter& reporter) {
    if (!scan.firstLink.empty()) {
        reporter.Fail("ERR_FRAME_LINK", {scan.firstLink});
        return true;
    }
    if (!scan.firstUnusable.empty()) {
        reporter.Fail("ERR_NAME_UNUSABLE", {scan.firstUnusable, NameProblemText(scan.unusableProblem)});
        return true;
    }
    if (!scan.unlisted.empty()) {
        reporter.Fail("ERR_LISTING_FAILED", {scan.unlisted});
        return true;
    }
    if (!scan.tooLong.empty()) {
        reporter.Fail("ERR_PATH_TOO_LONG", {scan.tooLong});
        return true;
    }
    return false;
}

FrameScan ScanFrame(const std::string& folder, const std::string& name, const win::LinkCheck* folderLinks) {
    return ScanFrameKeeping(folder, name, nullptr, folderLinks);
}

FrameScan ScanFrameForRename(const std::string& folder, const std::string& name, win::FileHandle& companion,
                             const win::LinkCheck* folderLinks) {
    companion.Reset();
    return ScanFrameKeeping(folder, name, &companion, folderLinks);
}

FrameScan ScanFolder(const std::string& folder) {
    FrameScan scan;
    scan.found = win::FolderExists(folder);
    if (scan.found) {
        const std::string root = win::WithoutTrailingBackslashes(folder) + "\\";
        ScanInto(root, std::string(), win::LinkCheck(root), scan);
    }
    return scan;
}

CopyResult CopyScanned(const FrameScan& scan, const std::string& fromFolder, const std::string& toFolder,
                       const CopyTicker& tick) {
    return CopyScanned(scan, fromFolder, toFolder, tick, IsOnRemovableDrive(toFolder));
}

CopyResult CopyScanned(const FrameScan& scan, const std::string& fromFolder, const std::string& toFolder,
                       const CopyTicker& tick, bool flush, win::HelperThread* helper,
                       std::vector<FileToCopy>* copied) {
    // The folders first, each before what it holds; then the files.
    std::vector<FileToCopy> own;
    std::vector<FileToCopy>& files = copied ? *copied : own;
    files.clear();
    for (const ScanEntry& entry : scan.entries) {
        const std::string to = toFolder + entry.relative;
        if (entry.link || !win::FitsPath(to)) return CopyResult::Failed;
        if (entry.folder) {
            if (!::CreateDirectoryA(to.c_str(), nullptr)) return CopyResult::Failed;
            continue;
        }
        files.push_back({fromFolder + entry.relative, to, {}, {}});
    }
    return CopyFilesInPieces(files, tick, flush, helper);
}

bool DeleteScanned(const FrameScan& scan, const std::string& folder, std::string* notDeleted) {
    bool all = true;
    auto keep = [&](const std::string& path) {
        if (all && notDeleted) *notDeleted = path;
        all = false;
    };
    for (auto entry = scan.entries.rbegin(); entry != scan.entries.rend(); ++entry) {
        const std::string path = folder + entry->relative;
        // A link is never named: under Wine a delete of a link deletes what
        // it points to (a file, or an empty folder) and leaves the link.
        if (entry->link || !win::FitsPath(path)) {
            keep(path);
            continue;
        }
        win::ClearAttributes(path);
        const bool gone = entry->folder ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str());
        if (!gone && win::PathExists(path)) keep(path);
    }
    return all;
}

bool DeleteFrameFileFirst(const FrameScan& scan, const std::string& folder, std::string* notDeleted) {
    if (scan.entries.empty()) return true;
    const ScanEntry& frame = scan.entries.front();
    const std::string file = folder + frame.relative;
    if (!frame.folder && !frame.link) {
        DiskStep("delete", file);
        win::ClearAttributes(file);
        if (!::DeleteFileA(file.c_str()) && win::PathExists(file)) {
            if (notDeleted) *notDeleted = file;
            return false;
        }
    }
    DiskStep("delete", folder + (scan.entries.size() > 1 ? scan.entries[1].relative : frame.relative));
    return DeleteScanned(scan, folder, notDeleted);
}

bool RemoveFolderTree(const std::string& folder) {
    const std::string base = win::WithoutTrailingBackslashes(folder);
    DeleteScanned(ScanFolder(base), base + "\\");
    win::ClearAttributes(base);
    return ::RemoveDirectoryA(base.c_str()) != FALSE;
}
