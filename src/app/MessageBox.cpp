#include "app/MessageBox.h"

#include "app/LangStrings.h"

#include "resource.h"
#include "win/Strings.h"

namespace {
BOOL CALLBACK FindThreadWindow(HWND hwnd, LPARAM found) {
    if (!::IsWindowVisible(hwnd) || ::GetWindow(hwnd, GW_OWNER)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

// The active top-level window, or while this program is not in the
// foreground the last active popup of its own visible top-level window: a
// box must always disable the window it belongs to.
HWND MessageBoxOwner() {
    HWND owner = ::GetActiveWindow();
    if (!owner) {
        ::EnumThreadWindows(::GetCurrentThreadId(), FindThreadWindow, reinterpret_cast<LPARAM>(&owner));
        if (owner) owner = ::GetLastActivePopup(owner);
    }
    return owner ? ::GetAncestor(owner, GA_ROOT) : nullptr;
}

MessageBoxResponder& Responder() {
    static MessageBoxResponder responder;
    return responder;
}
}  // namespace

void SetMessageBoxResponder(MessageBoxResponder responder) {
    Responder() = std::move(responder);
}

UINT EffectiveMessageBoxFlags(UINT flags) {
    if (flags & MB_ICONMASK) return flags;
    switch (flags & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return flags | MB_ICONEXCLAMATION;
        default:
            return flags;
    }
}

int AppMessageBox(const std::string& text, UINT flags) {
    flags = EffectiveMessageBoxFlags(flags);
    if (Responder()) return Responder()(text, flags);
    // MessageBox disables its owner while it is shown.
    return ::MessageBoxA(MessageBoxOwner(), text.c_str(), win::LoadResourceString(IDS_APP_TITLE).c_str(),
                         flags);
}

void ShowErrorBox(const char* key) {
    AppMessageBox(GetLangString(key), MB_OK | MB_ICONHAND);
}
