// Small file-system questions asked all over the program.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace win {

// A FILETIME as one number.
inline ULONGLONG TimeNumber(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// A file or folder is at path.
inline bool PathExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// %LOCALAPPDATA%, without a trailing backslash, made when missing if asked;
// empty when the system has no such folder.
inline std::string LocalAppDataFolder(bool create = false) {
    char local[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | (create ? CSIDL_FLAG_CREATE : 0), nullptr,
                                  SHGFP_TYPE_CURRENT, local)))
        return {};
    std::string folder = local;
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

// A folder (not a file) is at path.
inline bool FolderExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The path fits the 260-byte buffers of the ANSI calls, terminator included.
inline bool FitsPath(const std::string& path) {
    return path.size() < MAX_PATH;
}

// Normal attributes, so that read-only files and folders can be deleted or
// renamed.
inline void ClearAttributes(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Gives back attributes read earlier, leaving out those (such as the
// directory bit) that cannot be set.
inline void RestoreAttributes(const std::string& path, DWORD attributes) {
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    const DWORD settable = attributes & kSettable;
    ::SetFileAttributesA(path.c_str(), settable ? settable : FILE_ATTRIBUTE_NORMAL);
}

}  // namespace win
