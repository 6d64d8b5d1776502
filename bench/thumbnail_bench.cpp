// Thumbnail benchmark: time per thumbnail of LoadThumbnail (JPEG decode,
// temporary BMP file, CDIB, drawing, image list) against a plain libjpeg
// decode of the same JPEG files into memory, and their ratio.
//   cmake --build build -j2 --target thumbnail_bench
//   build/wine-run.sh build/thumbnail_bench.exe [count] [frame-folder]
// Without a folder it writes `count` demo frames (default 200, the mix of the
// demo library) into a temporary folder and removes them afterwards; with a
// folder it uses the .USD files found there. It draws, so it needs a display:
// wine-run.sh starts a private Xvfb when $DISPLAY is empty. Each figure is the
// best of three rounds. Prints figures only; asserts nothing.
#include <windows.h>
#include <commctrl.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tools/DemoLibrary.h"
#include "frames/Dib.h"
#include "frames/FrameFile.h"
#include "frames/JpegLib.h"
#include "frames/JpegToBmp.h"
#include "frames/Thumbnail.h"
#include "frames/ThumbnailRender.h"
#include "win/Handles.h"

namespace {

constexpr int kRounds = 3;

struct DecodeErrors {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
};

void DecodeErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<DecodeErrors*>(cinfo->err)->jump, 1);
}
void DecodeSilence(j_common_ptr) {}

// The plain decode: the whole picture into one buffer in memory. Returns the
// bytes decoded, 0 on error. Only plain C objects between setjmp and the jump.
size_t DecodeToMemory(FILE* input) {
    struct jpeg_decompress_struct cinfo;
    struct DecodeErrors errors;
    unsigned char* volatile pixels = NULL;
    size_t size = 0;
    memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = DecodeErrorExit;
    errors.pub.output_message = DecodeSilence;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        free(pixels);
        return 0;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, input);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    size = stride * cinfo.output_height;
    pixels = static_cast<unsigned char*>(malloc(size));
    while (pixels && cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + cinfo.output_scanline * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    free(pixels);
    return size;
}

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency.QuadPart;
}

// Microseconds per item of the best of kRounds rounds of `pass`.
template <typename Pass>
double BestMicroseconds(size_t items, Pass pass) {
    double best = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        const double start = Now();
        pass();
        const double seconds = Now() - start;
        if (seconds < best) best = seconds;
    }
    return best * 1e6 / static_cast<double>(items);
}

std::vector<std::string> FramesIn(const std::string& folder) {
    std::vector<std::string> frames;
    WIN32_FIND_DATAA data;
    win::FindHandle find(::FindFirstFileA((folder + "\\*.USD").c_str(), &data));
    if (!find) return frames;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            frames.push_back(folder + "\\" + data.cFileName);
    } while (::FindNextFileA(find.Get(), &data));
    return frames;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    win::FindHandle find(::FindFirstFileA((path + "\\*").c_str(), &data));
    if (find) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + "\\" + name);
            else
                ::DeleteFileA((path + "\\" + name).c_str());
        } while (::FindNextFileA(find.Get(), &data));
    }
    ::RemoveDirectoryA(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    std::string folder = argc > 2 ? argv[2] : std::string();
    const bool generated = folder.empty();
    if (generated) {
        if (count <= 0) {
            std::fprintf(stderr, "usage: thumbnail_bench [count] [frame-folder]\n");
            return 2;
        }
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "thumbnail_bench_" + std::to_string(::GetCurrentProcessId());
        std::printf("writing %d demo frames into %s\n", count, folder.c_str());
        for (int i = 0; i < count; ++i) {
            if (demo::WriteDemoFrame(folder, i).empty()) {
                std::fprintf(stderr, "cannot write demo frame %d\n", i);
                RemoveTree(folder);
                return 1;
            }
        }
    }

    const std::vector<std::string> frames = FramesIn(folder);
    std::vector<std::string> jpegs;
    for (const std::string& frame : frames) jpegs.push_back(ResolveThumbnailPath(frame));
    if (frames.empty()) {
        std::fprintf(stderr, "no frame files in %s\n", folder.c_str());
        return 1;
    }

    size_t decodedBytes = 0;
    auto plainDecode = [&] {
        decodedBytes = 0;
        for (const std::string& jpeg : jpegs) {
            FILE* input = std::fopen(jpeg.c_str(), "rb");
            if (!input) continue;
            decodedBytes += DecodeToMemory(input);
            std::fclose(input);
        }
    };
    plainDecode();  // warms the file cache for both sides

    int lastIndex = -1;
    const double loadThumbnail = BestMicroseconds(frames.size(), [&] {
        win::ImageList list(CreateThumbnailImageList());
        for (const std::string& frame : frames) lastIndex = LoadThumbnail(list.Get(), frame);
    });
    const std::string temp = ThumbnailTempPath();
    const double toBmpAndDib = BestMicroseconds(frames.size(), [&] {
        for (const std::string& jpeg : jpegs) {
            CDIB dib;
            if (JpegToBmp(jpeg, temp)) dib.Load(temp);
            ::DeleteFileA(temp.c_str());
        }
    });
    const double plain = BestMicroseconds(frames.size(), plainDecode);

    std::printf("%zu thumbnails (%.1f MB of pixels decoded per round), best of %d rounds\n", frames.size(),
                decodedBytes / 1e6, kRounds);
    std::printf("  LoadThumbnail                 %9.1f us per thumbnail (last index %d)\n", loadThumbnail,
                lastIndex);
    std::printf("    of it JpegToBmp + CDIB::Load %8.1f us\n", toBmpAndDib);
    std::printf("  plain libjpeg decode          %9.1f us per thumbnail\n", plain);
    std::printf("  ratio                         %9.2f\n", plain > 0 ? loadThumbnail / plain : 0.0);

    if (generated) RemoveTree(folder);
    return 0;
}
