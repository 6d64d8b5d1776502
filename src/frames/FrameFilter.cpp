#include "frames/FrameFilter.h"

#include <windows.h>

std::wstring FoldForFilter(const std::wstring& text) {
    if (text.empty()) return text;
    // Width first: a full-width capital becomes a half-width one, which the
    // second mapping then lowers.
    std::wstring out = text;
    for (const DWORD flags : {static_cast<DWORD>(LCMAP_HALFWIDTH), static_cast<DWORD>(LCMAP_LOWERCASE)}) {
        const int length = static_cast<int>(out.size());
        const int n = ::LCMapStringW(LOCALE_USER_DEFAULT, flags, out.data(), length, nullptr, 0);
        if (n <= 0) continue;
        std::wstring mapped(static_cast<size_t>(n), L'\0');
        if (::LCMapStringW(LOCALE_USER_DEFAULT, flags, out.data(), length, mapped.data(), n) == n)
            out = std::move(mapped);
    }
    return out;
}

std::wstring FilterKey(const std::wstring& title, const std::wstring& fileName) {
    // A line break never comes from a single-line box, so no text spans both.
    return FoldForFilter(title) + L'\n' + FoldForFilter(fileName);
}

bool FilterFinds(const std::wstring& key, const std::wstring& folded) {
    return folded.empty() || key.find(folded) != std::wstring::npos;
}
