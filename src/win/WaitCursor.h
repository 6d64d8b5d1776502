// Shows the hourglass while a long synchronous step runs and puts the
// previous cursor back when the scope ends.
#pragma once

#include <windows.h>

namespace win {

class WaitCursor {
public:
    WaitCursor() : previous_(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// The wait cursor for the time of a directory entry. Setting a cursor costs
// a round trip to the display, so nested entries only put it back when a
// pumped WM_SETCURSOR replaced it, and only the outermost entry restores the
// cursor it found.
class NestedWaitCursor {
public:
    NestedWaitCursor() : wait_(::LoadCursor(nullptr, IDC_WAIT)) {
        const HCURSOR current = ::GetCursor();
        if (depth_++ == 0) previous_ = current;
        if (current != wait_) ::SetCursor(wait_);
    }
    ~NestedWaitCursor() {
        if (--depth_ == 0) ::SetCursor(previous_);
    }
    NestedWaitCursor(const NestedWaitCursor&) = delete;
    NestedWaitCursor& operator=(const NestedWaitCursor&) = delete;

private:
    static inline int depth_ = 0;
    static inline HCURSOR previous_ = nullptr;
    HCURSOR wait_;
};

}  // namespace win
