#include "app/LangStrings.h"

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

std::string ReadLangString(const std::string& iniPath, const char* key, const LangDefault* defaults) {
    char buffer[1024] = {};
    ::GetPrivateProfileStringA("STRING", key, "", buffer, sizeof buffer, iniPath.c_str());
    if (buffer[0] == '\0') {
        // Only a missing key gives back a default that is not empty.
        if (const char* english = FindLangDefault(key, defaults)) {
            char probe[2] = {};
            ::GetPrivateProfileStringA("STRING", key, "-", probe, sizeof probe, iniPath.c_str());
            if (probe[0] == '-') return ExpandLineBreaks(english);
        }
    }
    return ExpandLineBreaks(buffer);
}

std::string GetLangString(const char* key) {
    char module[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(::GetModuleHandleA(nullptr), module, sizeof module);
    if (n == 0 || n >= sizeof module) return {};
    const std::string iniPath = LangFilePathFor(module);
    if (iniPath.empty()) {
        const char* english = FindLangDefault(key);
        return english ? ExpandLineBreaks(english) : std::string();
    }
    return ReadLangString(iniPath, key);
}
