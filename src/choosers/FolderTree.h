// The folder tree on the left of the main window: the shell namespace from
// the Desktop down, folders only, each folder's children loaded on its first
// expansion. It wraps the tree view of the dialog template; the parent hands
// it the tree's notifications through HandleNotify. It never changes
// anything on disk: the update calls only bring the items up to date.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <map>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "win/Strings.h"
#include "win/TreeView.h"

// One per tree item, in the item's lParam. The record and both lists come
// from the shell allocator and go back to it when the item is deleted.
struct FolderItemData {
    IShellFolder* folder;   // one reference; the Desktop itself for the root
    LPITEMIDLIST relative;  // the item's own SHITEMID, terminated
    LPITEMIDLIST absolute;  // the full list from the Desktop (the root: terminator alone)
    ULONG attributes;       // SFGAO_ flags at insertion
    // The folder's last-write time when its children were last read in
    // full (0: unknown, or a folder whose time does not tell).
    mutable ULONGLONG childrenRead;
    // The small icons (closed, open) of this folder's plain subfolders,
    // looked up for the first of them; -1 until then.
    mutable int plainIcon;
    mutable int plainOpenIcon;
};

class CFolderTreeCtrl : public win::TreeView {
public:
    // settingsKey: the key under HKEY_CURRENT_USER whose "Setting" sub key
    // keeps the CurrentFolder value.
    explicit CFolderTreeCtrl(std::string settingsKey) : settingsKey_(std::move(settingsKey)) {}
    CFolderTreeCtrl(const CFolderTreeCtrl&) = delete;
    CFolderTreeCtrl& operator=(const CFolderTreeCtrl&) = delete;

    // Takes over the tree view (not owned). Records left when the window is
    // destroyed are freed even if no TVN_DELETEITEM reaches HandleNotify.
    void Attach(HWND tree);

    // TVN_ITEMEXPANDING, TVN_DELETEITEM, TVN_GETDISPINFO (icons, looked
    // up when an item is first drawn) and NM_CUSTOMDRAW (the selected
    // folder shown plainly without the focus) of this tree; true when
    // handled, with the notification's result in result.
    bool HandleNotify(NMHDR* header, LRESULT& result);

    // Desktop root and its children, then the folder saved in CurrentFolder
    // selected (the root when it is gone, nothing on a first run).
    void FillTree();
    // The selected folder into CurrentFolder; nothing without a selection.
    void SaveCurrentFolder();

    // File-system path of the selected folder; empty when there is none.
    std::string GetSelectedPath() const;
    // 1 when the selected item is a file-system folder, else 0.
    int IsSelectedFileSystem() const;

    // A folder was created inside the selected folder.
    void AddChildFolder(const std::string& name);
    // A subfolder of the selected folder was renamed to newName.
    void SyncRenamedChild(const std::string& newName);
    // Drops children of the selected folder whose folders are gone.
    void PruneMissingChildren();
    // A folder appeared at path (full path, no trailing backslash).
    void AddFolderByPath(const std::string& path);
    // Folders appeared at paths: the same tree as AddFolderByPath for each in
    // turn, but each parent is found, read and sorted once.
    void AddFoldersByPath(const std::vector<std::string>& paths);
    // Reads every loaded folder again: new subfolders come in, gone ones go,
    // items still there keep their state (expanded, records, icons). The
    // selection is saved and kept; when its folder is gone the root is
    // selected, as FillTree would.
    void RefreshTree();
    // Subfolders of the folder at path may have gone.
    void RefreshFolderByPath(const std::string& path);
    // The folders at paths may have gone: each parent's children are walked
    // once, and only those labelled with the names are looked at on disk.
    // A gone folder that holds the selection leaves the root selected.
    // knownGone: the caller saw them go, and the disk is not asked again.
    void RemoveFoldersByPath(const std::vector<std::string>& paths, bool knownGone = false);
    // A drive (root "E:\") came or went: its node under the computer
    // follows whether it holds a readable medium now.
    void SyncDriveNode(const std::string& root);

