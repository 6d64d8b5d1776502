// Each window keeps its own copy of the stock GUI font, so that deleting it
// when the window goes never touches a font another window still uses.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "win/Handles.h"

namespace win {

// A new font made from DEFAULT_GUI_FONT's LOGFONT; null if that fails.
Font CopyDefaultGuiFont();

// WM_SETFONT without redraw to the window and to each of the given children.
void SetFontOn(HWND window, HFONT font);
void SetFontOnItems(HWND dialog, HFONT font, std::initializer_list<int> ids);

}  // namespace win
