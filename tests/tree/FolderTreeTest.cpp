#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "AllocationCounter.h"
#include "TestFiles.h"
#include "TreeHost.h"
#include "choosers/IdList.h"
#include "win/Strings.h"

using testing_support::MakeDirs;
using testing_support::RemoveTree;
using testing_support::TempDir;
using testing_support::WriteFile;
using namespace tree_test;

namespace {

class FolderTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ole.Succeeded());
        ASSERT_TRUE(host.Create(nullptr));
        ASSERT_TRUE(tree().Handle());
    }
    void TearDown() override { host.Destroy(); }

    CFolderTreeCtrl& tree() { return host.tree; }
    // Fills the tree with path stored as the current folder; its item.
    HTREEITEM FillAt(const std::string& path) {
        StoreFolder(path);
        tree().FillTree();
        return tree().GetSelectedItem();
    }
    bool Has(HTREEITEM item, const std::string& label) { return FindChild(tree(), item, label) != nullptr; }
    // Expects the item's icons, closed and open, to be those the shell gives
    // for it; the closed one.
    int ExpectShellIcons(HTREEITEM item) {
        TVITEMA tvi = {};
        tvi.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        tvi.hItem = item;
        EXPECT_TRUE(::SendMessageA(tree().Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)));
        for (UINT open : {0u, static_cast<UINT>(SHGFI_OPENICON)}) {
            SHFILEINFOA info = {};
            ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(tree().GetFolderData(item)->absolute), 0, &info,
                             sizeof info, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | open);
            EXPECT_EQ(open ? tvi.iSelectedImage : tvi.iImage, info.iIcon) << tree().GetItemText(item);
        }
        return tvi.iImage;
    }

    win::OleScope ole;
    CurrentFolderGuard guard;
    TreeHost host;
};

TEST_F(FolderTree, FirstRunAndAnEmptyValueSelectNothing) {
    CurrentFolderGuard::Delete();
    tree().FillTree();
    const HTREEITEM root = tree().GetRootItem();
    ASSERT_TRUE(root);
    EXPECT_FALSE(tree().GetSelectedItem());
    EXPECT_EQ(tree().GetSelectedPath(), "");
    EXPECT_EQ(tree().IsSelectedFileSystem(), 0);
    // The root is the Desktop, loaded: its list is the terminator alone.
    const FolderItemData* data = tree().GetFolderData(root);
    ASSERT_TRUE(data);
    EXPECT_EQ(::ILGetSize(data->absolute), 2u);
    EXPECT_TRUE(tree().IsExpandedOnce(root));
    EXPECT_TRUE(tree().GetChildItem(root));
    // The system's small icons; a refill keeps the list already attached.
    const HIMAGELIST icons = tree().GetImageList(TVSIL_NORMAL);
    EXPECT_TRUE(icons);
    // Each item's icons are the shell's, looked up once it is drawn.
    ::ShowWindow(host.Handle(), SW_SHOW);
    ::UpdateWindow(tree().Handle());
    for (HTREEITEM item : {root, tree().GetChildItem(root)}) ExpectShellIcons(item);

    // Saving without a selection leaves the stored value alone.
    const std::vector<BYTE> sentinel = {4, 0, 'x', 'y', 0, 0};
    CurrentFolderGuard::Write(sentinel);
    tree().SaveCurrentFolder();
    EXPECT_EQ(CurrentFolderGuard::Read(), sentinel);

    tree().DeleteAllItems();
    CurrentFolderGuard::Write({});
    tree().FillTree();
    EXPECT_TRUE(tree().GetRootItem());
    EXPECT_FALSE(tree().GetSelectedItem());
    EXPECT_EQ(tree().GetImageList(TVSIL_NORMAL), icons);
}

