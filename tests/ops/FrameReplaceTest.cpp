#include "TransferFixture.h"

#include <cctype>

#include "app/LangStrings.h"
#include "frames/FrameInfoCache.h"
#include "win/FormatText.h"
#include "win/Handles.h"
#include "win/Strings.h"

using testing_support::Exists;
using testing_support::MakeDirs;
using testing_support::ReadFile;
using testing_support::WriteFile;
using namespace transfer_test;

namespace {

constexpr UINT kQuestion = MB_OKCANCEL | MB_ICONEXCLAMATION;

std::string ExpectedQuestion(const std::string& title, const std::string& fileName) {
    return win::FormatMessageText(GetLangString("ERR_CONFIRM_REPLACE"), {title, fileName});
}

// An old frame at the destination with read-only and hidden parts.
void MakeOldFrame(const std::string& folder) {
    MakeFrame(folder, "Rose", "Old rose", 'o');
    WriteFile(folder + "\\Rose\\only-old.jpg", "old");
    ::SetFileAttributesA((folder + "\\Rose\\only-old.jpg").c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesA((folder + "\\Rose\\sub\\photo.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ::SetFileAttributesA((folder + "\\Rose").c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesA((folder + "\\Rose.USD").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
}

// The folder spelled with upper-case letters.
std::string UpperCase(std::string path) {
    for (char& c : path) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return path;
}

// The folder reached through Wine's drive Z: (the Unix root); empty where
// there is no such second drive.
std::string ThroughDriveZ(const std::string& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!unixName) return {};
    char* name = unixName(win::ToWide(path).c_str());
    if (!name) return {};
    std::string result = std::string("Z:") + name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    for (char& c : result)
        if (c == '/') c = '\\';
    return Exists(result) ? result : std::string();
}

}  // namespace

// The conflicts still to come are counted with the letter case ignored, as
// the file system finds a name.
TEST_F(TransferTest, ReplaceCancelLeavesBothAndTheNextFrameStillGoes) {
    MakeFrame(src, "Rose", "New rose", 'n');
    MakeFrame(src, "Tulip", "Tulip", 't');
    MakeFrame(src, "Lily", "New lily", 'n');
    MakeOldFrame(dst);
    MakeFrame(dst, "LILY", "Old lily", 'o');
    const auto oldDst = Snapshot(dst);
    answers = {IDCANCEL, IDCANCEL};

    EXPECT_TRUE(Run({"Rose.USD", "Tulip.USD", "Lily.USD"}, TransferMode::Move));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, ExpectedQuestion("Old rose", "Rose.USD"));
    EXPECT_NE(boxes[0].text.find("Old rose"), std::string::npos);
    EXPECT_EQ(boxes[0].flags, kQuestion);
    const auto& questions = reporter.questions;
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].conflictsAfter, 1);
    EXPECT_EQ(questions[1].existingTitle, "Old lily");
    EXPECT_EQ(questions[1].conflictsAfter, 0);
    EXPECT_EQ(transferred, std::vector<std::string>{Dst("Tulip.USD")});
    EXPECT_TRUE(Exists(Src("Rose\\sub\\photo.jpg")));
    EXPECT_FALSE(Exists(Src("Tulip.USD")));
    auto now = Snapshot(dst);
    for (const auto& [path, value] : oldDst) EXPECT_EQ(now[path], value) << path;
}

TEST_F(TransferTest, ReplaceOkRemovesTheReadOnlyOldFrameAndItsCompanionFolder) {
    MakeFrame(src, "Rose", "New rose", 'n');
    const auto fresh = Snapshot(src);
    MakeOldFrame(dst);
    ASSERT_STREQ(GetFrameInfo(Dst("Rose.USD"))->title, "Old rose");

    EXPECT_TRUE(Run({"Rose.USD"}, TransferMode::Move));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].flags, kQuestion);
    // Exactly the new frame: no old file and no temporary name left over.
    EXPECT_EQ(Snapshot(dst), fresh);
    EXPECT_TRUE(Snapshot(src).empty());
    EXPECT_EQ(transferred, std::vector<std::string>{Dst("Rose.USD")});
    ASSERT_NE(GetFrameInfo(Dst("Rose.USD")), nullptr);
    EXPECT_STREQ(GetFrameInfo(Dst("Rose.USD"))->title, "New rose");
}

