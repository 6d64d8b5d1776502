// Keeps a registry key as it was: takes a copy of the key with all its values
// and sub keys, and puts exactly that back (or removes the key when it did
// not exist) when the object goes. A view (KEY_WOW64_32KEY, KEY_WOW64_64KEY)
// reaches one of the two registry views of 64-bit Windows; 0 is the
// process's own.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct RegValue {
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const RegValue& o) const { return type == o.type && data == o.data; }
};

struct RegTree {
    std::map<std::string, RegValue> values;
    std::map<std::string, RegTree> keys;
    bool operator==(const RegTree& o) const { return values == o.values && keys == o.keys; }
};

// The key's contents; false when it does not exist.
bool ReadRegTree(HKEY root, const std::string& path, RegTree& tree, REGSAM view = 0);
void DeleteRegTree(HKEY root, const std::string& path, REGSAM view = 0);
void WriteRegTree(HKEY root, const std::string& path, const RegTree& tree, REGSAM view = 0);

// One value as stored; false when missing.
bool ReadRegValue(HKEY root, const std::string& path, const std::string& name, RegValue& value,
                  REGSAM view = 0);
void WriteRegString(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                    REGSAM view = 0);
void WriteRegDword(HKEY root, const std::string& path, const std::string& name, DWORD value);

class RegistrySnapshot {
public:
    RegistrySnapshot(HKEY root, std::string path, REGSAM view = 0);
    ~RegistrySnapshot();
    RegistrySnapshot(const RegistrySnapshot&) = delete;
    RegistrySnapshot& operator=(const RegistrySnapshot&) = delete;

private:
    HKEY root_;
    std::string path_;
    REGSAM view_;
    bool existed_ = false;
    RegTree tree_;
};
