// The small modal dialog in which the user types a name: of a new folder or
// the new name of a frame file. It keeps the text within a byte limit and
// enables OK only while there is text; whether the name is acceptable is the
// caller's decision.
#pragma once

#include <windows.h>
#include <imm.h>

#include <string>

#include "win/Dialog.h"
#include "win/Handles.h"

// What the field holds after one change, and whether OK may be pressed.
struct NameFieldState {
    std::string text;
    bool restored = false;  // the change went over the limit and was undone
    bool okEnabled = false;
};

// The change rule of the name field: ANSI text longer than maxLength bytes
// (a double-byte character counts two) gives way to the last accepted text.
// A limit of 0 or less accepts only the empty text.
NameFieldState ApplyNameLengthRule(const std::string& text, const std::string& lastAccepted, int maxLength);

class CNameDlg : public win::Dialog {
public:
    enum Mode { kNewFolder = 1, kChangeName = 2 };

    // name: in, the initial text; out, the text entered (on OK only).
    CNameDlg(std::string& name, int maxLength, int mode, HWND parent);

    // IDOK when the user confirmed a name, IDCANCEL otherwise. Without a
    // parent the active window of the thread owns the dialog.
    INT_PTR DoModal();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override;
    void OnDestroy() override;

private:
    void LayOut();
    void ApplyChangeRule();

    HWND edit_ = nullptr;
    win::Font font_;
    int maxLength_;
    int mode_;
    std::string& name_;
    std::string lastAccepted_;
    HIMC savedContext_ = nullptr;
    HWND parent_;
    bool applyingRule_ = false;
};
