#include "frames/FrameFileProfile.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "frames/TextEncoding.h"
#include "win/Strings.h"

namespace {

using WideText = std::wstring;

// Blanks as the profile reader counts them: tab to carriage return, space,
// and ^Z (the DOS end-of-file mark).
bool IsBlank(wchar_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

// Names are compared as C strings (up to an embedded NUL) without case.
bool SameName(const wchar_t* begin, const wchar_t* end, const char* name) {
    const WideText nameText(begin, std::find(begin, end, L'\0'));
    const size_t length = std::strlen(name);
    if (nameText.size() != length) return false;
    WideText lower = nameText;
    ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    for (size_t i = 0; i < length; ++i) {
        const wchar_t want = static_cast<wchar_t>(static_cast<unsigned char>(name[i]));
        if (lower[i] != want && lower[i] != static_cast<wchar_t>(::towlower(want))) return false;
    }
    return true;
}

// The value as the A profile call returns it into a buffer of `bufferSize`
// bytes: up to the first NUL, matching quotes taken off, at most
// bufferSize - 1 characters, then at most bufferSize - 1 bytes in the ANSI
// code page.
std::string Finish(const WideText& raw, size_t bufferSize) {
    if (bufferSize == 0) return std::string();
    WideText value(raw.c_str());
    const size_t room = bufferSize - 1;
    bool quoted = false;
    if (!value.empty() && (value[0] == L'\'' || value[0] == L'"') && value.size() > 1 &&
        value.back() == value[0]) {
        value.erase(0, 1);
        // The closing quote goes only when the whole value fitted the buffer.
        quoted = bufferSize >= value.size();
    }
    if (value.size() > room) value.resize(room);
    if (quoted && !value.empty()) value.pop_back();
    if (value.empty()) return std::string();
    // The limit is of bytes in the legacy code page, as the files are.
    if (win::ProcessIsUtf8()) return win::FromWide(win::CutToLegacyBytes(value, room).c_str());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, value.data(), static_cast<int>(value.size()), nullptr,
                                            0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, value.data(), static_cast<int>(value.size()), text.data(), bytes,
                          nullptr, nullptr);
    return text.size() > room ? win::TruncateAtCharBoundary(text, room) : text;
}

}  // namespace

std::vector<std::string> ReadProfileKeys(const std::string& bytes, const char* section,
                                         const std::vector<ProfileKey>& keys) {
    std::vector<std::string> values(keys.size());
    std::vector<bool> found(keys.size(), false);
    const WideText text = DecodeText(bytes);
    const wchar_t* next = text.data();
    const wchar_t* const end = next + text.size();
    enum { kBefore, kInside } state = kBefore;

    while (next < end) {
        // A line ends at any run of carriage returns and line feeds.
        const wchar_t* start = next;
        while (next < end && *next != L'\n' && *next != L'\r') ++next;
        while (next < end && (*next == L'\n' || *next == L'\r')) ++next;
        const wchar_t* stop = next;
        while (start < stop && IsBlank(*start)) ++start;
        while (stop > start && IsBlank(stop[-1])) --stop;
        if (start >= stop) continue;

        if (*start == L'[') {
            // The name runs to the last ']' of the line; a line without one
            // is read as a key.
            const wchar_t* close = stop;
            while (close > start && close[-1] != L']') --close;
            if (close > start) {
                const wchar_t* nameBegin = start + 1;
                const wchar_t* nameEnd = close - 1;
                while (nameBegin < nameEnd && IsBlank(*nameBegin)) ++nameBegin;
                while (nameEnd > nameBegin && IsBlank(nameEnd[-1])) --nameEnd;
                // Only the first section of the name is ever searched.
                if (state == kInside) break;
                if (SameName(nameBegin, nameEnd, section)) state = kInside;
                continue;
            }
        }
        if (state != kInside) continue;

        const wchar_t* equals = std::find(start, stop, L'=');
        const wchar_t* nameEnd = equals;
        while (nameEnd > start && IsBlank(nameEnd[-1])) --nameEnd;
        for (size_t k = 0; k < keys.size(); ++k) {
            // The first line of a key decides, even one without '='.
            if (found[k] || !SameName(start, nameEnd, keys[k].name)) continue;
            found[k] = true;
            if (equals == stop) continue;
            const wchar_t* valueBegin = equals + 1;
            while (valueBegin < stop && IsBlank(*valueBegin)) ++valueBegin;
            values[k] = Finish(WideText(valueBegin, stop), keys[k].bufferSize);
        }
    }
    return values;
}
