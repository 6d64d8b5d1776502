// New folder and rename in the real main window: the names they refuse, what
// they create on disk, and what the tree shows afterwards.
#include <windows.h>
#include <commctrl.h>
#include <imm.h>

#include "OperationsFixture.h"
#include "app/LangStrings.h"
#include "frames/FrameInfoCache.h"
#include "resource.h"
#include "win/Strings.h"

using testing_support::ClickButton;
using testing_support::Exists;
using testing_support::IsDirectory;
using testing_support::ModalDriver;

namespace {

using Names = std::vector<std::string>;

struct TipSearch {
    HWND list, tip;
};

BOOL CALLBACK FindTip(HWND hwnd, LPARAM data) {
    auto& search = *reinterpret_cast<TipSearch*>(data);
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 &&
        ::SendMessageA(hwnd, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool)) &&
        tool.uId == reinterpret_cast<UINT_PTR>(search.list))
        search.tip = hwnd;
    return search.tip ? FALSE : TRUE;
}

class NameOpsTest : public OperationsFixture {
protected:
    // Puts the pointer over the row; its point in the list, and the list's tip
    // window (the tooltip whose tool is the list), null when there is none.
    static HWND PointAtRow(const CListCtrlZEL& list, int row, POINT* at) {
        RECT rect = {};
        rect.left = LVIR_BOUNDS;
        ::SendMessageA(list.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        *at = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        POINT screen = *at;
        ::ClientToScreen(list.Handle(), &screen);
        ::SetCursorPos(screen.x, screen.y);
        TipSearch search{list.Handle(), nullptr};
        ::EnumThreadWindows(::GetCurrentThreadId(), FindTip, reinterpret_cast<LPARAM>(&search));
        return search.tip;
    }

    // The text the list gives its tip window with the pointer over a row.
    static std::string TipOverRow(const CListCtrlZEL& list, int row) {
        POINT at;
        const HWND tip = PointAtRow(list, row, &at);
        if (!tip) return "<no tip window>";
        NMTTDISPINFOA ask = {};
        ask.hdr.code = TTN_GETDISPINFOA;
        ask.hdr.hwndFrom = tip;
        ask.hdr.idFrom = reinterpret_cast<UINT_PTR>(list.Handle());
        ::SendMessageA(list.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&ask));
        return ask.lpszText ? ask.lpszText : "";
    }

    // The text of the tip window once it shows, with the pointer moved over
    // the row as a user moves it (the list passes the move on to its tip);
    // "" when none shows within two seconds. The tip gives back at most the
    // first 80 characters.
    static std::string ShownTipOverRow(const CListCtrlZEL& list, int row) {
        POINT at;
        const HWND tip = PointAtRow(list, row, &at);
        if (!tip) return "<no tip window>";
        ::SendMessageA(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 10);
        ::SendMessageA(list.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        const DWORD start = ::GetTickCount();
        while (!::IsWindowVisible(tip) && ::GetTickCount() - start < 2000) {
            Pump();
            ::Sleep(10);
        }
        if (!::IsWindowVisible(tip)) return "";
        char text[512] = {};
        TTTOOLINFOA tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = list.Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(list.Handle());
        tool.lpszText = text;
        ::SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageA(tip, TTM_POP, 0, 0);
        return text;
    }

    Names BoxTexts() const {
        Names texts;
        for (const ShownBox& box : boxes_) texts.push_back(box.text);
        return texts;
    }
};

bool HasInputContext(HWND edit) {
    HIMC context = ::ImmGetContext(edit);
    if (context) ::ImmReleaseContext(edit, context);
    return context != nullptr;
}

struct FieldOnOpen {
    std::string text;
    bool okEnabled = false;
    bool inputMethod = false;
    std::string caption;
};

ModalDriver::Action RecordAndCancel(FieldOnOpen& seen) {
    return [&seen](HWND dlg) {
        HWND edit = ::GetDlgItem(dlg, IDC_NAME_EDIT);
        seen.text = win::WindowText(edit);
        seen.okEnabled = ::IsWindowEnabled(::GetDlgItem(dlg, IDOK)) != FALSE;
        seen.inputMethod = HasInputContext(edit);
        seen.caption = win::WindowText(dlg);
        ::SetWindowTextA(edit, "x");
        if (::IsWindowEnabled(::GetDlgItem(dlg, IDOK))) seen.text += "|x enables OK";
        ClickButton(dlg, IDCANCEL);
    };
}

}  // namespace

