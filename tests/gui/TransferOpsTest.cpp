// Add, copy and move back in the real main window: the memory card's limit
// and folder, the lists and the tree afterwards, and the companion check.
#include <windows.h>
#include <commctrl.h>

#include "OperationsFixture.h"
#include "TreeSelect.h"
#include "app/LangStrings.h"
#include "resource.h"
#include "ui/ProgressWindow.h"
#include "ui/ReplaceDlg.h"
#include "win/Strings.h"

using testing_support::Exists;
using testing_support::IsDirectory;
using testing_support::MakeDirs;

namespace {

class TransferOpsTest : public OperationsFixture {
protected:
    size_t CountBoxes(const char* key) const {
        size_t n = 0;
        for (const ShownBox& box : boxes_)
            if (box.text == GetLangString(key)) ++n;
        return n;
    }
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(TransferOpsTest, AFrameAlreadyOnTheCardInAnotherCaseCountsOnceTowardsTheLimit) {
    WriteBareFrames(kCardFolder, "C", 98);
    WriteFrame(dir_.Path(), "c005", "Same name, other case");
    WriteFrame(dir_.Path(), "NEWA", "New A");
    WriteFrame(dir_.Path(), "NEWB", "New B");
    UseMemoryCard();
    OpenOn(dir_.Path());
    ASSERT_EQ(dialog_->TargetList().GetItemCount(), 98);

    // Skipped, the frame asked about stays where it was and the two new
    // ones fill the card to exactly 100.
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0, 1, 2});
    std::vector<ReplaceSeen> seen;
    {
        testing_support::ModalDriver driver({AnswerReplace(IDC_REPLACE_SKIP, false, &seen)});
        Command(IDC_BTN_ADD);
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].question.find("Same name"), std::string::npos)
        << seen[0].question;  // the old one's title
    EXPECT_NE(seen[0].existing.find("C005"), std::string::npos) << seen[0].existing;
    EXPECT_NE(seen[0].incoming.find("Same name, other case"), std::string::npos) << seen[0].incoming;
    EXPECT_EQ(seen[0].forAll, "");  // no conflict follows
    // The frame already there has its picture, asked for in either case.
    EXPECT_GE(DescribeFrame(std::string(kCardFolder) + "\\c005.USD").imageIndex, 0);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(dialog_->TargetList().GetItemCount(), 100);
    EXPECT_EQ(Entries(kCardFolder).size(), 200u);
    EXPECT_EQ(Entries(dir_.Path()), (Names{"c005", "c005.USD"}));

    // Replaced, it still counts once.
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0});
    {
        testing_support::ModalDriver driver({AnswerReplace(IDC_REPLACE_REPLACE)});
        Command(IDC_BTN_ADD);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    EXPECT_EQ(CountBoxes("ERR_ZELLIT2_OVER_MAX_NUM"), 0u);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(dialog_->TargetList().GetItemCount(), 100);
    EXPECT_EQ(dialog_->SourceList().GetItemCount(), 0);
    EXPECT_TRUE(Entries(dir_.Path()).empty());
    EXPECT_EQ(Entries(kCardFolder).size(), 200u);
}

TEST_F(TransferOpsTest, ACardOverTheLimitRefusesAndChangesNothing) {
    WriteBareFrames(kCardFolder, "C", 98);
    WriteFrame(dir_.Path(), "NEWA", "New A");
    WriteFrame(dir_.Path(), "NEWB", "New B");
    WriteFrame(dir_.Path(), "NEWC", "New C");
    UseMemoryCard();
    OpenOn(dir_.Path());
    const Names sourceBefore = Entries(dir_.Path());
    const Names cardBefore = Entries(kCardFolder);

    // Both the add and the copy from the source list count, and so do the
    // card's frames its filter hides.
    for (const char* filter : {"", "C001"})
        for (int button : {IDC_BTN_ADD, IDC_BTN_COPY}) {
            ::SetWindowTextA(dialog_->Item(IDC_FILTER_TARGET), filter);
            boxes_.clear();
            Focus(dialog_->SourceList());
            Select(dialog_->SourceList(), {0, 1, 2});
            Command(button);
            ASSERT_EQ(boxes_.size(), 1u) << button;
            EXPECT_EQ(boxes_[0].text, GetLangString("ERR_ZELLIT2_OVER_MAX_NUM"));
            EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
            EXPECT_EQ(Entries(dir_.Path()), sourceBefore);
            EXPECT_EQ(Entries(kCardFolder), cardBefore);
            EXPECT_EQ(dialog_->TargetList().FrameCount(), 98u);
            EXPECT_EQ(dialog_->TargetList().GetItemCount(), *filter ? 1 : 98);
            EXPECT_EQ(dialog_->SourceList().GetItemCount(), 3);
        }
}

