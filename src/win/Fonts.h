#pragma once

#include <windows.h>

#include "win/Handles.h"

namespace win {

// The LOGFONT of the stock DEFAULT_GUI_FONT.
LOGFONTA GuiLogFont();
// A font of one's own made from a LOGFONT (each dialog keeps and deletes its own).
Font MakeFont(const LOGFONTA& logFont);
// Sets a child's font and height, keeping its left, top and width.
void SetFontAndHeight(HWND dialog, int id, HFONT font, int height);

}  // namespace win
