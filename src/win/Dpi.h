// Sizes for the DPI a window is shown at. The program declares per-monitor
// DPI awareness, so Windows no longer stretches it: every fixed pixel size
// (margins, thumbnail cells, icons) is given at 96 DPI and scaled here.
#pragma once

#include <windows.h>

namespace win {

constexpr int kBaseDpi = 96;

// The DPI of the monitor a window is on (GetDpiForWindow on Windows 10 1607
// and later), else the screen's LOGPIXELSX.
int WindowDpi(HWND hwnd);
// The DPI the stock fonts and system metrics were made for.
int SystemDpi();

// A size given at 96 DPI, at dpi.
inline int ScaleForDpi(int value, int dpi) {
    return ::MulDiv(value, dpi > 0 ? dpi : kBaseDpi, kBaseDpi);
}

// A font of the system DPI (a stock font's LOGFONT) resized for dpi.
LOGFONTA LogFontForDpi(LOGFONTA logFont, int dpi);

// Icon sizes for a DPI: 32 and 16 pixels at 96 DPI.
int LargeIconSize(int dpi);
int SmallIconSize(int dpi);

// A dialog that lays itself out on WM_DPICHANGED must not also be resized
// and refonted by the dialog manager (Windows 10 1703 and later).
void LayOutDialogOwnDpiChanges(HWND dialog);

}  // namespace win
