#include "win/Dpi.h"

namespace win {

namespace {

// Newer functions are looked up at run time: older Windows (and Wine) may
// lack them, and the program must still start there.
template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                  : nullptr;
}

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : kBaseDpi;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int WindowDpi(HWND hwnd) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow && hwnd) {
        const UINT dpi = getDpiForWindow(hwnd);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int SystemDpi() {
    using GetDpiForSystemFunction = UINT(WINAPI*)();
    static const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
    if (getDpiForSystem) {
        const UINT dpi = getDpiForSystem();
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

LOGFONTA LogFontForDpi(LOGFONTA logFont, int dpi) {
    const int system = SystemDpi();
    if (dpi > 0 && dpi != system) logFont.lfHeight = ::MulDiv(logFont.lfHeight, dpi, system);
    return logFont;
}

int LargeIconSize(int dpi) {
    return ScaleForDpi(32, dpi);
}

int SmallIconSize(int dpi) {
    return ScaleForDpi(16, dpi);
}

void LayOutDialogOwnDpiChanges(HWND dialog) {
    // DDC_DISABLE_ALL: neither resize nor refont on a DPI change.
    constexpr int kDisableAll = 1;
    using SetBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehavior = User32Function<SetBehaviorFunction>("SetDialogDpiChangeBehavior");
    if (setBehavior && dialog) setBehavior(dialog, kDisableAll, kDisableAll);
}

}  // namespace win
