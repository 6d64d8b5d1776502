// Whether a file name, as the file system lists it in UTF-16, can be reached
// through the ANSI calls this program makes. A name with a character the
// ANSI code page lacks comes out of the ANSI listing as a best-fit look-alike
// ("Ωmega.USD" as "Omega.USD"), which may name another file; a name Windows
// reserves for a device (CON, NUL, COM1, ...) opens the device instead.
// Neither is ever acted on.
#pragma once

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace win {

enum class NameProblem { kNone, kNotInCodePage, kReservedDevice };

// The name in the ANSI code page, and what keeps it from being reached. A
// character the code page lacks becomes '?', which no file name holds, so
// the text can never name a look-alike.
NameProblem AnsiName(const std::wstring& name, std::string& ansi);

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, with any extension and
// in any case: names that open a device wherever they stand in a path.
bool IsReservedDeviceName(const std::string& name);

// Whether an ANSI path names a file the ANSI calls reach: it holds no '?'
// or '*', and its last part is no reserved device name.
bool IsReachablePath(const std::string& path);

// The names in a folder (full path, no wildcard), as the ANSI calls see
// them, with each entry's short name where it has one: one listing answers
// for many names where a look for each name that is not there would cost
// Wine a read of the whole folder. Empty for an empty folder; nothing when
// the folder cannot be listed to its end.
std::optional<std::vector<std::string>> NamesInFolder(const std::string& folder);
// The same names in capitals, to look names up in without case.
std::optional<std::unordered_set<std::string>> UpperNamesInFolder(const std::string& folder);
// Which of the names (no short names among them) a folder still holds,
// compared without case, in capitals: one listing of the folder that keeps
// nothing of the entries it was not asked about. Nothing when the folder
// cannot be listed to its end.
std::optional<std::unordered_set<std::string>> UpperNamesPresent(const std::string& folder,
                                                                 const std::vector<std::string>& names);

}  // namespace win
