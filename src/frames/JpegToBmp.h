// Decoding a thumbnail JPEG into an uncompressed Windows BMP file, the form
// CDIB reads: 14-byte file header, 40-byte BITMAPINFOHEADER, then bottom-up
// rows padded to 4 bytes; 24-bit BGR for colour, 8-bit with a 256-entry grey
// table for greyscale. The file is written in one go at the end, so a failed
// decode leaves it empty.
#pragma once

#include <string>

// A JPEG whose BMP would be larger than this is refused before decoding.
inline constexpr unsigned long long kMaxThumbnailBmpBytes = 64ull * 1024 * 1024;

// 1 on success, 0 on any failure (unreadable input, damaged or truncated
// data, a colour space other than greyscale or RGB, an oversized picture, an
// unwritable output).
int JpegToBmp(const std::string& jpegPath, const std::string& bmpPath);
