#include <gtest/gtest.h>

#include "TestFiles.h"
#include "ops/NameChecks.h"

using testing_support::TempDir;

namespace {
const std::string kForbidden = "\\/:*?\"<>|";

std::string Check(std::string name, const std::string& parent) {
    const char* key = CheckFolderName(name, parent, kForbidden);
    return key ? key : "ok:" + name;
}
}  // namespace

TEST(FolderName, EmptyOrDotNamesForbiddenCharactersAndExistingNamesAreRefused) {
    TempDir dir;
    const std::string parent = dir.Path() + "\\";
    EXPECT_EQ(Check("   ", parent), "ERR_NOT_FOLDER_NAME_DOT");
    EXPECT_EQ(Check("", parent), "ERR_NOT_FOLDER_NAME_DOT");
    EXPECT_EQ(Check(".x", parent), "ERR_NOT_FOLDER_NAME_DOT");
    EXPECT_EQ(Check("...", parent), "ERR_NOT_FOLDER_NAME_DOT");
    EXPECT_EQ(Check("a:b", parent), "ERR_NOT_FOLDER_NAME");
    EXPECT_EQ(Check("a|b", parent), "ERR_NOT_FOLDER_NAME");
    EXPECT_EQ(Check(" x", parent), "ok:x");
    EXPECT_EQ(Check("x ", parent), "ok:x ");
    EXPECT_EQ(Check("a.b", parent), "ok:a.b");
    testing_support::WriteFile(dir / "taken", "");
    EXPECT_EQ(Check("taken", parent), "ERR_FOLDER_MAKE");
    // With an empty set nothing is forbidden.
    std::string name = "a:b";
    EXPECT_EQ(CheckFolderName(name, parent, ""), nullptr);
}

TEST(FolderName, TrailingDotsAreDroppedFromTheCreatedName) {
    EXPECT_EQ(FolderNameToCreate("abc..."), "abc");
    EXPECT_EQ(FolderNameToCreate("a.b"), "a.b");
    EXPECT_EQ(FolderNameToCreate("x "), "x ");
}

TEST(FrameName, OnlyLettersDigitsAndTheListedCharactersPass) {
    TempDir dir;
    const std::string folder = dir.Path() + "\\";
    auto check = [&](std::string name, const std::string& extra) {
        const char* key = CheckFrameName(name, folder, extra);
        return key ? std::string(key) : "ok:" + name;
    };
    EXPECT_EQ(check("a_b-1", "_-"), "ok:a_b-1");
    EXPECT_EQ(check("a_b-1", ""), "ERR_NOT_FILE_NAME");
    EXPECT_EQ(check("a b", "_-"), "ERR_NOT_FILE_NAME");
    EXPECT_EQ(check("caf\xE9", "_-"), "ERR_NOT_FILE_NAME");
    EXPECT_EQ(check("caf\xE9", "\xE9"), "ok:caf\xE9");
    // Longer names are cut to eight bytes before they are checked.
    EXPECT_EQ(check("ABCDEFGHIJ", ""), "ok:ABCDEFGH");
    EXPECT_EQ(check("ABCDEFGH!", ""), "ok:ABCDEFGH");

    testing_support::WriteFile(dir / "FLOWER.USD", "");
    EXPECT_EQ(check("FLOWER", ""), "ERR_FILE_NAME");
    EXPECT_EQ(check("flower", ""), "ERR_FILE_NAME");  // the file system ignores case
    testing_support::MakeDirs(dir / "ROSE");
    EXPECT_EQ(check("rose", ""), "ERR_FOLDER_NAME");
}