TEST_F(TransferOpsTest, AnAddToTheCompanionsFolderHasNoLimitAndTakesTheFramesFoldersOutOfTheTree) {
    const std::string target = app_->GetLumadexTargetFolder();
    WriteBareFrames(target, "QOPLIM", 101);
    WriteFrame(dir_.Path(), "NEWA", "New A");
    WriteFrame(dir_.Path(), "NEWB", "New B");
    MakeDirs(dir_ / "NEWC");  // a folder of no frame
    OpenOn(dir_.Path());
    ASSERT_GE(dialog_->TargetList().GetItemCount(), 101);
    const int before = dialog_->TargetList().GetItemCount();
    HTREEITEM sourceItem = dialog_->Tree().GetSelectedItem();
    ASSERT_EQ(LoadedChildren(sourceItem), (Names{"NEWA", "NEWB", "NEWC"}));

    Focus(dialog_->SourceList());
    SelectNames(dialog_->SourceList(), {"NEWA.USD"});
    Command(IDC_BTN_ADD);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(dialog_->TargetList().GetItemCount(), before + 1);
    EXPECT_TRUE(Exists(target + "\\NEWA.USD"));
    EXPECT_TRUE(IsDirectory(target + "\\NEWA"));
    // Renamed away within the drive, the frame's folder leaves the tree
    // without the folder being listed again; the others stay.
    EXPECT_EQ(LoadedChildren(sourceItem), (Names{"NEWB", "NEWC"}));
}

TEST_F(TransferOpsTest, CopyingBackFromTheCardNeverChecksTheLimit) {
    // More frames than a card may hold, put there by someone else.
    WriteBareFrames(kCardFolder, "C", 101);
    testing_support::MakeDirs(dir_ / "OTHER");  // so that the tree loads the folder's children
    UseMemoryCard();
    OpenOn(dir_.Path());
    CListCtrlZEL& target = dialog_->TargetList();
    ASSERT_EQ(target.GetItemCount(), 101);

    Focus(target);
    SelectNames(target, {"C007.USD", "C100.USD"});
    Command(IDC_BTN_COPY);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(ListNames(dialog_->SourceList()), (Names{"C007.USD", "C100.USD"}));
    EXPECT_TRUE(IsDirectory(dir_ / "C007"));
    EXPECT_EQ(target.GetItemCount(), 101);
    // The frames' folders appear under the loaded source folder.
    EXPECT_EQ(LoadedChildren(dialog_->Tree().GetSelectedItem()), (Names{"C007", "C100", "OTHER"}));
}

TEST_F(TransferOpsTest, CopyingBackToAVirtualTreeFolderDoesNothing) {
    WriteBareFrames(kCardFolder, "C", 2);
    UseMemoryCard();
    Open();
    CFolderTreeCtrl& tree = dialog_->Tree();
    HTREEITEM root = tree.GetRootItem();
    tree.Expand(root, TVE_EXPAND);
    for (HTREEITEM child = tree.GetChildItem(root); child; child = tree.GetNextSiblingItem(child))
        if (testing_support::TreeItemPath(tree, child).empty()) tree.SelectItem(child);  // My Computer
    Pump();
    ASSERT_EQ(tree.GetSelectedPath(), "");
    Focus(dialog_->TargetList());
    Select(dialog_->TargetList(), {0});
    Command(IDC_BTN_COPY);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(Entries(kCardFolder).size(), 4u);
}

