#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "TestFiles.h"
#include "frames/Dib.h"
#include "win/Handles.h"

using testing_support::TempDir;
using testing_support::WriteFile;
using namespace std::string_literals;

namespace {

std::string Le16(unsigned v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string Le32(unsigned v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

std::string FileHeader(unsigned fileSize, unsigned offBits, const char* signature = "BM") {
    return std::string(signature, 2) + Le32(fileSize) + Le32(0) + Le32(offBits);
}

// A BITMAPINFOHEADER, zero-padded to `size` bytes for the later versions.
std::string InfoHeader(int width, int height, unsigned bitCount, unsigned clrUsed = 0,
                       unsigned compression = 0, unsigned size = 40) {
    std::string h = Le32(size) + Le32(static_cast<unsigned>(width)) + Le32(static_cast<unsigned>(height)) +
                    Le16(1) + Le16(bitCount) + Le32(compression) + Le32(0) + Le32(0) + Le32(0) +
                    Le32(clrUsed) + Le32(0);
    h.resize(size, '\0');
    return h;
}

// A whole file: headers, table, `gap` filler bytes, then the bits.
std::string Bmp(const std::string& info, const std::string& table, const std::string& bits,
                unsigned gap = 0) {
    const unsigned offBits = static_cast<unsigned>(14 + info.size() + table.size() + gap);
    return FileHeader(offBits + static_cast<unsigned>(bits.size()), offBits) + info + table +
           std::string(gap, 'x') + bits;
}

std::string Bgr(unsigned rgb) {
    return {static_cast<char>(rgb & 0xFF), static_cast<char>((rgb >> 8) & 0xFF),
            static_cast<char>(rgb >> 16)};
}

int LoadBytes(CDIB& dib, const std::string& bytes) {
    TempDir dir;
    WriteFile(dir / "a.bmp", bytes);
    return dib.Load(dir / "a.bmp");
}

// Draws the image 1:1 into a top-down 32-bit DIB section and returns its
// pixels as 0x00RRGGBB, or nothing when Draw refused.
std::vector<DWORD> DrawPixels(const CDIB& dib, int width, int height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    win::Bitmap section(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    win::MemoryDc dc(::CreateCompatibleDC(nullptr));
    win::SelectObjectScope selected(dc.Get(), section.Get());
    std::memset(bits, 0x11, static_cast<size_t>(width) * height * 4);
    const RECT rect = {0, 0, width, height};
    if (!dib.Draw(dc.Get(), rect, SRCCOPY)) return {};
    ::GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    return std::vector<DWORD>(p, p + width * height);
}

// 2 x 2, 24-bit: top row red, white; bottom row blue, green (stored first).
std::string TwoByTwoBits() {
    return Bgr(0x0000FF) + Bgr(0x00FF00) + "\0\0"s + Bgr(0xFF0000) + Bgr(0xFFFFFF) + "\0\0"s;
}

}  // namespace

TEST(Dib, ResultCodesForFilesThatAreNoUsableBmp) {
    CDIB dib;
    EXPECT_EQ(LoadBytes(dib, ""), kDibReadError);
    EXPECT_EQ(dib.Load("C:\\no\\such\\file.bmp"), kDibReadError);
    EXPECT_EQ(LoadBytes(dib, "MB" + std::string(60, '\0')), kDibNotBmp);
    EXPECT_EQ(LoadBytes(dib, "BM\x10\0"s), kDibReadError);  // header cut short
    // bfSize equal to bfOffBits: no room for bits even though bytes follow.
    const std::string info = InfoHeader(2, 2, 24);
    EXPECT_EQ(LoadBytes(dib, FileHeader(54, 54) + info + TwoByTwoBits()), kDibNotBmp);
    EXPECT_TRUE(DrawPixels(dib, 2, 2).empty());
    // A header size that is neither the core nor an info header.
    EXPECT_EQ(LoadBytes(dib, Bmp(InfoHeader(2, 2, 24, 0, 0, 40).replace(0, 4, Le32(20)), "", TwoByTwoBits())),
              kDibNotBmp);
}

TEST(Dib, TwentyFourBitImageSkipsTheGapBeforeItsBitsAndDrawsRightWayUp) {
    CDIB dib;
    ASSERT_EQ(LoadBytes(dib, Bmp(InfoHeader(2, 2, 24), "", TwoByTwoBits(), 10)), kDibOk);
    EXPECT_EQ(CDIB::ColorCount(*dib.InfoHeader()), 0);
    ASSERT_EQ(dib.BitsSize(), 16u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dib.Bits()), 16), TwoByTwoBits());
    EXPECT_EQ(DrawPixels(dib, 2, 2), (std::vector<DWORD>{0xFF0000, 0xFFFFFF, 0x0000FF, 0x00FF00}));
}

TEST(Dib, GreyEightBitFileReadsItsWholeTable) {
    std::string table;
    for (unsigned i = 0; i < 256; ++i) table += Le32(i * 0x010101);
    const std::string bits = "\x00\x40\x80\xFF"s + "\xC0\x20\x10\x08"s;  // 4 x 2, rows exactly 4 bytes
    CDIB dib;
    ASSERT_EQ(LoadBytes(dib, Bmp(InfoHeader(4, 2, 8), table, bits)), kDibOk);
    EXPECT_EQ(CDIB::ColorCount(*dib.InfoHeader()), 256);
    EXPECT_EQ(std::memcmp(dib.ColorTable(), table.data(), 1024), 0);
    EXPECT_EQ(dib.FileHeader()->bfOffBits, 14u + 40u + 1024u);
    EXPECT_EQ(DrawPixels(dib, 4, 2), (std::vector<DWORD>{0xC0C0C0, 0x202020, 0x101010, 0x080808, 0x000000,
                                                         0x404040, 0x808080, 0xFFFFFF}));
}

TEST(Dib, CoreHeaderFileWithThreeByteTableDrawsItsColours) {
    // 4-bit OS/2 bitmap: 16 entries of blue, green, red; a 4-byte stride
    // misread would shift every colour after the first.
    std::string table;
    for (unsigned i = 0; i < 16; ++i)
        table += Bgr(i == 1 ? 0xFF0000 : i == 9 ? 0x00FF00 : i == 15 ? 0x0000FF : i * 0x010101);
    const std::string core = Le32(12) + Le16(3) + Le16(1) + Le16(1) + Le16(4);
    const std::string bits = "\x19\xF0\0\0"s;  // pixels 1, 9, 15
    CDIB dib;
    ASSERT_EQ(LoadBytes(dib, Bmp(core, table, bits)), kDibOk);
    EXPECT_EQ(dib.InfoHeader()->biSize, 40u);
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Height(), 1);
    EXPECT_EQ(DrawPixels(dib, 3, 1), (std::vector<DWORD>{0xFF0000, 0x00FF00, 0x0000FF}));

