// Deletes for good on a card: between every two files the reporter is
// asked (the window answers, Cancel is seen at once), the frame file goes
// first, and what will not go is named with its cause.
#include "TransferFixture.h"
#include "app/LangStrings.h"
#include "ops/FrameDelete.h"
#include "ops/FrameScan.h"
#include "win/Handles.h"

using testing_support::Exists;
using testing_support::MakeDirs;
using testing_support::RemoveTree;
using testing_support::WriteFile;

namespace transfer_test {
namespace {

class CardDeleteTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        card = "M:\\qtdelete" + std::to_string(::GetCurrentProcessId());
        RemoveTree(card);
        MakeDirs(card);
        ASSERT_TRUE(testing_support::IsDirectory(card)) << "run scripts/wine-drives.sh";
    }
    void TearDown() override {
        RemoveTree(card);
        TransferTest::TearDown();
    }
    std::string card;
};

// Files and folders under folder, listed as the operations list them.
size_t FilesIn(const std::string& folder) {
    return ScanFolder(folder).entries.size();
}

}  // namespace

TEST_F(CardDeleteTest, AFrameOfTwentyThousandFilesStopsAtTheFileWhereCancelCame) {
    constexpr int kFiles = 20000;
    MakeFrame(card, "Huge", "Huge");
    // In folders of a hundred: Wine looks through a whole folder for every
    // name it makes, which in one folder of thousands takes minutes.
    for (int i = 0; i < kFiles; ++i) {
        const std::string folder = card + "\\Huge\\many" + std::to_string(i / 100);
        if (i % 100 == 0) MakeDirs(folder);
        WriteFile(folder + "\\" + std::to_string(i) + ".jpg", "");
    }
    const size_t entries = FilesIn(card);

    // Cancel at the thousandth question; each question comes between two
    // files, so nothing more goes after it.
    constexpr int kCancelAt = 1000;
    reporter.cancelAtPiece = kCancelAt;
    EXPECT_TRUE(DeleteFramesToRecycleBin(card + "\\", {"Huge.USD"}, reporter, false));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(reporter.progressCalls, kCancelAt + 1);
    // The frame file went first: what is left is no frame that looks whole.
    EXPECT_FALSE(Exists(card + "\\Huge.USD"));
    // The frame file and one entry per question answered yes before it.
    EXPECT_EQ(FilesIn(card), entries - kCancelAt);
}

TEST_F(CardDeleteTest, ALockedFileStopsTheDeleteAndIsNamed) {
    MakeFrame(card, "Rose", "Rose");
    MakeFrame(card, "Tulip", "Tulip");
    const std::string locked = card + "\\Rose\\sub\\photo.jpg";
    {
        win::FileHandle held(
            ::CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(DeleteFramesToRecycleBin(card + "\\", {"Rose.USD", "Tulip.USD"}, reporter, false));
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ReportText("ERR_FILE_IN_USE", {locked}));
    EXPECT_FALSE(Exists(card + "\\Rose.USD"));
    EXPECT_TRUE(Exists(locked));
    // The delete stopped there: the next frame is whole.
    EXPECT_TRUE(Exists(card + "\\Tulip.USD"));
    EXPECT_TRUE(Exists(card + "\\Tulip\\sub\\photo.jpg"));
}

// To the recycle bin: a frame the shell could not take is named, what went
// before it is gone, and nothing after it is touched.
TEST_F(TransferTest, AFrameTheRecycleBinWouldNotTakeIsNamedAndTheDeleteStopsThere) {
    for (const char* name : {"Aster", "Rose", "Tulip"}) MakeFrame(src, name, name);
    {
        win::FileHandle held(
            ::CreateFileA(Src("Rose.USD").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(DeleteFramesToRecycleBin(src + "\\", {"Aster.USD", "Rose.USD", "Tulip.USD"}, reporter));
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(reporter.keys, std::vector<std::string>{"ERR_DELETE_LEFT"});
    EXPECT_NE(boxes[0].text.find(Src("Rose.USD")), std::string::npos) << boxes[0].text;
    EXPECT_FALSE(Exists(Src("Aster.USD")));
    EXPECT_FALSE(Exists(Src("Aster")));
    EXPECT_TRUE(Exists(Src("Rose.USD")));
    EXPECT_TRUE(Exists(Src("Rose\\sub")));
    EXPECT_TRUE(Exists(Src("Tulip.USD")));
    EXPECT_TRUE(Exists(Src("Tulip\\sub")));
}

}  // namespace transfer_test