TEST_F(TransferOpsTest, AddingToACardWithoutItsFolderMakesItAndTheFramesLeaveTheSource) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    WriteFrame(dir_.Path(), "BETA", "Beta");
    WriteFrame(dir_.Path(), "GAMMA", "Gamma");
    UseMemoryCard();
    OpenOn(dir_.Path());
    HTREEITEM sourceItem = dialog_->Tree().GetSelectedItem();
    ASSERT_EQ(LoadedChildren(sourceItem), (Names{"ALPHA", "BETA", "GAMMA"}));
    HTREEITEM drive = LoadNode("M:\\");
    ASSERT_NE(drive, nullptr);
    ASSERT_EQ(LoadedChildren(drive), Names{});
    ASSERT_FALSE(Exists(kCardFolder));
    const std::string title = dialog_->ItemText(IDC_TITLE_TARGET);
    EXPECT_NE(title.find("0 of 100 frames, "), std::string::npos) << title;

    CListCtrlZEL& source = dialog_->SourceList();
    Focus(source);
    SelectNames(source, {"ALPHA.USD", "GAMMA.USD"});
    Command(IDC_BTN_ADD);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);

    EXPECT_EQ(Entries(kCardFolder), (Names{"ALPHA", "ALPHA.USD", "GAMMA", "GAMMA.USD"}));
    // The drive had no folder to load: it gets its button, and opening it
    // shows the new one.
    ASSERT_FALSE(dialog_->Tree().IsExpandedOnce(drive));
    EXPECT_TRUE(dialog_->Tree().ItemHasChildren(drive));
    dialog_->Tree().Expand(drive, TVE_EXPAND);
    EXPECT_EQ(LoadedChildren(drive), Names{"VOZEL"});
    EXPECT_EQ(ListNames(dialog_->TargetList()), (Names{"ALPHA.USD", "GAMMA.USD"}));
    EXPECT_NE(dialog_->ItemText(IDC_TITLE_TARGET).find("2 of 100 frames, "), std::string::npos);

    EXPECT_EQ(ListNames(source), Names{"BETA.USD"});
    EXPECT_EQ(Entries(dir_.Path()), (Names{"BETA", "BETA.USD"}));
    EXPECT_EQ(LoadedChildren(sourceItem), Names{"BETA"});
    // Nothing stays selected, so the operations wait for a new selection.
    EXPECT_FALSE(Enabled(IDC_BTN_ADD));
    EXPECT_FALSE(Enabled(IDC_BTN_DELETE));
}

TEST_F(TransferOpsTest, AfterACopyTheFramesAreInBothLists) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    WriteFrame(dir_.Path(), "BETA", "Beta");
    UseMemoryCard();
    OpenOn(dir_.Path());
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0, 1});
    Command(IDC_BTN_COPY);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(ListNames(dialog_->SourceList()), (Names{"ALPHA.USD", "BETA.USD"}));
    EXPECT_EQ(ListNames(dialog_->TargetList()), (Names{"ALPHA.USD", "BETA.USD"}));
    EXPECT_EQ(Entries(dir_.Path()), Entries(kCardFolder));
    EXPECT_EQ(LoadedChildren(dialog_->Tree().GetSelectedItem()), (Names{"ALPHA", "BETA"}));
}

