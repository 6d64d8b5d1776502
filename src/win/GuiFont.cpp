#include "win/GuiFont.h"

namespace win {

Font CopyDefaultGuiFont() {
    LOGFONTA logFont{};
    if (::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont) != sizeof logFont)
        return Font();
    return Font(::CreateFontIndirectA(&logFont));
}

void SetFontOn(HWND window, HFONT font) {
    if (window && font) ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void SetFontOnItems(HWND dialog, HFONT font, std::initializer_list<int> ids) {
    for (int id : ids) SetFontOn(::GetDlgItem(dialog, id), font);
}

}  // namespace win
