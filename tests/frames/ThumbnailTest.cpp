#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "../../tools/JpegWriter.h"
#include "TestFiles.h"
#include "frames/JpegToBmp.h"
#include "frames/Thumbnail.h"
#include "frames/ThumbnailRender.h"
#include "win/Handles.h"

using testing_support::Exists;
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

unsigned U16(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
unsigned U32(const std::string& b, size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
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

bool TempFileExists() {
    return Exists(ThumbnailTempPath());
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

TEST(Thumbnail, JpegToBmpWritesBottomUpPaddedRows) {
    TempDir dir;
    // 30 pixels: 90-byte rows padded to 92; top half red, bottom half green.
    std::vector<unsigned char> px;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const unsigned c = y < 10 ? kRed : kGreen;
            px.insert(px.end(), {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                                 static_cast<unsigned char>(c)});
        }
    ASSERT_TRUE(demo::WriteJpeg(dir / "c.jpg", 30, 20, 3, JCS_RGB, px.data(), 95));
    ASSERT_EQ(JpegToBmp(dir / "c.jpg", dir / "c.bmp"), 1);
    const std::string bmp = ReadFile(dir / "c.bmp");
    ASSERT_EQ(bmp.size(), 54u + 92u * 20u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(U32(bmp, 2), bmp.size());
    EXPECT_EQ(U32(bmp, 10), 54u);
    EXPECT_EQ(U32(bmp, 14), 40u);
    EXPECT_EQ(U32(bmp, 18), 30u);
    EXPECT_EQ(U32(bmp, 22), 20u);
    EXPECT_EQ(U16(bmp, 28), 24u);
    EXPECT_EQ(U32(bmp, 30), 0u);  // BI_RGB
    EXPECT_EQ(U32(bmp, 46), 0u);  // no colour table
    auto bgrAt = [&](size_t row, size_t x) {
        const size_t at = 54 + row * 92 + x * 3;
        return static_cast<unsigned>(static_cast<unsigned char>(bmp[at + 2])) << 16 |
               static_cast<unsigned char>(bmp[at + 1]) << 8 | static_cast<unsigned char>(bmp[at]);
    };
    EXPECT_TRUE(Near(bgrAt(0, 5), kGreen)) << std::hex << bgrAt(0, 5);  // first stored row is the bottom
    EXPECT_TRUE(Near(bgrAt(19, 5), kRed)) << std::hex << bgrAt(19, 5);
    for (size_t row = 0; row < 20; ++row) EXPECT_EQ(bmp.substr(54 + row * 92 + 90, 2), std::string(2, '\0'));

    WriteGreyJpeg(dir / "g.jpg", 30, 20, 100);
    ASSERT_EQ(JpegToBmp(dir / "g.jpg", dir / "g.bmp"), 1);
    const std::string grey = ReadFile(dir / "g.bmp");
    ASSERT_EQ(grey.size(), 54u + 1024u + 32u * 20u);
    EXPECT_EQ(U32(grey, 10), 54u + 1024u);
    EXPECT_EQ(U16(grey, 28), 8u);
    EXPECT_EQ(U32(grey, 46), 256u);
    for (unsigned i = 0; i < 256; ++i) ASSERT_EQ(U32(grey, 54 + 4 * i), i * 0x010101u) << i;
    EXPECT_NEAR(static_cast<unsigned char>(grey[1078 + 7]), 100, 2);
    EXPECT_EQ(grey.substr(1078 + 30, 2), std::string(2, '\0'));
}

TEST(Thumbnail, BadJpegsGiveNoBmpAndABlankCell) {
    TempDir dir;
    WriteColourJpeg(dir / "good.jpg", 40, 30, kRed, kGreen);
    const std::string good = ReadFile(dir / "good.jpg");
    WriteFile(dir / "truncated.jpg", good.substr(0, good.size() / 2));
    WriteFile(dir / "garbage.jpg", std::string(3000, '\x5A'));
    WriteFile(dir / "empty.jpg", "");
    WriteCmykJpeg(dir / "cmyk.jpg");
    WriteHugeJpeg(dir / "huge.jpg", 60000, 60000);
    WriteHugeJpeg(dir / "big.jpg", 5000, 5000);  // 75 MB of BMP
    for (const char* name :
         {"truncated.jpg", "garbage.jpg", "empty.jpg", "cmyk.jpg", "huge.jpg", "big.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(JpegToBmp(dir / name, dir / "out.bmp"), 0);
        // Written only at the end: a failed decode leaves an empty file.
        EXPECT_EQ(ReadFile(dir / "out.bmp"), "");

        win::Bitmap image, mask;
        EXPECT_EQ(RenderThumbnail(dir / name, image, mask), 0);
        ASSERT_TRUE(image && mask);
        ExpectRegions(ReadPixels(mask.Get()), RECT{}, kBlack, kWhite);
        EXPECT_FALSE(TempFileExists());
    }
    EXPECT_EQ(JpegToBmp(dir / "missing.jpg", dir / "none.bmp"), 0);
    EXPECT_FALSE(Exists(dir / "none.bmp"));
    EXPECT_EQ(JpegToBmp(dir / "good.jpg", dir / "no\\such\\folder.bmp"), 0);
}

TEST(Thumbnail, FailedDecodesLeaveNoDecompressorBehind) {
    TempDir dir;
    WriteColourJpeg(dir / "good.jpg", 200, 150, kRed, kGreen);
    const std::string good = ReadFile(dir / "good.jpg");
    WriteFile(dir / "cut.jpg", good.substr(0, good.size() - 200));
    auto committedBytes = [] {
        // Committed private memory (Wine leaves PrivateUsage at 0).
        PROCESS_MEMORY_COUNTERS counters = {};
        ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
        return static_cast<long long>(counters.PagefileUsage);
    };
    ASSERT_EQ(JpegToBmp(dir / "cut.jpg", dir / "out.bmp"), 0);
    const long long before = committedBytes();
    // Each leaked decompressor would keep its pools (tens of kilobytes).
    for (int i = 0; i < 400; ++i) JpegToBmp(dir / "cut.jpg", dir / "out.bmp");
    EXPECT_LT(committedBytes() - before, 2ll * 1024 * 1024);
}

TEST(Thumbnail, StaleTemporaryFileIsNeverShownAndAlwaysRemoved) {
    TempDir dir;
    // A BMP left by an earlier run, and an input that exists but cannot be read.
    WriteColourJpeg(dir / "a.jpg", 40, 30, kRed, kRed);
    ASSERT_EQ(JpegToBmp(dir / "a.jpg", ThumbnailTempPath()), 1);
    MakeDirs(dir / "folder.jpg");
    win::Bitmap image, mask;
    EXPECT_EQ(RenderThumbnail(dir / "folder.jpg", image, mask), 0);
    ExpectRegions(ReadPixels(mask.Get()), RECT{}, kBlack, kWhite);
    EXPECT_FALSE(TempFileExists());
}

TEST(Thumbnail, RenderedCellHoldsThePictureInsideItsMask) {
    TempDir dir;
    WriteColourJpeg(dir / "land.jpg", 640, 480, kRed, kGreen);
    win::Bitmap image, mask;
    ASSERT_EQ(RenderThumbnail(dir / "land.jpg", image, mask), 1);
    EXPECT_FALSE(TempFileExists());
    const RECT picture = {2, 10, 62, 54};
    ExpectRegions(ReadPixels(mask.Get()), picture, kBlack, kWhite);
    const std::vector<DWORD> pixels = ReadPixels(image.Get());
    EXPECT_TRUE(Near(At(pixels, 10, 30), kRed)) << std::hex << At(pixels, 10, 30);
    EXPECT_TRUE(Near(At(pixels, 55, 50), kGreen)) << std::hex << At(pixels, 55, 50);
    EXPECT_EQ(At(pixels, 30, 5), kWhite);

    // Portrait greyscale: drawn in grey between 10 and 54 across.
    WriteGreyJpeg(dir / "port.jpg", 480, 640, 128);
    ASSERT_EQ(RenderThumbnail(dir / "port.jpg", image, mask), 1);
    ExpectRegions(ReadPixels(mask.Get()), RECT{10, 2, 54, 62}, kBlack, kWhite);
    EXPECT_TRUE(Near(At(ReadPixels(image.Get()), 32, 32), 0x808080, 4));
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
    EXPECT_EQ(ImageList_GetImageCount(list.Get()), 4);
    EXPECT_FALSE(TempFileExists());

    ExpectRegions(DrawOverMagenta(list.Get(), 1), RECT{2, 2, 62, 62}, kGreen, kMagenta);
    ExpectRegions(DrawOverMagenta(list.Get(), 2), RECT{}, kBlack, kMagenta);
    ExpectRegions(DrawOverMagenta(list.Get(), 3), RECT{}, kBlack, kMagenta);
}
