#include "RegistrySnapshot.h"

#include <shlwapi.h>

#include <utility>

namespace {
class Key {
public:
    Key(HKEY root, const std::string& path, bool create) {
        if (create)
            ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        else if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_) ::RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

void ReadKey(HKEY key, RegTree& tree) {
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD dataSize = 0;
        if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS)
            break;
        RegValue& value = tree.values[name];
        value.type = type;
        value.data.resize(dataSize);
        DWORD got = dataSize;
        ::RegQueryValueExA(key, name, nullptr, nullptr, value.data.empty() ? nullptr : value.data.data(),
                           &got);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (::RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY sub = nullptr;
        if (::RegOpenKeyExA(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        ReadKey(sub, tree.keys[name]);
        ::RegCloseKey(sub);
    }
}
}  // namespace

bool ReadRegTree(HKEY root, const std::string& path, RegTree& tree) {
    tree = {};
    Key key(root, path, false);
    if (!key.Get()) return false;
    ReadKey(key.Get(), tree);
    return true;
}

void DeleteRegTree(HKEY root, const std::string& path) {
    ::SHDeleteKeyA(root, path.c_str());
}

void WriteRegTree(HKEY root, const std::string& path, const RegTree& tree) {
    Key key(root, path, true);
    for (const auto& [name, value] : tree.values)
        ::RegSetValueExA(key.Get(), name.c_str(), 0, value.type,
                         value.data.empty() ? nullptr : value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    for (const auto& [name, sub] : tree.keys) WriteRegTree(root, path + "\\" + name, sub);
}

bool ReadRegValue(HKEY root, const std::string& path, const std::string& name, RegValue& value) {
    Key key(root, path, false);
    DWORD size = 0;
    if (!key.Get() ||
        ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    value.data.resize(size);
    return ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, size ? value.data.data() : nullptr,
                              &size) == ERROR_SUCCESS;
}

void WriteRegString(HKEY root, const std::string& path, const std::string& name, const std::string& text) {
    Key key(root, path, true);
    ::RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
}

void WriteRegDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    Key key(root, path, true);
    ::RegSetValueExA(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                     sizeof value);
}

RegistrySnapshot::RegistrySnapshot(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
    existed_ = ReadRegTree(root_, path_, tree_);
}

RegistrySnapshot::~RegistrySnapshot() {
    DeleteRegTree(root_, path_);
    if (existed_) WriteRegTree(root_, path_, tree_);
}