TEST_F(FolderTree, TheTerminatorAloneAGoneFolderOrADamagedValueSelectTheRoot) {
    CurrentFolderGuard::Write({0, 0});
    tree().FillTree();
    EXPECT_EQ(tree().GetSelectedItem(), tree().GetRootItem());

    TempDir dir;
    MakeDirs(dir / "gone");
    StoreFolder(dir / "gone");
    RemoveTree(dir / "gone");
    tree().DeleteAllItems();
    tree().FillTree();
    EXPECT_EQ(tree().GetSelectedItem(), tree().GetRootItem());

    // A count running past the end of the value, and a value with no terminator.
    for (const std::vector<BYTE>& damaged :
         {std::vector<BYTE>{40, 0, 1, 2, 0, 0}, std::vector<BYTE>{4, 0, 1, 2}, std::vector<BYTE>{1, 0, 0}}) {
        CurrentFolderGuard::Write(damaged);
        tree().DeleteAllItems();
        tree().FillTree();
        EXPECT_EQ(tree().GetSelectedItem(), tree().GetRootItem());
    }
}

TEST_F(FolderTree, AStoredFolderIsRestoredAndSavedBackByteForByte) {
    TempDir dir;
    const HTREEITEM item = FillAt(dir.Path());
    ASSERT_TRUE(item);
    EXPECT_TRUE(win::EqualsNoCase(tree().GetSelectedPath(), dir.Path())) << tree().GetSelectedPath();
    EXPECT_EQ(tree().IsSelectedFileSystem(), 1);
    // Only the branch was loaded, not the restored folder itself.
    EXPECT_FALSE(tree().IsExpandedOnce(item));

    const std::vector<BYTE> stored = CurrentFolderGuard::Read();
    CurrentFolderGuard::Delete();
    tree().SaveCurrentFolder();
    const std::vector<BYTE> saved = CurrentFolderGuard::Read();
    const FolderItemData* data = tree().GetFolderData(item);
    ASSERT_TRUE(data);
    EXPECT_EQ(saved.size(), ::ILGetSize(data->absolute));
    EXPECT_EQ(saved, BytesOf(data->absolute));
    EXPECT_EQ(saved, stored);
    ASSERT_GE(saved.size(), 2u);
    EXPECT_EQ(saved[saved.size() - 1], 0);
    EXPECT_EQ(saved[saved.size() - 2], 0);

    // The refresh sequence comes back to the same folder.
    tree().DeleteAllItems();
    EXPECT_FALSE(tree().GetRootItem());
    tree().FillTree();
    EXPECT_TRUE(win::EqualsNoCase(tree().GetSelectedPath(), dir.Path()));
}

TEST_F(FolderTree, MyComputerHasNoPath) {
    TempDir dir;
    HTREEITEM item = FillAt(dir.Path());
    ASSERT_TRUE(item);
    // Up the branch to the Desktop's child: "My Computer", holding the drives.
    const HTREEITEM root = tree().GetRootItem();
    while (ParentOf(tree(), item) != root) item = ParentOf(tree(), item);
    ASSERT_TRUE(tree().SelectItem(item));
    EXPECT_EQ(tree().GetSelectedPath(), "");
    EXPECT_EQ(tree().IsSelectedFileSystem(), 0);
    // The Desktop root is not virtual: the shell gives it the Desktop directory.
}

TEST_F(FolderTree, ExpansionListsFoldersOnlyHiddenIncludedSortedAndLoadsOnce) {
    TempDir dir;
    MakeDirs(dir / "plain");
    MakeDirs(dir / "Files");
    WriteFile(dir / "Files\\a.txt", "a");
    WriteFile(dir / "Files\\b.txt", "b");
    MakeDirs(dir / "hidden");
    ASSERT_TRUE(::SetFileAttributesA((dir / "hidden").c_str(), FILE_ATTRIBUTE_HIDDEN));
    // A folder with an icon of its own, among plain ones that share theirs.
    MakeDirs(dir / "Custom");
    WriteFile(dir / "Custom\\desktop.ini",
              "[.ShellClassInfo]\r\nIconFile=C:\\windows\\system32\\shell32.dll\r\nIconIndex=12\r\n");
    ASSERT_TRUE(::SetFileAttributesA((dir / "Custom").c_str(), FILE_ATTRIBUTE_READONLY));
    WriteFile(dir / "top.txt", "t");
    const HTREEITEM item = FillAt(dir.Path());
    ASSERT_TRUE(item);

    tree().Expand(item, TVE_EXPAND);
    EXPECT_TRUE(tree().IsExpandedOnce(item));
    EXPECT_EQ(ChildLabels(tree(), item), (std::vector<std::string>{"Custom", "Files", "hidden", "plain"}));
    // Each child, drawn, shows the shell's own icons for it.
    ::ShowWindow(host.Handle(), SW_SHOW);
    ::UpdateWindow(tree().Handle());
    std::set<int> icons;
    for (HTREEITEM child = tree().GetChildItem(item); child; child = tree().GetNextSiblingItem(child))
        icons.insert(ExpectShellIcons(child));
    EXPECT_EQ(icons.size(), 2u);  // the custom icon and the plain one
    ::SetFileAttributesA((dir / "Custom").c_str(), FILE_ATTRIBUTE_NORMAL);

    // A folder of files only loses its button on the first expansion.
    const HTREEITEM files = FindChild(tree(), item, "Files");
    ASSERT_TRUE(files);
    tree().Expand(files, TVE_EXPAND);
    EXPECT_FALSE(tree().GetChildItem(files));
    EXPECT_FALSE(tree().ItemHasChildren(files));

    // Collapsing and expanding again does not see what appeared meanwhile.
    MakeDirs(dir / "later");
    tree().Expand(item, TVE_COLLAPSE);
    tree().Expand(item, TVE_EXPAND);
    EXPECT_FALSE(Has(item, "later"));
    EXPECT_EQ(ChildLabels(tree(), item).size(), 4u);
}

