#include "TransferFixture.h"

#include "app/LangStrings.h"
#include "ops/DiskSteps.h"
#include "ops/ParkedFrames.h"
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
    EXPECT_FALSE(Run({"Rose.USD"}, TransferMode::Copy));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetLangString("ERR_DISK_SIZE"));
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_TRUE(Snapshot(dst).empty());
    EXPECT_TRUE(Exists(Src("Rose.USD")));

    // A move within one volume renames and takes no space at all.
    ClearDestination();
    roots.clear();
    freeSpace = 0;
    const auto frame = Snapshot(src);
    EXPECT_TRUE(Run({"Rose.USD"}, TransferMode::Move));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(roots.empty());
    EXPECT_EQ(Snapshot(dst), frame);
    EXPECT_FALSE(Exists(Src("Rose.USD")));
}

TEST_F(FreeSpaceTest, AReplaceOnOneDriveNeedsRoomForBothFramesAndARefusalKeepsTheOld) {
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

    // Enough only once the old frame is gone: the temporary folder is on the
    // same drive here, so keeping the old frame safe would free nothing.
    boxes.clear();
    freeSpace = newNeed - freed;
    EXPECT_FALSE(Run({"Rose.USD"}, TransferMode::Copy));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, GetLangString("ERR_DISK_SIZE"));
    EXPECT_EQ(Snapshot(dst), oldDst);

    boxes.clear();
    freeSpace = newNeed;
    EXPECT_TRUE(Run({"Rose.USD"}, TransferMode::Copy));
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Snapshot(dst), Snapshot(src));
}

// A card too full for the old and the new frame at once: the old one waits
// in the temporary folder on another drive until the new one is complete.
class FullCardTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        card = "M:\\qtcard" + std::to_string(::GetCurrentProcessId());
        RemoveTree(card);
        MakeDirs(card);
        ASSERT_TRUE(testing_support::IsDirectory(card)) << "run scripts/wine-drives.sh";
        transfer.SetFreeSpaceQuery([this](const std::string& root, ULONGLONG& freeBytes) {
            freeBytes = root == "M:\\" ? cardFree : k4GB;
            return true;
        });
    }
    void TearDown() override {
        RemoveTree(card);
        TransferTest::TearDown();
    }
    static std::vector<std::string> ParkFolders() {
        std::vector<std::string> found;
        WIN32_FIND_DATAA entry;
        HANDLE find = ::FindFirstFileA((ParkingFolder() + "p*").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) return found;
        do found.push_back(entry.cFileName);
        while (::FindNextFileA(find, &entry));
        ::FindClose(find);
        return found;
    }

    // Where the old frame is while the copy runs: when the copy makes its
    // first file, count the parked frames.
    static int parkedWhileCopying;
    static void WatchFirstFile(const char* what, const std::string& path) {
        if (parkedWhileCopying < 0 && std::string(what) == "create" &&
            path.find("\\c\\") != std::string::npos)
            parkedWhileCopying = static_cast<int>(ParkFolders().size());
    }
    void WatchFirstPiece() {
        parkedWhileCopying = -1;
        SetDiskStepHook(WatchFirstFile);
    }

    std::string card;
    ULONGLONG cardFree = 0;
};
int FullCardTest::parkedWhileCopying = -1;

TEST_F(FullCardTest, TheOldFramesSpaceMakesRoomAndTheOldFrameComesBackWhenTheCopyFails) {
    const ULONGLONG newNeed = MakeFrame(src, "Rose", "new", 'n');
    const ULONGLONG freed = MakeFrame(card, "Rose", "old", 'o');
    ::SetFileAttributesA((card + "\\Rose.USD").c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesA((card + "\\Rose").c_str(), FILE_ATTRIBUTE_READONLY);
    const auto oldCard = Snapshot(card);
    const DWORD folderAttributes = ::GetFileAttributesA((card + "\\Rose").c_str());
    cardFree = newNeed - freed + 1;  // fits only in the old frame's space

    // The copy breaks midway: the old frame is back, attributes and all.
    {
        win::FileHandle held(::CreateFileA(Src("Rose\\sub\\photo.jpg").c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        WatchFirstPiece();
        EXPECT_FALSE(RunTo(card, {"Rose.USD"}, TransferMode::Move));
        SetDiskStepHook(nullptr);
    }
    EXPECT_EQ(parkedWhileCopying, 1);  // the old frame waited on the other drive
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, ReportText("ERR_FILE_IN_USE", {Src("Rose\\sub\\photo.jpg")}));
    EXPECT_EQ(Snapshot(card), oldCard);
    EXPECT_EQ(::GetFileAttributesA((card + "\\Rose").c_str()), folderAttributes);
    EXPECT_TRUE(ParkFolders().empty());
    // Nothing of it went to the temporary folder, where nobody would look.
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    WIN32_FIND_DATAA entry;
    win::FindHandle inTemp(::FindFirstFileA((std::string(temp) + "qtpark*").c_str(), &entry));
    EXPECT_FALSE(inTemp);
    EXPECT_TRUE(Exists(Src("Rose.USD")));

    // Without the lock the new frame replaces it, and nothing is left over.
    boxes.clear();
    const auto newFrame = Snapshot(src);
    EXPECT_TRUE(RunTo(card, {"Rose.USD"}, TransferMode::Move));
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Snapshot(card), newFrame);
    EXPECT_FALSE(Exists(Src("Rose.USD")));
    EXPECT_TRUE(ParkFolders().empty());

    // More than the old frame frees is still refused, with nothing touched.
    boxes.clear();
    MakeFrame(src, "Rose", "bigger", 'b');
    WriteFile(Src("Rose\\more.jpg"), std::string(40000, 'm'));
    const auto before = Snapshot(card);
    cardFree = 0;
    EXPECT_FALSE(RunTo(card, {"Rose.USD"}, TransferMode::Copy));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, GetLangString("ERR_DISK_SIZE"));
    EXPECT_EQ(Snapshot(card), before);
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
    EXPECT_FALSE(Run({"Rose.USD"}, TransferMode::Copy));
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
