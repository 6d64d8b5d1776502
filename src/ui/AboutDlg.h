#pragma once

#include <string>

#include "win/Dialog.h"
#include "win/Handles.h"

class CAboutDlg : public win::Dialog {
public:
    CAboutDlg();

protected:
    BOOL OnInitDialog() override;
    // The licences button opens the licences over the About box.
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    win::Font font_;
};

// The About box's version line: the label of the language file, then the
// program's version number ("Version 1.2.0").
std::string ProgramVersionLine(const std::string& label);
