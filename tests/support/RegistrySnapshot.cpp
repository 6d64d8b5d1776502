#include "RegistrySnapshot.h"

#include <utility>

namespace {
class Key {
public:
    Key(HKEY root, const std::string& path, bool create, REGSAM view) {
        if (create)
            ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key_,
                              nullptr);
        else if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key_) != ERROR_SUCCESS)
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

void ReadKey(HKEY key, REGSAM view, RegTree& tree) {
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
        if (::RegOpenKeyExA(key, name, 0, KEY_READ | view, &sub) != ERROR_SUCCESS) continue;
        ReadKey(sub, view, tree.keys[name]);
        ::RegCloseKey(sub);
    }
}
}  // namespace

bool ReadRegTree(HKEY root, const std::string& path, RegTree& tree, REGSAM view) {
    tree = {};
    Key key(root, path, false, view);
    if (!key.Get()) return false;
    ReadKey(key.Get(), view, tree);
    return true;
}

void DeleteRegTree(HKEY root, const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
    ::RegDeleteTreeA(key, nullptr);
    ::RegCloseKey(key);
    ::RegDeleteKeyExA(root, path.c_str(), view, 0);
}

void WriteRegTree(HKEY root, const std::string& path, const RegTree& tree, REGSAM view) {
    Key key(root, path, true, view);
    for (const auto& [name, value] : tree.values)
        ::RegSetValueExA(key.Get(), name.c_str(), 0, value.type,
                         value.data.empty() ? nullptr : value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    for (const auto& [name, sub] : tree.keys) WriteRegTree(root, path + "\\" + name, sub, view);
}

bool ReadRegValue(HKEY root, const std::string& path, const std::string& name, RegValue& value, REGSAM view) {
    Key key(root, path, false, view);
    DWORD size = 0;
    if (!key.Get() ||
        ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    value.data.resize(size);
    return ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, size ? value.data.data() : nullptr,
                              &size) == ERROR_SUCCESS;
}

void WriteRegString(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                    REGSAM view) {
    Key key(root, path, true, view);
    ::RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
}

void WriteRegDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    Key key(root, path, true, 0);
    ::RegSetValueExA(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                     sizeof value);
}

RegistrySnapshot::RegistrySnapshot(HKEY root, std::string path, REGSAM view)
    : root_(root), path_(std::move(path)), view_(view) {
    existed_ = ReadRegTree(root_, path_, tree_, view_);
}

RegistrySnapshot::~RegistrySnapshot() {
    DeleteRegTree(root_, path_, view_);
    if (existed_) WriteRegTree(root_, path_, tree_, view_);
}