TEST_F(FolderTree, AddFolderByPathOnlyGivesAnUnloadedParentAButton) {
    TempDir dir;
    MakeDirs(dir / "Files");
    WriteFile(dir / "Files\\a.txt", "a");
    MakeDirs(dir / "plain");
    const HTREEITEM item = FillAt(dir.Path());
    ASSERT_TRUE(item);
    tree().Expand(item, TVE_EXPAND);
    const HTREEITEM files = FindChild(tree(), item, "Files");
    ASSERT_TRUE(files);
    tree().Expand(files, TVE_EXPAND);
    ASSERT_FALSE(tree().ItemHasChildren(files));

    MakeDirs(dir / "Files\\new");
    tree().AddFolderByPath(dir / "Files\\new");
    EXPECT_TRUE(tree().ItemHasChildren(files));
    EXPECT_FALSE(tree().GetChildItem(files));
    // Its first expansion finds the folder.
    tree().Expand(files, TVE_EXPAND);
    EXPECT_EQ(ChildLabels(tree(), files), std::vector<std::string>{"new"});

    // A level that was never loaded is not loaded now.
    const HTREEITEM plain = FindChild(tree(), item, "plain");
    MakeDirs(dir / "plain\\a\\b");
    tree().AddFolderByPath(dir / "plain\\a\\b");
    EXPECT_FALSE(tree().IsExpandedOnce(plain));
    EXPECT_FALSE(tree().GetChildItem(plain));
}

TEST_F(FolderTree, AddFolderByPathInsertsUnderALoadedParentOnce) {
    TempDir dir;
    MakeDirs(dir / "b");
    MakeDirs(dir / "d");
    const HTREEITEM item = FillAt(dir.Path());
    ASSERT_TRUE(item);
    tree().Expand(item, TVE_EXPAND);

    MakeDirs(dir / "c");
    tree().AddFolderByPath(dir / "c");
    EXPECT_EQ(ChildLabels(tree(), item), (std::vector<std::string>{"b", "c", "d"}));
    tree().AddFolderByPath(dir / "c");
    tree().AddFolderByPath(dir / "c\\");
    EXPECT_EQ(ChildLabels(tree(), item).size(), 3u);
    const FolderItemData* data = tree().GetFolderData(FindChild(tree(), item, "c"));
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->attributes & SFGAO_FILESYSTEM);

    // Paths that lead nowhere change nothing.
    tree().AddFolderByPath(dir / "missing\\deeper");
    tree().AddFolderByPath("");
    tree().AddFolderByPath(std::string(300, 'x'));
    EXPECT_EQ(ChildLabels(tree(), item).size(), 3u);
}

