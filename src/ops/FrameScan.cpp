#include "ops/FrameScan.h"

#include <cstring>

#include "ops/CardWrites.h"
#include "ops/FileCopy.h"
#include "win/FileSystem.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace {

ULONGLONG SaturatingAdd(ULONGLONG a, ULONGLONG b) {
    return a > ~0ULL - b ? ~0ULL : a + b;
}

bool IsDots(const char* name) {
    return !strcmp(name, ".") || !strcmp(name, "..");
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

// Lists root + relative (a folder) into scan, descending into real folders
// only.
void ScanInto(const std::string& root, const std::string& relative, FrameScan& scan) {
    const std::string prefix = relative.empty() ? std::string() : relative + "\\";
    const std::string pattern = root + prefix + "*.*";
    if (!win::FitsPath(pattern)) {
        scan.complete = false;
        return;
    }
    WIN32_FIND_DATAA entry;
    win::FindHandle find(::FindFirstFileA(pattern.c_str(), &entry));
    if (!find) {
        scan.complete = false;
        return;
    }
    do {
        if (IsDots(entry.cFileName)) continue;
        std::string child = prefix + entry.cFileName;
        if (!win::FitsPath(root + child)) {
            scan.complete = false;
            continue;
        }
        const bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (IsLinkAttributes(entry.dwFileAttributes)) {
            AddLink(scan, root, std::move(child), folder);
        } else if (folder) {
            scan.entries.push_back({child, true, false, 0});
            ScanInto(root, child, scan);
        } else {
            AddFile(scan, std::move(child),
                    (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
        }
    } while (::FindNextFileA(find.Get(), &entry));
}

}  // namespace

FrameScan ScanFrame(const std::string& folder, const std::string& name) {
    FrameScan scan;
    const std::string path = folder + name;
    if (name.empty() || !win::FitsPath(path)) return scan;
    // Asked by name: a search would open the folder, a round trip to the
    // Wine server where this needs none.
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &file) ||
        (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return scan;
    scan.found = true;
    if (IsLinkAttributes(file.dwFileAttributes))
        AddLink(scan, folder, name, false);
    else
        AddFile(scan, name, (static_cast<ULONGLONG>(file.nFileSizeHigh) << 32) | file.nFileSizeLow);

    const std::string companion = win::WithoutLastDot(name);
    const DWORD attributes = ::GetFileAttributesA((folder + companion).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return scan;
    if (IsLinkAttributes(attributes)) {
        AddLink(scan, folder, companion, true);
        return scan;
    }
    scan.entries.push_back({companion, true, false, 0});
    ScanInto(folder, companion, scan);
    return scan;
}

FrameScan ScanFolder(const std::string& folder) {
    FrameScan scan;
    scan.found = win::FolderExists(folder);
    if (scan.found) ScanInto(win::WithoutTrailingBackslashes(folder) + "\\", std::string(), scan);
    return scan;
}

CopyResult CopyScanned(const FrameScan& scan, const std::string& fromFolder, const std::string& toFolder,
                       const CopyTicker& tick) {
    return CopyScanned(scan, fromFolder, toFolder, tick, IsOnRemovableDrive(toFolder));
}

CopyResult CopyScanned(const FrameScan& scan, const std::string& fromFolder, const std::string& toFolder,
                       const CopyTicker& tick, bool flush) {
    for (const ScanEntry& entry : scan.entries) {
        const std::string to = toFolder + entry.relative;
        if (entry.link || !win::FitsPath(to)) return CopyResult::Failed;
        if (entry.folder) {
            if (!::CreateDirectoryA(to.c_str(), nullptr)) return CopyResult::Failed;
            continue;
        }
        const CopyResult result = CopyFileInPieces(fromFolder + entry.relative, to, tick, flush);
        if (result != CopyResult::Done) return result;
    }
    return CopyResult::Done;
}

bool DeleteScanned(const FrameScan& scan, const std::string& folder) {
    bool all = true;
    for (auto entry = scan.entries.rbegin(); entry != scan.entries.rend(); ++entry) {
        const std::string path = folder + entry->relative;
        if (!win::FitsPath(path)) {
            all = false;
            continue;
        }
        // Attributes set on a link may land on what it points to.
        if (!entry->link) win::ClearAttributes(path);
        // RemoveDirectoryA takes a folder link away without entering it.
        const bool gone = entry->folder ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str());
        if (!gone && win::PathExists(path)) all = false;
    }
    return all;
}

bool RemoveFolderTree(const std::string& folder) {
    const std::string base = win::WithoutTrailingBackslashes(folder);
    DeleteScanned(ScanFolder(base), base + "\\");
    win::ClearAttributes(base);
    return ::RemoveDirectoryA(base.c_str()) != FALSE;
}
