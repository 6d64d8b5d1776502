#include "ops/CardWrites.h"

#include <ctype.h>

#include <algorithm>
#include <mutex>

#include "win/Links.h"
#include "win/Strings.h"

namespace {

// Process-wide, like the frame-info cache: the copies that write to a card
// run deep inside the transfer, and the window that stops the card asks here.
// Noted from whichever thread finished a copy, read by the window's.
std::mutex& WrittenFilesLock() {
    static std::mutex lock;
    return lock;
}
std::vector<std::string>& WrittenFiles() {
    static std::vector<std::string> files;
    return files;
}

bool IsOnDrive(const std::string& path, const std::string& root) {
    return !root.empty() && win::EqualsNoCase(DriveRootOf(path), root);
}

}  // namespace

std::string DriveRootOf(const std::string& path) {
    const auto letter = static_cast<unsigned char>(path.empty() ? 0 : path[0]);
    if (path.size() >= 2 && path[1] == ':' && letter < 0x80 && isalpha(letter))
        return path.substr(0, 2) + "\\";
    return {};
}

bool IsOnRemovableDrive(const std::string& path) {
    const std::string root = DriveRootOf(path);
    return !root.empty() && ::GetDriveTypeA(root.c_str()) == DRIVE_REMOVABLE;
}

bool DriveReadyFreeBytes(const std::string& root, ULONGLONG& freeBytes) {
    ULARGE_INTEGER available = {}, total = {}, totalFree = {};
    // A missing card must not bring up the system's "insert a disk" box.
    const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    const bool ok = !root.empty() && ::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &totalFree);
    ::SetErrorMode(previousMode);
    freeBytes = available.QuadPart;
    return ok;
}

bool IsCardGone(const std::string& path) {
    const std::string root = DriveRootOf(path);
    if (root.empty()) return false;
    const UINT type = ::GetDriveTypeA(root.c_str());
    ULONGLONG freeBytes = 0;
    return (type == DRIVE_REMOVABLE || type == DRIVE_NO_ROOT_DIR) && !DriveReadyFreeBytes(root, freeBytes);
}

void NoteCardFileWritten(const std::string& path) {
    std::lock_guard<std::mutex> held(WrittenFilesLock());
    std::vector<std::string>& files = WrittenFiles();
    const bool known = std::any_of(files.begin(), files.end(),
                                   [&](const std::string& file) { return win::EqualsNoCase(file, path); });
    if (!known) files.push_back(path);
}

std::vector<std::string> CardFilesWritten(const std::string& root) {
    std::lock_guard<std::mutex> held(WrittenFilesLock());
    std::vector<std::string> onDrive;
    for (const std::string& file : WrittenFiles())
        if (IsOnDrive(file, root)) onDrive.push_back(file);
    return onDrive;
}

void ForgetCardFiles(const std::string& root) {
    std::lock_guard<std::mutex> held(WrittenFilesLock());
    std::vector<std::string>& files = WrittenFiles();
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const std::string& file) { return IsOnDrive(file, root); }),
                files.end());
}

bool FlushAndClose(HANDLE file) {
    const bool flushed = ::FlushFileBuffers(file) != FALSE;
    const bool closed = ::CloseHandle(file) != FALSE;
    return flushed && closed;
}

bool FlushWrittenFile(const std::string& path) {
    // A name that has become a link since would be opened for writing what
    // it points to; nothing of ours is there to flush.
    if (win::IsLink(path)) return true;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        // A read-only copy got its attribute after it was flushed and closed.
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    }
    return FlushAndClose(file);
}
