#include "win/FormatText.h"

#include <string>

namespace win {

std::string CountText(ULONGLONG count) {
    const std::string digits = std::to_string(count);
    NUMBERFMTA format = {};
    char decimal[8] = ".", thousand[8] = ",", grouping[16] = "3;0";
    ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
    ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand, sizeof thousand);
    ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SGROUPING, grouping, sizeof grouping);
    // "3;0" is the locale's way of saying groups of three, which the
    // structure says as 3.
    format.Grouping = grouping[0] >= '0' && grouping[0] <= '9' ? grouping[0] - '0' : 3;
    format.lpDecimalSep = decimal;
    format.lpThousandSep = thousand;
    format.LeadingZero = 1;
    format.NegativeOrder = 1;
    char out[64] = {};
    if (::GetNumberFormatA(LOCALE_USER_DEFAULT, 0, digits.c_str(), &format, out, sizeof out) > 0) return out;
    return digits;
}

std::string FormatMessageText(const std::string& format, const std::vector<std::string>& args,
                              UINT codePage) {
    std::string out;
    out.reserve(format.size());
    size_t nextArg = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c)) && i + 1 < format.size()) {
            out += c;
            out += format[++i];
            continue;
        }
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        const char directive = format[i + 1];
        if (directive == '%') {
            out += '%';
            ++i;
        } else if (directive == 's' && nextArg < args.size()) {
            out += args[nextArg++];
            ++i;
        } else {
            out += c;  // shown as written; the character after it follows normally
        }
    }
    return out;
}

}  // namespace win
