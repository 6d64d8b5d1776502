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

}  // namespace win