TEST_F(TransferTest, ReplaceFollowedByAFailedCopyKeepsTheOldFrameByteForByte) {
    MakeFrame(src, "Rose", "New rose", 'n');
    MakeFrame(src, "Tulip", "Tulip", 't');
    MakeOldFrame(dst);
    const auto oldDst = Snapshot(dst);
    const DWORD oldFileAttributes = ::GetFileAttributesA(Dst("Rose.USD").c_str());
    const DWORD oldFolderAttributes = ::GetFileAttributesA(Dst("Rose").c_str());
    const auto source = Snapshot(src);
    win::FileHandle lock(::CreateFileA(Src("Rose\\sub\\photo.jpg").c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);

    EXPECT_FALSE(Run({"Rose.USD", "Tulip.USD"}, TransferMode::Copy));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].flags, kQuestion);
    EXPECT_EQ(boxes[1].text, ReportText("ERR_FILE_IN_USE", {Src("Rose\\sub\\photo.jpg")}));
    EXPECT_EQ(Snapshot(dst), oldDst);
    EXPECT_EQ(::GetFileAttributesA(Dst("Rose.USD").c_str()), oldFileAttributes);
    EXPECT_EQ(::GetFileAttributesA(Dst("Rose").c_str()), oldFolderAttributes);
    EXPECT_STREQ(GetFrameInfo(Dst("Rose.USD"))->title, "Old rose");
    EXPECT_TRUE(Exists(Src("Rose.USD")));
    EXPECT_TRUE(transferred.empty());
    lock.Reset();
    EXPECT_EQ(Snapshot(src), source);
}

TEST_F(TransferTest, TheSameFolderSpelledAnotherWayIsNeverDeleted) {
    src = root / "Frames of a long name";  // so that it has a short name of its own
    MakeDirs(src);
    MakeFrame(src, "Rose", "Rose", 'r');
    const auto original = Snapshot(src);
    char shortPath[MAX_PATH] = {};
    ::GetShortPathNameA(src.c_str(), shortPath, MAX_PATH);
    std::vector<std::string> spellings = {UpperCase(src), src + "\\"};
    if (*shortPath && std::string(shortPath) != src) spellings.push_back(shortPath);
    const std::string driveZ = ThroughDriveZ(src);
    if (!driveZ.empty()) spellings.push_back(driveZ);
    ASSERT_GE(spellings.size(), 3u);

    for (const std::string& spelling : spellings) {
        for (TransferMode mode : {TransferMode::Move, TransferMode::Copy}) {
            boxes.clear();
            EXPECT_FALSE(RunTo(spelling, {"Rose.USD"}, mode)) << spelling;
            ASSERT_EQ(boxes.size(), 1u) << spelling;
            EXPECT_EQ(boxes[0].text, GetLangString("ERR_COPY_FAILED"));
            EXPECT_EQ(Snapshot(src), original) << spelling;
            EXPECT_TRUE(transferred.empty());
        }
    }
}

TEST_F(TransferTest, AnEditedReplaceTextIsFormattedSafely) {
    const std::string iniPath = testing_support::ModuleFolder() + "ops_tests.INI";
    const std::string savedIni = ReadFile(iniPath);
    ASSERT_FALSE(savedIni.empty());
    struct Restore {
        std::string path, bytes;
        ~Restore() { WriteFile(path, bytes); }
    } restore{iniPath, savedIni};
    ASSERT_TRUE(::WritePrivateProfileStringA("STRING", "ERR_CONFIRM_REPLACE", "%d %n %s %s %s %x 100%% %",
                                             iniPath.c_str()));

    MakeFrame(src, "Rose", "New", 'n');
    MakeFrame(dst, "Rose", "50% off", 'o');
    answers = {IDCANCEL};
    EXPECT_TRUE(Run({"Rose.USD"}, TransferMode::Copy));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "%d %n 50% off Rose.USD %s %x 100% %");
}

TEST(FormatMessageText, ExpandsOnlyPercentSAndPercentPercent) {
    using win::FormatMessageText;
    EXPECT_EQ(FormatMessageText("The frame \"%s\" (%s) exists.", {"Rose", "Rose.USD"}),
              "The frame \"Rose\" (Rose.USD) exists.");
    // Arguments are inserted as they are: a '%' in them is not a directive.
    EXPECT_EQ(FormatMessageText("%s|%s", {"%s", "%%"}), "%s|%%");
    EXPECT_EQ(FormatMessageText("%s %s %s", {"a"}), "a %s %s");
    EXPECT_EQ(FormatMessageText("%S %5s %-s %ls", {"a", "b"}), "%S %5s %-s %ls");
    EXPECT_EQ(FormatMessageText("%%s%", {"a"}), "%s%");
    EXPECT_EQ(FormatMessageText("", {"a"}), "");
    EXPECT_EQ(FormatMessageText("no directives", {}), "no directives");
}
