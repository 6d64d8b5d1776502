// Stores a folder as the tree's selection for the next start of the program
// (the CurrentFolder value), so that scripts can open it on a given folder:
//   store_current_folder [--if-unset] <folder path>
//   store_current_folder --print
// With --if-unset a folder the user chose earlier is kept. --print prints the
// stored folder's path (exit status 1 when there is none).
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/App.h"
#include "choosers/FolderTree.h"
#include "win/Handles.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--print") {
        win::OleScope ole;
        const std::string path =
            CFolderTreeCtrl::StoredCurrentFolderPath(CZELMaintenanceApp::SettingsKeyPath());
        if (path.empty()) return 1;
        std::printf("%s\n", path.c_str());
        return 0;
    }
    const bool ifUnset = argc == 3 && std::string(argv[1]) == "--if-unset";
    if (argc != 2 && !ifUnset) {
        std::fprintf(stderr, "usage: store_current_folder [--if-unset] <folder> | --print\n");
        return 2;
    }
    if (ifUnset && CFolderTreeCtrl::HasStoredCurrentFolder(CZELMaintenanceApp::SettingsKeyPath())) return 0;
    win::OleScope ole;
    if (!CFolderTreeCtrl::StoreCurrentFolderPath(CZELMaintenanceApp::SettingsKeyPath(), argv[argc - 1])) {
        std::fprintf(stderr, "store_current_folder: cannot find %s\n", argv[argc - 1]);
        return 1;
    }
    return 0;
}
