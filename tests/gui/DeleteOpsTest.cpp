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

// The texts the progress window's operation line is given, however short
// the operation: a hook on this thread's window procedures sees each one.
class OperationLineTexts {
public:
    OperationLineTexts()
        : hook_(::SetWindowsHookExA(WH_CALLWNDPROCRET, Seen, nullptr, ::GetCurrentThreadId())) {
        texts_ = &seen_;
    }
    ~OperationLineTexts() {
        ::UnhookWindowsHookEx(hook_);
        texts_ = nullptr;
    }
    const Names& Seen() const { return seen_; }

private:
    static LRESULT CALLBACK Seen(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && texts_ && call->message == WM_SETTEXT &&
            ::GetDlgCtrlID(call->hwnd) == IDC_PROGRESS_OPERATION && call->lParam)
            texts_->push_back(reinterpret_cast<const char*>(call->lParam));
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static Names* texts_;
    HHOOK hook_;
    Names seen_;
};
Names* OperationLineTexts::texts_ = nullptr;
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
    dialog_->SetProgressDelay(0);
    OperationLineTexts progress;
    Command(IDC_BTN_DELETE);
    // Its progress window does not speak of a recycle bin either.
    EXPECT_EQ(progress.Seen(), Names{GetLangString("TITLE_PROGRESS_DELETE_PERMANENT")});
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

// A delete in the library (to the recycle bin) and one on a card (for good),
// each of a frame with a link to a folder outside: the window names the
// link, and the frame, the link and what it points to all stay. Under Wine
// the recycle bin and a delete alike act on what a link points to.
TEST_F(DeleteOpsTest, BothDeletesRefuseAFrameHoldingALinkAndTouchNothingOutside) {
    testing_support::TempDir outside;
    testing_support::MakeDirs(outside / "pictures\\inner");
    testing_support::WriteFile(outside / "pictures\\keep.jpg", std::string(4000, 'k'));
    testing_support::WriteFile(outside / "pictures\\inner\\deep.jpg", "deep");
    const auto outsideBefore = testing_support::Snapshot(outside.Path());

    // In the library: the companion folder itself is the link.
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    testing_support::WriteFile(dir_ / "COMPLINK.USD", "[HEADER]\r\nHdTitle=Linked\r\n");
    ASSERT_TRUE(testing_support::MakeLink(outside / "pictures", dir_ / "COMPLINK"));
    // On the card: a link three folders down in the companion.
    testing_support::MakeDirs(kCardFolder);
    WriteFrame(kCardFolder, "DEEPLINK", "Deep link");
    testing_support::MakeDirs(std::string(kCardFolder) + "\\DEEPLINK\\a\\b");
    const std::string deepLink = std::string(kCardFolder) + "\\DEEPLINK\\a\\b\\out";
    ASSERT_TRUE(testing_support::MakeLink(outside / "pictures", deepLink));
    UseMemoryCard();
    OpenOn(dir_.Path());
    const auto libraryBefore = testing_support::Snapshot(dir_.Path());
    const auto cardBefore = testing_support::Snapshot(kCardFolder);
    const Names trashBefore = Entries(TrashFiles());

    struct Case {
        CListCtrlZEL& list;
        std::string name, link, question;
    };
    for (const Case& c : {Case{dialog_->SourceList(), "COMPLINK.USD", dir_ / "COMPLINK", "MSG_DELETE"},
                          Case{dialog_->TargetList(), "DEEPLINK.USD", deepLink, "MSG_DELETE_PERMANENT"}}) {
        SCOPED_TRACE(c.name);
        boxes_.clear();
        Focus(c.list);
        Select(c.list, {FindItem(c.list, c.name)});
        Answer({IDYES});
        Command(IDC_BTN_DELETE);
        ASSERT_EQ(boxes_.size(), 2u) << BoxText(1);
        EXPECT_EQ(boxes_[0].text, GetLangString(c.question.c_str()));
        EXPECT_NE(boxes_[1].text.find(c.link), std::string::npos) << boxes_[1].text;
        EXPECT_EQ(boxes_[1].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
        EXPECT_GE(FindItem(c.list, c.name), 0);
    }
    EXPECT_EQ(testing_support::Snapshot(outside.Path()), outsideBefore);
    EXPECT_EQ(testing_support::Snapshot(dir_.Path()), libraryBefore);
    EXPECT_EQ(testing_support::Snapshot(kCardFolder), cardBefore);
    EXPECT_EQ(Entries(TrashFiles()), trashBefore);
}
