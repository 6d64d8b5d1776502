// Damaged-JPEG benchmark: what the thumbnail cells show for JPEGs damaged in
// the middle of their entropy-coded data (tools/DamagedJpegs.h: runs of bytes
// overwritten, flipped, inserted, deleted, zeroed or repeated, Huffman tables
// taken out; baseline and progressive, every subsampling, restart markers or
// not, sizes from 17x13 to 1600x1200), against the cells of the undamaged
// pictures, and whether valid JPEGs still draw: the undamaged pictures, the
// same with extra bytes before a marker (padding before the end marker,
// junk between header segments or before restart markers, fill bytes, data
// after the end) and the demo library's pictures.
//   cmake --build build/win64 -j2 --target damaged_jpeg_bench    (or build/win32)
//   build/win64/wine-run.sh build/win64/damaged_jpeg_bench.exe [count] [folder]
// Writes cases 0 .. count-1 (default 300) into a temporary folder and removes
// it afterwards, or into `folder` and keeps them. Each picture is drawn by
// the program's own renderer into a 64-pixel cell. A pixel is off when a
// channel differs by more than 32 of 255 (or the mask differs); a damaged
// picture is drawn wrong when more than 200 of the cell's 4,096 pixels are
// off, blank when its cell stays empty. It draws, so it needs a display:
// wine-run.sh starts a private Xvfb when $DISPLAY is empty. Prints figures
// only; asserts nothing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "../tools/DamagedJpegCorpus.h"
#include "frames/Thumbnail.h"
#include "frames/ThumbnailRender.h"
#include "ops/FrameScan.h"
#include "win/Handles.h"

namespace {

constexpr int kThreshold = 32;      // of 255, in any channel
constexpr int kMaxPixelsOff = 200;  // of 4,096
const int kOtherThresholds[] = {16, 64};
constexpr int kDemoFrames = 40;

struct Cell {
    bool drawn = false;
    std::vector<DWORD> image, mask;  // 0x00RRGGBB, top row first
};

std::vector<DWORD> ReadPixels(HBITMAP bitmap, int size) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];  // room GetDIBits may fill for a monochrome source
    } bi = {};
    bi.header.biSize = sizeof bi.header;
    bi.header.biWidth = size;
    bi.header.biHeight = -size;
    bi.header.biPlanes = 1;
    bi.header.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(size) * size);
    win::WindowDc screen(nullptr);
    ::GetDIBits(screen.Get(), bitmap, 0, size, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
                DIB_RGB_COLORS);
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

Cell Draw(ThumbnailRenderer& renderer, const std::string& path) {
    Cell cell;
    cell.drawn = renderer.Render(path) == 1;
    cell.image = ReadPixels(renderer.Image(), ThumbnailCellSize());
    cell.mask = ReadPixels(renderer.Mask(), ThumbnailCellSize());
    return cell;
}

int PixelsOff(const Cell& a, const Cell& b, int threshold) {
    int off = 0;
    for (size_t i = 0; i < a.image.size(); ++i) {
        bool differs = a.mask[i] != b.mask[i];
        for (int shift : {0, 8, 16})
            differs = differs || std::abs(static_cast<int>((a.image[i] >> shift) & 0xFF) -
                                          static_cast<int>((b.image[i] >> shift) & 0xFF)) > threshold;
        off += differs;
    }
    return off;
}

struct Tally {
    int total = 0, blank = 0, wrong = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 300;
    std::string folder = argc > 2 ? argv[2] : std::string();
    const bool temporary = folder.empty();
    if (count <= 0) {
        std::fprintf(stderr, "usage: damaged_jpeg_bench [count] [folder]\n");
        return 2;
    }
    if (temporary) {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "damaged_jpeg_bench_" + std::to_string(::GetCurrentProcessId());
    }
    std::vector<damaged::CaseFiles> cases;
    std::vector<std::string> demoJpegs;
    bool written = damaged::WriteCorpus(folder, 0, static_cast<unsigned>(count), &cases);
    for (int i = 0; written && i < kDemoFrames; ++i) {
        const std::string frame = demo::WriteDemoFrame(folder + "\\demo", i);
        written = !frame.empty();
        const std::string companion = frame.substr(0, frame.size() - 4);
        demoJpegs.push_back(companion + "\\thumb.jpg");
        demoJpegs.push_back(companion + "\\layout.jpg");
    }
    if (!written) {
        std::fprintf(stderr, "cannot write the pictures into %s\n", folder.c_str());
        if (temporary) RemoveFolderTree(folder);
        return 1;
    }

