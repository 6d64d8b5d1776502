// Small file-system questions asked all over the program.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// A file or folder is at path.
inline bool PathExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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

}  // namespace win
