// Thumbnail benchmark: the program's per-frame cost of a frame's header and
// thumbnail (one read of the frame file, the JPEG decoded scaled in memory,
// drawn into the cell and added to the image list) against the floor: one
// read of the frame file plus a bare scaled decode of its JPEG into memory.
// Two routes of the program are measured: the frame lists' own (the records
// of a fill, then the thumbnails in batches, reading and decoding on two
// threads), and one frame after another on one thread, where nothing
// overlaps and every step shows.
//   cmake --build build/win64 -j2 --target thumbnail_bench    (or build/win32)
//   build/win64/wine-run.sh build/win64/thumbnail_bench.exe [count] [frame-folder]
// Without a folder it writes `count` frames (default 300; thumbnails of
// 160x120, 120x160 and 640x480 in turn) into a temporary folder and removes
// them afterwards; with a folder it uses the .USD files found there, after
// writing `count` frames into it (and keeping them) when it has none. It
// draws, so it needs a display: wine-run.sh starts a private Xvfb when
// $DISPLAY is empty. Runs rotate between the floor and the two routes; each
// prints the minimum and the median of the runs. Last come the decoder alone
// (JpegToDib on the JPEGs held in memory) and the part of it that checks the
// entropy-coded data (CheckJpegEntropyData). Prints figures only; asserts
// nothing.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../tools/DemoLibrary.h"
#include "frames/FrameFile.h"
#include "frames/FrameInfoCache.h"
#include "frames/FrameInfoCacheLifetime.h"
#include "frames/JpegEntropyCheck.h"
#include "frames/JpegLib.h"
#include "frames/JpegToDib.h"
#include "frames/Thumbnail.h"
#include "frames/ThumbnailRender.h"
#include "win/Handles.h"
#include "ops/FrameScan.h"
#include "win/TwoThreads.h"

namespace {

constexpr int kRuns = 7;
// Thumbnails the lists make together.
constexpr size_t kListBatch = 8;

struct DecodeErrors {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
};

void DecodeErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<DecodeErrors*>(cinfo->err)->jump, 1);
}
void DecodeSilence(j_common_ptr) {}

// The bare decode: the JPEG at the smallest M/8 scale that covers its place
// in the 64-pixel cell, BGR rows into one malloc'd buffer. Returns the bytes
// decoded, 0 on error. Only plain C objects between setjmp and the jump.
size_t DecodeScaled(const unsigned char* data, size_t size) {
    struct jpeg_decompress_struct cinfo;
    struct DecodeErrors errors;
    unsigned char* volatile pixels = NULL;
    size_t total = 0;
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
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.out_color_space == JCS_RGB) cinfo.out_color_space = JCS_EXT_BGR;
    const RECT fit =
        FitRect(static_cast<LONG>(cinfo.image_width), static_cast<LONG>(cinfo.image_height), kThumbnailSize);
    cinfo.scale_denom = 8;
    for (unsigned num = 1; num <= 8; ++num) {
        cinfo.scale_num = num;
        jpeg_calc_output_dimensions(&cinfo);
        if (static_cast<LONG>(cinfo.output_width) >= fit.right - fit.left &&
            static_cast<LONG>(cinfo.output_height) >= fit.bottom - fit.top)
            break;
    }
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    total = stride * cinfo.output_height;
    pixels = static_cast<unsigned char*>(malloc(total));
    while (pixels && cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + cinfo.output_scanline * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    free(pixels);
    return total;
}

bool ReadAll(const std::string& path, std::vector<unsigned char>& bytes) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.Get(), &size)) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() ||
           (::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
            got == bytes.size());
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

