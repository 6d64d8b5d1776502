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

// One thumbnail JPEG read and decoded in memory, scaled for a cell. Any
// thread may load one; its blocks are reused from one picture to the next.
class ThumbnailPicture {
public:
    ThumbnailPicture() = default;
    ThumbnailPicture(const ThumbnailPicture&) = delete;
    ThumbnailPicture& operator=(const ThumbnailPicture&) = delete;

    // Reads and decodes the picture for a cell x cell cell; false when there
    // is none to show, and the cell stays blank.
    bool Load(const std::string& jpegPath, int cell);
    // The size and last write of the file the last Load read, taken from
    // its open handle before the read; false when it could not be opened.
    bool LoadedFileStamp(ULONGLONG& size, FILETIME& written) const;

private:
    friend class ThumbnailRenderer;
    bool ReadJpeg(const std::string& path);

    CDIB dib_;
    SIZE fullSize_ = {0, 0};
    bool loaded_ = false;
    bool opened_ = false;
    ULONGLONG fileSize_ = 0;
    FILETIME fileWritten_ = {};
    std::vector<unsigned char> jpeg_;
};

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
    // The same for a picture loaded before, for the cell size in use.
    int Render(const ThumbnailPicture& picture);
    // Appends the pair to the list: its index, -1 when the list refuses it.
    int AppendTo(HIMAGELIST list);
    // The pair's pixels, to keep: the image's rows (24 bits, bottom-up), then
    // the mask's (1 bit); empty when there is no pair.
    std::vector<BYTE> Pixels();
    // Puts pixels Pixels gave back into the pair; false, and the pair
    // unchanged, when they are not of a cell of the size in use.
    bool Restore(const std::vector<BYTE>& pixels);
    // The pair, never selected into a DC between calls; null until the first Render.
    HBITMAP Image() const { return image_.Get(); }
    HBITMAP Mask() const { return mask_.Get(); }

private:
    bool MakePair();

    int pairSize_ = 0;
    win::MemoryDc imageDc_, maskDc_;
    win::Bitmap image_, mask_;
    ThumbnailPicture picture_;
};

// The renderer of the user-interface thread, shared by every fill.
ThumbnailRenderer& SharedThumbnailRenderer();
