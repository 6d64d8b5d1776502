#include "app/MessageBox.h"

#include "resource.h"
#include "win/Strings.h"

namespace {
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
    HWND owner = ::GetActiveWindow();
    if (owner) owner = ::GetAncestor(owner, GA_ROOT);
    // MessageBox disables its owner while it is shown.
    return ::MessageBoxA(owner, text.c_str(), win::LoadResourceString(IDS_APP_TITLE).c_str(), flags);
}
