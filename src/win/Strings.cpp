#include "win/Strings.h"

#include <mbstring.h>

#include <cwchar>
#include <vector>

namespace win {

namespace {
std::wstring Decode(UINT codePage, const std::string& bytes) {
    if (bytes.empty()) return {};
    const int count = static_cast<int>(bytes.size());
    const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, bytes.data(), count, out.data(), n);
    return out;
}
}  // namespace

std::wstring ToWide(const std::string& text) {
    return Decode(CP_ACP, text);
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int count = static_cast<int>(text.size());
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.data(), count, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    return Decode(CP_UTF8, text);
}

UINT LegacyCodePage() {
    static const UINT codePage = [] {
        const UINT process = ::GetACP();
        if (process != CP_UTF8) return process;
        wchar_t text[8] = {};
        if (::GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, text, 8) > 0) {
            const UINT system = static_cast<UINT>(std::wcstoul(text, nullptr, 10));
            // A locale without one (Unicode only) says 0.
            if (system != 0 && system != CP_UTF8 && ::IsValidCodePage(system)) return system;
        }
        return 1252u;
    }();
    return codePage;
}

bool ProcessIsUtf8() {
    return ::GetACP() == CP_UTF8;
}

std::string FromLegacy(const std::string& bytes) {
    if (LegacyCodePage() == ::GetACP()) return bytes;
    const std::wstring wide = Decode(LegacyCodePage(), bytes);
    return wide.empty() ? std::string() : FromWide(wide.c_str());
}

std::wstring CutToLegacyBytes(const std::wstring& text, size_t maxBytes) {
    size_t bytes = 0, end = 0;
    const UINT codePage = LegacyCodePage();
    while (end < text.size()) {
        // A surrogate pair is one character.
        const size_t width = end + 1 < text.size() && IS_HIGH_SURROGATE(text[end]) ? 2 : 1;
        const int n = ::WideCharToMultiByte(codePage, 0, text.data() + end, static_cast<int>(width), nullptr,
                                            0, nullptr, nullptr);
        if (bytes + static_cast<size_t>(n > 0 ? n : 1) > maxBytes) break;
        bytes += static_cast<size_t>(n > 0 ? n : 1);
        end += width;
    }
    return text.substr(0, end);
}

bool ToLegacy(const std::string& text, std::string& bytes) {
    bytes.clear();
    if (LegacyCodePage() == ::GetACP()) {
        bytes = text;
        return true;
    }
    const std::wstring wide = ToWide(text);
    if (wide.empty()) return true;
    const int count = static_cast<int>(wide.size());
    BOOL missing = FALSE;
    const UINT codePage = LegacyCodePage();
    const int n =
        ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), count, nullptr, 0, "?", &missing);
    if (n <= 0) return false;
    bytes.resize(static_cast<size_t>(n));
    ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), count, bytes.data(), n, "?", &missing);
    // What does not come back as it went has no place there either.
    return !missing && Decode(codePage, bytes) == wide;
}

std::string FromWide(const wchar_t* text) {
    if (!text || !*text) return {};
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string LoadResourceString(UINT id) {
    char buffer[512] = {};
    const int n = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string WindowText(HWND hwnd) {
    const int length = hwnd ? ::GetWindowTextLengthA(hwnd) : 0;
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int n = ::GetWindowTextA(hwnd, buffer.data(), length + 1);
    return std::string(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

size_t FindLastChar(const std::string& text, char ch, UINT codePage) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<BYTE>(text[i]);
        if (::IsDBCSLeadByteEx(codePage, byte) && i + 1 < text.size()) {
            ++i;  // the trail byte belongs to this character
            continue;
        }
        if (text[i] == ch) found = i;
    }
    return found;
}

void EnsureTrailingBackslash(std::string& path) {
    const size_t last = FindLastChar(path, '\\');
    if (last == std::string::npos || last + 1 != path.size()) path += '\\';
}

std::string WithoutTrailingBackslashes(std::string path) {
    while (!path.empty() && FindLastChar(path, '\\') == path.size() - 1) path.pop_back();
    return path;
}

std::string WithoutLastDot(const std::string& path) {
    const size_t dot = FindLastChar(path, '.');
    return dot == std::string::npos ? path : path.substr(0, dot);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = FindLastChar(path, '\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int CompareNoCase(const std::string& a, const std::string& b) {
    // In UTF-8 the CRT knows the case of ASCII letters only; the system
    // compares names as the file system does.
    if (ProcessIsUtf8()) {
        const std::wstring x = ToWide(a), y = ToWide(b);
        const int order = ::CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(),
                                                 static_cast<int>(y.size()), TRUE);
        if (order != 0) return order - CSTR_EQUAL;
    }
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                    reinterpret_cast<const unsigned char*>(b.c_str()));
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return CompareNoCase(a, b) == 0;
}

std::string UpperCase(std::string text) {
    if (!text.empty()) ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string TruncateAtCharBoundary(const std::string& text, size_t maxBytes, UINT codePage) {
    if (text.size() <= maxBytes) return text;
    if (codePage == CP_UTF8 || (codePage == CP_ACP && ProcessIsUtf8())) {
        // Never inside a character: back to the start of the one cut.
        size_t end = maxBytes;
        while (end > 0 && (static_cast<BYTE>(text[end]) & 0xC0) == 0x80) --end;
        return text.substr(0, end);
    }
    size_t end = 0;
    while (end < text.size()) {
        const size_t step = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[end])) ? 2 : 1;
        if (end + step > maxBytes) break;
        end += step;
    }
    return text.substr(0, end);
}

}  // namespace win
