#include "win/Dialog.h"

#include "win/Strings.h"

namespace win {

Dialog::~Dialog() {
    // A late message must never reach a half-destroyed object.
    if (hwnd_) {
        ::SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        ::DestroyWindow(hwnd_);
    }
}

HWND Dialog::Create(HWND parent) {
    if (hwnd_) return hwnd_;
    ended_ = false;
    ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, DialogProc,
                         reinterpret_cast<LPARAM>(this));
    return hwnd_;
}

void Dialog::Destroy() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

INT_PTR Dialog::DoModal(HWND owner) {
    if (owner && ::GetWindowLongA(owner, GWL_STYLE) & WS_CHILD) owner = ::GetAncestor(owner, GA_ROOT);
    const bool reenableOwner = owner && ::IsWindowEnabled(owner);
    result_ = IDCANCEL;
    if (!Create(owner)) return -1;
    if (reenableOwner) ::EnableWindow(owner, FALSE);
    if (!::IsWindowVisible(hwnd_)) ::ShowWindow(hwnd_, SW_SHOWNORMAL);

    modalRunning_ = true;
    MSG msg;
    bool quit = false;
    while (!ended_ && hwnd_) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            quit = got == 0;
            break;
        }
        if (PreTranslateMessage(&msg)) continue;
        if (hwnd_ && ::IsDialogMessageA(hwnd_, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    modalRunning_ = false;
    // Give the activation back to the owner before this window goes away.
    if (reenableOwner) ::EnableWindow(owner, TRUE);
    if (owner && hwnd_ && ::GetActiveWindow() == hwnd_) ::SetActiveWindow(owner);
    Destroy();
    if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
    return result_;
}

void Dialog::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    if (hwnd_) ::PostMessageA(hwnd_, WM_NULL, 0, 0);  // wakes the modal loop
}

bool Dialog::PreTranslateMessage(MSG*) {
    return false;
}

std::string Dialog::ItemText(int id) const {
    return WindowText(Item(id));
}

void Dialog::SetItemText(int id, const std::string& text) const {
    // A static control repaints at once when given a text, even its own.
    if (ItemText(id) == text) return;
    ::SetDlgItemTextA(hwnd_, id, text.c_str());
}

void Dialog::SetMessageResult(LRESULT result) const {
    ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
}

bool Dialog::OnCommand(WORD id, WORD, HWND) {
    switch (id) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
        default:
            return false;
    }
}

bool Dialog::OnNotify(NMHDR*, LRESULT&) {
    return false;
}

INT_PTR Dialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (!OnNotify(reinterpret_cast<NMHDR*>(lParam), result)) return FALSE;
            SetMessageResult(result);
            return TRUE;
        }
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;

    INT_PTR handled = FALSE;
    try {
        handled = self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        // No exception may unwind through the system's dispatcher.
        handled = FALSE;
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return handled;
}

}  // namespace win
