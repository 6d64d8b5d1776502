#include "ui/AboutDlg.h"

#include <cstdlib>

#include "app/LangStrings.h"
#include "Version.h"
#include "resource.h"
#include "win/FitText.h"
#include "win/GuiFont.h"

CAboutDlg::CAboutDlg() : win::Dialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    const LOGFONTA logFont = win::DefaultGuiLogFont();
    font_ = win::MakeFont(logFont);
    ::SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
    ::SetWindowTextA(Handle(), GetLangString("TITLE_ABOUT").c_str());
    const int height = 2 * std::abs(logFont.lfHeight);
    const struct {
        int id;
        const char* key;
    } items[] = {
        {IDC_ABOUT_VERSION, "VERSION_ABOUT"}, {IDC_ABOUT_COPYRIGHT, "COPYRIGHT_ABOUT"}, {IDOK, "BTN_OK"}};
    for (const auto& item : items) {
        win::SetFontAndHeight(Handle(), font_.Get(), height, {item.id});
        SetItemText(item.id, GetLangString(item.key));
    }
    // The version number comes from the build, never from the language file,
    // so it always matches the program's version resource.
    win::SetFontAndHeight(Handle(), font_.Get(), height, {IDC_ABOUT_PROGRAM_VERSION});
    SetItemText(IDC_ABOUT_PROGRAM_VERSION, ProgramVersionLine(GetLangString("TITLE_ABOUT_PROGRAM_VERSION")));
    win::FitControlsToText(Handle());
    return TRUE;
}

std::string ProgramVersionLine(const std::string& label) {
    return label.empty() ? std::string(QUILLET_VERSION_TEXT) : label + " " + QUILLET_VERSION_TEXT;
}
