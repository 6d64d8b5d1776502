// Puts a handler in front of a window's own procedure, the classic way, with
// its state found through the window's GWLP_USERDATA. The common controls'
// SetWindowSubclass keeps its state in a window property instead, and under
// Wine each property lookup is a request to the server: two for every
// message the window gets, thousands while a list is filled and drawn.
#pragma once

#include <windows.h>

#include <functional>

namespace win {

class Subclass {
public:
    // Gets every message of the window; next is its own procedure, for
    // ::CallWindowProcW.
    using Handler = std::function<LRESULT(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC next)>;

    Subclass() = default;
    ~Subclass() { Remove(); }
    Subclass(const Subclass&) = delete;
    Subclass& operator=(const Subclass&) = delete;

    // False when hwnd is no window of this thread, its user data is taken,
    // or this object already has a window.
    bool Install(HWND hwnd, Handler handler);
    // The handler hears nothing more; the window keeps working.
    void Remove();
    // Leaves the handler in place until the window is destroyed, without
    // this object.
    void Release();
    // The window's own procedure, kept after Remove for a call in progress.
    WNDPROC Next() const { return next_; }

private:
    struct Hook;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static void Unhook(HWND hwnd, Hook* hook);

    Hook* hook_ = nullptr;
    WNDPROC next_ = nullptr;
};

}  // namespace win
