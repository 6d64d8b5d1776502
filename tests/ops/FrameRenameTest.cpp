// Renaming a frame on disk: all or nothing, whichever step fails.
#include "TransferFixture.h"

#include "frames/FrameInfoCache.h"
#include "ops/FrameRename.h"

using testing_support::ReadFile;
using namespace transfer_test;

namespace {

// The real steps, with the named one failing the first time it runs.
RenameSteps FailingAt(const std::string& failing) {
    RenameSteps steps = RenameSteps::Real();
    auto once = std::make_shared<bool>(true);
    auto fails = [once] { return std::exchange(*once, false); };
    if (failing == "rewrite") {
        auto real = steps.rewrite;
        steps.rewrite = [=](const std::string& a, const std::string& b, const std::string& c,
                            const std::string& d) { return !fails() && real(a, b, c, d); };
    } else if (failing == "move") {
        auto real = steps.move;
        steps.move = [=](const std::string& a, const std::string& b) { return !fails() && real(a, b); };
    } else if (failing == "remove" || failing == "remove, then move back") {
        auto real = steps.remove;
        steps.remove = [=](const std::string& path) { return !fails() && real(path); };
        if (failing != "remove") {
            auto realMove = steps.move;
            auto moves = std::make_shared<int>(0);
            steps.move = [=](const std::string& a, const std::string& b) {
                return ++*moves == 1 && realMove(a, b);
            };
        }
    }
    return steps;
}

}  // namespace

TEST_F(TransferTest, ARenameThatFailsAtAnyStepLeavesTheFrameAsItWas) {
    MakeFrame(src, "Rose", "Rose");
    ::SetFileAttributesA(Src("Rose.USD").c_str(), FILE_ATTRIBUTE_READONLY);
    const auto before = Snapshot(src);
    const std::string folder = src + "\\";
    GetFrameInfo(Src("Rose.USD"));

    for (const char* failing : {"rewrite", "move", "remove"}) {
        reporter.keys.clear();
        EXPECT_FALSE(RenameFrame(folder, "Rose.USD", "Daisy", reporter, FailingAt(failing))) << failing;
        EXPECT_EQ(reporter.keys, std::vector<std::string>{"ERR_COPY_FAILED"}) << failing;
        EXPECT_EQ(Snapshot(src), before) << failing;
        EXPECT_NE(GetFrameInfo(Src("Rose.USD")), nullptr) << failing;
    }

    // Without a failure: renamed, references and attributes with it.
    MakeFrame(src, "Tulip", "Tulip");
    ::SetFileAttributesA(Src("Tulip.USD").c_str(), FILE_ATTRIBUTE_READONLY);
    const auto tulip = Snapshot(src);
    ASSERT_TRUE(GetFrameInfo(Src("Tulip.USD")) && MakePendingThumbnail(Src("Tulip.USD")));
    reporter.keys.clear();
    EXPECT_TRUE(RenameFrame(folder, "Tulip.USD", "Daisy", reporter));
    EXPECT_TRUE(reporter.keys.empty());
    const auto after = Snapshot(src);
    EXPECT_EQ(after.count("Tulip.USD") + after.count("Tulip"), 0u);
    EXPECT_EQ(after.at("Daisy\\sub\\photo.jpg"), tulip.at("Tulip\\sub\\photo.jpg"));
    EXPECT_NE(ReadFile(Src("Daisy.usd")).find("HdThumbnail=.\\Daisy\\thumb.jpg"), std::string::npos);
    EXPECT_TRUE(::GetFileAttributesA(Src("Daisy.usd").c_str()) & FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(GetFrameInfo(Src("Daisy.usd")), nullptr);
    // The record follows the rewritten file: its picture, the same file in
    // the renamed folder, is kept rather than made again.
    EXPECT_FALSE(IsThumbnailPending(Src("Daisy.usd")));

    // When the old file will not go and the folder will not come back, the
    // renamed frame is kept whole: only the old file is left over.
    reporter.keys.clear();
    EXPECT_FALSE(RenameFrame(folder, "Rose.USD", "Lily", reporter, FailingAt("remove, then move back")));
    EXPECT_EQ(reporter.keys, std::vector<std::string>{"ERR_COPY_FAILED"});
    EXPECT_NE(ReadFile(Src("Lily.usd")).find(".\\Lily\\thumb.jpg"), std::string::npos);
    EXPECT_TRUE(testing_support::Exists(Src("Lily\\sub\\photo.jpg")));
}