    // A later, longer header: the table follows the whole header.
    std::string quadTable;
    for (unsigned i = 0; i < 16; ++i)
        quadTable += Le32(i == 1 ? 0xFF0000 : i == 9 ? 0x00FF00 : i == 15 ? 0x0000FF : 0);
    ASSERT_EQ(LoadBytes(dib, Bmp(InfoHeader(3, 1, 4, 0, 0, 124), quadTable, bits)), kDibOk);
    EXPECT_EQ(DrawPixels(dib, 3, 1), (std::vector<DWORD>{0xFF0000, 0x00FF00, 0x0000FF}));
}

TEST(Dib, HostileHeadersGiveAnErrorOrStayUndrawn) {
    CDIB dib;
    // Bits fewer than the rows need: read, but never handed to GDI.
    ASSERT_EQ(LoadBytes(dib, Bmp(InfoHeader(2, 2, 24), "", TwoByTwoBits().substr(0, 12))), kDibOk);
    EXPECT_TRUE(DrawPixels(dib, 2, 2).empty());
    ASSERT_EQ(LoadBytes(dib, Bmp(InfoHeader(64000, 64000, 32), "", TwoByTwoBits())), kDibOk);
    EXPECT_TRUE(DrawPixels(dib, 2, 2).empty());

    // bfSize far beyond the file: a read error, and nothing allocated for it.
    ASSERT_EQ(LoadBytes(dib, FileHeader(0xF0000000u, 54) + InfoHeader(2, 2, 24) + TwoByTwoBits()),
              kDibReadError);
    EXPECT_EQ(dib.Bits(), nullptr);
    EXPECT_EQ(LoadBytes(dib, FileHeader(70, 54) + InfoHeader(2, 2, 24) + TwoByTwoBits().substr(0, 8)),
              kDibReadError);

    // Pixel data said to begin inside the info header, the colour table or
    // the core header's table: the headers would be drawn as pixels.
    const std::string info = InfoHeader(2, 2, 24);
    EXPECT_EQ(LoadBytes(dib, FileHeader(70, 30) + info + TwoByTwoBits()), kDibNotBmp);
    std::string greyTable;
    for (unsigned i = 0; i < 256; ++i) greyTable += Le32(i * 0x010101);
    EXPECT_EQ(LoadBytes(dib, FileHeader(1086, 14 + 40 + 1020) + InfoHeader(4, 2, 8) + greyTable +
                                 "\1\2\3\4\5\6\7\x08"s),
              kDibNotBmp);
    const std::string core = Le32(12) + Le16(2) + Le16(1) + Le16(1) + Le16(1);
    EXPECT_EQ(LoadBytes(dib, FileHeader(36, 14 + 12 + 5) + core + Bgr(0) + Bgr(0xFFFFFF) + "\x80\0\0\0"s),
              kDibNotBmp);
    EXPECT_EQ(LoadBytes(dib, FileHeader(36, 14 + 12 + 6) + core + Bgr(0) + Bgr(0xFFFFFF) + "\x80\0\0\0"s),
              kDibOk);

    // Sizes GDI cannot take or we would misdraw, and bit counts it does not know.
    for (auto [width, height] : {std::pair{0, 2}, {2, 0}, {-2, 2}, {2, -2}}) {
        ASSERT_EQ(LoadBytes(dib, Bmp(InfoHeader(width, height, 24), "", TwoByTwoBits())), kDibOk);
        EXPECT_FALSE(dib.IsDrawable()) << width << "x" << height;
        EXPECT_TRUE(DrawPixels(dib, 2, 2).empty());
    }
    for (unsigned bitCount : {0u, 2u, 7u, 48u}) {
        ASSERT_EQ(LoadBytes(dib, Bmp(InfoHeader(2, 2, bitCount), "", std::string(64, '\0'))), kDibOk);
        EXPECT_TRUE(DrawPixels(dib, 2, 2).empty()) << bitCount;
    }
    // Run-length data is not raw rows.
    ASSERT_EQ(
        LoadBytes(dib, Bmp(InfoHeader(2, 2, 8, 0, BI_RLE8), std::string(1024, '\0'), "\x02\x01\0\0\0\1"s)),
        kDibOk);
    EXPECT_TRUE(DrawPixels(dib, 2, 2).empty());

    // biClrUsed over 256: at most 256 entries are read and shown to GDI.
    const std::string table(1024, '\x7F');
    ASSERT_EQ(LoadBytes(dib, Bmp(InfoHeader(4, 1, 8, 5000), table, "\x00\x01\x02\xFF"s)), kDibOk);
    EXPECT_EQ(dib.InfoHeader()->biClrUsed, 256u);
    EXPECT_EQ(DrawPixels(dib, 4, 1), (std::vector<DWORD>(4, 0x7F7F7F)));
    EXPECT_EQ(
        LoadBytes(dib, FileHeader(2000, 1078) + InfoHeader(4, 1, 8, 0xFFFFFFFF) + std::string(100, '\0')),
        kDibReadError);
}