// One call for many paths leaves the tree as one call per path does.
TEST_F(FolderTree, AddFoldersByPathGivesTheTreeOfOneCallPerPath) {
    TempDir dir;
    MakeDirs(dir / "loaded\\b");
    MakeDirs(dir / "loaded\\deep\\x");
    MakeDirs(dir / "idle\\x");
    MakeDirs(dir / "empty");
    MakeDirs(dir / "pruned\\old");
    StoreFolder(dir.Path());
    TreeHost batched;
    ASSERT_TRUE(batched.Create(nullptr));
    // Both trees alike: loaded and loaded\deep read; pruned read and emptied
    // since; idle and empty never read, empty without a button.
    auto prepare = [&](CFolderTreeCtrl& t) {
        t.FillTree();
        const HTREEITEM top = t.GetSelectedItem();
        t.Expand(top, TVE_EXPAND);
        const HTREEITEM loaded = FindChild(t, top, "loaded");
        t.Expand(loaded, TVE_EXPAND);
        t.Expand(FindChild(t, loaded, "deep"), TVE_EXPAND);
        t.Expand(FindChild(t, top, "pruned"), TVE_EXPAND);
        return top;
    };
    const HTREEITEM top = prepare(tree());
    const HTREEITEM batchedTop = prepare(batched.tree);
    RemoveTree(dir / "pruned\\old");
    for (CFolderTreeCtrl* t : {&tree(), &batched.tree}) {
        t->RefreshFolderByPath(dir / "pruned");
        t->RefreshFolderByPath(dir / "empty");
    }
    ASSERT_FALSE(tree().ItemHasChildren(FindChild(tree(), top, "pruned")));
    ASSERT_FALSE(tree().ItemHasChildren(FindChild(tree(), top, "empty")));

    for (const char* name : {"loaded\\a", "loaded\\c", "loaded\\e", "loaded\\deep\\y", "idle\\y", "idle\\z",
                             "pruned\\n1", "pruned\\n2", "empty\\n1", "empty\\n2"})
        MakeDirs(dir / name);
    const std::vector<std::string> paths = {
        dir / "loaded\\c",    dir / "loaded\\a",       dir / "idle\\y",      dir / "loaded\\deep\\y",
        dir / "loaded\\e",    dir / "loaded\\C\\",     dir / "loaded\\c",    dir / "loaded\\b",
        dir / "idle\\z",      dir / "pruned\\n2",      dir / "pruned\\n1",   dir / "empty\\n1",
        dir / "empty\\n2",    dir / "loaded\\missing", dir / "gone\\deeper", "",
        std::string(300, 'x')};
    for (const std::string& path : paths) tree().AddFolderByPath(path);
    batched.tree.AddFoldersByPath(paths);

    EXPECT_EQ(Outline(batched.tree, batchedTop), Outline(tree(), top));
    const HTREEITEM loaded = FindChild(batched.tree, batchedTop, "loaded");
    EXPECT_EQ(ChildLabels(batched.tree, loaded), (std::vector<std::string>{"a", "b", "c", "deep", "e"}));
    EXPECT_EQ(ChildLabels(batched.tree, FindChild(batched.tree, batchedTop, "pruned")),
              (std::vector<std::string>{"n1", "n2"}));
    const HTREEITEM empty = FindChild(batched.tree, batchedTop, "empty");
    EXPECT_TRUE(batched.tree.ItemHasChildren(empty));
    EXPECT_FALSE(batched.tree.GetChildItem(empty));
    EXPECT_EQ(batched.tree.GetSelectedItem(), batchedTop);
}