TEST_F(TransferOpsTest, AfterEachOperationTheListsShowWhatAFillShows) {
    // Titles that interleave the frames of the two folders in the sort.
    WriteFrame(dir_.Path(), "A1", "Delta");
    WriteFrame(dir_.Path(), "A2", "Alpha");
    WriteFrame(dir_.Path(), "A3", "Golf");
    WriteFrame(dir_.Path(), "A4", "Bravo");
    MakeDirs(kCardFolder);
    WriteFrame(kCardFolder, "C1", "Charlie");
    WriteFrame(kCardFolder, "C2", "Foxtrot");
    UseMemoryCard();
    OpenOn(dir_.Path());
    Command(ID_SORT_TITLE);
    CListCtrlZEL& source = dialog_->SourceList();
    CListCtrlZEL& target = dialog_->TargetList();
    auto rows = [](const CListCtrlZEL& list) {
        Names names;
        for (int i = 0; i < list.GetItemCount(); ++i) names.push_back(list.GetItemFileName(i));
        return names;
    };
    // The rows an operation left, in order, against a fill of the same folders.
    auto asFilled = [&](const Names& sourceRows, const Names& targetRows) {
        EXPECT_TRUE(boxes_.empty()) << BoxText(0);
        EXPECT_EQ(rows(source), sourceRows);
        EXPECT_EQ(rows(target), targetRows);
        EXPECT_TRUE(source.GetSelectedItems().empty());
        source.Refill();
        target.Refill();
        EXPECT_EQ(rows(source), sourceRows);
        EXPECT_EQ(rows(target), targetRows);
    };
    ASSERT_EQ(rows(source), (Names{"A2.USD", "A4.USD", "A1.USD", "A3.USD"}));

    Focus(source);
    Select(source, {1, 2});  // Bravo, Delta
    Command(IDC_BTN_ADD);
    asFilled({"A2.USD", "A3.USD"}, {"A4.USD", "C1.USD", "A1.USD", "C2.USD"});
    Focus(target);
    Select(target, {1, 3});  // Charlie, Foxtrot
    Command(IDC_BTN_MOVE_BACK);
    asFilled({"A2.USD", "C1.USD", "C2.USD", "A3.USD"}, {"A4.USD", "A1.USD"});
    Focus(target);
    Select(target, {1});  // Delta
    Command(IDC_BTN_COPY);
    asFilled({"A2.USD", "C1.USD", "A1.USD", "C2.USD", "A3.USD"}, {"A4.USD", "A1.USD"});
    Focus(source);
    Select(source, {0, 4});  // Alpha, Golf
    Answer({IDYES});
    Command(IDC_BTN_DELETE);
    ASSERT_EQ(boxes_.size(), 1u) << BoxText(1);
    boxes_.clear();
    asFilled({"C1.USD", "A1.USD", "C2.USD"}, {"A4.USD", "A1.USD"});
}

TEST_F(TransferOpsTest, CancelAtTheCompanionCheckChangesNothing) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    MakeDirs(kCardFolder);
    WriteFrame(kCardFolder, "ONCARD", "On card");
    UseMemoryCard();
    OpenOn(dir_.Path());
    MakeLumadexLookRunning();
    const Names sourceBefore = Entries(dir_.Path());
    const Names cardBefore = Entries(kCardFolder);

    struct Step {
        CListCtrlZEL* list;
        int button;
    };
    for (Step step :
         {Step{&dialog_->SourceList(), IDC_BTN_ADD}, Step{&dialog_->SourceList(), IDC_BTN_COPY},
          Step{&dialog_->TargetList(), IDC_BTN_COPY}, Step{&dialog_->TargetList(), IDC_BTN_MOVE_BACK},
          Step{&dialog_->TargetList(), IDC_BTN_RENAME}}) {
        boxes_.clear();
        Focus(*step.list);
        Select(*step.list, {0});
        Answer({IDCANCEL});
        testing_support::ModalDriver driver({[](HWND dlg) { testing_support::ClickButton(dlg, IDCANCEL); }});
        Command(step.button);
        ASSERT_EQ(boxes_.size(), 1u) << step.button << " " << BoxText(1);
        EXPECT_EQ(boxes_[0].text, GetLangString("ERR_LX"));
        EXPECT_TRUE(driver.Dialogs().empty()) << step.button;
        EXPECT_EQ(Entries(dir_.Path()), sourceBefore) << step.button;
        EXPECT_EQ(Entries(kCardFolder), cardBefore) << step.button;
        EXPECT_EQ(dialog_->SourceList().GetItemCount(), 1);
        EXPECT_EQ(dialog_->TargetList().GetItemCount(), 1);
    }
}

