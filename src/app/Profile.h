// Registry key wrapper: holds one key opened (created when missing) with full
// access; every value operation opens the named sub key below it, does one
// operation and closes the sub key again. A view (KEY_WOW64_32KEY or
// KEY_WOW64_64KEY) picks one of the two registry views of 64-bit Windows for
// every open; 0 is the process's own view.
#pragma once

#include <windows.h>

#include <string>

#include "win/Handles.h"

class CProfile {
public:
    CProfile(HKEY root, const std::string& path, REGSAM view = 0);
    virtual ~CProfile() = default;
    CProfile(const CProfile&) = delete;
    CProfile& operator=(const CProfile&) = delete;

    bool IsOpen() const { return static_cast<bool>(key_); }

    // Win32 error codes, 0 on success.
    LONG WriteString(const std::string& subKey, const std::string& name, const std::string& text);
    LONG WriteDword(const std::string& subKey, const std::string& name, DWORD value);
    LONG WriteBinary(const std::string& subKey, const std::string& name, const void* bytes, DWORD size);

    // The default when the sub key cannot be opened or the query fails
    // (missing value, a string of more than 260 bytes). The type is not checked.
    std::string ReadString(const std::string& subKey, const std::string& name,
                           const std::string& defaultText);
    DWORD ReadDword(const std::string& subKey, const std::string& name, DWORD defaultValue);
    // True when the value exists, whatever its type and size.
    bool HasValue(const std::string& subKey, const std::string& name);

    // Sub key not openable: size 0, null. Size query fails: null, size kept.
    // Otherwise size becomes the value's size, and the value is read into
    // buffer (returned) when the capacity passed in size is enough, else null.
    void* ReadBinary(const std::string& subKey, const std::string& name, void* buffer, DWORD* size);

private:
    win::RegKey OpenSubKey(const std::string& subKey, LONG* error = nullptr) const;

    REGSAM view_;
    win::RegKey key_;
};
