#include "app/Profile.h"

namespace {
// Created with full access when missing. Where full access is refused (a
// key of the machine for a user without rights) the key is still opened for
// reading, so its values read as stored rather than as defaults.
win::RegKey CreateKey(HKEY parent, const std::string& path, REGSAM view, LONG* error = nullptr) {
    HKEY key = nullptr;
    LONG result = ERROR_INVALID_HANDLE;
    if (parent) {
        result = ::RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                                   nullptr);
        if (result == ERROR_ACCESS_DENIED) {
            HKEY readOnly = nullptr;
            if (::RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | view, &readOnly) == ERROR_SUCCESS)
                key = readOnly;
        } else if (result != ERROR_SUCCESS) {
            key = nullptr;
        }
    }
    if (error) *error = result;
    return win::RegKey(key);
}
}  // namespace

CProfile::CProfile(HKEY root, const std::string& path, REGSAM view)
    : view_(view), key_(CreateKey(root, path, view)) {}

win::RegKey CProfile::OpenSubKey(const std::string& subKey, LONG* error) const {
    return CreateKey(key_.Get(), subKey, view_, error);
}

LONG CProfile::WriteString(const std::string& subKey, const std::string& name, const std::string& text) {
    LONG error = ERROR_SUCCESS;
    win::RegKey sub = OpenSubKey(subKey, &error);
    if (!sub) return error;
    return ::RegSetValueExA(sub.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
}

LONG CProfile::WriteDword(const std::string& subKey, const std::string& name, DWORD value) {
    LONG error = ERROR_SUCCESS;
    win::RegKey sub = OpenSubKey(subKey, &error);
    if (!sub) return error;
    return ::RegSetValueExA(sub.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof value);
}

LONG CProfile::WriteBinary(const std::string& subKey, const std::string& name, const void* bytes,
                           DWORD size) {
    LONG error = ERROR_SUCCESS;
    win::RegKey sub = OpenSubKey(subKey, &error);
    if (!sub) return error;
    return ::RegSetValueExA(sub.Get(), name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(bytes), size);
}

std::string CProfile::ReadString(const std::string& subKey, const std::string& name,
                                 const std::string& defaultText) {
    win::RegKey sub = OpenSubKey(subKey);
    if (!sub) return defaultText;
    char buffer[MAX_PATH + 1] = {};  // one spare byte keeps a full 260-byte value terminated
    DWORD size = MAX_PATH;
    if (::RegQueryValueExA(sub.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                           &size) != ERROR_SUCCESS)
        return defaultText;
    return buffer;
}

DWORD CProfile::ReadDword(const std::string& subKey, const std::string& name, DWORD defaultValue) {
    win::RegKey sub = OpenSubKey(subKey);
    if (!sub) return defaultValue;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegQueryValueExA(sub.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                           &size) != ERROR_SUCCESS)
        return defaultValue;
    return value;
}

bool CProfile::HasValue(const std::string& subKey, const std::string& name) {
    win::RegKey sub = OpenSubKey(subKey);
    return sub &&
           ::RegQueryValueExA(sub.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void* CProfile::ReadBinary(const std::string& subKey, const std::string& name, void* buffer, DWORD* size) {
    win::RegKey sub = OpenSubKey(subKey);
    if (!sub) {
        *size = 0;
        return nullptr;
    }
    DWORD needed = 0;
    if (::RegQueryValueExA(sub.Get(), name.c_str(), nullptr, nullptr, nullptr, &needed) != ERROR_SUCCESS)
        return nullptr;
    const DWORD capacity = *size;
    *size = needed;
    if (capacity < needed || !buffer) return nullptr;
    DWORD got = needed;
    if (::RegQueryValueExA(sub.Get(), name.c_str(), nullptr, nullptr, static_cast<BYTE*>(buffer), &got) !=
        ERROR_SUCCESS)
        return nullptr;
    return buffer;
}
