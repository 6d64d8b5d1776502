// Delete in the real main window: the question first, frames without their
// folders, and the recycle bin.
#include <windows.h>
#include <commctrl.h>

#include "OperationsFixture.h"
#include "app/LangStrings.h"
#include "frames/FrameInfoCache.h"
#include "resource.h"
#include "win/Strings.h"

using testing_support::Exists;
using testing_support::IsDirectory;

namespace {
using DeleteOpsTest = OperationsFixture;
using Names = std::vector<std::string>;
}  // namespace

TEST_F(DeleteOpsTest, NoChangesNothingAndAsksTheCompanionNothing) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    WriteFrame(dir_.Path(), "BETA", "Beta");
    OpenOn(dir_.Path());
    MakeLumadexLookRunning();
    const Names before = Entries(dir_.Path());
    const Names trashBefore = Entries(TrashFiles());

    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0, 1});
    Answer({IDNO});
    Command(IDC_BTN_DELETE);
    ASSERT_EQ(boxes_.size(), 1u) << BoxText(1);
    EXPECT_EQ(boxes_[0].text, GetLangString("MSG_DELETE"));
    EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(Entries(dir_.Path()), before);
    EXPECT_EQ(dialog_->SourceList().GetItemCount(), 2);
    EXPECT_NE(GetFrameInfo(dir_ / "ALPHA.USD"), nullptr);
    EXPECT_EQ(Entries(TrashFiles()), trashBefore);
}

TEST_F(DeleteOpsTest, AFrameWithoutItsFolderIsDeletedAlone) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    testing_support::WriteFile(dir_ / "LONE.USD", "[HEADER]\r\nHdTitle=Lone\r\n");
    OpenOn(dir_.Path());
    const Names trashBefore = Entries(TrashFiles());

    Focus(dialog_->SourceList());
    SelectNames(dialog_->SourceList(), {"LONE.USD"});
    Answer({IDYES});
    Command(IDC_BTN_DELETE);
    EXPECT_EQ(boxes_.size(), 1u) << BoxText(1);
    EXPECT_EQ(Entries(dir_.Path()), (Names{"ALPHA", "ALPHA.USD"}));
    EXPECT_EQ(ListNames(dialog_->SourceList()), Names{"ALPHA.USD"});
    EXPECT_EQ(GetFrameInfo(dir_ / "LONE.USD"), nullptr);
    EXPECT_EQ(Entries(TrashFiles()).size(), trashBefore.size() + 1);
}

TEST_F(DeleteOpsTest, FramesDeletedFromACardAreGoneForGoodWithTheirFolders) {
    // Names no earlier run left in the bin.
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%05lu", ::GetTickCount() % 100000);
    const std::string a = std::string("DA") + stamp, b = std::string("DB") + stamp,
                      c = std::string("DC") + stamp;
    testing_support::MakeDirs(kCardFolder);
    for (const std::string& base : {a, b, c, std::string("KEEP")}) WriteFrame(kCardFolder, base, base);
    UseMemoryCard();
    OpenOn(dir_.Path());
    HTREEITEM cardItem = LoadNode(kCardFolder);
    ASSERT_NE(cardItem, nullptr);
    ASSERT_EQ(LoadedChildren(cardItem).size(), 4u);

    CListCtrlZEL& target = dialog_->TargetList();
    Focus(target);
    for (const std::string& base : {a, b, c}) Select(target, {FindItem(target, base + ".USD")});
    Answer({IDYES});
    Command(IDC_BTN_DELETE);
    ASSERT_EQ(boxes_.size(), 1u) << BoxText(1);
    // A card has no recycle bin, and the question says so.
    EXPECT_EQ(boxes_[0].text, GetLangString("MSG_DELETE_PERMANENT"));
    EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));

    EXPECT_EQ(Entries(kCardFolder), (Names{"KEEP", "KEEP.USD"}));
    EXPECT_EQ(ListNames(target), Names{"KEEP.USD"});
    EXPECT_EQ(LoadedChildren(cardItem), Names{"KEEP"});
    // The source list and its folder are not touched.
    EXPECT_EQ(dialog_->SourceList().GetItemCount(), 0);
    EXPECT_NE(win::WindowText(dialog_->Item(IDC_TITLE_TARGET)).find("1 of 100 frames, "), std::string::npos);
    const std::string trash = TrashFiles();
    for (const std::string& base : {a, b, c}) {
        EXPECT_FALSE(Exists(trash + "\\" + base + ".USD")) << base;
        EXPECT_FALSE(Exists(trash + "\\" + base)) << base;
        EXPECT_EQ(GetFrameInfo(std::string(kCardFolder) + "\\" + base + ".USD"), nullptr);
    }
}

TEST_F(DeleteOpsTest, CancelStopsALongDeleteBetweenFramesAndNoFrameIsLeftHalfDeleted) {
    constexpr int kFrames = 40;
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%05lu", ::GetTickCount() % 100000);
    std::vector<std::string> bases;
    for (int i = 0; i < kFrames; ++i) {
        bases.push_back("P" + std::to_string(10 + i) + stamp);
        WriteFrame(dir_.Path(), bases.back(), bases.back());
    }
    OpenOn(dir_.Path());
    dialog_->SetProgressDelay(0);
    Focus(dialog_->SourceList());
    Command(ID_EDIT_SELECT_ALL);
    Answer({IDYES});
    std::string shown;
    {
        WhileRunning watch([&] {
            HWND progress = FindProgressWindow();
            if (!progress || !shown.empty()) return;
            shown = win::WindowText(::GetDlgItem(progress, IDC_PROGRESS_OPERATION));
            testing_support::ClickButton(progress, IDCANCEL);
        });
        Command(IDC_BTN_DELETE);
    }
    EXPECT_EQ(shown, GetLangString("TITLE_PROGRESS_DELETE"));
    EXPECT_EQ(boxes_.size(), 1u) << BoxText(1);
    int left = 0;
    for (const std::string& base : bases) {
        const bool file = Exists(dir_ / (base + ".USD"));
        EXPECT_EQ(IsDirectory(dir_ / base), file) << base;
        if (file) {
            EXPECT_TRUE(Exists(dir_ / (base + "\\layout.jpg"))) << base;
        }
        left += file;
    }
    EXPECT_GT(left, 0);
    EXPECT_EQ(dialog_->SourceList().GetItemCount(), left);
}
