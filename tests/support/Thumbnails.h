// The shared thumbnail list's pictures, as tests look at them.
#pragma once

#include <windows.h>

#include <vector>

// An image of the shared thumbnail list drawn on white with an
// ImageList_Draw style: every step-th pixel of every step-th row.
std::vector<COLORREF> ThumbnailOnWhite(int imageIndex, UINT style, int step);
// The centre pixel of an image of the shared thumbnail list drawn on white.
COLORREF ThumbnailCentre(int imageIndex);
// Colours within a JPEG's rounding of each other.
bool NearColour(COLORREF a, COLORREF b);
