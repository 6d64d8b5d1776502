// Decoding a thumbnail JPEG held in memory straight into a CDIB, scaled down
// by libjpeg's DCT scaling to the smallest size that still fills its place in
// the thumbnail cell: 24-bit BGR rows for colour, 8-bit grey with a grey
// table for greyscale, bottom-up as GDI draws them.
#pragma once

#include <cstddef>

#include "frames/Dib.h"

// A picture whose full-size BMP would be larger than this is refused before
// decoding (a header claiming a huge picture costs time, not only memory).
inline constexpr unsigned long long kMaxThumbnailBmpBytes = 64ull * 1024 * 1024;

// 1 on success, 0 on any failure (damaged or truncated data, also where
// libjpeg would decode it into garbage with no more than a warning, Huffman
// tables the file lacks, a colour space other than greyscale or RGB, an
// oversized picture, no memory); `dib` holds nothing drawable after a
// failure. `cell` is the side of the square cell the picture is fitted into;
// 0 decodes at full size. `fullSize`, when given,
// receives the picture's own size: the proportions to fit it by, which the
// scaled-down image rounds.
int JpegToDib(const unsigned char* data, size_t size, int cell, CDIB& dib, SIZE* fullSize = nullptr);