TEST_F(NameOpsTest, TheOperationsOpenTheNameDialogInTheirOwnMode) {
    WriteFrame(dir_.Path(), "LONGNAME9", "Name over eight bytes");
    OpenOn(dir_.Path());

    FieldOnOpen folder;
    {
        ModalDriver driver({RecordAndCancel(folder)});
        Command(IDC_BTN_NEW_FOLDER);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    EXPECT_EQ(folder.caption, GetLangString("TITLE_FOLDER_MAKE"));
    EXPECT_EQ(folder.text, "|x enables OK");
    EXPECT_FALSE(folder.okEnabled);
    EXPECT_TRUE(folder.inputMethod);

    FieldOnOpen rename;
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0});
    {
        ModalDriver driver({RecordAndCancel(rename)});
        Command(IDC_BTN_RENAME);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    EXPECT_EQ(rename.caption, GetLangString("TITLE_CHANGE_NAME"));
    EXPECT_EQ(rename.text, "|x enables OK");  // nine bytes do not fit: emptied
    EXPECT_FALSE(rename.okEnabled);
    EXPECT_FALSE(rename.inputMethod);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(Entries(dir_.Path()), (Names{"LONGNAME9", "LONGNAME9.USD"}));
}

TEST_F(NameOpsTest, NewFolderRefusesBadNamesUntilAGoodOneMakesOneFolder) {
    testing_support::WriteFile(dir_ / "file.txt", "not a folder");
    OpenOn(dir_.Path());
    HTREEITEM item = dialog_->Tree().GetSelectedItem();
    ASSERT_EQ(LoadedChildren(item), Names{});

    Names seen;
    {
        ModalDriver driver({TypeAndOk("   ", &seen), TypeAndOk(".x", &seen), TypeAndOk("...", &seen),
                            TypeAndOk("a:b", &seen), TypeAndOk("file.txt", &seen), TypeAndOk(" x", &seen)});
        Command(IDC_BTN_NEW_FOLDER);
        EXPECT_EQ(driver.ActionsRun(), 6);
        EXPECT_EQ(driver.LeftOpen(), 0);
    }
    const std::string dot = GetLangString("ERR_NOT_FOLDER_NAME_DOT");
    const std::string forbidden = GetLangString("ERR_FOLDR_NAME_CHAR");
    ASSERT_FALSE(forbidden.empty());
    EXPECT_EQ(BoxTexts(), (Names{dot, dot, dot, GetLangString("ERR_NOT_FOLDER_NAME") + "\n" + forbidden,
                                 GetLangString("ERR_FOLDER_MAKE")}));
    for (const ShownBox& box : boxes_) EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
    // Each rejected name comes back for correction, left-trimmed.
    EXPECT_EQ(seen, (Names{"", "", ".x", "...", "a:b", "file.txt"}));
    EXPECT_EQ(Entries(dir_.Path()), (Names{"file.txt", "x"}));
    EXPECT_EQ(LoadedChildren(item), Names{"x"});

    // Trailing dots are dropped from the folder made.
    boxes_.clear();
    {
        ModalDriver driver({TypeAndOk("abc...", nullptr)});
        Command(IDC_BTN_NEW_FOLDER);
    }
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(Entries(dir_.Path()), (Names{"abc", "file.txt", "x"}));
    EXPECT_EQ(LoadedChildren(item), (Names{"abc", "x"}));
    EXPECT_EQ(dialog_->Tree().GetSelectedItem(), item);
}

TEST_F(NameOpsTest, RenameRefusesTheSameNameAndForeignCharacters) {
    WriteFrame(dir_.Path(), "FLOWER", "Flower");
    OpenOn(dir_.Path());
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0});
    Names seen;
    {
        ModalDriver driver({TypeAndOk("FLOWER", &seen), TypeAndOk("flower", &seen), TypeAndOk("a+b", &seen),
                            TypeAndOk("a_b-1", &seen)});
        Command(IDC_BTN_RENAME);
        EXPECT_EQ(driver.ActionsRun(), 4);
    }
    const std::string exists = GetLangString("ERR_FILE_NAME");
    EXPECT_EQ(BoxTexts(), (Names{exists, exists, GetLangString("ERR_NOT_FILE_NAME")}));
    EXPECT_EQ(seen, (Names{"FLOWER", "FLOWER", "flower", "a+b"}));
    // The language file lists _ and - as allowed.
    EXPECT_EQ(Entries(dir_.Path()), (Names{"a_b-1", "a_b-1.usd"}));
    EXPECT_EQ(ListNames(dialog_->SourceList()), Names{"a_b-1.usd"});
    EXPECT_EQ(LoadedChildren(dialog_->Tree().GetSelectedItem()), Names{"a_b-1"});
}

