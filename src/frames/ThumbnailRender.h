// How one thumbnail cell is drawn: the JPEG decoded through the temporary BMP
// file into a CDIB, fitted into the cell, with a mask that leaves the rest
// of the cell transparent.
#pragma once

#include <windows.h>

#include <string>

#include "frames/Dib.h"
#include "win/Handles.h"

// The thumbnail cell at 96 DPI; the cell in use scales with the main
// window's DPI (a 96 by 96 cell at 144 DPI).
inline constexpr int kThumbnailSize = 64;
int ThumbnailCellSize();
// Takes effect for image lists made and thumbnails drawn afterwards.
void SetThumbnailCellSize(int size);

// The rectangle a width x height picture takes in a size x size cell, keeping
// its proportions and centred; empty when the picture has no positive size.
RECT FitRect(LONG width, LONG height, int size);
RECT FitRect(const CDIB& dib, int size);

// The temporary BMP file of the decoding ("zelt.jpeg.temp" in the temporary
// folder); empty when that path would not fit.
std::string ThumbnailTempPath();

// Makes `image` (screen format) and `mask` (monochrome, white = transparent)
// one cell in size and draws the picture of `jpegPath` into them. 1 when a picture was
// drawn, 0 when the cell stayed blank; the bitmaps are null only when GDI
// could not make them.
int RenderThumbnail(const std::string& jpegPath, win::Bitmap& image, win::Bitmap& mask);
