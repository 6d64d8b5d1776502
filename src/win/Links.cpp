#include "win/Links.h"

#include <vector>

#include "win/Handles.h"
#include "win/Strings.h"

namespace win {

namespace {

bool IsLinkAttributes(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The path a handle opened through path reports (links followed) as a plain
// drive or UNC path; empty when the system cannot tell. opened is false when
// nothing could be opened there at all.
std::wstring FinalPath(const std::string& path, bool* opened = nullptr) {
    // No access rights are needed to ask; backup semantics open folders too.
    FileHandle handle(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (opened) *opened = static_cast<bool>(handle);
    if (!handle) return {};
    std::vector<wchar_t> buffer(MAX_PATH + 16);
    DWORD length = ::GetFinalPathNameByHandleW(handle.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(handle.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (length == 0 || length >= buffer.size()) return {};
    std::wstring final(buffer.data(), length);
    if (final.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + final.substr(8);
    if (final.compare(0, 4, L"\\\\?\\") == 0) return final.substr(4);
    return final;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

LinkCheck::LinkCheck(const std::string& folder) : folder_(folder) {
    finalFolder_ = FinalPath(folder);
    if (!finalFolder_.empty() && finalFolder_.back() != L'\\') finalFolder_ += L'\\';
}

bool LinkCheck::IsLink(const std::string& name, DWORD attributes) const {
    if (IsLinkAttributes(attributes)) return true;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (finalFolder_.empty()) return false;
    bool opened = false;
    const std::wstring final = FinalPath(folder_ + name, &opened);
    if (!opened) {
        // Listed, yet nothing to open: a link whose target is gone.
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return !final.empty() && !SameText(final, finalFolder_ + ToWide(name));
}

LinkCheck LinkCheck::Child(const std::string& name) const {
    LinkCheck child;
    child.folder_ = folder_ + name + "\\";
    if (!finalFolder_.empty()) child.finalFolder_ = finalFolder_ + ToWide(name) + L"\\";
    return child;
}

bool IsLink(const std::string& path) {
    const std::string base = WithoutTrailingBackslashes(path);
    const std::string folder = FolderOf(base);
    const DWORD attributes = ::GetFileAttributesA(base.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (IsLinkAttributes(attributes)) return true;
    return !folder.empty() && LinkCheck(folder).IsLink(base.substr(folder.size()), attributes);
}

}  // namespace win
