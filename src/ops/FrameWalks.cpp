// The recursive copy and delete walks of CFrameTransfer and the helpers
// they share.
#include "ops/FrameTransfer.h"

#include "win/FileSystem.h"
#include "win/Handles.h"
#include "win/Strings.h"
#include "win/WaitCursor.h"

namespace {

bool IsDots(const char* name) {
    return !strcmp(name, ".") || !strcmp(name, "..");
}

bool IsFrameFileName(const std::string& name) {
    const size_t dot = win::FindLastChar(name, '.');
    return dot != std::string::npos && win::EqualsNoCase(name.substr(dot), ".usd");
}

// Long copies keep the window painting; anything that must not run
// meanwhile checks CFrameTransfer::IsBusy.
void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the loop that owns the thread.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

}  // namespace

void CFrameTransfer::ClearAttributes(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

std::string CFrameTransfer::RelativeFolder() const {
    return walkFolder.size() >= walkBase.size() ? walkFolder.substr(walkBase.size()) : std::string();
}

// A walk whose pattern is a whole folder meets a frame's companion folder as
// an entry of its own; only a walk started on a single frame file must look
// for it beside the file.
BOOL CFrameTransfer::CopyTree() {
    const std::string savedFolder = walkFolder;
    const bool wholeFolder = walkPattern == walkFolder + "*.*";
    WIN32_FIND_DATAA entry;
    win::FindHandle find(::FindFirstFileA(walkPattern.c_str(), &entry));
    if (!find) return TRUE;
    do {
        PumpMessages();
        win::NestedWaitCursor wait;
        if (IsDots(entry.cFileName)) continue;
        const bool copied = CopyEntry(entry, wholeFolder);
        walkFolder = savedFolder;
        if (!copied) return FALSE;
    } while (::FindNextFileA(find.Get(), &entry));
    return TRUE;
}

bool CFrameTransfer::CopyEntry(const WIN32_FIND_DATAA& entry, bool wholeFolder) {
    const std::string name = entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return DescendCopy(name, true);

    const std::string from = walkFolder + name;
    const std::string to = walkMirror + RelativeFolder() + name;
    if (!win::FitsPath(from) || !win::FitsPath(to)) return false;
    if (!::CopyFileA(from.c_str(), to.c_str(), TRUE)) return false;
    const std::string companion = win::WithoutLastDot(name);
    if (!wholeFolder && IsFrameFileName(name) && win::FolderExists(walkFolder + companion))
        return DescendCopy(companion, false);
    return true;
}

bool CFrameTransfer::DescendCopy(const std::string& name, bool mustCreate) {
    walkFolder += name + "\\";
    walkPattern = walkFolder + "*.*";
    const std::string mirror = walkMirror + RelativeFolder();
    if (!win::FitsPath(walkPattern) || !win::FitsPath(mirror)) return false;
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, TRUE};
    if (!::CreateDirectoryA(mirror.c_str(), &security) && mustCreate) return false;
    return CopyTree() != FALSE;
}

// Deletes as much as it can: one stubborn file does not keep the rest of
// a half-made copy (or of a moved source) on disk.
BOOL CFrameTransfer::DeleteTree() {
    const std::string savedFolder = walkFolder;
    const bool wholeFolder = walkPattern == walkFolder + "*.*";
    WIN32_FIND_DATAA entry;
    win::FindHandle find(::FindFirstFileA(walkPattern.c_str(), &entry));
    if (!find) return TRUE;
    bool ok = true;
    do {
        PumpMessages();
        if (IsDots(entry.cFileName)) continue;
        if (!DeleteEntry(entry, wholeFolder)) ok = false;
        walkFolder = savedFolder;
    } while (::FindNextFileA(find.Get(), &entry));
    return ok;
}

bool CFrameTransfer::DeleteEntry(const WIN32_FIND_DATAA& entry, bool wholeFolder) {
    const std::string name = entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return DescendDelete(name);

    const std::string target = walkMirror + RelativeFolder() + name;
    if (!win::FitsPath(target)) return false;
    ClearAttributes(target);
    // A frame file that stays keeps its companion folder with it.
    if (!::DeleteFileA(target.c_str())) return false;
    const std::string companion = win::WithoutLastDot(name);
    if (!wholeFolder && IsFrameFileName(name) && win::FolderExists(walkFolder + companion))
        return DescendDelete(companion);
    return true;
}

bool CFrameTransfer::DescendDelete(const std::string& name) {
    walkFolder += name + "\\";
    walkPattern = walkFolder + "*.*";
    const std::string mirror = walkMirror + RelativeFolder();
    if (!win::FitsPath(walkPattern) || !win::FitsPath(mirror)) return false;
    const bool inner = DeleteTree() != FALSE;
    const std::string folder = win::WithoutTrailingBackslashes(mirror);
    ClearAttributes(folder);
    return ::RemoveDirectoryA(folder.c_str()) && inner;
}

BOOL CFrameTransfer::RemoveFolderTree(const std::string& folder) {
    const std::string base = win::WithoutTrailingBackslashes(folder);
    if (!win::FitsPath(base + "\\*.*")) return FALSE;
    WIN32_FIND_DATAA entry;
    win::FindHandle find(::FindFirstFileA((base + "\\*.*").c_str(), &entry));
    if (!find) return FALSE;
    do {
        if (IsDots(entry.cFileName)) continue;
        const std::string child = base + "\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveFolderTree(child);
        } else {
            ClearAttributes(child);
            ::DeleteFileA(child.c_str());
        }
    } while (::FindNextFileA(find.Get(), &entry));
    find.Reset();
    ClearAttributes(base);
    return ::RemoveDirectoryA(base.c_str());
}
