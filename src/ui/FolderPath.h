#pragma once

#include <string>
#include <vector>

// Creates a folder and any missing parents. Fails for an empty path and for
// a folder that already exists: callers test for existence first.
bool CreateFolderPath(const std::string& path);

// The companion folders of frames (their file names) in folder.
std::vector<std::string> CompanionFolders(const std::string& folder,
                                          const std::vector<std::string>& frameNames);
