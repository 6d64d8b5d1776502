// Links inside a frame's companion folder (a symbolic link made from the
// Linux side, which Wine shows as a folder with a reparse point, as Windows
// shows a junction): no operation reaches what a link points to.
#include "TransferFixture.h"

#include "app/LangStrings.h"
#include "ops/FrameDelete.h"
#include "ops/FrameRename.h"
#include "win/Handles.h"
#include "win/Strings.h"

#include <functional>

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

// Every operation, on every kind of link, in the library and on a card:
// each refuses the frame before touching anything and names the link, and
// the files the links point to stay byte for byte as they were. Under Wine
// no call that names a link is safe: a delete, a move, the recycle bin or a
// change of attributes acts on what it points to.
TEST(FrameLinkMatrix, EveryOperationRefusesEveryKindOfLinkInTheLibraryAndOnACard) {
    enum Kind { kDeepFolder, kCompanionIsLink, kFileInCompanion, kFrameFileIsLink, kOwnParent };
    const char* kindNames[] = {"a folder link three levels down", "a companion folder that is a link",
                               "a file link in the companion", "a frame file that is a link",
                               "a link to the frame's own folder"};
    const std::string card = "M:\\qtlinks" + std::to_string(::GetCurrentProcessId());
    // Gone however the test ends: a folder left on the card shows in other tests' trees.
    const struct Cleanup {
        std::string path;
        ~Cleanup() { testing_support::RemoveTree(path); }
    } cleanup{card};
    for (const bool onCard : {false, true}) {
        if (onCard && !testing_support::IsDirectory("M:\\")) {
            ADD_FAILURE() << "no card drive M: in this prefix (scripts/wine-drives.sh makes it)";
            continue;
        }
        for (int kind = kDeepFolder; kind <= kOwnParent; ++kind) {
            SCOPED_TRACE(std::string(kindNames[kind]) + (onCard ? ", target on the card" : ", target in C:"));
            testing_support::TempDir root;
            const std::string outside = root / "outside", library = root / "library";
            const std::string target = onCard ? card : root / "target";
            testing_support::RemoveTree(card);
            MakeDirs(outside + "\\dir\\inner");
            MakeDirs(library);
            MakeDirs(target);
            WriteFile(outside + "\\secret.jpg", std::string(2000, 's'));
            WriteFile(outside + "\\real_usd.USD", "[HEADER]\r\nHdTitle=Outside\r\n");
            WriteFile(outside + "\\dir\\keep.jpg", "keep");
            WriteFile(outside + "\\dir\\inner\\deep.jpg", "deep");

            // The frame "Lnk" with its link, in folder; the path the message names.
            auto linkedFrame = [&](const std::string& folder, const std::string& base) -> std::string {
                const std::string frame = folder + "\\" + base;
                switch (kind) {
                    case kDeepFolder:
                        MakeFrame(folder, base, base);
                        MakeDirs(frame + "\\a\\b");
                        return MakeLink(outside + "\\dir", frame + "\\a\\b\\out") ? frame + "\\a\\b\\out"
                                                                                  : "";
                    case kCompanionIsLink:
                        WriteFile(frame + ".USD", "[HEADER]\r\nHdTitle=" + base + "\r\n");
                        return MakeLink(outside + "\\dir", frame) ? frame : "";
                    case kFileInCompanion:
                        MakeFrame(folder, base, base);
                        return MakeLink(outside + "\\secret.jpg", frame + "\\linked.jpg")
                                   ? frame + "\\linked.jpg"
                                   : "";
                    case kFrameFileIsLink:
                        MakeDirs(frame);
                        WriteFile(frame + "\\thumb.jpg", "thumb");
                        return MakeLink(outside + "\\real_usd.USD", frame + ".USD") ? frame + ".USD" : "";
                    default:
                        MakeFrame(folder, base, base);
                        return MakeLink(folder, frame + "\\up") ? frame + "\\up" : "";
                }
            };
            const std::string inLibrary = linkedFrame(library, "Lnk");
            const std::string inTarget = linkedFrame(target, "Tgt");
            ASSERT_FALSE(inLibrary.empty() || inTarget.empty()) << "no symbolic links here";
            MakeFrame(library, "Tgt", "Clean frame of the linked one's name");
            const auto libraryBefore = Snapshot(library), targetBefore = Snapshot(target),
                       outsideBefore = Snapshot(outside);

            CFrameTransfer transfer;
            struct Operation {
                const char* name;
                std::function<bool(RecordingReporter&)> run;
                std::string link;
            };
            auto move = [&](std::string from, std::string to, std::string name, TransferMode mode) {
                return [&transfer, from, to, name, mode](RecordingReporter& reporter) mutable {
                    std::vector<std::string> done;
                    return transfer.TransferFrames(from, to, {name}, mode, reporter, done) != FALSE;
                };
            };
            const Operation operations[] = {
                {"add", move(library, target, "Lnk.USD", TransferMode::Move), inLibrary},
                {"copy", move(library, target, "Lnk.USD", TransferMode::Copy), inLibrary},
                {"move back", move(target, library, "Tgt.USD", TransferMode::Move), inTarget},
                {"replace", move(library, target, "Tgt.USD", TransferMode::Move), inTarget},
                {"rename",
                 [&](RecordingReporter& r) { return RenameFrame(library + "\\", "Lnk.USD", "New", r); },
                 inLibrary},
                {"recycle-bin delete",
                 [&](RecordingReporter& r) {
                     return DeleteFramesToRecycleBin(library + "\\", {"Lnk.USD"}, r);
                 },
                 inLibrary},
                {onCard ? "card delete" : "delete in the target",
                 [&](RecordingReporter& r) {
                     return DeleteFramesToRecycleBin(target + "\\", {"Tgt.USD"}, r, !onCard);
                 },
                 inTarget},
            };
            for (const Operation& operation : operations) {
                SCOPED_TRACE(operation.name);
                RecordingReporter reporter;
                EXPECT_FALSE(operation.run(reporter));
                EXPECT_EQ(reporter.keys, std::vector<std::string>{"ERR_FRAME_LINK"});
                const std::string text = reporter.boxes.empty() ? std::string() : reporter.boxes[0].text;
                EXPECT_NE(text.find(operation.link), std::string::npos) << text;
                EXPECT_EQ(Snapshot(outside), outsideBefore);
                EXPECT_EQ(Snapshot(library), libraryBefore);
                EXPECT_EQ(Snapshot(target), targetBefore);
            }
            if (onCard) testing_support::RemoveTree(card);
        }
    }
}

