// Command states, menu check marks, target switching and browsing in the
// real main window.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "../../tools/JpegWriter.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "TestFiles.h"
#include "TreeSelect.h"
#include "app/LangStrings.h"
#include "choosers/DriveComboBox.h"
#include "frames/FrameInfoCache.h"
#include "ops/OperationReporter.h"
#include "resource.h"
#include "win/Handles.h"
#include "win/Strings.h"

using testing_support::ClickButton;
using testing_support::ModalDriver;
using testing_support::SelectTreePath;
using testing_support::TempDir;

namespace {

class CommandsTest : public MainWindowFixture {
protected:
    // A folder with three frames, shown in the tree when the window opens.
    void OpenOnFrames() {
        WriteFrame(dir_.Path(), "ALPHA", "Alpha");
        WriteFrame(dir_.Path(), "BETA", "Beta");
        WriteFrame(dir_.Path(), "GAMMA", "Gamma");
        ASSERT_TRUE(
            CFolderTreeCtrl::StoreCurrentFolderPath(CZELMaintenanceApp::SettingsKeyPath(), dir_.Path()));
        Open();
        ASSERT_TRUE(win::EqualsNoCase(dialog_->Tree().GetSelectedPath(), dir_.Path()));
        ASSERT_EQ(dialog_->SourceList().GetItemCount(), 3);
    }
    bool MenuChecked(UINT id) {
        return (::GetMenuState(::GetMenu(dialog_->Handle()), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    bool MenuEnabled(UINT id) {
        return (::GetMenuState(::GetMenu(dialog_->Handle()), id, MF_BYCOMMAND) & MF_GRAYED) == 0;
    }
    void OpenMenu(int position) {
        HMENU popup = ::GetSubMenu(::GetMenu(dialog_->Handle()), position);
        ::SendMessageA(dialog_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), position);
    }
    std::string Box(size_t i) const { return i < boxes_.size() ? boxes_[i].text : std::string("<none>"); }

    TempDir dir_;
};

// A JPEG of one colour.
void WriteSolidJpeg(const std::string& path, int width, int height, COLORREF colour) {
    std::vector<unsigned char> pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), {GetRValue(colour), GetGValue(colour), GetBValue(colour)});
    ASSERT_TRUE(demo::WriteJpeg(path, width, height, 3, JCS_RGB, pixels.data(), 95));
}

const int kOperationButtons[] = {IDC_BTN_MOVE_BACK, IDC_BTN_ADD, IDC_BTN_COPY, IDC_BTN_DELETE,
                                 IDC_BTN_RENAME};

}  // namespace

