#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "../../tools/DamagedJpegs.h"
#include "../../tools/JpegWriter.h"
#include "TestFiles.h"
#include "frames/JpegToDib.h"
#include "frames/Thumbnail.h"
#include "frames/ThumbnailRender.h"
#include "win/Handles.h"

using testing_support::MakeDirs;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

constexpr unsigned kRed = 0xE02020, kGreen = 0x20C040, kWhite = 0xFFFFFF, kBlack = 0, kMagenta = 0xFF00FF;

// Left half `left`, right half `right`, as 0xRRGGBB.
void WriteColourJpeg(const std::string& path, int width, int height, unsigned left, unsigned right) {
    std::vector<unsigned char> px;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned c = x < width / 2 ? left : right;
            px.insert(px.end(), {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                                 static_cast<unsigned char>(c)});
        }
    ASSERT_TRUE(demo::WriteJpeg(path, width, height, 3, JCS_RGB, px.data(), 95));
}

void WriteGreyJpeg(const std::string& path, int width, int height, unsigned char value) {
    std::vector<unsigned char> px(static_cast<size_t>(width) * height, value);
    ASSERT_TRUE(demo::WriteJpeg(path, width, height, 1, JCS_GRAYSCALE, px.data(), 95));
}

void WriteCmykJpeg(const std::string& path) {
    std::vector<unsigned char> px(32 * 32 * 4, 0x40);
    ASSERT_TRUE(demo::WriteJpeg(path, 32, 32, 4, JCS_CMYK, px.data(), 90));
}

// A small JPEG whose frame header claims width x height.
void WriteHugeJpeg(const std::string& path, unsigned width, unsigned height) {
    WriteColourJpeg(path, 16, 16, kRed, kGreen);
    std::string bytes = ReadFile(path);
    const size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    bytes[sof + 5] = static_cast<char>(height >> 8);
    bytes[sof + 6] = static_cast<char>(height);
    bytes[sof + 7] = static_cast<char>(width >> 8);
    bytes[sof + 8] = static_cast<char>(width);
    WriteFile(path, bytes);
}

// Smooth gradients under a few hard-edged blocks, like a photo with
// lettering: colour in both directions, so a swapped channel, a flipped row
// order or a shifted scale all show.
void WritePictureJpeg(const std::string& path, int width, int height, bool grey) {
    std::vector<unsigned char> px;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool block = (x * 5 / width) % 2 == 1 && (y * 4 / height) % 2 == 0;
            const int r = block ? 240 : 255 * x / width;
            const int g = block ? 30 : 255 * y / height;
            const int b = block ? 40 : 128 + 100 * (x + y) / (width + height);
            if (grey)
                px.push_back(static_cast<unsigned char>((r * 3 + g * 6 + b) / 10));
            else
                px.insert(px.end(), {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                                     static_cast<unsigned char>(b)});
        }
    ASSERT_TRUE(
        demo::WriteJpeg(path, width, height, grey ? 1 : 3, grey ? JCS_GRAYSCALE : JCS_RGB, px.data(), 90));
}

struct ReferenceErrors {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
};
void ReferenceErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<ReferenceErrors*>(cinfo->err)->jump, 1);
}
void ReferenceSilence(j_common_ptr) {}

// The reference picture: the whole JPEG decoded at full size in RGB and
// turned into BGR rows bottom-up by hand. Plain C objects only between
// setjmp and the jump.
bool DecodeFullSize(const std::string& bytes, CDIB* dib) {
    struct jpeg_decompress_struct cinfo;
    struct ReferenceErrors errors;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ReferenceErrorExit;
    errors.pub.output_message = ReferenceSilence;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const WORD bitCount = cinfo.output_components == 3 ? 24 : 8;
    BYTE* bits = dib->Create(cinfo.output_width, cinfo.output_height, bitCount);
    const DWORD stride = CDIB::Stride(cinfo.output_width, bitCount);
    while (bits && cinfo.output_scanline < cinfo.output_height) {
        BYTE* row = bits + static_cast<size_t>(cinfo.output_height - 1 - cinfo.output_scanline) * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
        for (JDIMENSION x = 0; bitCount == 24 && x < cinfo.output_width; ++x)
            std::swap(row[3 * x], row[3 * x + 2]);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return bits != nullptr;
}

bool Near(unsigned rgb, unsigned want, int tolerance = 12) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((rgb >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) >
            tolerance)
            return false;
    return true;
}

