// Filling user-editable message texts (the language file) with arguments.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace win {

// Replaces each "%s" of format by the next argument and each "%%" by "%".
// Everything else is copied as it stands: any other '%' sequence, a "%s"
// beyond the last argument, a '%' at the very end. So a translator's typo
// can garble nothing but itself and never reads a missing argument.
// Double-byte characters of codePage are copied whole.
std::string FormatMessageText(const std::string& format, const std::vector<std::string>& args,
                              UINT codePage = CP_ACP);

// A count as the user's locale writes whole numbers: "1,000" in English.
std::string CountText(ULONGLONG count);

}  // namespace win