TEST_F(CommandsTest, ButtonsFollowTheSelectionOfTheActiveList) {
    OpenOnFrames();
    for (int id : kOperationButtons) EXPECT_FALSE(Enabled(id)) << id;

    CListCtrlZEL& source = dialog_->SourceList();
    Focus(source);
    Select(source, {0, 2});
    EXPECT_TRUE(Enabled(IDC_BTN_ADD));
    EXPECT_TRUE(Enabled(IDC_BTN_COPY));
    EXPECT_TRUE(Enabled(IDC_BTN_DELETE));
    EXPECT_FALSE(Enabled(IDC_BTN_RENAME));
    EXPECT_FALSE(Enabled(IDC_BTN_MOVE_BACK));

    // The other list takes the focus: the first loses its selection.
    Focus(dialog_->TargetList());
    EXPECT_EQ(::SendMessageA(source.Handle(), LVM_GETSELECTEDCOUNT, 0, 0), 0);
    EXPECT_EQ(dialog_->GetActiveList(), CZELMaintenanceDlg::ActiveList::kTarget);
    for (int id : kOperationButtons) EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(CommandsTest, MoveBackNeedsAFileSystemFolderInTheTree) {
    // Frames in the target list, and the tree on a virtual folder.
    WriteFrame(dir_.Path(), "CARD1", "Card");
    app_->SetLayoutAdditionTo(kTargetMemoryCard);
    app_->SetMemoryCardDrive("M:\\");
    testing_support::MakeDirs("M:\\VOZEL");
    WriteFrame("M:\\VOZEL", "ONCARD", "On card");
    Open();
    CFolderTreeCtrl& tree = dialog_->Tree();
    HTREEITEM root = tree.GetRootItem();
    tree.Expand(root, TVE_EXPAND);
    HTREEITEM computer = nullptr;
    for (HTREEITEM child = tree.GetChildItem(root); child; child = tree.GetNextSiblingItem(child))
        if (testing_support::TreeItemPath(tree, child).empty()) computer = child;
    ASSERT_NE(computer, nullptr);
    tree.SelectItem(computer);
    Pump();
    EXPECT_EQ(dialog_->SourceList().GetItemCount(), 0);
    EXPECT_FALSE(Enabled(IDC_BTN_NEW_FOLDER));

    CListCtrlZEL& target = dialog_->TargetList();
    ASSERT_GE(target.GetItemCount(), 1);
    Focus(target);
    Select(target, {0});
    EXPECT_FALSE(Enabled(IDC_BTN_MOVE_BACK));
    EXPECT_TRUE(Enabled(IDC_BTN_COPY));
    EXPECT_TRUE(Enabled(IDC_BTN_DELETE));
    EXPECT_TRUE(Enabled(IDC_BTN_RENAME));
    EXPECT_FALSE(Enabled(IDC_BTN_ADD));

    ASSERT_TRUE(SelectTreePath(tree, dir_.Path()));
    Pump();
    EXPECT_TRUE(Enabled(IDC_BTN_NEW_FOLDER));
    testing_support::RemoveTree("M:\\VOZEL");
}

TEST_F(CommandsTest, MenuCheckMarksAndTheMemoryCardItem) {
    OpenOnFrames();
    OpenMenu(3);
    EXPECT_FALSE(MenuChecked(ID_SORT_TITLE));
    EXPECT_TRUE(MenuChecked(ID_SORT_PAPER));  // the first-run default
    Command(ID_SORT_TITLE);
    OpenMenu(3);
    EXPECT_TRUE(MenuChecked(ID_SORT_TITLE));
    EXPECT_FALSE(MenuChecked(ID_SORT_PAPER));
    EXPECT_EQ(app_->GetSortMode(), 0);
    EXPECT_EQ(dialog_->SourceList().GetItemFileName(0), "ALPHA.USD");

    OpenMenu(4);
    EXPECT_TRUE(MenuChecked(ID_TARGET_LUMADEX));
    EXPECT_FALSE(MenuChecked(ID_TARGET_MEMCARD));
    EXPECT_TRUE(MenuEnabled(ID_TARGET_MEMCARD));
    // Items with a handler stay enabled.
    OpenMenu(0);
    EXPECT_TRUE(MenuEnabled(ID_FILE_CLOSE));

    // Without the feature flag the memory card cannot be chosen.
    TempDir langDir;
    testing_support::WriteFile(langDir / "lang.INI", "[STRING]\r\nTITLE_APP=x\r\n");
    app_->SetLanguageFile(langDir / "lang.INI");
    OpenMenu(4);
    EXPECT_FALSE(MenuEnabled(ID_TARGET_MEMCARD));
}

TEST_F(CommandsTest, SwitchingToAMemoryCardAndBack) {
    OpenOnFrames();
    // A filter of the old target goes with it; the new one shows all its frames.
    ::SetWindowTextA(dialog_->Item(IDC_FILTER_TARGET), "no such frame");
    // The wizard: Next, then the removable drive M: of the test prefix.
    ModalDriver driver({[](HWND wizard) {
        ClickButton(wizard, IDOK);
        HWND combo = testing_support::FindControl(wizard, IDC_DRIVE_LIST);
        const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            ::SendMessageA(combo, CB_SETCURSEL, i, 0);
            ::SendMessageA(::GetParent(combo), WM_COMMAND, MAKEWPARAM(IDC_DRIVE_LIST, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(combo));
            auto* data = reinterpret_cast<const DriveItemData*>(::SendMessageA(combo, CB_GETITEMDATA, i, 0));
            if (data && data != reinterpret_cast<const DriveItemData*>(CB_ERR) && data->root == "M:\\") break;
        }
        ClickButton(wizard, IDOK);
    }});
    Command(ID_TARGET_MEMCARD);
    ASSERT_EQ(app_->GetLayoutAdditionTo(), kTargetMemoryCard);
    EXPECT_EQ(app_->GetMemoryCardDrive(), "M:\\");
    EXPECT_EQ(dialog_->TargetList().GetFolder(), "M:\\VOZEL");
    EXPECT_EQ(dialog_->ItemText(IDC_FILTER_TARGET), "");
    EXPECT_FALSE(dialog_->TargetList().IsFiltered());
    EXPECT_NE(dialog_->ItemText(IDC_TITLE_TARGET).find("0 of 100 frames, "), std::string::npos);
    EXPECT_TRUE(::IsWindowVisible(dialog_->Item(IDC_BTN_SELECT_CARD)));
    {
        RECT title{}, button{};
        ::GetWindowRect(dialog_->Item(IDC_TITLE_TARGET), &title);
        ::GetWindowRect(dialog_->Item(IDC_BTN_SELECT_CARD), &button);
        EXPECT_LE(title.right, button.left) << "the title keeps clear of the button";
    }
    OpenMenu(4);
    EXPECT_FALSE(MenuChecked(ID_TARGET_LUMADEX));
    EXPECT_TRUE(MenuChecked(ID_TARGET_MEMCARD));

    Command(ID_TARGET_LUMADEX);
    EXPECT_EQ(app_->GetLayoutAdditionTo(), kTargetLumadexFolder);
    EXPECT_TRUE(win::EqualsNoCase(dialog_->TargetList().GetFolder(), app_->GetLumadexTargetFolder()));
    EXPECT_EQ(dialog_->ItemText(IDC_TITLE_TARGET),
              GetLangString("TITLE_ZELLIT2_LX") + " " +
                  ReportText("TITLE_TARGET_FRAMES", {std::to_string(dialog_->TargetList().GetItemCount())}));
    EXPECT_FALSE(::IsWindowVisible(dialog_->Item(IDC_BTN_SELECT_CARD)));
    // Without the button beside it the title has the list's whole width, so
    // the frame count is not cut off.
    auto width = [this](int id) {
        RECT r{};
        ::GetWindowRect(dialog_->Item(id), &r);
        return r.right - r.left;
    };
    EXPECT_EQ(width(IDC_TITLE_TARGET), width(IDC_LIST_TARGET));
    EXPECT_TRUE(boxes_.empty()) << Box(0);
}

TEST_F(CommandsTest, TheCompanionFolderIsRefusedAsTargetWhileTheTreeShowsIt) {
    testing_support::MakeDirs(CZELMaintenanceApp().GetLumadexTargetFolder());
    app_->SetLayoutAdditionTo(kTargetMemoryCard);
    app_->SetMemoryCardDrive("M:\\");
    Open();
    ASSERT_TRUE(SelectTreePath(dialog_->Tree(), app_->GetLumadexTargetFolder()));
    Pump();
    Command(ID_TARGET_LUMADEX);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, GetLangString("ERR_SELECT_SAME_TARGET"));
    EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_EQ(app_->GetLayoutAdditionTo(), kTargetMemoryCard);
}

