#include "win/FormatText.h"

namespace win {

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
