#include "TransferFixture.h"

#include "app/LangStrings.h"
#include "win/Handles.h"

using testing_support::Exists;
using testing_support::MakeDirs;
using testing_support::RemoveTree;
using testing_support::WriteFile;
using namespace transfer_test;

namespace {
constexpr ULONGLONG k4GB = 0x100000000ULL;
}

class FreeSpaceTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        transfer.SetFreeSpaceQuery([this](const std::string& root, ULONGLONG& freeBytes) {
            roots.push_back(root);
            freeBytes = freeSpace;
            return queryWorks;
        });
    }
    void ClearDestination() {
        RemoveTree(dst);
        MakeDirs(dst);
        boxes.clear();
        transferred.clear();
    }

    ULONGLONG freeSpace = 0;
    bool queryWorks = true;
    std::vector<std::string> roots;
};

TEST_F(FreeSpaceTest, AFrameNeedingExactlyTheFreeSpaceGoesAndOneByteMoreIsRefused) {
    const ULONGLONG need = MakeFrame(src, "Rose", "t");
    EXPECT_EQ(CFrameTransfer::FrameBytesNeeded(Src("Rose.USD")), need);

    freeSpace = need;
    EXPECT_TRUE(Run({"Rose.USD"}, TransferMode::Copy));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Exists(Dst("Rose\\sub\\photo.jpg")));
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0], dst.substr(0, 3));

    ClearDestination();
    freeSpace = need - 1;
    EXPECT_FALSE(Run({"Rose.USD"}, TransferMode::Move));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetLangString("ERR_DISK_SIZE"));
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_TRUE(Snapshot(dst).empty());
    EXPECT_TRUE(Exists(Src("Rose.USD")));
}

TEST_F(FreeSpaceTest, AReplaceCountsTheBytesTheOldFrameFreesAndARefusalKeepsIt) {
    const ULONGLONG need = MakeFrame(src, "Rose", "new", 'n');
    WriteFile(Src("Rose\\big.jpg"), std::string(20000, 'b'));
    const ULONGLONG newNeed = need + 20000 + 32768;
    const ULONGLONG freed = MakeFrame(dst, "Rose", "old", 'o');
    const auto oldDst = Snapshot(dst);

    freeSpace = newNeed - freed - 1;
    EXPECT_FALSE(Run({"Rose.USD"}, TransferMode::Copy));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, GetLangString("ERR_DISK_SIZE"));
    EXPECT_EQ(Snapshot(dst), oldDst);

    boxes.clear();
    freeSpace = newNeed - freed;
    EXPECT_TRUE(Run({"Rose.USD"}, TransferMode::Copy));
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
}

TEST_F(FreeSpaceTest, SizesAndFreeSpaceAreSixtyFourBit) {
    MakeFrame(src, "Rose", "t");
    // 4 GB + 100 free would read as 100 bytes in 32 bits.
    freeSpace = k4GB + 100;
    EXPECT_TRUE(Run({"Rose.USD"}, TransferMode::Copy));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Exists(Dst("Rose.USD")));

    // A frame of more than 4 GB would read as a few kilobytes in 32 bits.
    ClearDestination();
    MakeFrame(src, "Huge", "t");
    {
        win::FileHandle file(::CreateFileA(Src("Huge\\huge.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(k4GB + 10);
        if (!::SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) || !::SetEndOfFile(file.Get()))
            GTEST_SKIP() << "no sparse 4 GB file here";
    }
    EXPECT_GT(CFrameTransfer::FrameBytesNeeded(Src("Huge.USD")), k4GB);
    freeSpace = 1ULL << 30;
    EXPECT_FALSE(Run({"Huge.USD"}, TransferMode::Copy));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetLangString("ERR_DISK_SIZE"));
    EXPECT_TRUE(Snapshot(dst).empty());
}

TEST_F(FreeSpaceTest, AFailingQueryRefusesTheFrame) {
    MakeFrame(src, "Rose", "t");
    freeSpace = k4GB * 4;
    queryWorks = false;
    EXPECT_FALSE(Run({"Rose.USD"}, TransferMode::Move));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetLangString("ERR_DISK_SIZE"));
    EXPECT_TRUE(Snapshot(dst).empty());
    EXPECT_TRUE(Exists(Src("Rose\\thumb.jpg")));
}

TEST_F(FreeSpaceTest, ADestinationBeginningWithABackslashSkipsTheCheck) {
    MakeFrame(src, "Rose", "t");
    queryWorks = false;
    const std::string longForm = "\\\\?\\" + dst;
    EXPECT_TRUE(RunTo(longForm, {"Rose.USD"}, TransferMode::Copy));
    EXPECT_TRUE(roots.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(transferred, std::vector<std::string>{longForm + "\\Rose.USD"});
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
}

TEST(DriveFreeBytes, AsksTheRealDriveByDefault) {
    CFrameTransfer transfer;
    ULONGLONG freeBytes = 0;
    EXPECT_TRUE(transfer.DriveFreeBytes(testing_support::ModuleFolder(), freeBytes));
    EXPECT_GT(freeBytes, 0u);
    EXPECT_FALSE(transfer.DriveFreeBytes("Q:\\nowhere\\", freeBytes));
}