// F5 reads the loaded folders again in place: what appeared comes in, what
// went goes, and the rest keeps its items, expanded state and selection.
TEST_F(FolderTree, RefreshTreeFollowsTheDiskAndKeepsWhatIsStillThere) {
    TempDir dir;
    MakeDirs(dir / "keep\\inner");
    MakeDirs(dir / "gone\\inner");
    MakeDirs(dir / "emptied\\last");
    MakeDirs(dir / "lower");
    const HTREEITEM top = FillAt(dir.Path());
    ASSERT_TRUE(top);
    tree().Expand(top, TVE_EXPAND);
    const HTREEITEM keep = FindChild(tree(), top, "keep");
    tree().Expand(keep, TVE_EXPAND);
    const HTREEITEM inner = FindChild(tree(), keep, "inner");
    const HTREEITEM emptied = FindChild(tree(), top, "emptied");
    const HTREEITEM lower = FindChild(tree(), top, "lower");
    tree().Expand(emptied, TVE_EXPAND);
    tree().Expand(emptied, TVE_COLLAPSE);  // read once, folded again

    MakeDirs(dir / "new");
    MakeDirs(dir / "keep\\inner2");
    RemoveTree(dir / "gone");
    RemoveTree(dir / "emptied\\last");
    // Through another name: Wine takes a change of case alone for no change.
    ASSERT_TRUE(::MoveFileA((dir / "lower").c_str(), (dir / "tmp").c_str()));
    ASSERT_TRUE(::MoveFileA((dir / "tmp").c_str(), (dir / "LOWER").c_str()));
    CurrentFolderGuard::Delete();
    host.selections.clear();
    tree().RefreshTree();
    EXPECT_EQ(ChildLabels(tree(), top), (std::vector<std::string>{"emptied", "keep", "LOWER", "new"}));
    EXPECT_EQ(ChildLabels(tree(), keep), (std::vector<std::string>{"inner", "inner2"}));
    EXPECT_EQ(FindChild(tree(), keep, "inner"), inner);
    EXPECT_EQ(FindChild(tree(), top, "lower"), lower);  // a change of case keeps the item
    EXPECT_TRUE(tree().GetItemState(keep, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_FALSE(tree().GetItemState(emptied, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_FALSE(tree().ItemHasChildren(emptied));
    EXPECT_EQ(tree().GetSelectedItem(), top);
    EXPECT_TRUE(host.selections.empty());
    // The selected item's own list: a list parsed now would carry the
    // folder's new write time, which the changes above moved.
    ASSERT_TRUE(tree().GetFolderData(top));
    EXPECT_EQ(CurrentFolderGuard::Read(), BytesOf(tree().GetFolderData(top)->absolute));
    EXPECT_TRUE(win::EqualsNoCase(PathOf(tree(), top), dir.Path()));

    const std::string unchanged = Outline(tree(), tree().GetRootItem());
    tree().RefreshTree();
    EXPECT_EQ(Outline(tree(), tree().GetRootItem()), unchanged);

    // The selected folder gone: the root is selected straight away, as a
    // fresh fill would, and the other branches stay as they are.
    ASSERT_TRUE(tree().SelectItem(inner));
    RemoveTree(dir / "keep");
    host.selections.clear();
    tree().RefreshTree();
    EXPECT_EQ(tree().GetSelectedItem(), tree().GetRootItem());
    EXPECT_EQ(host.selections, std::vector<HTREEITEM>{tree().GetRootItem()});
    EXPECT_EQ(ChildLabels(tree(), top), (std::vector<std::string>{"emptied", "LOWER", "new"}));
    EXPECT_TRUE(tree().GetItemState(top, TVIS_EXPANDED) & TVIS_EXPANDED);
}

// After an operation the window names the folders that may have gone; F5's
// kin looks at every child.
TEST_F(FolderTree, RefreshFolderByPathAndRemoveFoldersByPathDropFoldersThatAreGone) {
    TempDir dir;
    for (const char* name : {"keep", "drop1", "drop2\\inner", "Mixed", "stay", "selected\\inner", "last"})
        MakeDirs(dir / name);
    const HTREEITEM item = FillAt(dir.Path());
    ASSERT_TRUE(item);
    tree().Expand(item, TVE_EXPAND);
    ASSERT_EQ(ChildLabels(tree(), item).size(), 7u);

    RemoveTree(dir / "drop1");
    RemoveTree(dir / "drop2");
    tree().RefreshFolderByPath(dir.Path());
    EXPECT_EQ(ChildLabels(tree(), item),
              (std::vector<std::string>{"keep", "last", "Mixed", "selected", "stay"}));

    // Named in another case, named but still there, never there, gone with
    // the selection inside it, in a folder the tree never loaded.
    tree().Expand(FindChild(tree(), item, "selected"), TVE_EXPAND);
    tree().SelectItem(FindChild(tree(), FindChild(tree(), item, "selected"), "inner"));
    RemoveTree(dir / "Mixed");
    RemoveTree(dir / "selected");
    tree().RemoveFoldersByPath(
        {dir / "mixed", dir / "stay", dir / "never", dir / "selected\\", dir / "keep\\x"});
    EXPECT_EQ(ChildLabels(tree(), item), (std::vector<std::string>{"keep", "last", "stay"}));
    EXPECT_EQ(tree().GetSelectedItem(), tree().GetRootItem());

    // Several at once in an open folder: it is still open after.
    RemoveTree(dir / "keep");
    RemoveTree(dir / "stay");
    tree().RemoveFoldersByPath({dir / "keep", dir / "stay"});
    EXPECT_EQ(ChildLabels(tree(), item), std::vector<std::string>{"last"});
    EXPECT_TRUE(tree().GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED);
    RemoveTree(dir / "last");
    tree().RemoveFoldersByPath({dir / "last"});
    EXPECT_FALSE(tree().GetChildItem(item));
    EXPECT_FALSE(tree().ItemHasChildren(item));
}

TEST_F(FolderTree, RefreshFolderByPathOnAnUnloadedFolderRechecksItsButton) {
    TempDir dir;
    MakeDirs(dir / "sub\\inner");
    const HTREEITEM item = FillAt(dir.Path());
    ASSERT_TRUE(item);
    tree().Expand(item, TVE_EXPAND);
    const HTREEITEM sub = FindChild(tree(), item, "sub");
    ASSERT_TRUE(sub);
    ASSERT_TRUE(tree().ItemHasChildren(sub));

    tree().RefreshFolderByPath(dir / "sub");
    EXPECT_TRUE(tree().ItemHasChildren(sub));
    RemoveTree(dir / "sub\\inner");
    tree().RefreshFolderByPath(dir / "sub");
    EXPECT_FALSE(tree().ItemHasChildren(sub));
    EXPECT_FALSE(tree().IsExpandedOnce(sub));
}

TEST_F(FolderTree, AddChildFolderLoadsOrInsertsAndKeepsTheSelection) {
    TempDir dir;
    MakeDirs(dir / "b");
    const HTREEITEM item = FillAt(dir.Path());
    ASSERT_TRUE(item);
    ASSERT_FALSE(tree().IsExpandedOnce(item));

    // Not loaded yet: the expansion enumerates the new folder with the rest.
    MakeDirs(dir / "c");
    tree().AddChildFolder("c");
    EXPECT_TRUE(tree().IsExpandedOnce(item));
    EXPECT_EQ(ChildLabels(tree(), item), (std::vector<std::string>{"b", "c"}));

    MakeDirs(dir / "a");
    tree().AddChildFolder("a");
    EXPECT_EQ(ChildLabels(tree(), item), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(tree().GetSelectedItem(), item);

    tree().AddChildFolder("does not exist");
    EXPECT_EQ(ChildLabels(tree(), item).size(), 3u);
}

TEST_F(FolderTree, ARenameOnDiskIsFollowedBySyncAndPrune) {
    TempDir dir;
    MakeDirs(dir / "old");
    MakeDirs(dir / "other");
    const HTREEITEM item = FillAt(dir.Path());
    ASSERT_TRUE(item);

    // Not loaded: only a button, whatever the name.
    ASSERT_TRUE(::MoveFileA((dir / "old").c_str(), (dir / "new").c_str()));
    tree().SyncRenamedChild("new");
    EXPECT_FALSE(tree().IsExpandedOnce(item));
    EXPECT_TRUE(tree().ItemHasChildren(item));
    ASSERT_TRUE(::MoveFileA((dir / "new").c_str(), (dir / "old").c_str()));

    tree().Expand(item, TVE_EXPAND);
    ASSERT_EQ(ChildLabels(tree(), item), (std::vector<std::string>{"old", "other"}));
    ASSERT_TRUE(::MoveFileA((dir / "old").c_str(), (dir / "aaa").c_str()));
    tree().SyncRenamedChild("aaa");
    EXPECT_EQ(ChildLabels(tree(), item), (std::vector<std::string>{"aaa", "old", "other"}));
    tree().SyncRenamedChild("aaa");  // already there
    tree().SyncRenamedChild("missing");
    EXPECT_EQ(ChildLabels(tree(), item).size(), 3u);

    tree().PruneMissingChildren();
    EXPECT_EQ(ChildLabels(tree(), item), (std::vector<std::string>{"aaa", "other"}));
    EXPECT_EQ(tree().GetSelectedItem(), item);
}

// Every record and ID list goes back to the shell allocator, whether the
// items are deleted or the window is destroyed with them still in it.
TEST(FolderTreeMemory, RecordsAndListsAreFreed) {
    win::OleScope ole;
    CurrentFolderGuard guard;
    TempDir dir;
    MakeDirs(dir / "a\\b");
    StoreFolder(dir.Path());
    auto cycle = [](bool destroyWithItems) {
        TreeHost host;
        ASSERT_TRUE(host.Create(nullptr));
        host.tree.FillTree();
        HTREEITEM item = host.tree.GetSelectedItem();
        ASSERT_TRUE(item);
        host.tree.Expand(item, TVE_EXPAND);
        host.tree.SaveCurrentFolder();
        const std::string path = host.tree.GetSelectedPath();
        host.tree.AddFolderByPath(path + "\\a\\b");
        host.tree.RefreshFolderByPath(path);
        // Folders read in, matched, inserted and dropped again.
        MakeDirs(path + "\\n1");
        MakeDirs(path + "\\n2");
        host.tree.AddFoldersByPath({path + "\\n1", path + "\\n2", path + "\\a"});
        RemoveTree(path + "\\n1");
        MakeDirs(path + "\\n3");
        host.tree.RefreshTree();
        RemoveTree(path + "\\n2");
        RemoveTree(path + "\\n3");
        host.tree.RefreshTree();
        // Otherwise the dialog goes with its object: no notification reaches the tree object then.
        if (!destroyWithItems) {
            host.tree.DeleteAllItems();
            host.Destroy();
        }
    };
    cycle(false);  // the shell's own caches settle on the first run
    for (bool destroyWithItems : {false, true}) {
        AllocationCounter counter;
        ASSERT_TRUE(counter.Registered());
        cycle(destroyWithItems);
        EXPECT_EQ(counter.Outstanding(), 0) << (destroyWithItems ? "destroyed" : "deleted");
    }
}

TEST(HasSubfolders, FindsARealSubfolderAnywhereInTheListing) {
    TempDir dir;
    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders(dir.Path()), 0);
    WriteFile(dir / "a.txt", "a");
    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders(dir.Path()), 0);
    MakeDirs(dir / "z");
    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders(dir.Path()), 1);
    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders(dir.Path() + "\\"), 1);

    TempDir only;
    MakeDirs(only / "first");
    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders(only.Path()), 1);

    // A drive root lists no "." entry.
    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders("C:\\"), 1);
    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders("C:"), 1);

    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders(dir / "missing"), 0);
    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders(""), 0);
    EXPECT_EQ(CFolderTreeCtrl::HasSubfolders(std::string(300, 'x')), 0);
}

