// What the folder tree needs on ITEMIDLIST memory beyond the shell's own
// IL* helpers. Every list returned comes from the shell allocator and is
// freed by its ShellIdList.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "win/Handles.h"

namespace idlist {

// True when a list of `bytes` bytes holds whole item IDs and ends with the
// terminator inside those bytes (a value read from outside the program).
bool IsWellFormed(const void* list, UINT bytes);

// A zeroed block; empty on allocation failure.
win::ShellIdList Allocate(UINT size);
// The SHGDN_INFOLDER name (or the one asked by flags) of child in folder as
// ANSI text of at most 260 bytes; false when the call fails or the STRRET
// has an unknown form.
bool DisplayName(IShellFolder* folder, LPCITEMIDLIST child, std::string& name, SHGDNF flags = SHGDN_INFOLDER);

// Parses a name (a child's name, or a full path on the Desktop folder) in
// folder; empty on failure or when the name is over 260 characters.
win::ShellIdList Parse(IShellFolder* folder, HWND owner, const std::string& name);

}  // namespace idlist
