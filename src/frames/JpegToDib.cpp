#include "frames/JpegToDib.h"

#include <csetjmp>
#include <cstring>

#include "frames/JpegLib.h"
#include "frames/ThumbnailRender.h"

namespace {

// libjpeg's error manager with the jump back into DecodeInto.
struct ErrorManager {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings that say nothing about the pixels.
bool IsHarmlessWarning(int code) {
    switch (code) {
        case JWRN_EXTRANEOUS_DATA:  // bytes between markers, skipped
        case JWRN_JFIF_MAJOR:       // a later JFIF revision
        case JWRN_ADOBE_XFORM:      // an unknown Adobe transform code
        case JWRN_BOGUS_ICC:        // a damaged colour profile, which we never use
            return true;
        default:
            return false;
    }
}

// libjpeg carries on after corrupt data (a bad Huffman code, a marker or the
// end of the file inside the entropy data) and fills in grey or garbage: for
// a thumbnail that is a damaged picture, shown blank.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && !IsHarmlessWarning(cinfo->err->msg_code)) ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}

// The smallest scale M/8 whose output still covers the picture's rectangle
// in the cell, so the cell never shows an enlarged picture.
void ChooseScale(struct jpeg_decompress_struct* cinfo, int cell) {
    cinfo->scale_denom = 8;
    cinfo->scale_num = 8;
    if (cell <= 0) return;
    const RECT fit =
        FitRect(static_cast<LONG>(cinfo->image_width), static_cast<LONG>(cinfo->image_height), cell);
    for (unsigned num = 1; num <= 8; ++num) {
        cinfo->scale_num = num;
        jpeg_calc_output_dimensions(cinfo);
        if (static_cast<LONG>(cinfo->output_width) >= fit.right - fit.left &&
            static_cast<LONG>(cinfo->output_height) >= fit.bottom - fit.top)
            return;
    }
}

// Sets the output colour space; false for one a thumbnail cannot show or a
// picture too large to be a thumbnail.
bool PlanOutput(struct jpeg_decompress_struct* cinfo) {
    const unsigned long long fullStride =
        (static_cast<unsigned long long>(cinfo->image_width) * 3 + 3) & ~3ull;
    if (cinfo->image_width == 0 || cinfo->image_height == 0 ||
        fullStride * cinfo->image_height > kMaxThumbnailBmpBytes)
        return false;
    if (cinfo->out_color_space == JCS_RGB && cinfo->num_components == 3) {
        cinfo->out_color_space = JCS_EXT_BGR;  // the byte order of a DIB
        return true;
    }
    return cinfo->out_color_space == JCS_GRAYSCALE;
}

// Only plain C objects live between setjmp and the jump; every path destroys
// the decompressor, and a failure leaves `dib` empty. The blocks `dib` holds
// are reused for the new picture.
int DecodeInto(const unsigned char* data, size_t size, int cell, CDIB* dib, SIZE* fullSize) {
    struct jpeg_decompress_struct cinfo;
    struct ErrorManager errors;

    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = EmitMessage;
    errors.pub.output_message = OutputMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        dib->Clear();
        return 0;
    }

    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (!PlanOutput(&cinfo)) {
        jpeg_destroy_decompress(&cinfo);
        dib->Clear();
        return 0;
    }
    fullSize->cx = static_cast<LONG>(cinfo.image_width);
    fullSize->cy = static_cast<LONG>(cinfo.image_height);
    ChooseScale(&cinfo, cell);
    jpeg_start_decompress(&cinfo);
    const WORD bitCount = cinfo.output_components == 3 ? 24 : 8;
    BYTE* bits =
        dib->Create(static_cast<LONG>(cinfo.output_width), static_cast<LONG>(cinfo.output_height), bitCount);
    if (!bits) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    const DWORD stride = CDIB::Stride(static_cast<LONG>(cinfo.output_width), bitCount);
    while (cinfo.output_scanline < cinfo.output_height) {
        // Several rows a call, the last one first in the bottom-up DIB.
        JSAMPROW rows[16];
        const JDIMENSION left = cinfo.output_height - cinfo.output_scanline;
        const JDIMENSION count = left < 16 ? left : 16;
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] =
                bits + static_cast<size_t>(cinfo.output_height - 1 - cinfo.output_scanline - i) * stride;
        jpeg_read_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 1;
}

}  // namespace

int JpegToDib(const unsigned char* data, size_t size, int cell, CDIB& dib, SIZE* fullSize) {
    SIZE ignored;
    if (!fullSize) fullSize = &ignored;
    *fullSize = SIZE{0, 0};
    if (!data || size == 0) {
        dib.Clear();
        return 0;
    }
    return DecodeInto(data, size, cell, &dib, fullSize);
}
