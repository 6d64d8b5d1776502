// Each window keeps its own copy of the stock GUI font, so that deleting it
// when the window goes never touches a font another window still uses.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "win/Handles.h"

namespace win {

// The LOGFONT of the stock DEFAULT_GUI_FONT.
LOGFONTA DefaultGuiLogFont();
// A new font made from DEFAULT_GUI_FONT's LOGFONT; null if that fails.
Font CopyDefaultGuiFont();
// A font of one's own from a LOGFONT.
Font MakeFont(const LOGFONTA& logFont);

// WM_SETFONT without redraw to the window and to each of the given children.
void SetFontOn(HWND window, HFONT font);
void SetFontOnItems(HWND dialog, HFONT font, std::initializer_list<int> ids);
// Gives dialog items a font and a height, keeping their left, top and width.
void SetFontAndHeight(HWND dialog, HFONT font, int height, std::initializer_list<int> ids);

}  // namespace win
