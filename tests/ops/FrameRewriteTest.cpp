#include <gtest/gtest.h>

#include "TestFiles.h"
#include "frames/FrameFile.h"
#include "ops/FrameRewrite.h"
#include "win/Strings.h"

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(FrameRewrite, ReferencesToTheCompanionFolderFollowTheNewName) {
    TempDir dir;
    const std::string oldPath = dir / "FLOWER.USD";
    WriteFile(oldPath,
              "[HEADER]\r\nHdThumbnail=.\\FLOWER\\thumb.jpg\r\n"
              "Image=.\\flower\\a.jpg\r\n"
              "Two=.\\FLOWER\\a.jpg;.\\FLOWER\\b.jpg\r\n"
              "Other=.\\FLOWERS\\c.jpg\r\n"
              "Last=.\\Flower\\z.jpg");  // no final line break
    ASSERT_TRUE(RewriteFrameFile(oldPath, dir / "ROSE.usd", ".\\FLOWER\\", ".\\ROSE\\"));
    EXPECT_EQ(ReadFile(dir / "ROSE.usd"),
              "[HEADER]\r\nHdThumbnail=.\\ROSE\\thumb.jpg\r\n"
              "Image=.\\ROSE\\a.jpg\r\n"
              "Two=.\\ROSE\\a.jpg;.\\FLOWER\\b.jpg\r\n"
              "Other=.\\FLOWERS\\c.jpg\r\n"
              "Last=.\\ROSE\\z.jpg\r\n");
}

TEST(FrameRewrite, LineEndsBecomeCrLfAndEmptyFilesStayEmpty) {
    TempDir dir;
    WriteFile(dir / "a.USD", "one\ntwo\r\n\r\nthree\n");
    ASSERT_TRUE(RewriteFrameFile(dir / "a.USD", dir / "b.usd", ".\\a\\", ".\\b\\"));
    EXPECT_EQ(ReadFile(dir / "b.usd"), "one\r\ntwo\r\n\r\nthree\r\n");
    WriteFile(dir / "e.USD", "");
    ASSERT_TRUE(RewriteFrameFile(dir / "e.USD", dir / "f.usd", ".\\e\\", ".\\f\\"));
    EXPECT_EQ(ReadFile(dir / "f.usd"), "");
}

TEST(FrameRewrite, FailuresLeaveNothingBehindAndNeverOverwrite) {
    TempDir dir;
    EXPECT_FALSE(RewriteFrameFile(dir / "missing.USD", dir / "new.usd", ".\\m\\", ".\\n\\"));
    EXPECT_FALSE(testing_support::Exists(dir / "new.usd"));

    WriteFile(dir / "a.USD", "line\r\n");
    WriteFile(dir / "taken.usd", "keep");
    EXPECT_FALSE(RewriteFrameFile(dir / "a.USD", dir / "taken.usd", ".\\a\\", ".\\t\\"));
    EXPECT_EQ(ReadFile(dir / "taken.usd"), "keep");

    // A frame file in the legacy code page cannot take a name it lacks
    // characters of (where the program runs in UTF-8 and can be given one).
    if (win::ProcessIsUtf8()) {
        ::SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(
            RewriteFrameFile(dir / "a.USD", dir / "c.usd", ".\\a\\", win::FromWide(L".\\\u0141\u0105ka\\")));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
        EXPECT_FALSE(testing_support::Exists(dir / "c.usd"));
    }

    // A frame file held open by another program cannot be read.
    HANDLE held = ::CreateFileA((dir / "a.USD").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(RewriteFrameFile(dir / "a.USD", dir / "b.usd", ".\\a\\", ".\\b\\"));
    EXPECT_FALSE(testing_support::Exists(dir / "b.usd"));
    ::CloseHandle(held);
}

// A frame file in UTF-16 (either byte order) or in UTF-8 with a mark keeps
// its encoding and mark: its text, read back as such, differs only in the
// references, and the program's own reader still finds the title.
TEST(FrameRewrite, AUnicodeFrameFileKeepsItsEncodingAndItsMark) {
    const std::wstring before =
        L"[HEADER]\r\nHdTitle=Gr\u00fc\u00dfe \u5199\u771f \u03a9mega\r\nHdThumbnail=.\\FLOWER\\thumb.jpg\r\n"
        L"Image=.\\flower\\\u5199.jpg";
    const std::wstring after =
        L"[HEADER]\r\nHdTitle=Gr\u00fc\u00dfe \u5199\u771f \u03a9mega\r\nHdThumbnail=.\\ROSE\\thumb.jpg\r\n"
        L"Image=.\\ROSE\\\u5199.jpg\r\n";
    auto utf16 = [](const std::wstring& text, bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const wchar_t c : text) {
            const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        return bytes;
    };
    auto utf8 = [](const std::wstring& text) {
        std::string bytes(text.size() * 3, '\0');
        bytes.resize(static_cast<size_t>(
            ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                  static_cast<int>(bytes.size()), nullptr, nullptr)));
        return "\xEF\xBB\xBF" + bytes;
    };
    const struct {
        const char* name;
        std::string before, after;
    } cases[] = {{"UTF-16 LE", utf16(before, false), utf16(after, false)},
                 {"UTF-16 BE", utf16(before, true), utf16(after, true)},
                 {"UTF-8 with a mark", utf8(before), utf8(after)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir / "FLOWER.USD", c.before);
        ASSERT_TRUE(RewriteFrameFile(dir / "FLOWER.USD", dir / "ROSE.usd", ".\\FLOWER\\", ".\\ROSE\\"));
        EXPECT_EQ(ReadFile(dir / "ROSE.usd"), c.after);
        const FrameHeader header = ReadFrameHeader(dir / "ROSE.usd");
        EXPECT_EQ(header.title, ReadFrameHeader(dir / "FLOWER.USD").title);
        EXPECT_FALSE(header.title.empty());
        EXPECT_EQ(header.thumbnail, ".\\ROSE\\thumb.jpg");
    }
}
