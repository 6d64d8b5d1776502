#include "frames/FrameFilter.h"

#include <windows.h>

#include <algorithm>

std::wstring FoldForFilter(const std::wstring& text) {
    if (text.empty()) return text;
    // ASCII, as most titles and names are, folds here: the system's calls
    // for each of 10,000 frames would make a list's first key slow to answer.
    if (std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; })) {
        std::wstring out = text;
        for (wchar_t& c : out)
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        return out;
    }
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
    return FoldForFilter(title + L'\n' + fileName);
}

bool FilterFinds(const std::wstring& key, const std::wstring& folded) {
    return folded.empty() || key.find(folded) != std::wstring::npos;
}
