#pragma once

#include "win/Dialog.h"
#include "win/Handles.h"

class CAboutDlg : public win::Dialog {
public:
    CAboutDlg();

protected:
    BOOL OnInitDialog() override;

private:
    win::Font font_;
};