TEST_F(NameOpsTest, RenameRewritesTheFolderReferencesAndKeepsReadOnly) {
    testing_support::WriteFile(
        dir_ / "FLOWER.USD",
        "[HEADER]\r\nHdTitle=Flower\r\nHdThumbnail=.\\FLOWER\\thumb.jpg\r\n[LAYOUT]\r\n"
        "Image1=.\\flower\\a.jpg\r\nImage2=.\\FLOWER\\b.jpg;.\\FLOWER\\c.jpg\r\n"
        "Image3=.\\FLOWERS\\d.jpg");
    testing_support::MakeDirs(dir_ / "FLOWER\\parts");
    testing_support::WriteFile(dir_ / "FLOWER\\a.jpg", "picture");
    ASSERT_TRUE(::SetFileAttributesA((dir_ / "FLOWER.USD").c_str(), FILE_ATTRIBUTE_READONLY));
    OpenOn(dir_.Path());
    ASSERT_EQ(LoadedChildren(dialog_->Tree().GetSelectedItem()), Names{"FLOWER"});
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0});
    {
        ModalDriver driver({TypeAndOk("ROSE", nullptr)});
        Command(IDC_BTN_RENAME);
    }
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(Entries(dir_.Path()), (Names{"ROSE", "ROSE.usd"}));
    EXPECT_EQ(testing_support::ReadFile(dir_ / "ROSE.usd"),
              "[HEADER]\r\nHdTitle=Flower\r\nHdThumbnail=.\\ROSE\\thumb.jpg\r\n[LAYOUT]\r\n"
              "Image1=.\\ROSE\\a.jpg\r\nImage2=.\\ROSE\\b.jpg;.\\FLOWER\\c.jpg\r\n"
              "Image3=.\\FLOWERS\\d.jpg\r\n");
    EXPECT_TRUE(::GetFileAttributesA((dir_ / "ROSE.usd").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(testing_support::ReadFile(dir_ / "ROSE\\a.jpg"), "picture");
    EXPECT_TRUE(IsDirectory(dir_ / "ROSE\\parts"));
    EXPECT_EQ(ListNames(dialog_->SourceList()), Names{"ROSE.usd"});
    ASSERT_NE(GetFrameInfo(dir_ / "ROSE.usd"), nullptr);
    EXPECT_STREQ(GetFrameInfo(dir_ / "ROSE.usd")->title, "Flower");
    EXPECT_EQ(LoadedChildren(dialog_->Tree().GetSelectedItem()), Names{"ROSE"});
    ::SetFileAttributesA((dir_ / "ROSE.usd").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(NameOpsTest, RenamingAFrameWithoutItsFolderChangesNothing) {
    testing_support::WriteFile(dir_ / "LONE.USD",
                               "[HEADER]\r\nHdTitle=Lone\r\nHdThumbnail=.\\LONE\\t.jpg\r\n");
    OpenOn(dir_.Path());
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0});
    {
        ModalDriver driver({TypeAndOk("NEW", nullptr)});
        Command(IDC_BTN_RENAME);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    EXPECT_EQ(BoxTexts(), Names{GetLangString("ERR_COPY_FAILED")});
    EXPECT_EQ(Entries(dir_.Path()), Names{"LONE.USD"});
    EXPECT_EQ(testing_support::ReadFile(dir_ / "LONE.USD"),
              "[HEADER]\r\nHdTitle=Lone\r\nHdThumbnail=.\\LONE\\t.jpg\r\n");
    EXPECT_EQ(ListNames(dialog_->SourceList()), Names{"LONE.USD"});
}

TEST_F(NameOpsTest, RenamingInTheTargetListLeavesTheTreeAlone) {
    testing_support::MakeDirs(kCardFolder);
    WriteFrame(kCardFolder, "TULIP", "Tulip");
    testing_support::MakeDirs(dir_ / "GONE");
    UseMemoryCard();
    OpenOn(dir_.Path());
    HTREEITEM item = dialog_->Tree().GetSelectedItem();
    ASSERT_EQ(LoadedChildren(item), Names{"GONE"});
    // Gone behind the tree's back: only a refresh of the tree would notice.
    ::RemoveDirectoryA((dir_ / "GONE").c_str());

    CListCtrlZEL& target = dialog_->TargetList();
    Focus(target);
    Select(target, {0});
    {
        ModalDriver driver({TypeAndOk("IRIS", nullptr)});
        Command(IDC_BTN_RENAME);
    }
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(Entries(kCardFolder), (Names{"IRIS", "IRIS.usd"}));
    EXPECT_EQ(ListNames(target), Names{"IRIS.usd"});
    EXPECT_EQ(LoadedChildren(item), Names{"GONE"});
    EXPECT_EQ(dialog_->Tree().GetSelectedItem(), item);
}

// Names the ANSI calls cannot reach: one with a character the code page
// lacks (whose ANSI listing is a look-alike of another frame's name), one
// that is no ANSI text at all, and a name Windows reserves for a device, all
// made from the Linux side. Each row is marked and shows its real name, and
// every operation on it says why it leaves it alone; the look-alike's
// namesake stays byte for byte as it was. Where the program runs in UTF-8,
// only the device name is unusable: the others are frames as any.
TEST_F(NameOpsTest, UnusableNamesAreMarkedAndEveryOperationRefusesThem) {
    if (win::LegacyCodePage() != 1252) GTEST_SKIP() << "the names are chosen for code page 1252";
    const bool utf8 = win::ProcessIsUtf8();
    WriteFrame(dir_.Path(), "omega", "Plain omega");
    const std::string header = "[HEADER]\r\nHdTitle=Not this one\r\n";
    const std::wstring unusable[] = {L"\u03a9mega.USD", L"\u5199\u771f.USD", L"CON.USD"};
    for (const std::wstring& name : unusable)
        ASSERT_TRUE(testing_support::WriteFileFromLinux(dir_.Path(), name, header));
    const std::string omegaBytes = testing_support::ReadFile(dir_ / "omega.USD");
    const auto omegaFolder = testing_support::Snapshot(dir_ / "omega");
    OpenOn(dir_.Path());

    CListCtrlZEL& list = dialog_->SourceList();
    ASSERT_EQ(list.GetItemCount(), 4);
    std::vector<std::wstring> marked;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        std::wstring name;
        win::NameProblem problem;
        if (list.GetUnusableItem(i, name, problem)) {
            marked.push_back(name);
            EXPECT_EQ(problem == win::NameProblem::kReservedDevice, name == L"CON.USD");
        } else {
            const std::string title = GetFrameInfo(list.GetItemPath(i))->title;
            EXPECT_TRUE(title == "Plain omega" || (utf8 && title == "Not this one")) << title;
        }
    }
    std::sort(marked.begin(), marked.end());
    std::vector<std::wstring> expected(std::begin(unusable), std::end(unusable));
    if (utf8) expected = {L"CON.USD"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(marked, expected);

    for (int i = 0; i < list.GetItemCount(); ++i) {
        std::wstring name;
        win::NameProblem problem;
        if (!list.GetUnusableItem(i, name, problem)) continue;
        // The tip over the row, asked as the tip window asks with the
        // pointer there, and shown when the pointer moves there; none over
        // a usable row.
        EXPECT_EQ(TipOverRow(list, i), NameProblemText(problem));
        const std::string shown = ShownTipOverRow(list, i);
        EXPECT_TRUE(!shown.empty() && NameProblemText(problem).rfind(shown, 0) == 0) << shown;
        for (const int command : {IDC_BTN_ADD, IDC_BTN_COPY, IDC_BTN_DELETE, IDC_BTN_RENAME}) {
            SCOPED_TRACE(std::to_string(command) + " on row " + std::to_string(i));
            boxes_.clear();
            Focus(list);
            list.SetAllSelected(false);
            Select(list, {i});
            Command(command);
            ASSERT_EQ(boxes_.size(), 1u) << BoxText(1);
            EXPECT_NE(boxes_[0].text.find(NameProblemText(problem)), std::string::npos) << boxes_[0].text;
            EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
        }
    }
    for (int i = 0; i < list.GetItemCount(); ++i) {
        std::wstring name;
        win::NameProblem problem;
        if (!list.GetUnusableItem(i, name, problem)) {
            EXPECT_EQ(TipOverRow(list, i), "");
        }
    }
    EXPECT_EQ(testing_support::ReadFile(dir_ / "omega.USD"), omegaBytes);
    EXPECT_EQ(testing_support::Snapshot(dir_ / "omega"), omegaFolder);
    EXPECT_EQ(list.GetItemCount(), 4);
}
