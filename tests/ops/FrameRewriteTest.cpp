#include <gtest/gtest.h>

#include "TestFiles.h"
#include "ops/FrameRewrite.h"

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

    // A frame file held open by another program cannot be read.
    HANDLE held = ::CreateFileA((dir / "a.USD").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(RewriteFrameFile(dir / "a.USD", dir / "b.usd", ".\\a\\", ".\\b\\"));
    EXPECT_FALSE(testing_support::Exists(dir / "b.usd"));
    ::CloseHandle(held);
}