TEST_F(CommandsTest, RefreshKeepsTheFolderAndReadsEveryFrameAgain) {
    for (const char* base : {"ALPHA", "BETA"}) {
        testing_support::MakeDirs(dir_ / base);
        WriteSolidJpeg(dir_ / base + "\\thumb.jpg", 40, 30, RGB(255, 0, 0));
    }
    OpenOnFrames();
    CListCtrlZEL& list = dialog_->SourceList();
    list.FinishThumbnails();
    const std::string alpha = dir_ / "ALPHA.USD", path = dir_ / "BETA.USD";
    ASSERT_NE(GetFrameInfo(path), nullptr);
    EXPECT_STREQ(GetFrameInfo(path)->title, "Beta");
    const int alphaImage = GetFrameInfo(alpha)->imageIndex;
    WriteFrame(dir_.Path(), "BETA", "Beta, edited");
    WriteSolidJpeg(dir_ / "BETA\\thumb.jpg", 48, 30, RGB(0, 0, 255));
    EXPECT_STREQ(GetFrameInfo(path)->title, "Beta");  // cached until refreshed

    MSG f5 = {list.Handle(), WM_KEYDOWN, VK_F5, 0, 0, {0, 0}};
    ASSERT_TRUE(dialog_->PreTranslateMessage(&f5));
    // An unchanged picture is kept as it was; the changed one is made again.
    EXPECT_EQ(GetFrameInfo(alpha)->imageIndex, alphaImage);
    EXPECT_FALSE(IsThumbnailPending(alpha));
    EXPECT_TRUE(IsThumbnailPending(path));
    EXPECT_TRUE(win::EqualsNoCase(dialog_->Tree().GetSelectedPath(), dir_.Path()));
    EXPECT_EQ(list.GetItemCount(), 3);
    ASSERT_NE(GetFrameInfo(path), nullptr);
    EXPECT_STREQ(GetFrameInfo(path)->title, "Beta, edited");
    EXPECT_FALSE(dialog_->IsRefreshing());

    // The new picture reaches the screen.
    const DWORD start = ::GetTickCount();
    while (list.HasPendingThumbnails() && ::GetTickCount() - start < 5000) {
        Pump();
        ::Sleep(5);
    }
    ::SetWindowPos(dialog_->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::RedrawWindow(list.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT row{};
    row.left = LVIR_BOUNDS;
    ASSERT_TRUE(::SendMessageA(list.Handle(), LVM_GETITEMRECT, FindItem(list, "BETA.USD"),
                               reinterpret_cast<LPARAM>(&row)));
    win::WindowDc dc(list.Handle());
    const COLORREF shown = ::GetPixel(dc.Get(), 32, row.top + 32);
    EXPECT_LT(GetRValue(shown), 60);
    EXPECT_GT(GetBValue(shown), 195);
}

TEST_F(CommandsTest, TheTargetFolderCannotBeBrowsedInAnyLetterCase) {
    // The card's folder spelled in lower case as the target, upper case in the tree.
    testing_support::MakeDirs("M:\\VOZEL");
    app_->SetLayoutAdditionTo(kTargetMemoryCard);
    app_->SetMemoryCardDrive("m:\\");
    OpenOnFrames();
    ASSERT_TRUE(SelectTreePath(dialog_->Tree(), "M:\\VOZEL"));
    Pump();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, GetLangString("ERR_SELECT_SAME_FOLDER"));
    EXPECT_EQ(dialog_->Tree().GetSelectedItem(), dialog_->Tree().GetRootItem());

    // After switching the target the card folder is an ordinary folder and
    // the companion's folder is refused instead.
    Command(ID_TARGET_LUMADEX);
    boxes_.clear();
    ASSERT_TRUE(SelectTreePath(dialog_->Tree(), "M:\\VOZEL"));
    Pump();
    EXPECT_TRUE(boxes_.empty()) << Box(0);
    EXPECT_TRUE(win::EqualsNoCase(dialog_->SourceList().GetFolder(), "M:\\VOZEL"));
    testing_support::MakeDirs(app_->GetLumadexTargetFolder());
    ASSERT_TRUE(SelectTreePath(dialog_->Tree(), app_->GetLumadexTargetFolder()));
    Pump();
    EXPECT_EQ(Box(0), GetLangString("ERR_SELECT_SAME_FOLDER"));
    testing_support::RemoveTree("M:\\VOZEL");
}

TEST_F(CommandsTest, TheCompanionConfigurationFolderIsNeverASource) {
    const std::string config = dir_ / "Lux\\Config\\ZEL";
    testing_support::MakeDirs(config);
    WriteRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZORVA\\ZORVA LUMADEX3.0", "PATH", dir_ / "Lux\\lux.exe");
    OpenOnFrames();
    ASSERT_TRUE(SelectTreePath(dialog_->Tree(), config));
    Pump();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, GetLangString("ERR_NOT_USE_FOLDER"));
    EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_EQ(dialog_->Tree().GetSelectedItem(), dialog_->Tree().GetRootItem());
}

