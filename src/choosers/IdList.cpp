#include "choosers/IdList.h"

#include <shlwapi.h>

#include <cstring>

#include "win/Strings.h"

namespace idlist {

namespace {
constexpr UINT kTerminatorSize = 2;
}

bool IsWellFormed(const void* list, UINT bytes) {
    const BYTE* p = static_cast<const BYTE*>(list);
    UINT offset = 0;
    while (p && offset + kTerminatorSize <= bytes) {
        USHORT cb = 0;
        std::memcpy(&cb, p + offset, sizeof cb);
        if (cb == 0) return true;
        // An ID shorter than its own count would never advance.
        if (cb < sizeof cb || cb > bytes - offset) return false;
        offset += cb;
    }
    return false;
}

win::ShellIdList Allocate(UINT size) {
    void* block = ::CoTaskMemAlloc(size);
    if (block) std::memset(block, 0, size);
    return win::ShellIdList(static_cast<LPITEMIDLIST>(block));
}

bool DisplayName(IShellFolder* folder, LPCITEMIDLIST child, std::string& name, SHGDNF flags) {
    STRRET strret = {};
    if (!folder || FAILED(folder->GetDisplayNameOf(child, flags, &strret))) return false;
    // An offset text lies inside the item ID: one pointing past it is refused.
    if (strret.uType == STRRET_OFFSET && (!child || strret.uOffset >= child->mkid.cb)) return false;
    // One byte more than the copy may fill, so the text always ends.
    char buffer[MAX_PATH + 1] = {};
    if (FAILED(::StrRetToBufA(&strret, child, buffer, MAX_PATH))) return false;
    name = win::TruncateAtCharBoundary(buffer, MAX_PATH - 1);
    return true;
}

win::ShellIdList Parse(IShellFolder* folder, HWND owner, const std::string& name) {
    win::ShellIdList result;
    std::wstring wide = win::ToWide(name);
    if (!folder || name.empty() || wide.size() >= MAX_PATH) return result;
    ULONG eaten = 0;
    if (FAILED(folder->ParseDisplayName(owner, nullptr, wide.data(), &eaten, result.Put(), nullptr)))
        result.Reset();
    return result;
}

}  // namespace idlist
