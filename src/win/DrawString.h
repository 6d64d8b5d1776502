// The program's text drawn and measured through GDI's UTF-16 calls. Its ANSI
// calls read text in the system's code page, not in the process's own, which
// is UTF-8 where the manifest's request for it is honoured.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// DrawTextW of the text; with DT_CALCRECT, rect takes the size it needs.
int DrawString(HDC dc, const std::string& text, RECT* rect, UINT format);
// GetTextExtentPoint32W of the text in the dc's font.
SIZE StringExtent(HDC dc, const std::string& text);

}  // namespace win
