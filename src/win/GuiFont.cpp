#include "win/GuiFont.h"

namespace win {

LOGFONTA DefaultGuiLogFont() {
    LOGFONTA logFont{};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
    return logFont;
}

Font CopyDefaultGuiFont() {
    LOGFONTA logFont{};
    if (::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont) != sizeof logFont)
        return Font();
    return MakeFont(logFont);
}

Font MakeFont(const LOGFONTA& logFont) {
    return Font(::CreateFontIndirectA(&logFont));
}

void SetFontOn(HWND window, HFONT font) {
    if (window && font) ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void SetFontOnItems(HWND dialog, HFONT font, std::initializer_list<int> ids) {
    for (int id : ids) SetFontOn(::GetDlgItem(dialog, id), font);
}

void SetFontAndHeight(HWND dialog, HFONT font, int height, std::initializer_list<int> ids) {
    for (int id : ids) {
        HWND item = ::GetDlgItem(dialog, id);
        if (!item) continue;
        RECT rect{};
        ::GetWindowRect(item, &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        ::MoveWindow(item, rect.left, rect.top, rect.right - rect.left, height, FALSE);
        SetFontOn(item, font);
    }
}

}  // namespace win
