// How one thumbnail cell is drawn: the JPEG read into memory, decoded
// scaled into a CDIB, fitted into the cell, with a mask that leaves the rest
// of the cell transparent.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "frames/Dib.h"
#include "win/Handles.h"

// The thumbnail cell at 96 DPI; the cell in use scales with the main
// window's DPI (a 96 by 96 cell at 144 DPI).
inline constexpr int kThumbnailSize = 64;
int ThumbnailCellSize();
// Takes effect for image lists made and thumbnails drawn afterwards.
void SetThumbnailCellSize(int size);

// A thumbnail JPEG larger than this is not read (no thumbnail is that big).
inline constexpr DWORD kMaxThumbnailFileBytes = 16 * 1024 * 1024;

// The rectangle a width x height picture takes in a size x size cell, keeping
// its proportions and centred; empty when the picture has no positive size.
RECT FitRect(LONG width, LONG height, int size);

// Draws thumbnails one after the other into one held image and mask pair
// (one cell square, 24-bit and monochrome, white mask = transparent), reusing
// its memory DCs, bitmaps and buffers from one thumbnail to the next. One
// renderer per thread.
class ThumbnailRenderer {
public:
    ThumbnailRenderer() = default;
    ThumbnailRenderer(const ThumbnailRenderer&) = delete;
    ThumbnailRenderer& operator=(const ThumbnailRenderer&) = delete;

    // Draws the picture of `jpegPath` into the pair: 1 when a picture was
    // drawn, 0 when the cell stayed blank (or GDI could not make the pair).
    int Render(const std::string& jpegPath);
    // Appends the pair to the list: its index, -1 when the list refuses it.
    int AppendTo(HIMAGELIST list);
    // The pair, never selected into a DC between calls; null until the first Render.
    HBITMAP Image() const { return image_.Get(); }
    HBITMAP Mask() const { return mask_.Get(); }

private:
    bool MakePair();
    bool ReadJpeg(const std::string& path);

    int pairSize_ = 0;
    win::MemoryDc imageDc_, maskDc_;
    win::Bitmap image_, mask_;
    CDIB dib_;
    std::vector<unsigned char> jpeg_;
};

// The renderer of the user-interface thread, shared by every fill.
ThumbnailRenderer& SharedThumbnailRenderer();