TEST_F(TransferOpsTest, MovingBackANameThatExistsAsksToReplace) {
    WriteFrame(dir_.Path(), "ROSE", "Rose at home");
    MakeDirs(kCardFolder);
    WriteFrame(kCardFolder, "ROSE", "Rose on the card");
    UseMemoryCard();
    OpenOn(dir_.Path());
    CListCtrlZEL& target = dialog_->TargetList();

    Focus(target);
    Select(target, {0});
    std::vector<ReplaceSeen> seen;
    {
        testing_support::ModalDriver driver({AnswerReplace(IDC_REPLACE_SKIP, false, &seen)});
        Command(IDC_BTN_MOVE_BACK);
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].question.find("Rose at home"), std::string::npos) << seen[0].question;
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_TRUE(Exists(std::string(kCardFolder) + "\\ROSE.USD"));
    EXPECT_EQ(target.GetItemCount(), 1);

    Focus(target);
    Select(target, {0});
    {
        testing_support::ModalDriver driver({AnswerReplace(IDC_REPLACE_REPLACE)});
        Command(IDC_BTN_MOVE_BACK);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(target.GetItemCount(), 0);
    EXPECT_TRUE(Entries(kCardFolder).empty());
    EXPECT_NE(testing_support::ReadFile(dir_ / "ROSE.USD").find("Rose on the card"), std::string::npos);
    EXPECT_EQ(ListNames(dialog_->SourceList()), Names{"ROSE.USD"});
}

TEST_F(TransferOpsTest, AFrameFileThatVanishedFromTheListIsLeftOut) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    WriteFrame(dir_.Path(), "BETA", "Beta");
    UseMemoryCard();
    OpenOn(dir_.Path());
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0, 1});
    // Another program deletes one of them after the list was filled.
    ASSERT_TRUE(::DeleteFileA((dir_ / "ALPHA.USD").c_str()));
    Command(IDC_BTN_ADD);
    // No question about a frame without a name, no error: the other one moves.
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(ListNames(dialog_->TargetList()), (Names{"BETA.USD"}));
    EXPECT_FALSE(Exists(dir_ / "BETA.USD"));
    EXPECT_TRUE(IsDirectory(dir_ / "ALPHA"));
}

TEST_F(TransferOpsTest, AFrameHoldingALinkIsRefusedWithTheLinkNamedAndNothingMoves) {
    testing_support::TempDir outside;
    MakeDirs(outside / "inner");
    testing_support::WriteFile(outside / "inner\\keep.jpg", "keep");
    WriteFrame(dir_.Path(), "ROSE", "Rose");
    const std::string link = dir_ / "ROSE\\photos";
    if (!testing_support::MakeLink(outside.Path(), link)) GTEST_SKIP() << "no symbolic links here";
    UseMemoryCard();
    OpenOn(dir_.Path());
    const auto library = testing_support::Snapshot(dir_.Path());
    const auto outsideBefore = testing_support::Snapshot(outside.Path());

    for (int button : {IDC_BTN_ADD, IDC_BTN_COPY}) {
        boxes_.clear();
        Focus(dialog_->SourceList());
        Select(dialog_->SourceList(), {0});
        Command(button);
        ASSERT_EQ(boxes_.size(), 1u) << button;
        EXPECT_NE(boxes_[0].text.find(link), std::string::npos) << boxes_[0].text;
        EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
        EXPECT_EQ(testing_support::Snapshot(dir_.Path()), library);
        EXPECT_EQ(testing_support::Snapshot(outside.Path()), outsideBefore);
        EXPECT_TRUE(Entries(kCardFolder).empty());
        EXPECT_EQ(ListNames(dialog_->SourceList()), Names{"ROSE.USD"});
    }
}

