#include "ui/AboutDlg.h"

#include <cstdlib>

#include "app/LangStrings.h"
#include "resource.h"
#include "win/Fonts.h"

CAboutDlg::CAboutDlg() : win::Dialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    const LOGFONTA logFont = win::GuiLogFont();
    font_ = win::MakeFont(logFont);
    ::SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
    ::SetWindowTextA(Handle(), GetLangString("TITLE_ABOUT").c_str());
    const int height = 2 * std::abs(logFont.lfHeight);
    const struct {
        int id;
        const char* key;
    } items[] = {{IDC_ABOUT_VERSION, "VERSION_ABOUT"}, {IDC_ABOUT_COPYRIGHT, "COPYRIGHT_ABOUT"}, {IDOK, "BTN_OK"}};
    for (const auto& item : items) {
        win::SetFontAndHeight(Handle(), item.id, font_.Get(), height);
        SetItemText(item.id, GetLangString(item.key));
    }
    return TRUE;
}