    ThumbnailRenderer renderer;
    Tally damagedAll;
    std::map<std::string, Tally> byKind;
    std::map<int, int> wrongAt;  // other thresholds
    std::vector<std::string> wrongCases, validBlank;
    int padded = 0, paddedBlank = 0, paddedDiffer = 0;
    for (const damaged::CaseFiles& c : cases) {
        const Cell original = Draw(renderer, c.original);
        if (!original.drawn) validBlank.push_back(c.original + " (" + c.encoding + ")");
        if (!c.padded.empty()) {
            ++padded;
            const Cell cell = Draw(renderer, c.padded);
            if (!cell.drawn) {
                ++paddedBlank;
                validBlank.push_back(c.padded + " (" + c.encoding + "; " + c.extra + ")");
            } else if (PixelsOff(original, cell, 0) > 0) {
                ++paddedDiffer;
            }
        }
        if (c.damagedPath.empty()) continue;
        Tally& kind = byKind[c.damage.substr(0, c.damage.find(':'))];
        ++kind.total;
        ++damagedAll.total;
        const Cell cell = Draw(renderer, c.damagedPath);
        if (!cell.drawn) {
            ++kind.blank;
            ++damagedAll.blank;
            continue;
        }
        for (int threshold : kOtherThresholds)
            wrongAt[threshold] += PixelsOff(original, cell, threshold) > kMaxPixelsOff;
        const int off = PixelsOff(original, cell, kThreshold);
        if (off <= kMaxPixelsOff) continue;
        ++kind.wrong;
        ++damagedAll.wrong;
        wrongCases.push_back(c.damagedPath.substr(folder.size() + 1) + ": " + c.encoding + "; " + c.damage +
                             "; " + std::to_string(off) + " pixels off");
    }
    int demoBlank = 0;
    for (const std::string& jpeg : demoJpegs)
        if (!Draw(renderer, jpeg).drawn) {
            ++demoBlank;
            validBlank.push_back(jpeg);
        }

    std::printf("damaged JPEGs: %d; a cell is wrong with more than %d of %d pixels off by more than %d\n",
                damagedAll.total, kMaxPixelsOff, ThumbnailCellSize() * ThumbnailCellSize(), kThreshold);
    std::printf("  blank %d, drawn like the original %d, drawn wrong %d (%.1f%%)\n", damagedAll.blank,
                damagedAll.total - damagedAll.blank - damagedAll.wrong, damagedAll.wrong,
                100.0 * damagedAll.wrong / damagedAll.total);
    for (const auto& [name, t] : byKind)
        std::printf("    %-10s %4d: blank %4d, wrong %3d\n", name.c_str(), t.total, t.blank, t.wrong);
    for (int threshold : kOtherThresholds)
        std::printf("  drawn wrong with pixels off by more than %d: %d\n", threshold, wrongAt[threshold]);
    for (const std::string& line : wrongCases) std::printf("    %s\n", line.c_str());
    std::printf("valid JPEGs: %zu undamaged, %d with extra bytes, %zu of the demo library\n", cases.size(),
                padded, demoJpegs.size());
    std::printf("  blank: undamaged %zu, with extra bytes %d, demo library %d\n",
                validBlank.size() - paddedBlank - demoBlank, paddedBlank, demoBlank);
    std::printf("  with extra bytes, drawn unlike the undamaged picture: %d\n", paddedDiffer);
    for (const std::string& path : validBlank) std::printf("    blank: %s\n", path.c_str());

    if (temporary) RemoveFolderTree(folder);
    return 0;
}
