#include <gtest/gtest.h>

#include <cstring>

#include "TestFiles.h"
#include "ops/NameChecks.h"
#include "win/Names.h"
#include "win/Strings.h"

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

// What a delete asks of the folder afterwards: which of its names are still
// there, without case, and never by another entry's short name.
TEST(FolderNames, TheNamesStillPresentAreFoundWithoutCaseAndNeverByAShortName) {
    TempDir dir;
    testing_support::WriteFile(dir / "Long Frame Name.USD", "");
    testing_support::MakeDirs(dir / "Mixed");
    // Été.USD, in the program's code page
    const std::string ete = win::FromLegacy("\xC9t\xE9.USD"), lower = win::FromLegacy("\xE9t\xE9.usd");
    testing_support::WriteFile(dir / ete, "");
    char shortPath[MAX_PATH] = {};
    ASSERT_TRUE(::GetShortPathNameA((dir / "Long Frame Name.USD").c_str(), shortPath, MAX_PATH));
    const std::string shortName = std::strrchr(shortPath, '\\') + 1;
    ASSERT_NE(win::UpperCase(shortName), "LONG FRAME NAME.USD");
    const auto present =
        win::UpperNamesPresent(dir.Path(), {"long frame name.usd", "MIXED", "gone.USD", shortName, lower});
    ASSERT_TRUE(present);
    EXPECT_EQ(*present,
              (std::unordered_set<std::string>{"LONG FRAME NAME.USD", "MIXED", win::UpperCase(ete)}));
    // Names compare as the file system compares them, in any script (the
    // card's limit and the same-folder guards count on it).
    if (win::ProcessIsUtf8()) {
        EXPECT_TRUE(win::EqualsNoCase(ete, lower));
        EXPECT_TRUE(
            win::EqualsNoCase(win::FromWide(L"\u0141\u00f3d\u017a"), win::FromWide(L"\u0142\u00d3D\u0179")));
        EXPECT_FALSE(win::EqualsNoCase(win::FromWide(L"\u0141\u00f3d\u017a"), "Lodz"));
    }
    // A folder that cannot be listed says nothing, so the caller asks name by name.
    EXPECT_FALSE(win::UpperNamesPresent(dir / "missing", {"a"}));
}
