// Writes pixels as a JPEG file with libjpeg's compressor: the demo library,
// the benchmark and the tests make their pictures with it.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "frames/JpegLib.h"

namespace demo {

struct JpegWriteErrors {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
};

inline void JpegWriteErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<JpegWriteErrors*>(cinfo->err)->jump, 1);
}

inline void JpegWriteSilence(j_common_ptr) {}

// How a picture is compressed beyond its quality: what cameras, scanners and
// editors choose differently. The defaults are libjpeg's.
struct JpegOptions {
    int quality = 85;
    int hSample = 2, vSample = 2;  // of the first component of a colour picture; chroma 1x1
    bool progressive = false;
    bool optimize = false;     // Huffman tables made for the picture, not the standard ones
    int restartRows = 0;       // a restart marker every n rows of MCUs, or
    unsigned restartMcus = 0;  // every n MCUs
};

// `pixels` holds `height` rows, top first, of width x components bytes in the
// order of `space` (JCS_GRAYSCALE 1, JCS_RGB 3, JCS_CMYK 4 components). The
// JPEG goes to `out`, or with `out` null into a block libjpeg allocates
// (`*memory`, `*memorySize`; the caller frees it). Only plain C objects live
// between setjmp and the jump.
inline bool CompressJpeg(FILE* out, unsigned char** memory, unsigned long* memorySize, int width, int height,
                         int components, J_COLOR_SPACE space, const unsigned char* pixels,
                         const JpegOptions& options) {
    struct jpeg_compress_struct cinfo;
    struct JpegWriteErrors errors;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JpegWriteErrorExit;
    errors.pub.output_message = JpegWriteSilence;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    if (out)
        jpeg_stdio_dest(&cinfo, out);
    else
        jpeg_mem_dest(&cinfo, memory, memorySize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (components == 3) {
        cinfo.comp_info[0].h_samp_factor = options.hSample;
        cinfo.comp_info[0].v_samp_factor = options.vSample;
    }
    cinfo.optimize_coding = options.optimize ? TRUE : FALSE;
    cinfo.restart_in_rows = options.restartRows;
    cinfo.restart_interval = options.restartMcus;
    if (options.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = static_cast<size_t>(width) * components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

inline bool WriteJpeg(const std::string& path, int width, int height, int components, J_COLOR_SPACE space,
                      const unsigned char* pixels, int quality = 85) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    JpegOptions options;
    options.quality = quality;
    const bool ok = CompressJpeg(out, nullptr, nullptr, width, height, components, space, pixels, options);
    return std::fclose(out) == 0 && ok;
}

}  // namespace demo
