// Texts of the language file: <program path without extension>.INI beside
// the executable, section STRING. The section is kept in memory and read
// again whenever the file's size or last-write time changes, so an edited
// file takes effect at the next lookup; a missing file, section or key gives "",
// except that a key added after the first release falls back to its English
// text (LangDefaults.h).
#pragma once

#include <windows.h>

#include <string>

#include "app/LangDefaults.h"
#include "app/LangFile.h"
#include "win/Names.h"

// The language file of a module path: everything up to and including the
// last '.' followed by "INI"; empty when the path has no dot at all.
std::string LangFilePathFor(const std::string& modulePath);

// One key of the language file at iniPath (1023 bytes at most), with "\n"
// turned into a line feed. A key missing from the file gives its text in
// defaults, if any; a key present with an empty value stays empty.
std::string ReadLangString(const std::string& iniPath, const char* key,
                           const LangDefault* defaults = kPostReleaseLangDefaults);

// Whether the language file at iniPath can give texts at all.
LangFileState CheckLangFile(const std::string& iniPath);

// What is wrong with the language file at path, in English (no language
// file can say it), naming the file.
std::string LangFileProblemText(LangFileState state, const std::string& path);

// This program's language file (empty when its path has no dot).
std::string OwnLangFilePath();
// Tests show the windows in another language without touching the file
// beside the test program: while set, iniPath stands for it ("" clears).
void SetLangFileOverride(std::string iniPath);

// Replaces each backslash-n pair by a line feed. A backslash that is the
// trail byte of a double-byte character of codePage starts no pair.
std::string ExpandLineBreaks(const std::string& text, UINT codePage = CP_ACP);

// The text of key in this program's language file.
std::string GetLangString(const char* key);

// Why a file name cannot be used, as a row's tooltip and a refusal say it.
std::string NameProblemText(win::NameProblem problem);
