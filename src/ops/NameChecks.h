// The checks a new folder name and a new frame name must pass. Each returns
// the language key of the first failed check, or nullptr when the name is
// acceptable.
#pragma once

#include <string>

// New folder inside parent (ending with a backslash). name is trimmed of
// leading white space in place; forbidden is the set of characters a
// folder name must not contain.
const char* CheckFolderName(std::string& name, const std::string& parent, const std::string& forbidden);

// The folder name actually created: trailing dots removed.
std::string FolderNameToCreate(const std::string& name);

// The most bytes a frame name has.
inline constexpr size_t kMaxFrameNameBytes = 8;

// New base name of a frame in folder (ending with a backslash). name is cut
// to 8 bytes in place; extraAllowed lists characters allowed besides ASCII
// letters and digits.
const char* CheckFrameName(std::string& name, const std::string& folder, const std::string& extraAllowed);
