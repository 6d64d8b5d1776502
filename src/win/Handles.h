// Owning wrappers for Win32 handles. Each closes its handle once, in its
// destructor; none can be copied, all can be moved.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

namespace win {

// Traits pick the "no handle" value and the close call.
template <typename T, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }

    T Get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::Invalid(); }
    T Release() { return std::exchange(h_, Traits::Invalid()); }
    void Reset(T h = Traits::Invalid()) {
        if (h_ != Traits::Invalid()) Traits::Close(h_);
        h_ = h;
    }

private:
    T h_ = Traits::Invalid();
};

struct KernelHandleTraits {  // CreateFile and friends: INVALID_HANDLE_VALUE
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct KernelObjectTraits {  // mutexes, semaphores, events: null
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
template <typename G>
struct GdiTraits {
    static G Invalid() { return nullptr; }
    static void Close(G h) { ::DeleteObject(h); }
};
struct MemDcTraits {
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static void Close(HICON h) { ::DestroyIcon(h); }
};
struct AccelTraits {
    static HACCEL Invalid() { return nullptr; }
    static void Close(HACCEL h) { ::DestroyAcceleratorTable(h); }
};
struct HeapTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { ::HeapDestroy(h); }
};
struct WindowTraits {  // a window of our own, such as a tooltip
    static HWND Invalid() { return nullptr; }
    static void Close(HWND h) {
        if (::IsWindow(h)) ::DestroyWindow(h);
    }
};
struct ImageListTraits {
    static HIMAGELIST Invalid() { return nullptr; }
    static void Close(HIMAGELIST h);  // defined where commctrl is used
};

using FileHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using KernelObject = UniqueHandle<HANDLE, KernelObjectTraits>;
using FindHandle = UniqueHandle<HANDLE, FindTraits>;
using RegKey = UniqueHandle<HKEY, RegKeyTraits>;
using Font = UniqueHandle<HFONT, GdiTraits<HFONT>>;
using Bitmap = UniqueHandle<HBITMAP, GdiTraits<HBITMAP>>;
using Brush = UniqueHandle<HBRUSH, GdiTraits<HBRUSH>>;
using MemoryDc = UniqueHandle<HDC, MemDcTraits>;
using Icon = UniqueHandle<HICON, IconTraits>;
using AccelTable = UniqueHandle<HACCEL, AccelTraits>;
using PrivateHeap = UniqueHandle<HANDLE, HeapTraits>;
using ImageList = UniqueHandle<HIMAGELIST, ImageListTraits>;
using Window = UniqueHandle<HWND, WindowTraits>;

// A window's device context from GetDC, released with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
    ~SelectObjectScope() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A memory DC with a 32-bit DIB section at least as large as asked for, kept
// from one paint to the next. Under Wine a bitmap compatible with the screen
// asks the server about the display each time it is made or selected, and
// so does every image-list draw into it; a DIB section asks nothing.
class DrawBuffer {
public:
    // The DC to draw into, with room for width x height from (0, 0); null
    // when it cannot be made.
    HDC Prepare(int width, int height) {
        if (!dc_) dc_.Reset(::CreateCompatibleDC(nullptr));
        if (!dc_ || width <= 0 || height <= 0) return nullptr;
        if (width > width_ || height > height_) {
            BITMAPINFO format{};
            format.bmiHeader.biSize = sizeof format.bmiHeader;
            format.bmiHeader.biWidth = width > width_ ? width : width_;
            format.bmiHeader.biHeight = -(height > height_ ? height : height_);
            format.bmiHeader.biPlanes = 1;
            format.bmiHeader.biBitCount = 32;
            format.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            Bitmap bitmap(::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
            if (!bitmap) return nullptr;
            ::SelectObject(dc_.Get(), bitmap.Get());
            bitmap_ = std::move(bitmap);  // the old one, no longer selected, goes
            width_ = format.bmiHeader.biWidth;
            height_ = -format.bmiHeader.biHeight;
        }
        return dc_.Get();
    }

private:
    Bitmap bitmap_;  // declared first: the DC lets go of it before it is deleted
    MemoryDc dc_;
    int width_ = 0;
    int height_ = 0;
};

// OLE for this thread; uninitialised only when the init succeeded.
class OleScope {
public:
    OleScope() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleScope() {
        if (ok_) ::OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    bool Succeeded() const { return ok_; }

private:
    bool ok_;
};

// A COM interface pointer holding one reference.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            Reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    I* Get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    I** Put() {
        Reset();
        return &p_;
    }
    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

private:
    I* p_ = nullptr;
};

// An ID list from the shell allocator.
class ShellIdList {
public:
    ShellIdList() = default;
    explicit ShellIdList(LPITEMIDLIST p) : p_(p) {}
    ~ShellIdList() { Reset(); }
    ShellIdList(const ShellIdList&) = delete;
    ShellIdList& operator=(const ShellIdList&) = delete;
    ShellIdList(ShellIdList&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ShellIdList& operator=(ShellIdList&& o) noexcept {
        if (this != &o) {
            Reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    LPITEMIDLIST Get() const { return p_; }
    LPITEMIDLIST* Put() {
        Reset();
        return &p_;
    }
    LPITEMIDLIST Release() { return std::exchange(p_, nullptr); }
    void Reset() {
        if (p_) ::CoTaskMemFree(std::exchange(p_, nullptr));
    }

private:
    LPITEMIDLIST p_ = nullptr;
};

}  // namespace win
