// String helpers for ANSI text in the system code page.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// Wide text for the shell calls that need it (CP_ACP).
std::wstring ToWide(const std::string& text);
// ANSI text of a wide string (CP_ACP).
std::string FromWide(const wchar_t* text);
// UTF-8 text of a wide string.
std::string ToUtf8(const std::wstring& text);

// String resource of this module; empty when missing.
std::string LoadResourceString(UINT id);
std::string WindowText(HWND hwnd);

// Appends a backslash unless the last backslash is already the last character.
void EnsureTrailingBackslash(std::string& path);
// Removes every trailing backslash.
std::string WithoutTrailingBackslashes(std::string path);
// Text up to (not including) the last '.', or the whole text without one.
std::string WithoutLastDot(const std::string& path);
// Text up to and including the last backslash (multibyte-aware), or empty.
std::string FolderOf(const std::string& path);

// Case-insensitive, multibyte-aware comparison in the ANSI code page.
int CompareNoCase(const std::string& a, const std::string& b);
bool EqualsNoCase(const std::string& a, const std::string& b);
// The text in capitals, as the system upper-cases ANSI text.
std::string UpperCase(std::string text);

// Cuts text to at most maxBytes bytes without splitting a double-byte
// character of the given code page.
std::string TruncateAtCharBoundary(const std::string& text, size_t maxBytes, UINT codePage = CP_ACP);

// Position of the last occurrence of ch, stepping over double-byte
// characters (so a trail byte never matches); npos when absent.
size_t FindLastChar(const std::string& text, char ch, UINT codePage = CP_ACP);

}  // namespace win
