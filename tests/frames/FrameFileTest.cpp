#include <gtest/gtest.h>

#include "TestFiles.h"
#include "frames/TextEncoding.h"
#include "app/LangStrings.h"
#include "frames/FrameFile.h"
#include "win/Strings.h"

using testing_support::TempDir;
using testing_support::WriteFile;

namespace {
std::string Frame(const TempDir& dir, const std::string& name, const std::string& header) {
    const std::string path = dir / name;
    WriteFile(path, "[HEADER]\r\n" + header + "[BODY]\r\nImage=.\\x\\a.jpg\r\n");
    return path;
}
}  // namespace

TEST(FrameFile, PaperLabelIsTranslatedWhenTheLanguageFileKnowsTheIdentifier) {
    TempDir dir;
    EXPECT_EQ(ReadPaperLabel(Frame(dir, "a.USD", "HdPhysicalPaperSize=L\r\n")), GetLangString("L"));
    EXPECT_NE(GetLangString("L"), "L");
    EXPECT_EQ(ReadPaperLabel(Frame(dir, "b.USD", "HdPhysicalPaperSize=Roll89\r\n")), "Roll89");
    EXPECT_EQ(ReadPaperLabel(Frame(dir, "c.USD", "HdPhysicalPaperSize=\r\n")), "");
}

TEST(FrameFile, MarginLabelMatchesWholePresetTextsOnly) {
    TempDir dir;
    const std::string normal = GetLangString("TITLE_MARGINE_NORMAL");
    ASSERT_FALSE(normal.empty());
    EXPECT_EQ(ReadMarginLabel(Frame(dir, "a.USD", "HdMargines=42,198,42,42\r\n")), normal);
    // The profile reader trims the trailing blank.
    EXPECT_EQ(ReadMarginLabel(Frame(dir, "b.USD", "HdMargines=42,198,42,42 \r\n")), normal);
    EXPECT_EQ(ReadMarginLabel(Frame(dir, "c.USD", "HdMargines=42, 198, 42, 42\r\n")), "");
    EXPECT_EQ(ReadMarginLabel(Frame(dir, "d.USD", "HdMargines=-42,-72,-50,-50\r\n")),
              GetLangString("TITLE_MARGINE_NO"));
    EXPECT_EQ(ReadMarginLabel(Frame(dir, "e.USD", "HdMargines=-42,-72,-36,-36\r\n")),
              GetLangString("TITLE_MARGINE_NO"));
    EXPECT_EQ(ReadMarginLabel(Frame(dir, "f.USD", "HdMargines=-36,-36,-36,-36\r\n")),
              GetLangString("TITLE_MARGINE_ROLLPAPER_CUTON"));
    EXPECT_EQ(ReadMarginLabel(Frame(dir, "g.USD", "HdMargines=1,2,3,4\r\n")), "");
}

TEST(FrameFile, ThumbnailPathResolvesEveryDotBackslashAgainstTheFrameFolder) {
    TempDir dir;
    const std::string folder = dir.Path() + "\\";
    EXPECT_EQ(ResolveThumbnailPath(Frame(dir, "Flower.USD", "HdThumbnail=.\\Flower\\thumb.jpg\r\n")),
              folder + "Flower\\thumb.jpg");
    EXPECT_EQ(ResolveThumbnailPath(Frame(dir, "a.USD", "HdThumbnail=C:\\Pics\\a.jpg\r\n")),
              "C:\\Pics\\a.jpg");
    // A plain text replacement over the whole value, not only at its start.
    EXPECT_EQ(ResolveThumbnailPath(Frame(dir, "b.USD", "HdThumbnail=.\\b\\.\\t.jpg\r\n")),
              folder + "b\\" + folder + "t.jpg");
    // Only a value that begins with .\ is resolved.
    EXPECT_EQ(ResolveThumbnailPath(Frame(dir, "c.USD", "HdThumbnail=x.\\t.jpg\r\n")), "x.\\t.jpg");
    EXPECT_EQ(ResolveThumbnailPath(Frame(dir, "d.USD", "HdThumbnail=\r\n")), "");
}

TEST(FrameFile, AFileWithoutHeaderOrMissingGivesEmptyTexts) {
    TempDir dir;
    const std::string bare = dir / "bare.USD";
    WriteFile(bare, "[BODY]\r\nHdTitle=not in the header\r\n");
    for (const std::string& path : {bare, dir / "missing.USD"}) {
        EXPECT_EQ(ReadTitle(path), "");
        EXPECT_EQ(ReadPaperLabel(path), "");
        EXPECT_EQ(ReadMarginLabel(path), "");
        EXPECT_EQ(ResolveThumbnailPath(path), "");
    }
    // Section and key names match without regard to case.
    EXPECT_EQ(ReadTitle(Frame(dir, "case.USD", "hdtitle=Rose\r\n")), "Rose");
}

