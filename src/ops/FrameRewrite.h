#pragma once

#include <string>

// Copies a frame file line by line into newPath, which must not exist yet,
// replacing in each line the first occurrence of oldRef (letters compared
// without case) by newRef. Every line ends in CR LF, the last one included.
// A file in UTF-16 (either byte order) or in UTF-8 with a byte-order mark
// keeps its encoding and its mark; any other is text in the ANSI code page.
// On failure nothing is left at newPath. True on success.
bool RewriteFrameFile(const std::string& oldPath, const std::string& newPath, const std::string& oldRef,
                      const std::string& newRef);

// One line with the first occurrence of oldRef (case-insensitive) replaced.
std::string ReplaceFirstReference(const std::string& line, const std::string& oldRef,
                                  const std::string& newRef);
