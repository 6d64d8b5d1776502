// Stores a folder as the tree's selection for the next start of the program
// (the CurrentFolder value), so that scripts can open it on a given folder:
//   store_current_folder <folder path>
#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "app/Profile.h"
#include "win/Handles.h"
#include "win/Strings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: store_current_folder <folder>\n");
        return 2;
    }
    win::OleScope ole;
    win::ComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.Put()))) return 1;
    std::wstring wide = win::ToWide(argv[1]);
    win::ShellIdList list;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, list.Put(), nullptr))) {
        std::fprintf(stderr, "store_current_folder: cannot find %s\n", argv[1]);
        return 1;
    }
    // The list's size: every item's cb plus the two-byte terminator.
    DWORD size = 2;
    for (auto* id = reinterpret_cast<const BYTE*>(list.Get()); *reinterpret_cast<const USHORT*>(id);) {
        const USHORT cb = *reinterpret_cast<const USHORT*>(id);
        size += cb;
        id += cb;
    }
    CProfile profile(HKEY_CURRENT_USER, "Software\\ZORVA\\ZORVA Quillet Tool1.1");
    return profile.WriteBinary("Setting", "CurrentFolder", list.Get(), size) == ERROR_SUCCESS ? 0 : 1;
}
