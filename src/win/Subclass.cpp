#include "win/Subclass.h"

namespace win {

struct Subclass::Hook {
    HWND hwnd;
    Handler handler;  // empty once removed
    WNDPROC next;
    Subclass* owner;  // null once removed or released
};

bool Subclass::Install(HWND hwnd, Handler handler) {
    if (hook_ || !handler || !::IsWindow(hwnd) ||
        ::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId() ||
        ::GetWindowLongPtrW(hwnd, GWLP_USERDATA) != 0)
        return false;
    auto* hook = new Hook{hwnd, std::move(handler), nullptr, this};
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(hook));
    hook->next = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass::Proc)));
    if (!hook->next) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete hook;
        return false;
    }
    hook_ = hook;
    next_ = hook->next;
    return true;
}

void Subclass::Remove() {
    Hook* hook = hook_;
    if (!hook) return;
    hook_ = nullptr;
    hook->handler = nullptr;
    hook->owner = nullptr;
    // A procedure put in front of ours since cannot be taken out from under:
    // ours then stays, passing everything on, until the window goes.
    if (::GetWindowLongPtrW(hook->hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Subclass::Proc))
        Unhook(hook->hwnd, hook);
}

void Subclass::Release() {
    if (hook_) hook_->owner = nullptr;
    hook_ = nullptr;
}

void Subclass::Unhook(HWND hwnd, Hook* hook) {
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook->next));
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete hook;
}

LRESULT CALLBACK Subclass::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* hook = reinterpret_cast<Hook*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!hook) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    const WNDPROC next = hook->next;
    // The handler may remove the hook while it runs: call a copy.
    const Handler handler = hook->handler;
    if (msg == WM_NCDESTROY) {
        // The window's last message: nothing of the hook outlives it.
        if (::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Subclass::Proc))
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (hook->owner) hook->owner->hook_ = nullptr;
        delete hook;
    }
    LRESULT result = 0;
    try {
        result = handler ? handler(hwnd, msg, wParam, lParam, next)
                         : ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
    } catch (...) {
        // No exception may unwind through the system's dispatcher.
        result = ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
    }
    return result;
}

}  // namespace win
