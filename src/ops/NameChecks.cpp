#include "win/FileSystem.h"
#include "ops/NameChecks.h"

#include <windows.h>

#include <cstring>

namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Whether text holds any character of set, stepping over double-byte
// characters as units.
bool ContainsAnyOf(const std::string& text, const std::string& set) {
    for (size_t i = 0; i < text.size();) {
        const bool lead = ::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size();
        const std::string ch = text.substr(i, lead ? 2 : 1);
        for (size_t j = 0; j < set.size();) {
            const bool setLead = ::IsDBCSLeadByte(static_cast<BYTE>(set[j])) && j + 1 < set.size();
            if (set.compare(j, setLead ? 2 : 1, ch) == 0) return true;
            j += setLead ? 2 : 1;
        }
        i += ch.size();
    }
    return false;
}

}  // namespace

const char* CheckFolderName(std::string& name, const std::string& parent, const std::string& forbidden) {
    size_t start = 0;
    while (start < name.size() && IsWhiteSpace(name[start])) ++start;
    name.erase(0, start);
    if (name.empty() || name[0] == '.') return "ERR_NOT_FOLDER_NAME_DOT";
    if (ContainsAnyOf(name, forbidden)) return "ERR_NOT_FOLDER_NAME";
    if (win::PathExists(parent + name)) return "ERR_FOLDER_MAKE";
    return nullptr;
}

std::string FolderNameToCreate(const std::string& name) {
    const size_t end = name.find_last_not_of('.');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

const char* CheckFrameName(std::string& name, const std::string& folder, const std::string& extraAllowed) {
    if (name.size() > kMaxFrameNameBytes) name.resize(kMaxFrameNameBytes);
    const std::string allowed =
        extraAllowed + "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (char c : name)
        if (c == '\0' || allowed.find(c) == std::string::npos) return "ERR_NOT_FILE_NAME";
    if (win::PathExists(folder + name + ".USD")) return "ERR_FILE_NAME";
    if (win::PathExists(folder + name)) return "ERR_FOLDER_NAME";
    return nullptr;
}
