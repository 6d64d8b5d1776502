#include "win/Strings.h"

#include <mbstring.h>

#include <vector>

namespace win {

std::wstring ToWide(const std::string& text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int count = static_cast<int>(text.size());
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.data(), count, out.data(), n, nullptr, nullptr);
    return out;
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
    size_t end = 0;
    while (end < text.size()) {
        const size_t step = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[end])) ? 2 : 1;
        if (end + step > maxBytes) break;
        end += step;
    }
    return text.substr(0, end);
}

}  // namespace win