// A click on a column's heading, as the header control gets it, sorts both
// lists by that column; a second click the other way round. The arrow, the
// Sort menu and the stored settings follow.
TEST_F(CommandsTest, AHeadingClickSortsByItsColumnAndASecondClickTheOtherWayRound) {
    OpenOnFrames();
    CListCtrlZEL& source = dialog_->SourceList();
    HWND header = reinterpret_cast<HWND>(::SendMessageA(source.Handle(), LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    auto clickHeading = [&](int column) {
        RECT box{};
        ::SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&box));
        const LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        ::SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(header, WM_LBUTTONUP, 0, at);
        Pump();
    };
    auto arrows = [](const CListCtrlZEL& list) {
        HWND h = reinterpret_cast<HWND>(::SendMessageA(list.Handle(), LVM_GETHEADER, 0, 0));
        std::string shown;
        for (int i = 0; i < 4; ++i) {
            HDITEMA item{};
            item.mask = HDI_FORMAT;
            ::SendMessageA(h, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            shown += (item.fmt & HDF_SORTUP) ? '^' : (item.fmt & HDF_SORTDOWN) ? 'v' : '-';
        }
        return shown;
    };
    auto names = [&] {
        std::string all;
        for (int i = 0; i < source.GetItemCount(); ++i) all += source.GetItemFileName(i) + " ";
        return all;
    };
    EXPECT_EQ(arrows(source), "--^-");  // by paper, the first-run default

    clickHeading(1);
    EXPECT_EQ(app_->GetSortMode(), CListCtrlZEL::kSortByTitle);
    EXPECT_FALSE(app_->GetSortDescending());
    EXPECT_EQ(names(), "ALPHA.USD BETA.USD GAMMA.USD ");
    EXPECT_EQ(arrows(source), "-^--");
    EXPECT_EQ(arrows(dialog_->TargetList()), "-^--");
    clickHeading(1);
    EXPECT_TRUE(app_->GetSortDescending());
    EXPECT_EQ(names(), "GAMMA.USD BETA.USD ALPHA.USD ");
    EXPECT_EQ(arrows(source), "-v--");
    EXPECT_EQ(arrows(dialog_->TargetList()), "-v--");
    OpenMenu(3);
    EXPECT_TRUE(MenuChecked(ID_SORT_TITLE));
    EXPECT_TRUE(MenuChecked(ID_SORT_DESCENDING));
    EXPECT_FALSE(MenuChecked(ID_SORT_ASCENDING));
    // The thumbnail column has no key; another column starts A to Z.
    clickHeading(0);
    EXPECT_EQ(arrows(source), "-v--");
    clickHeading(2);
    EXPECT_EQ(app_->GetSortMode(), CListCtrlZEL::kSortByPaper);
    EXPECT_FALSE(app_->GetSortDescending());
    EXPECT_EQ(arrows(source), "--^-");
    // Ties keep the file names' order whichever way the key runs.
    Command(ID_SORT_DESCENDING);
    EXPECT_EQ(names(), "ALPHA.USD BETA.USD GAMMA.USD ");
    EXPECT_EQ(arrows(source), "--v-");

    // By date modified: a wide list shows the date's column, whose heading
    // sorts the oldest first.
    const char* const byAge[] = {"BETA", "GAMMA", "ALPHA"};  // oldest first
    for (int i = 0; i < 3; ++i) {
        SYSTEMTIME time{2024, 5, 0, static_cast<WORD>(10 + i), 12, 0, 0, 0};
        FILETIME written{};
        ::SystemTimeToFileTime(&time, &written);
        win::FileHandle file(::CreateFileA((dir_.Path() + "\\" + byAge[i] + ".USD").c_str(),
                                           FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &written));
    }
    Command(ID_VIEW_REFRESH);
    ::ShowWindow(dialog_->Handle(), SW_MAXIMIZE);
    Pump();
    ASSERT_GT(::SendMessageA(source.Handle(), LVM_GETCOLUMNWIDTH, 3, 0), 0);
    clickHeading(3);
    EXPECT_EQ(app_->GetSortMode(), CListCtrlZEL::kSortByDate);
    EXPECT_FALSE(app_->GetSortDescending());
    EXPECT_EQ(names(), "BETA.USD GAMMA.USD ALPHA.USD ");
    EXPECT_EQ(arrows(source), "---^");
    OpenMenu(3);
    EXPECT_TRUE(MenuChecked(ID_SORT_DATE));
    EXPECT_FALSE(MenuChecked(ID_SORT_PAPER));
    clickHeading(3);
    EXPECT_EQ(names(), "ALPHA.USD GAMMA.USD BETA.USD ");
    EXPECT_EQ(arrows(source), "---v");
    app_->SaveSettings();
    CZELMaintenanceApp stored;
    stored.LoadSettings();
    EXPECT_EQ(stored.GetSortMode(), CListCtrlZEL::kSortByDate);
    EXPECT_TRUE(stored.GetSortDescending());
}