TEST(FrameFile, OverLongValuesAreCutAndNeverOverflowARecord) {
    TempDir dir;
    const std::string path =
        Frame(dir, "long.USD",
              "HdTitle=" + std::string(2000, 't') + "\r\nHdThumbnail=C:\\" + std::string(400, 'p') +
                  "\r\nHdMargines=" + std::string(300, '4') + "\r\n");
    EXPECT_EQ(ReadTitle(path), std::string(1023, 't'));
    EXPECT_EQ(ResolveThumbnailPath(path).size(), 259u);
    EXPECT_EQ(ReadMarginLabel(path), "");

    FrameInfo info = {};
    info.marginLabel[0] = 'm';
    CopyField(info.title, ReadTitle(path));
    EXPECT_EQ(std::string(info.title), std::string(128, 't'));
    EXPECT_EQ(info.marginLabel[0], 'm');

    // A resolved path that would not fit a path buffer is refused.
    const std::string deep =
        Frame(dir, "deep.USD", "HdThumbnail=.\\" + std::string(240, 'd') + ".\\x.jpg\r\n");
    EXPECT_EQ(ResolveThumbnailPath(deep), "");
}

TEST(FrameFile, TextsAreCutAtACharacterBoundary) {
    // 'a' and then double-byte characters of code page 932: 128 bytes would
    // split the 64th character, so the cut keeps 127.
    std::string text = "a";
    for (int i = 0; i < 100; ++i) text += "\x82\xA0";
    const std::string cut = win::TruncateAtCharBoundary(text, 128, 932);
    EXPECT_EQ(cut.size(), 127u);
    EXPECT_EQ(win::TruncateAtCharBoundary(text, 128, 1252).size(), 128u);
    EXPECT_EQ(win::TruncateAtCharBoundary("short", 128, 932), "short");
}

namespace {

// What the profile reader gives for the four keys, with our read buffers.
// In a process whose code page is UTF-8 the reader would take a file without
// a byte-order mark for UTF-8: it reads the same text from a UTF-16 copy, and
// its answer is cut to the buffer's bytes in the legacy code page, as the
// ANSI call cuts what the wide one gives (a character the legacy code page
// lacks stays, where the ANSI call gave '?').
FrameHeader ProfileReaderHeader(const std::string& path) {
    const std::string bytes = testing_support::ReadFile(path);
    const bool copy = win::ProcessIsUtf8() && EncodingOf(bytes) == TextEncoding::kAnsi;
    const std::string file = copy ? path + ".utf16" : path;
    if (copy) testing_support::WriteFile(file, EncodeText(DecodeText(bytes), TextEncoding::kUtf16Le));
    auto read = [&](const char* key, DWORD size) {
        if (!win::ProcessIsUtf8()) {
            std::string buffer(size, '\0');
            ::GetPrivateProfileStringA("HEADER", key, "", buffer.data(), size, file.c_str());
            return std::string(buffer.c_str());
        }
        std::wstring buffer(size, L'\0');
        ::GetPrivateProfileStringW(L"HEADER", win::ToWide(key).c_str(), L"", buffer.data(), size,
                                   win::ToWide(file).c_str());
        return win::FromWide(win::CutToLegacyBytes(buffer.c_str(), size - 1).c_str());
    };
    return {read("HdTitle", 1024), read("HdPhysicalPaperSize", 1024), read("HdThumbnail", MAX_PATH),
            read("HdMargines", 129)};
}

void ExpectSameHeader(const FrameHeader& got, const FrameHeader& want) {
    EXPECT_EQ(got.title, want.title);
    EXPECT_EQ(got.paperSize, want.paperSize);
    EXPECT_EQ(got.thumbnail, want.thumbnail);
    EXPECT_EQ(got.margins, want.margins);
}

}  // namespace

TEST(FrameFile, OneReadGivesWhatTheProfileReaderGivesForAwkwardFiles) {
    TempDir dir;
    for (const auto& [name, bytes] : testing_support::AwkwardFrameFiles()) {
        SCOPED_TRACE(name);
        const std::string path = dir / (name + ".USD");
        WriteFile(path, bytes);
        ExpectSameHeader(ReadFrameHeader(path), ProfileReaderHeader(path));
    }

    // Up to 1 MB a file is read; beyond, it is no frame file and gives an
    // empty header where the profile reader would still find the keys.
    const std::string head = "[HEADER]\r\nHdTitle=big\r\n";
    WriteFile(dir / "limit.USD", head + std::string(kMaxFrameFileBytes - head.size(), ' '));
    ExpectSameHeader(ReadFrameHeader(dir / "limit.USD"), ProfileReaderHeader(dir / "limit.USD"));
    EXPECT_EQ(ReadFrameHeader(dir / "limit.USD").title, "big");
    WriteFile(dir / "huge.USD", head + std::string(kMaxFrameFileBytes, ' '));
    EXPECT_EQ(ProfileReaderHeader(dir / "huge.USD").title, "big");
    EXPECT_EQ(ReadFrameHeader(dir / "huge.USD").title, "");
}
