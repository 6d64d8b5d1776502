#include "win/Fonts.h"

namespace win {

LOGFONTA GuiLogFont() {
    LOGFONTA logFont = {};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
    return logFont;
}

Font MakeFont(const LOGFONTA& logFont) { return Font(::CreateFontIndirectA(&logFont)); }

void SetFontAndHeight(HWND dialog, int id, HFONT font, int height) {
    HWND item = ::GetDlgItem(dialog, id);
    if (!item) return;
    ::SendMessageA(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    RECT r;
    ::GetWindowRect(item, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    ::MoveWindow(item, r.left, r.top, r.right - r.left, height, TRUE);
}

}  // namespace win