    // Stores a folder (full path) as CurrentFolder, so that the next FillTree
    // selects it; false when the shell does not know the path.
    static bool StoreCurrentFolderPath(const std::string& settingsKey, const std::string& path);
    static bool HasStoredCurrentFolder(const std::string& settingsKey);
    // The file-system path of the stored CurrentFolder; empty when there is
    // none, it is damaged or it names no file-system folder.
    static std::string StoredCurrentFolderPath(const std::string& settingsKey);

    // 1 when the folder holds a subfolder, else 0 (also when unreadable).
    static int HasSubfolders(const std::string& path);

    const FolderItemData* GetFolderData(HTREEITEM item) const {
        return reinterpret_cast<const FolderItemData*>(GetItemData(item));
    }
    bool IsExpandedOnce(HTREEITEM item) const {
        return GetItemState(item, TVIS_EXPANDEDONCE) & TVIS_EXPANDEDONCE;
    }

private:
    struct NoCaseLess {
        bool operator()(const std::string& a, const std::string& b) const {
            return win::CompareNoCase(a, b) < 0;
        }
    };
    using NameSet = std::set<std::string, NoCaseLess>;
    using NamesByParent = std::map<std::string, NameSet, NoCaseLess>;

    std::string settingsKey_;

    HWND OwnerWindow() const;
    HTREEITEM InsertShellItem(LPCITEMIDLIST parentAbsolute, LPCITEMIDLIST childId, IShellFolder* parentFolder,
                              HTREEITEM parentItem, HTREEITEM insertAfter);
    void EnumerateChildren(const NMTREEVIEWA& view);
    static int CALLBACK CompareItems(LPARAM a, LPARAM b, LPARAM folder);
    HTREEITEM FindChildByID(HTREEITEM parent, LPCITEMIDLIST id) const;
    HTREEITEM FindChildExpanding(HTREEITEM parent, LPCITEMIDLIST id);
    void SetChildrenFlag(HTREEITEM item, int children) const;
    void SortChildren(HTREEITEM item) const;
    void AttachSystemImageList() const;
    void SelectStoredFolder(HTREEITEM root);
    // Parses and inserts name as a child of item, with no predecessor.
    bool InsertChildByName(HTREEITEM item, const std::string& name);
    // The walk of AddFolderByPath for one full path.
    void AddOneFolder(const std::string& path);
    // paths grouped by their parent folder; a path with no parent to name
    // (a drive) goes into `alone`.
    static NamesByParent GroupByParent(const std::vector<std::string>& paths,
                                       std::vector<std::string>* alone);
    // The item of the folder at path when the tree has loaded every level
    // down to it, else null.
    HTREEITEM LoadedItemOfPath(const std::string& path) const;
    // names (no duplicates) appeared in the folder at parent.
    void AddFoldersInParent(const std::string& parent, const NameSet& names);
    void RemoveFoldersInParent(const std::string& parent, const NameSet& names, bool knownGone);
    // Parses name in parent's folder and inserts it unless it is there;
    // true when inserted (unsorted).
    bool AddChildIfMissing(HTREEITEM parent, const std::string& name);
    // Matches item's children against its folder on disk: inserts the
    // missing ones and removes those gone. With `only`, just the folders
    // named there are inserted (and taken out of it) and nothing is removed.
    // False when the folder cannot be read.
    bool SyncChildren(HTREEITEM item, NameSet* only);
    // The last-write time of an item's folder on a fixed drive, which
    // changes whenever an entry comes, goes or is renamed in it; 0 for any
    // other folder (a card's file system keeps no such time for folders, a
    // share may not tell). driveTypes holds what the drives said so far.
    static ULONGLONG ChildrenStamp(const FolderItemData& data, std::map<char, UINT>& driveTypes);
    // Deletes item; when it holds the selection, the root is selected first.
    void DeleteKeepingSelection(HTREEITEM item);
    void SetItemText(HTREEITEM item, const std::string& text) const;
    void ProvideIcons(TVITEMA& item) const;
    // The items whose children were read (TVIS_EXPANDEDONCE), for F5.
    std::unordered_set<HTREEITEM> loaded_;
};