TEST_F(TransferOpsTest, TheReplaceAnswerCanCancelAllOrBeGivenOnceForEveryConflict) {
    MakeDirs(kCardFolder);
    for (const char* base : {"A", "B", "C", "D"}) {
        WriteFrame(dir_.Path(), base, std::string("New ") + base);
        WriteFrame(kCardFolder, base, std::string("Old ") + base);
    }
    WriteFrame(dir_.Path(), "E", "New E");
    UseMemoryCard();
    OpenOn(dir_.Path());
    const auto card = [](const char* base) {
        return testing_support::ReadFile(std::string(kCardFolder) + "\\" + base + ".USD");
    };
    const auto sourceBefore = testing_support::Snapshot(dir_.Path());
    CListCtrlZEL& source = dialog_->SourceList();
    // A second question would be a fault: the driver answers it with Cancel.
    auto copyAll = [&](int button, bool forAll, std::vector<ReplaceSeen>* seen) {
        Focus(source);
        Command(ID_EDIT_SELECT_ALL);
        testing_support::ModalDriver driver({AnswerReplace(button, forAll, seen), AnswerReplace(IDCANCEL)});
        Command(IDC_BTN_COPY);
        return driver.ActionsRun();
    };

    // Cancel ends the whole copy: nothing after the first conflict arrives.
    std::vector<ReplaceSeen> seen;
    EXPECT_EQ(copyAll(IDCANCEL, false, &seen), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].question.find("Old A"), std::string::npos) << seen[0].question;
    EXPECT_NE(seen[0].existing.find("Old A"), std::string::npos) << seen[0].existing;
    EXPECT_NE(seen[0].incoming.find("New A"), std::string::npos) << seen[0].incoming;
    EXPECT_NE(seen[0].forAll.find('3'), std::string::npos) << seen[0].forAll;
    EXPECT_EQ(Entries(kCardFolder).size(), 8u);

    // Skip for all: one question, the old frames stay, E arrives.
    EXPECT_EQ(copyAll(IDC_REPLACE_SKIP, true, nullptr), 1);
    EXPECT_NE(card("D").find("Old D"), std::string::npos);
    EXPECT_NE(card("E").find("New E"), std::string::npos);
    EXPECT_EQ(dialog_->TargetList().GetItemCount(), 5);

    // Replace for all, now over five conflicts: one question, all replaced.
    seen.clear();
    EXPECT_EQ(copyAll(IDC_REPLACE_REPLACE, true, &seen), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].forAll.find('4'), std::string::npos) << seen[0].forAll;
    for (const char* base : {"A", "B", "C", "D", "E"})
        EXPECT_NE(card(base).find(std::string("New ") + base), std::string::npos) << base;
    EXPECT_EQ(testing_support::Snapshot(kCardFolder), sourceBefore);
    EXPECT_EQ(testing_support::Snapshot(dir_.Path()), sourceBefore);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);

    // Two conflicts: the one that remains after the first is one conflict.
    seen.clear();
    Focus(source);
    source.SetAllSelected(false);
    SelectNames(source, {"A.USD", "B.USD"});
    {
        testing_support::ModalDriver driver({AnswerReplace(IDCANCEL, false, &seen)});
        Command(IDC_BTN_COPY);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].forAll, GetLangString("BTN_REPLACE_FOR_ALL_ONE"));
}