TEST(IdList, TheShellsHelpersAsTheTreeUsesThemAndTheWellFormedCheck) {
    // The tree relies on these edges: the root's empty parent list, and a
    // null next item past the terminator.
    const BYTE two[] = {4, 0, 'a', 'b', 3, 0, 'c', 0, 0};
    const auto list = reinterpret_cast<LPCITEMIDLIST>(two);
    EXPECT_EQ(::ILGetSize(list), 9u);
    EXPECT_EQ(::ILGetSize(nullptr), 0u);
    EXPECT_EQ(::ILGetNext(list)->mkid.cb, 3);
    EXPECT_EQ(::ILGetNext(::ILGetNext(::ILGetNext(list))), nullptr);

    win::ShellIdList first(::ILCloneFirst(list));
    ASSERT_TRUE(first.Get());
    EXPECT_EQ(BytesOf(first.Get()), (std::vector<BYTE>{4, 0, 'a', 'b', 0, 0}));

    win::ShellIdList both(::ILCombine(first.Get(), list));
    EXPECT_EQ(BytesOf(both.Get()), (std::vector<BYTE>{4, 0, 'a', 'b', 4, 0, 'a', 'b', 3, 0, 'c', 0, 0}));
    win::ShellIdList copy(::ILCombine(nullptr, list));
    EXPECT_EQ(BytesOf(copy.Get()), BytesOf(list));

    EXPECT_TRUE(idlist::IsWellFormed(two, sizeof two));
    EXPECT_FALSE(idlist::IsWellFormed(two, sizeof two - 1));
    const BYTE stuck[] = {1, 0, 0, 0};
    EXPECT_FALSE(idlist::IsWellFormed(stuck, sizeof stuck));
}

}  // namespace
