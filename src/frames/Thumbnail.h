// Thumbnails: a frame's JPEG picture decoded in memory and drawn into a
// 64 by 64 cell of the shared image list.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

// The shared thumbnail list: one cell (ThumbnailCellSize) square, ILC_COLOR24 | ILC_MASK, growing by 2000
// images, with the placeholder icon as image 0 (so thumbnails start at 1).
HIMAGELIST CreateThumbnailImageList();

// Appends the thumbnail of a frame file to the list and returns its index
// (-1 only when the list refuses the image). A frame without a usable
// picture gets a fully transparent image of its own.
int LoadThumbnail(HIMAGELIST list, const std::string& framePath);
// The same for a thumbnail path already read from the frame file (see
// ResolveThumbnailPath); an empty path gives the transparent image.
int LoadThumbnailPicture(HIMAGELIST list, const std::string& jpegPath);