// Microseconds per item of one pass.
template <typename Pass>
double Microseconds(size_t items, Pass pass) {
    const double start = Now();
    pass();
    return (Now() - start) * 1e6 / static_cast<double>(items);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
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

// Frame n: a header like a real frame file's and a thumbnail of one of the
// three common sizes.
bool WriteFrame(const std::string& folder, int n) {
    static const int kSizes[][2] = {{160, 120}, {120, 160}, {640, 480}};
    const int* size = kSizes[n % 3];
    const std::string name = "FRAME" + std::to_string(n);
    const std::string companion = folder + "\\" + name;
    ::CreateDirectoryA(companion.c_str(), nullptr);
    if (!demo::WritePicture(companion + "\\thumb.jpg",
                            demo::DrawPicture(size[0], size[1], false, static_cast<unsigned>(n))))
        return false;
    const std::string text = "[HEADER]\r\nHdTitle=Frame " + std::to_string(n) +
                             "\r\nHdPhysicalPaperSize=L\r\nHdMargines=42,198,42,42\r\nHdThumbnail=.\\" +
                             name + "\\thumb.jpg\r\n[BODY]\r\nImage=.\\" + name + "\\thumb.jpg\r\n" +
                             std::string(2000, ';') + "\r\n";
    win::FileHandle file(::CreateFileA((folder + "\\" + name + ".USD").c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    // Two threads, as the window gives the lists and the operations.
    win::HelperScope helpers;
    const int count = argc > 1 ? std::atoi(argv[1]) : 300;
    std::string folder = argc > 2 ? argv[2] : std::string();
    const bool temporary = folder.empty();
    if (temporary) {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "thumbnail_bench_" + std::to_string(::GetCurrentProcessId());
    }
    if (FramesIn(folder).empty()) {
        if (count <= 0) {
            std::fprintf(stderr, "usage: thumbnail_bench [count] [frame-folder]\n");
            return 2;
        }
        ::CreateDirectoryA(folder.c_str(), nullptr);
        std::printf("writing %d frames into %s\n", count, folder.c_str());
        for (int i = 0; i < count; ++i) {
            if (!WriteFrame(folder, i)) {
                std::fprintf(stderr, "cannot write frame %d\n", i);
                if (temporary) RemoveFolderTree(folder);
                return 1;
            }
        }
    }

    const std::vector<std::string> frames = FramesIn(folder);
    if (frames.empty()) {
        std::fprintf(stderr, "no frame files in %s\n", folder.c_str());
        return 1;
    }
    std::vector<std::string> jpegs;
    for (const std::string& frame : frames) jpegs.push_back(ResolveThumbnailPath(frame));

    size_t decodedBytes = 0;
    std::vector<unsigned char> frameBytes, jpegBytes;
    auto floorPass = [&] {
        decodedBytes = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            ReadAll(frames[i], frameBytes);
            if (ReadAll(jpegs[i], jpegBytes))
                decodedBytes += DecodeScaled(jpegBytes.data(), jpegBytes.size());
        }
    };
    int lastIndex = -1;
    // One list for every pass, as the program keeps one for its whole run,
    // cut back to its first image before each pass as a fill of another
    // folder does (untimed).
    win::ImageList list(CreateThumbnailImageList());
    auto programPass = [&] {
        for (const std::string& frame : frames) {
            const FrameHeader header = ReadFrameHeader(frame);
            lastIndex = LoadThumbnailPicture(list.Get(), ResolveThumbnailPath(frame, header));
        }
    };
    // The route of the frame lists: the records of a fill (headers read on
    // two threads), then the thumbnails in batches as the lists' slices make
    // them, into the cache's own image list. The folder's listing is not
    // timed: the floor has none.
    OpenFrameInfoCache();
    std::vector<FoundFrameFile> found;
    for (const std::string& frame : frames) {
        FoundFrameFile file{frame, {}};
        win::FindHandle find(::FindFirstFileA(frame.c_str(), &file.data));
        found.push_back(file);
    }
    auto listsPass = [&] {
        GetFoundFrameInfos(found);
        std::vector<std::string> batch;
        for (const std::string& frame : frames) {
            batch.push_back(frame);
            if (batch.size() == kListBatch) {
                MakePendingThumbnails(batch);
                batch.clear();
            }
        }
        MakePendingThumbnails(batch);
    };
    floorPass();  // warms the file cache and the renderer for every side
    programPass();
    listsPass();

    std::vector<double> floorRuns, programRuns, listsRuns;
    for (int run = 0; run < kRuns; ++run) {
        // Rotating which goes first evens out what one leaves behind.
        ::ImageList_SetImageCount(list.Get(), 1);
        ClearFrameInfo();
        for (int turn = 0; turn < 3; ++turn) {
            switch ((run + turn) % 3) {
                case 0:
                    floorRuns.push_back(Microseconds(frames.size(), floorPass));
                    break;
                case 1:
                    programRuns.push_back(Microseconds(frames.size(), programPass));
                    break;
                default:
                    listsRuns.push_back(Microseconds(frames.size(), listsPass));
                    break;
            }
        }
    }
    CloseFrameInfoCache();

    // Where the program's time goes, for whoever makes it faster.
    std::vector<std::string> resolved(frames.size());
    std::vector<double> headerRuns, renderRuns, appendRuns;
    ThumbnailRenderer renderer;
    for (int run = 0; run < kRuns; ++run) {
        headerRuns.push_back(Microseconds(frames.size(), [&] {
            for (size_t i = 0; i < frames.size(); ++i)
                resolved[i] = ResolveThumbnailPath(frames[i], ReadFrameHeader(frames[i]));
        }));
        renderRuns.push_back(Microseconds(frames.size(), [&] {
            for (const std::string& jpeg : resolved) renderer.Render(jpeg);
        }));
        ::ImageList_SetImageCount(list.Get(), 1);
        appendRuns.push_back(Microseconds(frames.size(), [&] {
            for (size_t i = 0; i < frames.size(); ++i) renderer.AppendTo(list.Get());
        }));
    }

    // The decoder alone, the JPEGs already in memory, and the share of its
    // check of the entropy-coded data.
    std::vector<std::vector<unsigned char>> held(resolved.size());
    for (size_t i = 0; i < resolved.size(); ++i) ReadAll(resolved[i], held[i]);
    std::vector<double> decodeRuns, checkRuns;
    CDIB dib;
    for (int run = 0; run < kRuns; ++run) {
        decodeRuns.push_back(Microseconds(held.size(), [&] {
            for (const auto& jpeg : held) JpegToDib(jpeg.data(), jpeg.size(), kThumbnailSize, dib);
        }));
        checkRuns.push_back(Microseconds(held.size(), [&] {
            for (const auto& jpeg : held) CheckJpegEntropyData(jpeg.data(), jpeg.size());
        }));
    }

    const double floorMin = *std::min_element(floorRuns.begin(), floorRuns.end());
    const double programMin = *std::min_element(programRuns.begin(), programRuns.end());
    const double listsMin = *std::min_element(listsRuns.begin(), listsRuns.end());
    const double floorMedian = Median(floorRuns), programMedian = Median(programRuns);
    const double listsMedian = Median(listsRuns);
    std::printf("%zu frames (%.2f MB of pixels decoded per pass), %d rotating runs, us per frame\n",
                frames.size(), decodedBytes / 1e6, kRuns);
    std::printf("                                          min    median\n");
    std::printf("  floor: one read + bare scaled decode %7.1f %9.1f\n", floorMin, floorMedian);
    std::printf("  program, as the lists make them      %7.1f %9.1f\n", listsMin, listsMedian);
    std::printf("  program / floor                      %7.2f %9.2f\n", listsMin / floorMin,
                listsMedian / floorMedian);
    std::printf("  one frame after another, one thread  %7.1f %9.1f   (last index %d)\n", programMin,
                programMedian, lastIndex);
    std::printf("    of it: header read %.1f, decode + draw %.1f, image list %.1f (medians)\n",
                Median(headerRuns), Median(renderRuns), Median(appendRuns));
    std::printf("  one after another / floor            %7.2f %9.2f\n", programMin / floorMin,
                programMedian / floorMedian);
    std::printf("  decode in memory (JpegToDib)         %7.1f %9.1f\n",
                *std::min_element(decodeRuns.begin(), decodeRuns.end()), Median(decodeRuns));
    std::printf("    of it: entropy-data check          %7.1f %9.1f\n",
                *std::min_element(checkRuns.begin(), checkRuns.end()), Median(checkRuns));

    if (temporary) RemoveFolderTree(folder);
    return 0;
}
