#include "ui/AboutDlg.h"

#include <cstdlib>

#include "app/LangStrings.h"
#include "Version.h"
#include "resource.h"
#include "win/FitText.h"
#include "win/GuiFont.h"
#include "win/Strings.h"

namespace {

// The licences of the program and of the libraries linked into it, one
// read-only text; they stay in English whatever the language file.
class CLicencesDlg : public win::Dialog {
public:
    CLicencesDlg() : win::Dialog(IDD_LICENCES) {}

protected:
    BOOL OnInitDialog() override;

private:
    win::Font font_;
};

// The licences resource (UTF-8, LF line ends) as an edit control takes it: in
// the process's code page, with CR LF line ends.
std::string LicenceText() {
    HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_LICENCES), RT_RCDATA);
    HGLOBAL loaded = found ? ::LoadResource(nullptr, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (!data) return {};
    const std::wstring text = win::FromUtf8(std::string(data, ::SizeofResource(nullptr, found)));
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 32);
    for (const wchar_t c : text) {
        if (c == L'\n') lines += L'\r';
        lines += c;
    }
    return win::FromWide(lines.c_str());
}

BOOL CLicencesDlg::OnInitDialog() {
    const LOGFONTA logFont = win::DefaultGuiLogFont();
    font_ = win::MakeFont(logFont);
    ::SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
    ::SetWindowTextA(Handle(), GetLangString("TITLE_LICENCES").c_str());
    win::SetFontOnItems(Handle(), font_.Get(), {IDC_LICENCES_TEXT});
    win::SetFontAndHeight(Handle(), font_.Get(), 2 * std::abs(logFont.lfHeight), {IDOK});
    SetItemText(IDC_LICENCES_TEXT, LicenceText());
    SetItemText(IDOK, GetLangString("BTN_OK"));
    win::FitControlsToText(Handle());
    // The caret at the top, for the keys that scroll, and no text selected.
    ::SetFocus(Item(IDC_LICENCES_TEXT));
    return FALSE;
}

}  // namespace

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
    } items[] = {{IDC_ABOUT_VERSION, "VERSION_ABOUT"},
                 {IDC_ABOUT_COPYRIGHT, "COPYRIGHT_ABOUT"},
                 {IDC_ABOUT_LICENCES, "BTN_ABOUT_LICENCES"},
                 {IDOK, "BTN_OK"}};
    for (const auto& item : items) {
        win::SetFontAndHeight(Handle(), font_.Get(), height, {item.id});
        SetItemText(item.id, GetLangString(item.key));
    }
    // The version number comes from the build, never from the language file,
    // so it always matches the program's version resource.
    win::SetFontAndHeight(Handle(), font_.Get(), height, {IDC_ABOUT_PROGRAM_VERSION});
    SetItemText(IDC_ABOUT_PROGRAM_VERSION, ProgramVersionLine(GetLangString("TITLE_ABOUT_PROGRAM_VERSION")));
    win::FitControlsToText(Handle());
    // The focus on OK, so that Enter closes the box, though the licences button
    // comes first in the tab order.
    ::SetFocus(Item(IDOK));
    return FALSE;
}

bool CAboutDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (id != IDC_ABOUT_LICENCES) return win::Dialog::OnCommand(id, code, control);
    CLicencesDlg licences;
    licences.DoModal(Handle());
    return true;
}

std::string ProgramVersionLine(const std::string& label) {
    return label.empty() ? std::string(QUILLET_VERSION_TEXT) : label + " " + QUILLET_VERSION_TEXT;
}
