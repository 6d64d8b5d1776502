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

// `pixels` holds `height` rows, top first, of width x components bytes in the
// order of `space` (JCS_GRAYSCALE 1, JCS_RGB 3, JCS_CMYK 4 components).
// Only plain C objects live between setjmp and the jump.
inline bool CompressJpeg(FILE* out, int width, int height, int components, J_COLOR_SPACE space,
                         const unsigned char* pixels, int quality) {
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
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
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
    const bool ok = CompressJpeg(out, width, height, components, space, pixels, quality);
    return std::fclose(out) == 0 && ok;
}

}  // namespace demo
