// Links inside a frame's companion folder (a symbolic link made from the
// Linux side, which Wine shows as a folder with a reparse point, as Windows
// shows a junction): no operation reaches what a link points to.
#include "TransferFixture.h"

#include "app/LangStrings.h"
#include "ops/FrameDelete.h"
#include "ops/FrameRename.h"

using testing_support::Exists;
using testing_support::IsLink;
using testing_support::MakeDirs;
using testing_support::MakeLink;
using testing_support::WriteFile;
using namespace transfer_test;

namespace {

class FrameLinkTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        outside = root / "outside";
        MakeDirs(outside + "\\inner");
        WriteFile(outside + "\\keep.jpg", std::string(3000, 'k'));
        WriteFile(outside + "\\inner\\deep.jpg", "deep");
        MakeFrame(src, "Rose", "Rose");
        MakeFrame(src, "Loop", "Loop");
        MakeFrame(src, "Tulip", "Tulip");
        if (!MakeLink(outside, Src("Rose\\sub\\out")) || !MakeLink(src, Src("Loop\\up")))
            GTEST_SKIP() << "no symbolic links here";
    }
    std::string outside;
};

}  // namespace

TEST_F(FrameLinkTest, EveryTransferRefusesAFrameHoldingALinkBeforeTouchingAnything) {
    // A batch long enough to be listed by two threads, the link in a frame
    // the second one lists.
    std::vector<std::string> many;
    for (int i = 10; i < 28; ++i) {
        MakeFrame(src, "F" + std::to_string(i), "Filler");
        many.push_back("F" + std::to_string(i) + ".USD");
    }
    many.insert(many.begin() + 1, "Rose.USD");
    const auto library = Snapshot(src), outsideBefore = Snapshot(outside);
    ASSERT_EQ(library.at("Rose\\sub\\out"), "<link>");
    MakeFrame(dst, "Old", "Old");
    const auto destBefore = Snapshot(dst);
    struct Case {
        std::vector<std::string> names;
        TransferMode mode;
        std::string link;
    };
    // The link to the library itself would copy the library into itself.
    for (const Case& c : {Case{{"Tulip.USD", "Rose.USD"}, TransferMode::Move, Src("Rose\\sub\\out")},
                          Case{{"Rose.USD"}, TransferMode::Copy, Src("Rose\\sub\\out")},
                          Case{many, TransferMode::Move, Src("Rose\\sub\\out")},
                          Case{many, TransferMode::Copy, Src("Rose\\sub\\out")},
                          Case{{"Loop.USD"}, TransferMode::Move, Src("Loop\\up")},
                          Case{{"Loop.USD"}, TransferMode::Copy, Src("Loop\\up")}}) {
        reporter.boxes.clear();
        reporter.keys.clear();
        EXPECT_FALSE(Run(c.names, c.mode));
        ASSERT_EQ(reporter.keys, std::vector<std::string>{"ERR_FRAME_LINK"});
        EXPECT_NE(boxes[0].text.find(c.link), std::string::npos) << boxes[0].text;
        EXPECT_EQ(Snapshot(src), library);
        EXPECT_EQ(Snapshot(dst), destBefore);
        EXPECT_EQ(Snapshot(outside), outsideBefore);
        EXPECT_TRUE(transferred.empty());
    }
    // Nor is a frame holding a link replaced: putting it aside renames the
    // link, and Wine moves what a renamed link points to.
    MakeFrame(dst, "Rose", "Other rose");
    std::string dest = src, source = dst;
    reporter.keys.clear();
    EXPECT_FALSE(
        transfer.TransferFrames(source, dest, {"Rose.USD"}, TransferMode::Move, reporter, transferred));
    EXPECT_EQ(reporter.keys, std::vector<std::string>{"ERR_FRAME_LINK"});
    EXPECT_TRUE(Exists(Dst("Rose\\sub\\photo.jpg")));
    EXPECT_EQ(Snapshot(outside), outsideBefore);
    EXPECT_EQ(Snapshot(src).at("Rose\\sub\\out"), "<link>");
}

TEST_F(FrameLinkTest, RenameRefusesAndTheRecycleBinTakesTheLinkNotItsTarget) {
    const auto library = Snapshot(src), outsideBefore = Snapshot(outside);
    EXPECT_FALSE(RenameFrame(src + "\\", "Rose.USD", "Daisy", reporter));
    EXPECT_EQ(reporter.keys, std::vector<std::string>{"ERR_FRAME_LINK"});
    EXPECT_EQ(Snapshot(src), library);

    EXPECT_TRUE(DeleteFramesToRecycleBin(src + "\\", {"Rose.USD", "Loop.USD"}, reporter));
    EXPECT_FALSE(Exists(Src("Rose.USD")));
    EXPECT_FALSE(Exists(Src("Rose")));
    EXPECT_FALSE(Exists(Src("Loop")));
    EXPECT_TRUE(Exists(Src("Tulip\\sub\\photo.jpg")));
    EXPECT_EQ(Snapshot(outside), outsideBefore);
}
