// String helpers for the program's text: ANSI text in the process's code page
// (CP_ACP), which is UTF-8 where Windows honours the manifest's request for it
// (Windows 10 1903 and later, Wine), else the system's legacy code page.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// Wide text for the shell calls that need it (CP_ACP).
std::wstring ToWide(const std::string& text);
// ANSI text of a wide string (CP_ACP).
std::string FromWide(const wchar_t* text);
// UTF-8 text of a wide string, and back.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// The code page of text that is not the program's own: the language file and
// frame files without a byte-order mark, as users' tools write them. It is
// the system's ANSI code page, also while the process runs in UTF-8.
UINT LegacyCodePage();
// Whether the process's own code page is UTF-8, so that every name can be held.
bool ProcessIsUtf8();
// Text in the legacy code page as the program holds text.
std::string FromLegacy(const std::string& bytes);
// The longest start of text whose legacy code page form takes at most
// maxBytes: the byte limits of the ANSI profile calls, kept in UTF-8.
std::wstring CutToLegacyBytes(const std::wstring& text, size_t maxBytes);
// The program's text in the legacy code page; false (and bytes with '?' for
// what is missing) when a character has no place there.
bool ToLegacy(const std::string& text, std::string& bytes);

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
