#include "win/Names.h"

#include <windows.h>

#include <unordered_map>

#include "win/Handles.h"
#include "win/Strings.h"

namespace win {

NameProblem AnsiName(const std::wstring& name, std::string& ansi) {
    ansi.clear();
    if (name.empty()) return NameProblem::kNone;
    const int length = static_cast<int>(name.size());
    // UTF-8 as the ANSI code page holds every name, and takes no flags.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* askDefault = utf8 ? nullptr : &usedDefault;
    const char* defaultChar = utf8 ? nullptr : "?";
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, flags, name.data(), length, nullptr, 0, defaultChar, askDefault);
    ansi.resize(static_cast<size_t>(bytes > 0 ? bytes : 0));
    if (bytes > 0)
        ::WideCharToMultiByte(CP_ACP, flags, name.data(), length, ansi.data(), bytes, defaultChar,
                              askDefault);
    // What does not come back as it went is no way to the file either.
    if (usedDefault || bytes <= 0 || ToWide(ansi) != name) {
        for (char& c : ansi)
            if (c == '\0') c = '?';
        return NameProblem::kNotInCodePage;
    }
    return IsReservedDeviceName(ansi) ? NameProblem::kReservedDevice : NameProblem::kNone;
}

bool IsReservedDeviceName(const std::string& name) {
    // The part before the first dot, trailing blanks ignored, as Windows reads it.
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
    base = UpperCase(base);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

bool IsReachablePath(const std::string& path) {
    if (path.find_first_of("?*") != std::string::npos) return false;
    const size_t slash = FindLastChar(path, '\\');
    return !IsReservedDeviceName(slash == std::string::npos ? path : path.substr(slash + 1));
}

std::optional<std::vector<std::string>> NamesInFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::string pattern = folder;
    EnsureTrailingBackslash(pattern);
    WIN32_FIND_DATAW entry;
    FindHandle find(::FindFirstFileW(ToWide(pattern + "*").c_str(), &entry));
    if (!find) {
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) return names;
        return std::nullopt;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        std::string ansi;
        AnsiName(name, ansi);  // a character the code page lacks is '?', which names nothing
        names.push_back(std::move(ansi));
        if (entry.cAlternateFileName[0]) {
            AnsiName(entry.cAlternateFileName, ansi);
            names.push_back(std::move(ansi));
        }
    } while (::FindNextFileW(find.Get(), &entry));
    if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
    return names;
}

std::optional<std::unordered_set<std::string>> UpperNamesInFolder(const std::string& folder) {
    const auto listed = NamesInFolder(folder);
    if (!listed) return std::nullopt;
    std::unordered_set<std::string> names;
    for (const std::string& name : *listed) names.insert(UpperCase(name));
    return names;
}

namespace {

// Capitals as the file system compares names, in place.
void UpperWide(std::wstring& text) {
    if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
}

}  // namespace

std::optional<std::unordered_set<std::string>> UpperNamesPresent(const std::string& folder,
                                                                 const std::vector<std::string>& names) {
    std::unordered_set<std::string> present;
    if (names.empty()) return present;
    // Each name asked about, in UTF-16 capitals, by the text it came as.
    std::unordered_map<std::wstring, const std::string*> asked;
    for (const std::string& name : names) {
        std::wstring wide = ToWide(name);
        UpperWide(wide);
        asked.emplace(std::move(wide), &name);
    }
    std::string pattern = folder;
    EnsureTrailingBackslash(pattern);
    WIN32_FIND_DATAW entry;
    // No short names: only the long names are asked about.
    FindHandle find(::FindFirstFileExW(ToWide(pattern + "*").c_str(), FindExInfoBasic, &entry,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!find) {
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) return present;
        return std::nullopt;
    }
    std::wstring name;
    do {
        name.assign(entry.cFileName);
        UpperWide(name);
        const auto found = asked.find(name);
        if (found != asked.end()) present.insert(UpperCase(*found->second));
    } while (::FindNextFileW(find.Get(), &entry));
    if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
    return present;
}

}  // namespace win