struct Pixels32 {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];  // room GetDIBits may fill for a monochrome source
};

// A bitmap's 64 x 64 pixels, top row first, as 0x00RRGGBB.
std::vector<DWORD> ReadPixels(HBITMAP bitmap) {
    Pixels32 bi = {};
    bi.header.biSize = sizeof bi.header;
    bi.header.biWidth = kThumbnailSize;
    bi.header.biHeight = -kThumbnailSize;
    bi.header.biPlanes = 1;
    bi.header.biBitCount = 32;
    std::vector<DWORD> pixels(kThumbnailSize * kThumbnailSize);
    win::WindowDc screen(nullptr);
    ::GetDIBits(screen.Get(), bitmap, 0, kThumbnailSize, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
                DIB_RGB_COLORS);
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

DWORD At(const std::vector<DWORD>& pixels, int x, int y) {
    return pixels[y * kThumbnailSize + x];
}

// Image `index` of the list drawn transparently over magenta.
std::vector<DWORD> DrawOverMagenta(HIMAGELIST list, int index) {
    win::WindowDc screen(nullptr);
    win::Bitmap canvas(::CreateCompatibleBitmap(screen.Get(), kThumbnailSize, kThumbnailSize));
    {
        win::MemoryDc dc(::CreateCompatibleDC(screen.Get()));
        win::SelectObjectScope selected(dc.Get(), canvas.Get());
        win::Brush magenta(::CreateSolidBrush(RGB(255, 0, 255)));
        const RECT all = {0, 0, kThumbnailSize, kThumbnailSize};
        ::FillRect(dc.Get(), &all, magenta.Get());
        ImageList_DrawEx(list, index, dc.Get(), 0, 0, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_TRANSPARENT);
    }
    return ReadPixels(canvas.Get());
}

// Names in the temporary folder, to see that thumbnails leave nothing there.
std::set<std::string> TempFolderNames() {
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    win::FindHandle find(::FindFirstFileA((std::string(folder) + "*").c_str(), &data));
    if (find) do
            names.insert(data.cFileName);
        while (::FindNextFileA(find.Get(), &data));
    return names;
}

// The reference's cell: the full-size picture stretched into the cell as
// thumbnails have always been drawn, and its mask.
void DrawReferenceCell(const CDIB& dib, std::vector<DWORD>& image, std::vector<DWORD>& mask) {
    win::WindowDc screen(nullptr);
    win::MemoryDc imageDc(::CreateCompatibleDC(screen.Get()));
    win::MemoryDc maskDc(::CreateCompatibleDC(screen.Get()));
    win::Bitmap imageBitmap(::CreateCompatibleBitmap(screen.Get(), kThumbnailSize, kThumbnailSize));
    win::Bitmap maskBitmap(::CreateCompatibleBitmap(maskDc.Get(), kThumbnailSize, kThumbnailSize));
    {
        win::SelectObjectScope imageSelected(imageDc.Get(), imageBitmap.Get());
        win::SelectObjectScope maskSelected(maskDc.Get(), maskBitmap.Get());
        ::PatBlt(imageDc.Get(), 0, 0, kThumbnailSize, kThumbnailSize, WHITENESS);
        ::PatBlt(maskDc.Get(), 0, 0, kThumbnailSize, kThumbnailSize, WHITENESS);
        RECT cell = FitRect(dib.Width(), dib.Height(), kThumbnailSize);
        ::InflateRect(&cell, -2, -2);
        ASSERT_TRUE(dib.Draw(imageDc.Get(), cell, SRCCOPY));
        ::PatBlt(maskDc.Get(), cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top,
                 BLACKNESS);
    }
    image = ReadPixels(imageBitmap.Get());
    mask = ReadPixels(maskBitmap.Get());
}

// Mean of the absolute channel differences over the pixels both masks show.
double MeanDifference(const std::vector<DWORD>& a, const std::vector<DWORD>& b,
                      const std::vector<DWORD>& mask) {
    double sum = 0;
    int count = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (mask[i] != kBlack) continue;
        for (int shift : {0, 8, 16})
            sum +=
                std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
        count += 3;
    }
    return count ? sum / count : 0;
}

