#include "app/LangStrings.h"

#include <map>
#include <memory>
#include <mutex>

#include "win/Strings.h"

std::string LangFilePathFor(const std::string& modulePath) {
    const size_t dot = win::FindLastChar(modulePath, '.');
    if (dot == std::string::npos) return {};
    return modulePath.substr(0, dot + 1) + "INI";
}

std::string ExpandLineBreaks(const std::string& text, UINT codePage) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c)) && i + 1 < text.size()) {
            out += c;
            out += text[++i];
        } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

namespace {
// Lookups come from the UI thread; the lock only keeps a stray caller on
// another thread from seeing a half-read file.
std::mutex& CacheLock() {
    static std::mutex lock;
    return lock;
}

// The program reads one language file; tests and seams add a few more.
CLangFile& CachedLangFile(const std::string& iniPath) {
    static std::map<std::string, std::unique_ptr<CLangFile>> files;
    auto found = files.find(iniPath);
    if (found == files.end()) {
        if (files.size() >= 16) files.clear();
        found = files.emplace(iniPath, std::make_unique<CLangFile>(iniPath)).first;
    }
    return *found->second;
}
}  // namespace

std::string ReadLangString(const std::string& iniPath, const char* key, const LangDefault* defaults) {
    std::string value;
    bool found = false;
    {
        std::lock_guard<std::mutex> hold(CacheLock());
        found = CachedLangFile(iniPath).Find(key, value);
    }
    if (!found) {
        const char* english = FindLangDefault(key, defaults);
        if (english) value = english;
    }
    return ExpandLineBreaks(value);
}

LangFileState CheckLangFile(const std::string& iniPath) {
    if (iniPath.empty()) return LangFileState::kMissing;
    std::lock_guard<std::mutex> hold(CacheLock());
    return CachedLangFile(iniPath).State();
}

std::string LangFileProblemText(LangFileState state, const std::string& path) {
    const char* problem = "was not found";
    if (state == LangFileState::kUnreadable) problem = "cannot be read";
    if (state == LangFileState::kNoSection) problem = "has no [STRING] section with texts";
    const std::string shown = path.empty() ? std::string("(the program's path has no extension)") : path;
    return "The language file\n" + shown + "\n" + problem +
           ".\n\nThe program shows all its texts from this file. Put a language file there, "
           "then start the program again.";
}

namespace {
std::string& LangFileOverride() {
    static std::string path;
    return path;
}
}  // namespace

void SetLangFileOverride(std::string iniPath) {
    LangFileOverride() = std::move(iniPath);
}

std::string OwnLangFilePath() {
    if (!LangFileOverride().empty()) return LangFileOverride();
    char module[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(::GetModuleHandleA(nullptr), module, sizeof module);
    if (n == 0 || n >= sizeof module) return {};
    return LangFilePathFor(module);
}

std::string NameProblemText(win::NameProblem problem) {
    return GetLangString(problem == win::NameProblem::kReservedDevice ? "LIST_NAME_RESERVED"
                                                                      : "LIST_NAME_NOT_IN_CODE_PAGE");
}

std::string GetLangString(const char* key) {
    const std::string iniPath = OwnLangFilePath();
    if (iniPath.empty()) {
        const char* english = FindLangDefault(key);
        return english ? ExpandLineBreaks(english) : std::string();
    }
    return ReadLangString(iniPath, key);
}
