#include "ModalDriver.h"

#include <algorithm>

namespace testing_support {

namespace {
ModalDriver* g_current = nullptr;  // the driver of the (single) UI thread

bool IsTopLevelDialog(HWND hwnd, const CREATESTRUCTA* create) {
    if (create->style & WS_CHILD) return false;
    // A dialog without a modal frame is a progress window an operation
    // opened by itself, not a question for the driver.
    if (!(create->dwExStyle & WS_EX_DLGMODALFRAME)) return false;
    char className[16] = "";
    ::GetClassNameA(hwnd, className, sizeof className);
    return ::lstrcmpA(className, "#32770") == 0;
}
}  // namespace

ModalDriver::ModalDriver(std::vector<Action> actions, UINT watchdogMs)
    : actions_(std::move(actions)), watchdogMs_(watchdogMs), previous_(g_current) {
    g_current = this;
    hook_ = ::SetWindowsHookExA(WH_CBT, CbtProc, nullptr, ::GetCurrentThreadId());
}

ModalDriver::~ModalDriver() {
    for (const Pending& p : pending_) ::KillTimer(nullptr, p.timer);
    if (hook_) ::UnhookWindowsHookEx(hook_);
    g_current = previous_;
}

LRESULT CALLBACK ModalDriver::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    ModalDriver* self = g_current;
    if (code == HCBT_CREATEWND && self && self->dialogs_.size() < self->actions_.size()) {
        auto hwnd = reinterpret_cast<HWND>(wParam);
        const auto* cbt = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        if (IsTopLevelDialog(hwnd, cbt->lpcs)) {
            self->dialogs_.push_back(hwnd);
            const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, ActionTimerProc);
            self->pending_.push_back({timer, self->dialogs_.size() - 1, false});
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK ModalDriver::ActionTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ModalDriver* self = g_current;
    if (!self) return;
    auto it = std::find_if(self->pending_.begin(), self->pending_.end(),
                           [id](const Pending& p) { return p.timer == id && !p.watchdog; });
    if (it == self->pending_.end()) return;
    const size_t index = it->index;
    self->pending_.erase(it);
    self->RunAction(index);
}

void ModalDriver::RunAction(size_t index) {
    HWND dialog = dialogs_[index];
    if (!::IsWindow(dialog)) return;
    ++actionsRun_;
    try {
        actions_[index](dialog);
    } catch (...) {
        // A failed assertion must not unwind through the system's dispatcher.
    }
    if (::IsWindow(dialog)) {
        const UINT_PTR timer = ::SetTimer(nullptr, 0, watchdogMs_, WatchdogTimerProc);
        pending_.push_back({timer, index, true});
    }
}

void CALLBACK ModalDriver::WatchdogTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ModalDriver* self = g_current;
    if (!self) return;
    auto it = std::find_if(self->pending_.begin(), self->pending_.end(),
                           [id](const Pending& p) { return p.timer == id && p.watchdog; });
    if (it == self->pending_.end()) return;
    HWND dialog = self->dialogs_[it->index];
    self->pending_.erase(it);
    if (!::IsWindow(dialog)) return;
    ++self->leftOpen_;
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::PostMessageA(dialog, WM_CLOSE, 0, 0);
}

bool ClickButton(HWND dialog, int id) {
    HWND button = ::GetDlgItem(dialog, id);
    if (!button || !::IsWindowEnabled(button) || !::IsWindowVisible(button)) return false;
    ::SendMessageA(button, BM_CLICK, 0, 0);
    return true;
}

void TypeText(HWND control, const std::string& text) {
    for (char ch : text) ::SendMessageA(control, WM_CHAR, static_cast<BYTE>(ch), 1);
}

void PostKeyPress(HWND control, UINT virtualKey) {
    ::PostMessageA(control, WM_KEYDOWN, virtualKey, 1);
    ::PostMessageA(control, WM_KEYUP, virtualKey, 0xC0000001);
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

namespace {
struct FindState {
    int id;
    HWND visible = nullptr;
    HWND any = nullptr;
};
BOOL CALLBACK FindChild(HWND hwnd, LPARAM lParam) {
    auto* state = reinterpret_cast<FindState*>(lParam);
    if (::GetDlgCtrlID(hwnd) != state->id) return TRUE;
    if (!state->any) state->any = hwnd;
    if (!state->visible && ::IsWindowVisible(hwnd)) state->visible = hwnd;
    return TRUE;
}
}  // namespace

HWND FindControl(HWND root, int id) {
    FindState state{id};
    ::EnumChildWindows(root, FindChild, reinterpret_cast<LPARAM>(&state));  // all descendants
    return state.visible ? state.visible : state.any;
}

}  // namespace testing_support
