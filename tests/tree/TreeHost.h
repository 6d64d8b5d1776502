// The main dialog template with the folder tree bound to its control 1000,
// OLE initialised, and the CurrentFolder value put back as it was.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/App.h"
#include "choosers/FolderTree.h"
#include "win/Dialog.h"
#include "win/Handles.h"

namespace tree_test {

class TreeHost : public win::Dialog {
public:
    TreeHost();
    CFolderTreeCtrl tree{CZELMaintenanceApp::SettingsKeyPath()};
    // Every item the selection moved to, in order.
    std::vector<HTREEITEM> selections;

protected:
    BOOL OnInitDialog() override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void OnOK() override {}
    void OnCancel() override {}
};

// Saves the registry value at construction and restores (or deletes) it at
// destruction.
class CurrentFolderGuard {
public:
    CurrentFolderGuard();
    ~CurrentFolderGuard();
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

    static void Write(const std::vector<BYTE>& bytes);
    static void Delete();
    // Empty with found false when the value is missing.
    static std::vector<BYTE> Read(bool* found = nullptr);

private:
    bool had_ = false;
    std::vector<BYTE> saved_;
};

// The absolute list of a path parsed on the Desktop folder.
win::ShellIdList ListOf(const std::string& path);
std::vector<BYTE> BytesOf(LPCITEMIDLIST list);
void StoreFolder(const std::string& path);

std::vector<std::string> ChildLabels(const CFolderTreeCtrl& tree, HTREEITEM item);
HTREEITEM FindChild(const CFolderTreeCtrl& tree, HTREEITEM parent, const std::string& label);
std::string PathOf(const CFolderTreeCtrl& tree, HTREEITEM item);
HTREEITEM ParentOf(const CFolderTreeCtrl& tree, HTREEITEM item);
// item and everything below it, one line per item: indent, label, "+" for a
// button, "*" once loaded.
std::string Outline(const CFolderTreeCtrl& tree, HTREEITEM item, int depth = 0);

}  // namespace tree_test
