// A check of a sequential Huffman-coded JPEG's entropy-coded data, block by
// block, without decoding a pixel. libjpeg decodes damaged data into garbage
// and often says nothing, or only that some bytes were left over: a Huffman
// decoder thrown out of step by a damaged run falls back into step a few
// codes later, at a wrong block, and every block after it is shifted or off
// in colour. Followed here, such data mostly shows itself where libjpeg keeps
// quiet: a run of coefficients past the 64th, a value no 8-bit picture has,
// a code the table lacks, a table the file never defined, a scan that needs
// more data than it has, data its blocks leave unused, a segment that ends
// inside a byte whose other bits are not an encoder's fill, a block of a
// sequential scan whose samples reach far past 0..255, or a run of blocks,
// from inside a row to the end of a restart interval, whose DC stands off
// from the rows around it by one offset (a damaged DC difference moved every
// later block's prediction).
#pragma once

#include <cstddef>

enum class JpegEntropyCheck {
    kWhole,       // every scan decodes into exactly its blocks
    kDamaged,     // the data cannot be a picture's
    kNotChecked,  // not a kind this check follows (progressive, arithmetic-coded, 12-bit, ...)
};

JpegEntropyCheck CheckJpegEntropyData(const unsigned char* data, size_t size);

// Bytes between a segment's last block and the marker that ends it (a
// restart marker, the next scan's tables or header, the end of the picture)
// are data its blocks did not use, the mark of a decoder thrown out of step,
// unless they are an encoder's padding as some cameras write: a few bytes
// before any marker, zero bytes of any number before the end marker (0xD9).
inline constexpr size_t kMaxJpegStrayBytes = 4;
bool IsJpegPadding(size_t count, bool zeros, int marker);
