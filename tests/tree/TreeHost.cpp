#include "TreeHost.h"

#include <cstring>

#include "choosers/IdList.h"
#include "resource.h"
#include "win/Strings.h"

namespace tree_test {

namespace {
constexpr char kSettingKey[] = "Software\\ZORVA\\ZORVA Quillet Tool1.1\\Setting";
constexpr char kValue[] = "CurrentFolder";
}  // namespace

TreeHost::TreeHost() : win::Dialog(IDD_MAIN) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
}

BOOL TreeHost::OnInitDialog() {
    tree.Attach(Item(IDC_FOLDER_TREE));
    return TRUE;
}

bool TreeHost::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW)
        selections.push_back(reinterpret_cast<NMTREEVIEWA*>(header)->itemNew.hItem);
    return tree.HandleNotify(header, result);
}

CurrentFolderGuard::CurrentFolderGuard() {
    saved_ = Read(&had_);
}

CurrentFolderGuard::~CurrentFolderGuard() {
    if (had_)
        Write(saved_);
    else
        Delete();
}

void CurrentFolderGuard::Write(const std::vector<BYTE>& bytes) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr))
        return;
    win::RegKey owned(key);
    ::RegSetValueExA(key, kValue, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void CurrentFolderGuard::Delete() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingKey, 0, KEY_ALL_ACCESS, &key)) return;
    win::RegKey owned(key);
    ::RegDeleteValueA(key, kValue);
}

std::vector<BYTE> CurrentFolderGuard::Read(bool* found) {
    if (found) *found = false;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingKey, 0, KEY_READ, &key)) return {};
    win::RegKey owned(key);
    DWORD size = 0;
    if (::RegQueryValueExA(key, kValue, nullptr, nullptr, nullptr, &size)) return {};
    std::vector<BYTE> bytes(size);
    if (::RegQueryValueExA(key, kValue, nullptr, nullptr, bytes.data(), &size)) return {};
    bytes.resize(size);
    if (found) *found = true;
    return bytes;
}

win::ShellIdList ListOf(const std::string& path) {
    win::ComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.Put()))) return {};
    return idlist::Parse(desktop.Get(), nullptr, path);
}

std::vector<BYTE> BytesOf(LPCITEMIDLIST list) {
    const auto* p = reinterpret_cast<const BYTE*>(list);
    return std::vector<BYTE>(p, p + ::ILGetSize(list));
}

void StoreFolder(const std::string& path) {
    win::ShellIdList list = ListOf(path);
    if (list.Get()) CurrentFolderGuard::Write(BytesOf(list.Get()));
}

std::vector<std::string> ChildLabels(const CFolderTreeCtrl& tree, HTREEITEM item) {
    std::vector<std::string> labels;
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child))
        labels.push_back(tree.GetItemText(child));
    return labels;
}

HTREEITEM FindChild(const CFolderTreeCtrl& tree, HTREEITEM parent, const std::string& label) {
    for (HTREEITEM child = tree.GetChildItem(parent); child; child = tree.GetNextSiblingItem(child))
        if (win::EqualsNoCase(tree.GetItemText(child), label)) return child;
    return nullptr;
}

std::string PathOf(const CFolderTreeCtrl& tree, HTREEITEM item) {
    const FolderItemData* data = tree.GetFolderData(item);
    char buffer[MAX_PATH] = {};
    if (!data || !::SHGetPathFromIDListA(data->absolute, buffer)) return {};
    return buffer;
}

HTREEITEM ParentOf(const CFolderTreeCtrl& tree, HTREEITEM item) {
    return tree.GetNextItem(item, TVGN_PARENT);
}

std::string Outline(const CFolderTreeCtrl& tree, HTREEITEM item, int depth) {
    std::string text = std::string(depth * 2, ' ') + tree.GetItemText(item) +
                       (tree.ItemHasChildren(item) ? "+" : "") + (tree.IsExpandedOnce(item) ? "*" : "") +
                       "\n";
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child))
        text += Outline(tree, child, depth + 1);
    return text;
}

}  // namespace tree_test
