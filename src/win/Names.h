// Whether a file name, as the file system lists it in UTF-16, can be reached
// through the ANSI calls this program makes. A name with a character the
// ANSI code page lacks comes out of the ANSI listing as a best-fit look-alike
// ("Ωmega.USD" as "Omega.USD"), which may name another file; a name Windows
// reserves for a device (CON, NUL, COM1, ...) opens the device instead.
// Neither is ever acted on.
#pragma once

#include <string>

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

}  // namespace win
