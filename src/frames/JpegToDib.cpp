#include "frames/JpegToDib.h"

#include <csetjmp>
#include <cstring>

#include "frames/JpegEntropyCheck.h"
#include "frames/JpegLib.h"
#include "frames/ThumbnailRender.h"

namespace {

// libjpeg's error manager with the jump back into DecodeInto, and what its
// messages have told about the file so far.
struct ErrorManager {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
    const unsigned char* data;
    bool entropyChecked;  // CheckJpegEntropyData followed every scan
    bool inScans;         // the first scan has begun
    // Huffman tables: bit n for DC table n, bit 4 + n for AC table n; bits 8
    // and 9 for a DC or AC table number past 3, which is never defined.
    unsigned tablesDefined;  // defined so far
    unsigned scanTables;     // named by the components of the current scan
};

void ErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings that say nothing about the pixels.
bool IsHarmlessWarning(int code) {
    switch (code) {
        case JWRN_JFIF_MAJOR:   // a later JFIF revision
        case JWRN_ADOBE_XFORM:  // an unknown Adobe transform code
        case JWRN_BOGUS_ICC:    // a damaged colour profile, which we never use
            return true;
        default:
            return false;
    }
}

// Bytes skipped before a marker. Between header segments they never touch the
// picture; after a scan's data they must be padding. The entropy check has
// judged those of the files it follows; for the others libjpeg's count serves,
// of the bytes just before the marker it found.
bool IsHarmlessStrayData(const ErrorManager& errors, j_common_ptr cinfo) {
    if (!errors.inScans || errors.entropyChecked) return true;
    const size_t count = static_cast<size_t>(cinfo->err->msg_parm.i[0]);
    const unsigned char* marker = reinterpret_cast<j_decompress_ptr>(cinfo)->src->next_input_byte;
    bool zeros = static_cast<size_t>(marker - errors.data) >= count;
    for (size_t i = 1; zeros && i <= count; ++i) zeros = marker[-static_cast<ptrdiff_t>(i)] == 0;
    return IsJpegPadding(count, zeros, cinfo->err->msg_parm.i[1]);
}

// Every table a scan decodes with must be the file's own: without it libjpeg
// takes its standard tables and reads the picture's codes as another's.
bool ScanHasItsTables(const ErrorManager& errors, j_common_ptr cinfo) {
    const struct jpeg_decompress_struct* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->arith_code) return true;
    const int ss = cinfo->err->msg_parm.i[0], ah = cinfo->err->msg_parm.i[2];
    unsigned needed = errors.scanTables;
    if (d->progressive_mode) {
        if (ss == 0)
            needed &= ah == 0 ? 0x10F : 0;  // DC first scan: DC tables; refinement: none
        else
            needed &= 0x2F0;
    }
    return (needed & ~errors.tablesDefined) == 0;
}

// libjpeg carries on after corrupt data (a bad Huffman code, a marker or the
// end of the file inside the entropy data, data its blocks did not use) and
// fills in grey or garbage: for a thumbnail that is a damaged picture, shown
// blank. Trace messages (level 1 and up) tell which tables the file defines
// and which each scan uses.
void EmitMessage(j_common_ptr cinfo, int level) {
    ErrorManager& errors = *reinterpret_cast<ErrorManager*>(cinfo->err);
    const int* parm = cinfo->err->msg_parm.i;
    switch (cinfo->err->msg_code) {
        case JTRC_DHT:
            if ((parm[0] & 0x0F) < 4)
                errors.tablesDefined |= 1u << ((parm[0] & 0x10 ? 4 : 0) + (parm[0] & 3));
            return;
        case JTRC_SOS:
            errors.inScans = true;
            errors.scanTables = 0;
            return;
        case JTRC_SOS_COMPONENT:
            errors.scanTables |=
                (parm[1] < 4 ? 1u << parm[1] : 0x100u) | (parm[2] < 4 ? 0x10u << parm[2] : 0x200u);
            return;
        case JTRC_SOS_PARAMS:
            if (!ScanHasItsTables(errors, cinfo)) ErrorExit(cinfo);
            return;
        default:
            break;
    }
    if (level >= 0 || IsHarmlessWarning(cinfo->err->msg_code)) return;
    if (cinfo->err->msg_code == JWRN_EXTRANEOUS_DATA && IsHarmlessStrayData(errors, cinfo)) return;
    ErrorExit(cinfo);
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
    std::memset(&errors, 0, sizeof errors);
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = EmitMessage;
    errors.pub.output_message = OutputMessage;
    errors.data = data;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        dib->Clear();
        return 0;
    }

    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    // Damaged entropy-coded data, which libjpeg would decode into garbage
    // with no word or only a warning that some bytes were left over, is
    // refused before decoding.
    const JpegEntropyCheck check =
        PlanOutput(&cinfo) ? CheckJpegEntropyData(data, size) : JpegEntropyCheck::kDamaged;
    if (check == JpegEntropyCheck::kDamaged) {
        jpeg_destroy_decompress(&cinfo);
        dib->Clear();
        return 0;
    }
    errors.entropyChecked = check == JpegEntropyCheck::kWhole;
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
