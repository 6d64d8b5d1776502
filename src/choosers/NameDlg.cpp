#include "choosers/NameDlg.h"

#include <cstdlib>

#include "app/LangStrings.h"
#include "resource.h"
#include "win/FitText.h"
#include "win/GuiFont.h"
#include "win/Strings.h"

NameFieldState ApplyNameLengthRule(const std::string& text, const std::string& lastAccepted, int maxLength) {
    const size_t limit = maxLength > 0 ? static_cast<size_t>(maxLength) : 0;
    NameFieldState state;
    if (text.size() > limit) {
        state.text = lastAccepted.size() > limit ? std::string() : lastAccepted;
        state.restored = true;
    } else {
        state.text = text;
    }
    // OK follows what the field holds once the rule is done, so an undone
    // over-long text never leaves OK enabled over an empty field.
    state.okEnabled = !state.text.empty();
    return state;
}

CNameDlg::CNameDlg(std::string& name, int maxLength, int mode, HWND parent)
    : win::Dialog(IDD_NAME), maxLength_(maxLength), mode_(mode), name_(name), parent_(parent) {}

INT_PTR CNameDlg::DoModal() {
    HWND owner = parent_ ? parent_ : ::GetActiveWindow();
    return win::Dialog::DoModal(owner);
}

BOOL CNameDlg::OnInitDialog() {
    edit_ = Item(IDC_NAME_EDIT);
    font_ = win::CopyDefaultGuiFont();
    win::SetFontOn(Handle(), font_.Get());
    LayOut();

    if (mode_ & kNewFolder) {
        ::SetWindowTextA(Handle(), GetLangString("TITLE_FOLDER_MAKE").c_str());
        SetItemText(IDC_NAME_EXPLAIN, GetLangString("EXPLAIN_FOLDER_MAKE"));
    } else if (mode_ & kChangeName) {
        ::SetWindowTextA(Handle(), GetLangString("TITLE_CHANGE_NAME").c_str());
        SetItemText(IDC_NAME_EXPLAIN, GetLangString("EXPLAIN_CHANGE_NAME"));
        // Frame file names are plain letters and digits: no input method.
        savedContext_ = ::ImmAssociateContext(edit_, nullptr);
    }
    SetItemText(IDOK, GetLangString("BTN_OK"));
    SetItemText(IDCANCEL, GetLangString("BTN_CANCEL"));
    win::FitControlsToText(Handle());

    SetItemText(IDC_NAME_EDIT, name_);
    ::SendMessageA(edit_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_ > 0 ? maxLength_ : 1), 0);
    ApplyChangeRule();
    return TRUE;
}

void CNameDlg::LayOut() {
    LOGFONTA logFont{};
    if (!font_ || ::GetObjectA(font_.Get(), sizeof logFont, &logFont) != sizeof logFont) return;
    win::SetFontAndHeight(Handle(), font_.Get(), 2 * std::abs(logFont.lfHeight),
                          {IDC_NAME_EXPLAIN, IDC_NAME_EDIT, IDOK, IDCANCEL});
}

void CNameDlg::ApplyChangeRule() {
    // Putting the last accepted text back raises EN_CHANGE again.
    if (applyingRule_ || !edit_) return;
    applyingRule_ = true;
    const NameFieldState state = ApplyNameLengthRule(win::WindowText(edit_), lastAccepted_, maxLength_);
    if (state.restored) {
        ::SetWindowTextA(edit_, state.text.c_str());
        const auto end = static_cast<WPARAM>(state.text.size());
        ::SendMessageA(edit_, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
    lastAccepted_ = state.text;
    ::EnableWindow(Item(IDOK), state.okEnabled);
    applyingRule_ = false;
}

bool CNameDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_NAME_EDIT && code == EN_CHANGE) {
        ApplyChangeRule();
        return true;
    }
    return win::Dialog::OnCommand(id, code, control);
}

void CNameDlg::OnOK() {
    // Enter reaches here even while OK is disabled; an empty name is no answer.
    const std::string text = win::WindowText(edit_);
    if (text.empty()) return;
    name_ = text;
    EndDialog(IDOK);
}

void CNameDlg::OnDestroy() {
    if (savedContext_) {
        ::ImmAssociateContext(edit_, savedContext_);
        savedContext_ = nullptr;
    }
    font_.Reset();
}