TEST_F(TransferOpsTest, ALongAddShowsItsProgressDisablesEveryCommandAndCancelLeavesEveryFrameWhole) {
    constexpr int kFrames = 24;
    for (int i = 0; i < kFrames; ++i) WriteSizedFrame(dir_.Path(), "F" + std::to_string(10 + i), 3 << 20);
    UseMemoryCard();
    OpenOn(dir_.Path());
    const auto before = testing_support::Snapshot(dir_.Path());
    dialog_->SetProgressDelay(0);
    Focus(dialog_->SourceList());
    Command(ID_EDIT_SELECT_ALL);
    ASSERT_TRUE(Enabled(IDC_BTN_ADD));

    HWND main = dialog_->Handle();
    struct {
        bool window = false, mainEnabled = true;
        std::vector<int> enabled;  // commands found enabled while it ran
        std::string count, file;
    } seen;
    {
        WhileRunning watch([&] {
            HWND progress = FindProgressWindow();
            if (!progress || seen.window) return;
            seen.window = true;
            seen.mainEnabled = ::IsWindowEnabled(main) != FALSE;
            for (int id : {IDC_BTN_ADD, IDC_BTN_COPY, IDC_BTN_DELETE, IDC_BTN_MOVE_BACK, IDC_BTN_RENAME,
                           IDC_BTN_NEW_FOLDER, IDC_BTN_SELECT_CARD, IDC_FOLDER_TREE})
                if (Enabled(id)) seen.enabled.push_back(id);
            HMENU bar = ::GetMenu(main);
            for (int menu = 0; menu < ::GetMenuItemCount(bar); ++menu) {
                HMENU sub = ::GetSubMenu(bar, menu);
                ::SendMessageA(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), menu);
                for (int item = 0; item < ::GetMenuItemCount(sub); ++item) {
                    const UINT id = ::GetMenuItemID(sub, item);
                    if (id == 0 || id == ID_FILE_CLOSE || id == ID_HELP_ABOUT) continue;
                    if (!(::GetMenuState(sub, item, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)))
                        seen.enabled.push_back(static_cast<int>(id));
                }
            }
            seen.count = win::WindowText(::GetDlgItem(progress, IDC_PROGRESS_COUNT));
            seen.file = win::WindowText(::GetDlgItem(progress, IDC_PROGRESS_FILE));
            testing_support::ClickButton(progress, IDCANCEL);
        });
        Command(IDC_BTN_ADD);
    }
    ASSERT_TRUE(seen.window);
    EXPECT_FALSE(seen.mainEnabled);
    EXPECT_TRUE(seen.enabled.empty()) << seen.enabled.front();
    EXPECT_EQ(FindProgressWindow(), nullptr);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);

    // Every file of every frame is exactly once where it was or on the card,
    // and nothing else is on the card: no partial file, no parked frame.
    auto here = testing_support::Snapshot(dir_.Path());
    auto there = testing_support::Snapshot(kCardFolder);
    int arrived = 0;
    for (int i = 0; i < kFrames; ++i) {
        const std::string base = "F" + std::to_string(10 + i);
        const bool moved = there.count(base + ".USD") != 0;
        arrived += moved;
        for (const std::string& path : {base + ".USD", base, base + "\\photo.jpg"}) {
            EXPECT_EQ((moved ? there : here)[path], before.at(path)) << path;
            EXPECT_EQ((moved ? here : there).count(path), 0u) << path;
        }
    }
    EXPECT_EQ(here.size() + there.size(), before.size());
    // Stopped in the middle, at the frame the window showed or the next.
    EXPECT_LT(arrived, kFrames);
    int shown = 0;
    for (int n = 0; n < kFrames; ++n)
        if (seen.count == ProgressCountText(n, kFrames)) shown = n + 1;
    EXPECT_TRUE(arrived == shown - 1 || arrived == shown) << seen.count << " arrived " << arrived;
    EXPECT_EQ(seen.file.size(), 7u) << seen.file;  // "Fnn.USD"
    EXPECT_EQ(dialog_->TargetList().GetItemCount(), arrived);
    EXPECT_EQ(dialog_->SourceList().GetItemCount(), kFrames - arrived);

    // Everything is back: the window, the tree, the menu, the buttons.
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_TRUE(Enabled(IDC_FOLDER_TREE));
    EXPECT_TRUE(Enabled(IDC_BTN_NEW_FOLDER));
    EXPECT_TRUE(Enabled(IDC_BTN_SELECT_CARD));
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0});
    EXPECT_TRUE(Enabled(IDC_BTN_ADD));
}