// A companion folder holding a name the code page lacks a character for,
// beside the look-alike its ANSI listing would give: every operation leaves
// the frame alone and names the file, and the look-alike stays as it was.
TEST_F(FrameLinkTest, AFrameHoldingANameTheCodePageLacksIsLeftAloneByEveryOperation) {
    // In UTF-8 every name can be reached; only a legacy code page lacks some.
    if (win::ProcessIsUtf8() || ::GetACP() != 1252) GTEST_SKIP() << "the name is chosen for code page 1252";
    MakeFrame(src, "Greek", "Greek");
    WriteFile(Src("Greek\\ophoto.jpg"), "the look-alike");
    {
        win::FileHandle file(::CreateFileW((win::ToWide(Src("Greek")) + L"\\\u03a9photo.jpg").c_str(),
                                           GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
    }
    const auto library = Snapshot(src), destBefore = Snapshot(dst);
    const std::string named = Src("Greek\\?photo.jpg");
    auto run = [&](const std::function<bool()>& operation) {
        reporter.keys.clear();
        reporter.boxes.clear();
        EXPECT_FALSE(operation());
        EXPECT_EQ(reporter.keys, std::vector<std::string>{"ERR_NAME_UNUSABLE"});
        const std::string text = reporter.boxes.empty() ? std::string() : reporter.boxes[0].text;
        EXPECT_NE(text.find(named), std::string::npos) << text;
        EXPECT_EQ(Snapshot(src), library);
        EXPECT_EQ(Snapshot(dst), destBefore);
    };
    run([&] { return Run({"Greek.USD"}, TransferMode::Move) != FALSE; });
    run([&] { return Run({"Greek.USD"}, TransferMode::Copy) != FALSE; });
    run([&] { return RenameFrame(src + "\\", "Greek.USD", "Latin", reporter); });
    run([&] { return DeleteFramesToRecycleBin(src + "\\", {"Greek.USD"}, reporter); });
    EXPECT_EQ(testing_support::ReadFile(Src("Greek\\ophoto.jpg")), "the look-alike");
}
