#include "frames/JpegToBmp.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "frames/JpegLib.h"

namespace {

constexpr unsigned kFileHeaderSize = 14;
constexpr unsigned kInfoHeaderSize = 40;
constexpr unsigned kGreyTableSize = 256 * 4;

// libjpeg's error manager with the jump back into DecodeToBmp.
struct ErrorManager {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Nothing is shown; but a file that ends early is damaged, not a picture
// with a grey lower part.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}

struct BmpLayout {
    unsigned width;
    unsigned height;
    unsigned bitCount;
    unsigned rowStride;
    unsigned pixelOffset;
    size_t fileSize;
};

// The BMP this decoder would give, or false for a colour space the BMP
// cannot hold or a picture too large to be a thumbnail.
bool PlanBmp(const struct jpeg_decompress_struct* cinfo, BmpLayout* layout) {
    const bool rgb = cinfo->out_color_space == JCS_RGB && cinfo->out_color_components == 3;
    const bool grey = cinfo->out_color_space == JCS_GRAYSCALE && cinfo->out_color_components == 1;
    if (!rgb && !grey) return false;
    const unsigned long long stride =
        (static_cast<unsigned long long>(cinfo->output_width) * (rgb ? 3 : 1) + 3) & ~3ull;
    const unsigned pixelOffset = kFileHeaderSize + kInfoHeaderSize + (grey ? kGreyTableSize : 0);
    const unsigned long long fileSize = pixelOffset + stride * cinfo->output_height;
    if (cinfo->output_width == 0 || cinfo->output_height == 0 || fileSize > kMaxThumbnailBmpBytes)
        return false;
    layout->width = cinfo->output_width;
    layout->height = cinfo->output_height;
    layout->bitCount = rgb ? 24 : 8;
    layout->rowStride = static_cast<unsigned>(stride);
    layout->pixelOffset = pixelOffset;
    layout->fileSize = static_cast<size_t>(fileSize);
    return true;
}

void Put16(unsigned char* at, unsigned value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void Put32(unsigned char* at, unsigned value) {
    Put16(at, value & 0xFFFF);
    Put16(at + 2, value >> 16);
}

// Headers and grey table into a zero-filled buffer.
void WriteBmpHeaders(unsigned char* bmp, const BmpLayout* layout) {
    bmp[0] = 'B';
    bmp[1] = 'M';
    Put32(bmp + 2, static_cast<unsigned>(layout->fileSize));
    Put32(bmp + 10, layout->pixelOffset);
    unsigned char* info = bmp + kFileHeaderSize;
    Put32(info, kInfoHeaderSize);
    Put32(info + 4, layout->width);
    Put32(info + 8, layout->height);  // positive: rows bottom-up
    Put16(info + 12, 1);
    Put16(info + 14, layout->bitCount);
    Put32(info + 20, layout->rowStride * layout->height);
    if (layout->bitCount == 8) {
        Put32(info + 32, 256);
        unsigned char* table = info + kInfoHeaderSize;
        for (unsigned i = 0; i < 256; ++i)
            table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = static_cast<unsigned char>(i);
    }
}

// Decodes the whole input into a BMP image in memory (malloc'd, returned
// through *bmpOut); 0 after any failure. Only plain C objects live between
// setjmp and the jump, and every path destroys the decompressor.
int DecodeToBmp(FILE* input, unsigned char** bmpOut, size_t* sizeOut) {
    struct jpeg_decompress_struct cinfo;
    struct ErrorManager errors;
    unsigned char* volatile bmp = NULL;
    BmpLayout layout;

    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = EmitMessage;
    errors.pub.output_message = OutputMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(bmp);
        return 0;
    }

    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, input);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_calc_output_dimensions(&cinfo);
    if (!PlanBmp(&cinfo, &layout)) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    bmp = static_cast<unsigned char*>(std::calloc(layout.fileSize, 1));
    if (!bmp) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    WriteBmpHeaders(bmp, &layout);

    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        unsigned char* row =
            bmp + layout.pixelOffset +
            static_cast<size_t>(cinfo.output_height - 1 - cinfo.output_scanline) * layout.rowStride;
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&cinfo, rows, 1);
        if (layout.bitCount == 24) {
            for (unsigned x = 0; x < layout.width; ++x) {
                const unsigned char red = row[3 * x];
                row[3 * x] = row[3 * x + 2];
                row[3 * x + 2] = red;
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);

    *bmpOut = bmp;
    *sizeOut = layout.fileSize;
    return 1;
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

}  // namespace

int JpegToBmp(const std::string& jpegPath, const std::string& bmpPath) {
    File input(std::fopen(jpegPath.c_str(), "rb"));
    if (!input) return 0;
    File output(std::fopen(bmpPath.c_str(), "wb"));
    if (!output) return 0;

    unsigned char* bmp = nullptr;
    size_t size = 0;
    if (!DecodeToBmp(input.get(), &bmp, &size)) return 0;
    const bool written = std::fwrite(bmp, 1, size, output.get()) == size;
    std::free(bmp);
    return written && std::fclose(output.release()) == 0 ? 1 : 0;
}
