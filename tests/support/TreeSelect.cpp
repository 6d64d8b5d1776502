#include "TreeSelect.h"

#include "win/Strings.h"

namespace testing_support {

std::string TreeItemPath(const CFolderTreeCtrl& tree, HTREEITEM item) {
    const FolderItemData* data = tree.GetFolderData(item);
    char buffer[MAX_PATH] = {};
    if (!data || !data->absolute || !::SHGetPathFromIDListA(data->absolute, buffer)) return {};
    return buffer;
}

namespace {

bool IsPrefixFolder(const std::string& folder, const std::string& path) {
    if (folder.empty() || folder.size() >= path.size()) return false;
    const std::string head = path.substr(0, folder.size());
    const bool separated = folder.back() == '\\' || path[folder.size()] == '\\';
    return separated && win::EqualsNoCase(head, folder);
}

// Depth-first below item: file-system children that lead to path first, then
// virtual children (My Computer), never deeper than a few virtual levels.
HTREEITEM Find(CFolderTreeCtrl& tree, HTREEITEM item, const std::string& path, int virtualDepth) {
    tree.Expand(item, TVE_EXPAND);
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        const std::string childPath = TreeItemPath(tree, child);
        if (win::EqualsNoCase(win::WithoutTrailingBackslashes(childPath),
                              win::WithoutTrailingBackslashes(path)))
            return child;
        if (IsPrefixFolder(childPath, path)) {
            if (HTREEITEM found = Find(tree, child, path, virtualDepth)) return found;
        }
    }
    if (virtualDepth == 0) return nullptr;
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        if (!TreeItemPath(tree, child).empty()) continue;
        if (HTREEITEM found = Find(tree, child, path, virtualDepth - 1)) return found;
    }
    return nullptr;
}

}  // namespace

HTREEITEM FindTreePath(CFolderTreeCtrl& tree, const std::string& path) {
    HTREEITEM root = tree.GetRootItem();
    return root ? Find(tree, root, path, 2) : nullptr;
}

bool SelectTreePath(CFolderTreeCtrl& tree, const std::string& path) {
    HTREEITEM item = FindTreePath(tree, path);
    return item && tree.SelectItem(item);
}

}  // namespace testing_support