// Every pixel of `pixels` inside `r` is near `inside`, every other one near `outside`.
void ExpectRegions(const std::vector<DWORD>& pixels, const RECT& r, unsigned inside, unsigned outside) {
    int wrong = 0;
    for (int y = 0; y < kThumbnailSize; ++y)
        for (int x = 0; x < kThumbnailSize; ++x) {
            const bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            if (!Near(At(pixels, x, y), in ? inside : outside) && ++wrong < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << At(pixels, x, y);
        }
    EXPECT_EQ(wrong, 0);
}

}  // namespace

TEST(Thumbnail, FitRectCentresThePictureKeepingItsProportions) {
    auto drawn = [](LONG w, LONG h) {
        RECT r = FitRect(w, h, kThumbnailSize);
        ::InflateRect(&r, -2, -2);
        return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(drawn(640, 480), (std::vector<LONG>{2, 10, 62, 54}));
    EXPECT_EQ(drawn(480, 640), (std::vector<LONG>{10, 2, 54, 62}));
    EXPECT_EQ(drawn(100, 100), (std::vector<LONG>{2, 2, 62, 62}));
    EXPECT_EQ(drawn(64, 63), (std::vector<LONG>{2, 2, 62, 61}));
    for (auto [w, h] : {std::pair<LONG, LONG>{0, 480}, {640, 0}, {0, 0}, {-640, 480}}) {
        const RECT r = FitRect(w, h, kThumbnailSize);
        EXPECT_TRUE(::IsRectEmpty(&r)) << w << "x" << h;
    }
    // Products that overflow 32 bits stay inside the cell.
    const RECT wide = FitRect(0x7FFFFFFF, 3, kThumbnailSize);
    EXPECT_EQ(wide.left, 0);
    EXPECT_EQ(wide.right, kThumbnailSize);
    EXPECT_LE(wide.bottom, kThumbnailSize);
}

TEST(Thumbnail, ScaledDecodeMatchesTheFullSizePictureStretchedIntoTheCell) {
    TempDir dir;
    ThumbnailRenderer renderer;
    struct Case {
        int width, height;
        bool grey;
    };
    for (const Case& c : {Case{160, 120, false},
                          {120, 160, false},
                          {640, 480, false},
                          {1600, 1200, false},
                          {64, 63, false},
                          {1, 1000, false},
                          {1000, 1, false},
                          {30, 20, false},
                          {333, 97, false},
                          {160, 120, true},
                          {90, 700, true}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + (c.grey ? " grey" : ""));
        const std::string path = dir / "p.jpg";
        WritePictureJpeg(path, c.width, c.height, c.grey);
        CDIB full;
        ASSERT_TRUE(DecodeFullSize(ReadFile(path), &full));
        std::vector<DWORD> wantImage, wantMask;
        DrawReferenceCell(full, wantImage, wantMask);

        ASSERT_EQ(renderer.Render(path), 1);
        const std::vector<DWORD> mask = ReadPixels(renderer.Mask());
        EXPECT_EQ(mask, wantMask);
        const double difference = MeanDifference(ReadPixels(renderer.Image()), wantImage, wantMask);
        // Smaller than any fault (swapped channels, flipped rows, a wrong scale
        // or offset) would give; the scaled picture is smoother at hard edges.
        EXPECT_LT(difference, 10.0);
    }
}

TEST(Thumbnail, BadOrDamagedJpegsGiveABlankCell) {
    TempDir dir;
    const std::set<std::string> tempBefore = TempFolderNames();
    WritePictureJpeg(dir / "good.jpg", 640, 480, false);
    const std::string good = ReadFile(dir / "good.jpg");
    WriteFile(dir / "truncated.jpg", good.substr(0, good.size() / 2));
    WriteFile(dir / "noend.jpg", good.substr(0, good.size() - 2));  // entropy data whole, end marker gone
    std::string middle = good;
    for (size_t i = middle.size() / 2; i < middle.size() / 2 + 64; ++i) middle[i] = static_cast<char>(i * 37);
    WriteFile(dir / "middle.jpg", middle);
    // Damage libjpeg decodes into garbage, saying nothing or only that bytes
    // before a marker went unused: a byte gone, 22 bytes written twice (the
    // rest of the picture read out of step), the Huffman tables taken out
    // (libjpeg takes its standard ones, whatever the picture was coded with),
    // a byte gone from a progressive picture's first scan of AC coefficients.
    size_t data = 0, dataEnd = 0;  // the scan's entropy-coded data
    for (const damaged::Segment& s : damaged::Segments(good))
        if (s.marker == 0) data = s.begin, dataEnd = s.end;
    ASSERT_GT(dataEnd, data + 1000);
    const size_t fifth = data + (dataEnd - data) / 5;
    WriteFile(dir / "byte.jpg", good.substr(0, fifth) + good.substr(fifth + 1));
    WriteFile(dir / "repeated.jpg", good.substr(0, fifth + 22) + good.substr(fifth));
    std::string noTables;
    size_t from = 0;
    for (const damaged::Segment& s : damaged::Segments(good))
        if (s.marker == 0xC4) noTables += good.substr(from, s.begin - from), from = s.end;
    WriteFile(dir / "notables.jpg", noTables + good.substr(from));
    damaged::Encoding progressive;
    progressive.width = 320;
    progressive.height = 240;
    progressive.progressive = progressive.optimize = true;
    const std::string photo = damaged::Compress(progressive, damaged::DrawPhoto(320, 240, false, 3));
    WriteFile(dir / "progressive.jpg",
              photo.substr(0, photo.size() / 3) + photo.substr(photo.size() / 3 + 1));
    // Damage after which the decoder falls back into step and every block is
    // there: two bytes overwritten in a small picture, where the blocks read
    // from them reach far past 0..255; a byte overwritten in a progressive
    // picture with restart markers, where a segment's blocks end in the
    // middle of a byte whose last bits are not an encoder's fill; four bytes
    // gone, and three bits flipped in a picture with a restart marker after
    // each row, after which every later block of the picture, or of the row,
    // is whole but for a shifted DC: a run lighter, darker or off in colour.
    std::string what;
    WriteFile(dir / "resynced.jpg", damaged::DamagedJpeg(594, damaged::GoodJpeg(594), &what));
    WriteFile(dir / "unfilled.jpg", damaged::DamagedJpeg(258, damaged::GoodJpeg(258), &what));
    WriteFile(dir / "shifted.jpg", damaged::DamagedJpeg(1149, damaged::GoodJpeg(1149), &what));
    WriteFile(dir / "shiftedrow.jpg", damaged::DamagedJpeg(1405, damaged::GoodJpeg(1405), &what));
    WriteFile(dir / "garbage.jpg", std::string(3000, '\x5A'));
    WriteFile(dir / "empty.jpg", "");
    WriteCmykJpeg(dir / "cmyk.jpg");
    WriteHugeJpeg(dir / "huge.jpg", 60000, 60000);
    WriteHugeJpeg(dir / "big.jpg", 5000, 5000);  // 75 MB at full size
    MakeDirs(dir / "folder.jpg");
    ThumbnailRenderer renderer;
    for (const char* name :
         {"truncated.jpg", "noend.jpg", "middle.jpg", "byte.jpg", "repeated.jpg", "notables.jpg",
          "progressive.jpg", "resynced.jpg", "unfilled.jpg", "shifted.jpg", "shiftedrow.jpg", "garbage.jpg",
          "empty.jpg", "cmyk.jpg", "huge.jpg", "big.jpg", "folder.jpg", "missing.jpg", ""}) {
        SCOPED_TRACE(name);
        // A good picture first: a failure must not leave it in the cell.
        ASSERT_EQ(renderer.Render(dir / "good.jpg"), 1);
        EXPECT_EQ(renderer.Render(*name ? dir / name : std::string()), 0);
        ASSERT_TRUE(renderer.Image() && renderer.Mask());
        ExpectRegions(ReadPixels(renderer.Mask()), RECT{}, kBlack, kWhite);
        ExpectRegions(ReadPixels(renderer.Image()), RECT{}, kBlack, kWhite);
    }

    // Stray bytes before a marker are skipped, and the picture still shows.
    const size_t dqt = good.find("\xFF\xDB");
    ASSERT_NE(dqt, std::string::npos);
    WriteFile(dir / "stray.jpg", good.substr(0, dqt) + "junk" + good.substr(dqt));
    EXPECT_EQ(renderer.Render(dir / "stray.jpg"), 1);
    // Neither does an edge between whole rows of blocks across the picture,
    // a horizon, however even: only a run from inside a row is an offset.
    std::vector<unsigned char> horizon;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            for (const int level : {y < 128 ? 200 : 40, y < 128 ? 220 : 90, y < 128 ? 255 : 60})
                horizon.push_back(static_cast<unsigned char>(level + (x * 7 + y * 3) % 5));
    ASSERT_TRUE(demo::WriteJpeg(dir / "horizon.jpg", 320, 240, 3, JCS_RGB, horizon.data(), 90));
    EXPECT_EQ(renderer.Render(dir / "horizon.jpg"), 1);
    EXPECT_EQ(TempFolderNames(), tempBefore);
}

TEST(Thumbnail, ExtraBytesBeforeAMarkerLeaveThePictureAsItIs) {
    TempDir dir;
    // Restart markers after every row of blocks, as cameras and webcams write.
    damaged::Encoding restarts;
    restarts.width = 320;
    restarts.height = 240;
    restarts.restartRows = 1;
    const std::string good = damaged::Compress(restarts, damaged::DrawPhoto(320, 240, false, 11));
    ASSERT_FALSE(good.empty());
    WriteFile(dir / "good.jpg", good);
    const std::string end = good.substr(good.size() - 2);
    const std::string body = good.substr(0, good.size() - 2);
    WriteFile(dir / "zeros.jpg", body + std::string(600, '\0') + end);  // padding before the end marker
    WriteFile(dir / "junk.jpg", body + "\x7F" + end);
    WriteFile(dir / "fill.jpg", body + std::string(9, '\xFF') + end);
    const size_t dht = good.find("\xFF\xC4");
    ASSERT_NE(dht, std::string::npos);
    WriteFile(dir / "header.jpg", good.substr(0, dht) + std::string(300, '\0') + good.substr(dht));
    // A few bytes before every restart marker.
    std::string beforeRestarts;
    for (size_t i = 0; i < good.size(); ++i) {
        const unsigned char next = i + 1 < good.size() ? static_cast<unsigned char>(good[i + 1]) : 0;
        if (good[i] == '\xFF' && next >= 0xD0 && next <= 0xD7)
            beforeRestarts += std::string(1 + i % 3, '\x33');
        beforeRestarts += good[i];
    }
    ASSERT_GT(beforeRestarts.size(), good.size() + 20);
    WriteFile(dir / "restarts.jpg", beforeRestarts);

    ThumbnailRenderer renderer;
    ASSERT_EQ(renderer.Render(dir / "good.jpg"), 1);
    const std::vector<DWORD> image = ReadPixels(renderer.Image()), mask = ReadPixels(renderer.Mask());
    for (const char* name : {"zeros.jpg", "junk.jpg", "fill.jpg", "header.jpg", "restarts.jpg"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(renderer.Render(dir / "notthere.jpg"), 0);
        EXPECT_EQ(renderer.Render(dir / name), 1);
        EXPECT_EQ(ReadPixels(renderer.Image()), image);
        EXPECT_EQ(ReadPixels(renderer.Mask()), mask);
    }
}

TEST(Thumbnail, FailedDecodesLeaveNoDecompressorBehind) {
    TempDir dir;
    WriteColourJpeg(dir / "good.jpg", 200, 150, kRed, kGreen);
    const std::string good = ReadFile(dir / "good.jpg");
    const std::string cut = good.substr(0, good.size() - 200);
    auto committedBytes = [] {
        // Committed private memory (Wine leaves PrivateUsage at 0).
        PROCESS_MEMORY_COUNTERS counters = {};
        ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
        return static_cast<long long>(counters.PagefileUsage);
    };
    CDIB dib;
    const auto* bytes = reinterpret_cast<const unsigned char*>(cut.data());
    ASSERT_EQ(JpegToDib(bytes, cut.size(), kThumbnailSize, dib), 0);
    EXPECT_EQ(dib.Bits(), nullptr);
    const long long before = committedBytes();
    // Each leaked decompressor would keep its pools (tens of kilobytes).
    for (int i = 0; i < 400; ++i) JpegToDib(bytes, cut.size(), 0, dib);
    EXPECT_LT(committedBytes() - before, 2ll * 1024 * 1024);
}

TEST(Thumbnail, RenderedCellHoldsThePictureInsideItsMask) {
    TempDir dir;
    WriteColourJpeg(dir / "land.jpg", 640, 480, kRed, kGreen);
    ThumbnailRenderer renderer;
    ASSERT_EQ(renderer.Render(dir / "land.jpg"), 1);
    const RECT picture = {2, 10, 62, 54};
    ExpectRegions(ReadPixels(renderer.Mask()), picture, kBlack, kWhite);
    const std::vector<DWORD> pixels = ReadPixels(renderer.Image());
    EXPECT_TRUE(Near(At(pixels, 10, 30), kRed)) << std::hex << At(pixels, 10, 30);
    EXPECT_TRUE(Near(At(pixels, 55, 50), kGreen)) << std::hex << At(pixels, 55, 50);
    EXPECT_EQ(At(pixels, 30, 5), kWhite);

    // Portrait greyscale: drawn in grey between 10 and 54 across.
    WriteGreyJpeg(dir / "port.jpg", 480, 640, 128);
    ASSERT_EQ(renderer.Render(dir / "port.jpg"), 1);
    ExpectRegions(ReadPixels(renderer.Mask()), RECT{10, 2, 54, 62}, kBlack, kWhite);
    EXPECT_TRUE(Near(At(ReadPixels(renderer.Image()), 32, 32), 0x808080, 4));
}

TEST(Thumbnail, ImageListGetsOneTransparentImagePerFrameAfterThePlaceholder) {
    TempDir dir;
    win::ImageList list(CreateThumbnailImageList());
    ASSERT_TRUE(list);
    EXPECT_EQ(ImageList_GetImageCount(list.Get()), 1);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list.Get(), &cx, &cy);
    EXPECT_EQ(cx, 64);
    EXPECT_EQ(cy, 64);

    MakeDirs(dir / "SQUARE");
    WriteColourJpeg(dir / "SQUARE\\thumb.jpg", 100, 100, kGreen, kGreen);
    WriteFile(dir / "SQUARE.USD", "[HEADER]\r\nHdThumbnail=.\\SQUARE\\thumb.jpg\r\n");
    WriteFile(dir / "NOPIC.USD", "[HEADER]\r\nHdThumbnail=.\\NOPIC\\thumb.jpg\r\n");
    WriteFile(dir / "EMPTY.USD", "[HEADER]\r\nHdTitle=x\r\n");

    EXPECT_EQ(LoadThumbnail(list.Get(), dir / "SQUARE.USD"), 1);
    EXPECT_EQ(LoadThumbnail(list.Get(), dir / "NOPIC.USD"), 2);
    EXPECT_EQ(LoadThumbnail(list.Get(), dir / "EMPTY.USD"), 3);
    // The shared pair is reused: the second copy of the picture is its own image.
    EXPECT_EQ(LoadThumbnail(list.Get(), dir / "SQUARE.USD"), 4);
    EXPECT_EQ(ImageList_GetImageCount(list.Get()), 5);

    ExpectRegions(DrawOverMagenta(list.Get(), 1), RECT{2, 2, 62, 62}, kGreen, kMagenta);
    ExpectRegions(DrawOverMagenta(list.Get(), 2), RECT{}, kBlack, kMagenta);
    ExpectRegions(DrawOverMagenta(list.Get(), 3), RECT{}, kBlack, kMagenta);
    ExpectRegions(DrawOverMagenta(list.Get(), 4), RECT{2, 2, 62, 62}, kGreen, kMagenta);
}
