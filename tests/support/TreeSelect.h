// Moves the folder tree's selection to a folder, expanding the branch to it
// the way a user would click down to it.
#pragma once

#include <string>

#include "choosers/FolderTree.h"

namespace testing_support {

// True when the item of path was found and selected (which sends the
// selection-change notification to the tree's parent).
bool SelectTreePath(CFolderTreeCtrl& tree, const std::string& path);
// The item whose folder is path, expanding on the way; null when not found.
HTREEITEM FindTreePath(CFolderTreeCtrl& tree, const std::string& path);
std::string TreeItemPath(const CFolderTreeCtrl& tree, HTREEITEM item);

}  // namespace testing_support
