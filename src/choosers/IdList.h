// Routines on plain ITEMIDLIST memory for the folder tree. Every list they
// return comes from the shell allocator and is freed by its ShellIdList.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "win/Handles.h"

namespace idlist {

// The item ID after this one (its address plus cb).
LPCITEMIDLIST Next(LPCITEMIDLIST list);
// Sum of every cb plus the two-byte terminator; 0 for a missing list.
UINT Size(LPCITEMIDLIST list);
// True when a list of `bytes` bytes holds whole item IDs and ends with the
// terminator inside those bytes (a value read from outside the program).
bool IsWellFormed(const void* list, UINT bytes);

// A zeroed block; empty on allocation failure.
win::ShellIdList Allocate(UINT size);
// a without its terminator followed by b; a may be missing (a copy of b).
win::ShellIdList Concatenate(LPCITEMIDLIST a, LPCITEMIDLIST b);
// The first item ID of list alone, terminated.
win::ShellIdList CopyFirst(LPCITEMIDLIST list);

// The SHGDN_INFOLDER name of child in folder as ANSI text of at most 260
// bytes; false when the call fails or the STRRET has an unknown form.
bool DisplayName(IShellFolder* folder, LPCITEMIDLIST child, std::string& name);

// Parses a name (a child's name, or a full path on the Desktop folder) in
// folder; empty on failure or when the name is over 260 characters.
win::ShellIdList Parse(IShellFolder* folder, HWND owner, const std::string& name);

}  // namespace idlist
