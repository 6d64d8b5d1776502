#include "choosers/IdList.h"

#include <algorithm>

#include <cstring>

#include "win/Strings.h"

namespace idlist {

namespace {
constexpr UINT kTerminatorSize = 2;
}

LPCITEMIDLIST Next(LPCITEMIDLIST list) {
    return reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(list) + list->mkid.cb);
}

UINT Size(LPCITEMIDLIST list) {
    if (!list) return 0;
    UINT size = kTerminatorSize;
    for (; list->mkid.cb; list = Next(list)) size += list->mkid.cb;
    return size;
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

win::ShellIdList Concatenate(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    const UINT sizeA = a ? Size(a) - kTerminatorSize : 0;
    const UINT sizeB = Size(b);
    win::ShellIdList result = Allocate(sizeA + (sizeB ? sizeB : kTerminatorSize));
    if (!result.Get()) return result;
    BYTE* out = reinterpret_cast<BYTE*>(result.Get());
    if (sizeA) std::memcpy(out, a, sizeA);
    if (sizeB) std::memcpy(out + sizeA, b, sizeB);
    return result;
}

win::ShellIdList CopyFirst(LPCITEMIDLIST list) {
    const UINT cb = list ? list->mkid.cb : 0;
    win::ShellIdList result = Allocate(cb + kTerminatorSize);
    if (result.Get() && cb) std::memcpy(result.Get(), list, cb);
    return result;
}

bool DisplayName(IShellFolder* folder, LPCITEMIDLIST child, std::string& name) {
    STRRET strret = {};
    if (!folder || FAILED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &strret))) return false;
    switch (strret.uType) {
        case STRRET_WSTR:
            name = win::TruncateAtCharBoundary(win::FromWide(strret.pOleStr), MAX_PATH - 1);
            ::CoTaskMemFree(strret.pOleStr);
            return true;
        case STRRET_OFFSET: {
            // The text lies inside the item ID: never read past its end.
            const UINT size = child ? child->mkid.cb : 0;
            if (strret.uOffset >= size) return false;
            const char* text = reinterpret_cast<const char*>(child) + strret.uOffset;
            const size_t room = std::min<size_t>(size - strret.uOffset, MAX_PATH);
            name = win::TruncateAtCharBoundary(std::string(text, strnlen(text, room)), MAX_PATH - 1);
            return true;
        }
        case STRRET_CSTR:
            name = win::TruncateAtCharBoundary(
                std::string(strret.cStr, strnlen(strret.cStr, sizeof strret.cStr)), MAX_PATH - 1);
            return true;
        default:
            return false;
    }
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
