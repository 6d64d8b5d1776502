#pragma once

#include <string>

// Creates a folder and any missing parents. Fails for an empty path and for
// a folder that already exists: callers test for existence first.
bool CreateFolderPath(const std::string& path);
