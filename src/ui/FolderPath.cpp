#include "ui/FolderPath.h"

#include <windows.h>

#include "win/Strings.h"

bool CreateFolderPath(const std::string& path) {
    if (path.empty() || path.size() >= MAX_PATH) return false;
    if (::CreateDirectoryA(path.c_str(), nullptr)) return true;
    const size_t slash = win::FindLastChar(path, '\\');
    if (slash == std::string::npos || slash == 0) return false;
    CreateFolderPath(path.substr(0, slash));
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

std::vector<std::string> CompanionFolders(const std::string& folder,
                                          const std::vector<std::string>& frameNames) {
    std::string base = folder;
    win::EnsureTrailingBackslash(base);
    std::vector<std::string> folders;
    folders.reserve(frameNames.size());
    for (const std::string& name : frameNames) folders.push_back(base + win::WithoutLastDot(name));
    return folders;
}
