// Holds a control's drawing back while it changes many items at once: each
// change would otherwise make it lay itself out and draw again, which costs
// milliseconds a time under Wine. The whole control is drawn once after.
#pragma once

#include <windows.h>

namespace win {

class RedrawHeld {
public:
    explicit RedrawHeld(HWND hwnd) : hwnd_(hwnd) { ::SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawHeld() {
        ::SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(hwnd_, nullptr, TRUE);
    }
    RedrawHeld(const RedrawHeld&) = delete;
    RedrawHeld& operator=(const RedrawHeld&) = delete;

private:
    HWND hwnd_;
};

}  // namespace win
