// The drive list on the wizard's second page. Wine's prefix has only C: and
// Z:, and drive types change only with a server restart, so the cases that
// need other types give the list a drive-type function; the real query is
// checked against the real prefix.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>

#include "ModalDriver.h"
#include "choosers/MemoryCardWizard.h"
#include "resource.h"

using testing_support::ClickButton;

namespace {

using DriveTypes = std::map<char, UINT>;

DriveTypeFunction FakeDrives(const DriveTypes* types) {
    return [types](const std::string& root) {
        auto it = types->find(root[0]);
        return it == types->end() ? static_cast<UINT>(DRIVE_NO_ROOT_DIR) : it->second;
    };
}

std::vector<std::string> ListedRoots(const CDriveComboBox& list) {
    std::vector<std::string> roots;
    const int count = list.GetCount();
    for (int i = 0; i < count; ++i) {
        const LRESULT data = ::SendMessageA(list.Handle(), CB_GETITEMDATA, i, 0);
        roots.push_back(data && data != CB_ERR ? reinterpret_cast<const DriveItemData*>(data)->root : "?");
    }
    return roots;
}

// A wizard created in process and moved to its second page.
class DriveListTest : public ::testing::Test {
protected:
    void Open(const DriveTypes& types) {
        types_ = types;
        wizard_.SetDriveTypeFunction(FakeDrives(&types_));
        ASSERT_TRUE(wizard_.Create(nullptr));
        ::ShowWindow(wizard_.Handle(), SW_SHOW);
        ASSERT_TRUE(ClickButton(wizard_.Handle(), IDOK));
        ASSERT_TRUE(wizard_.Page2().Handle());
    }
    CDriveComboBox& List() { return wizard_.Page2().DriveList(); }
    HWND Page() { return wizard_.Page2().Handle(); }
    void Select(int index) {
        ::SendMessageA(List().Handle(), CB_SETCURSEL, index, 0);
        ::SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(IDC_DRIVE_LIST, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(List().Handle()));
    }
    void Rescan(const DriveTypes& types) {
        types_ = types;
        ASSERT_TRUE(ClickButton(Page(), IDC_BTN_RESCAN));
    }
    bool ListEnabled() { return ::IsWindowEnabled(List().Handle()) != FALSE; }
    bool GoEnabled() { return ::IsWindowEnabled(wizard_.Item(IDOK)) != FALSE; }

    DriveTypes types_;
    CMemoryCardWizard wizard_{nullptr};
};

}  // namespace

TEST(DriveEnumeration, KeepsOnlyRemovableAndFixedDrivesFromC) {
    const DriveTypes types = {{'A', DRIVE_REMOVABLE}, {'B', DRIVE_REMOVABLE}, {'C', DRIVE_FIXED},
                              {'D', DRIVE_CDROM},     {'E', DRIVE_REMOVABLE}, {'F', DRIVE_REMOTE},
                              {'G', DRIVE_RAMDISK},   {'H', DRIVE_UNKNOWN},   {'Z', DRIVE_FIXED}};
    EXPECT_EQ(ListCardDriveRoots(FakeDrives(&types)), (std::vector<std::string>{"C:\\", "E:\\", "Z:\\"}));

    const DriveTypes noCards = {
        {'A', DRIVE_REMOVABLE}, {'B', DRIVE_REMOVABLE}, {'D', DRIVE_CDROM}, {'N', DRIVE_REMOTE}};
    EXPECT_TRUE(ListCardDriveRoots(FakeDrives(&noCards)).empty());

    // The real query of this prefix: C: is its fixed system drive.
    const std::vector<std::string> real = ListCardDriveRoots(nullptr);
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real.front(), "C:\\");
    for (const std::string& root : real) {
        const UINT type = ::GetDriveTypeA(root.c_str());
        EXPECT_TRUE(type == DRIVE_REMOVABLE || type == DRIVE_FIXED) << root;
    }
}

TEST(DriveEnumeration, SelectionPrefersTheGivenDriveThenCThenTheFirst) {
    const std::vector<std::string> roots = {"D:\\", "E:\\", "C:\\", "e:\\"};
    EXPECT_EQ(ChooseDriveIndex(roots, "E:\\"), 3);  // case-insensitive, the last match wins
    EXPECT_EQ(ChooseDriveIndex(roots, "Q:\\"), 2);
    EXPECT_EQ(ChooseDriveIndex(roots, ""), 2);
    EXPECT_EQ(ChooseDriveIndex({"D:\\", "F:\\"}, "Q:\\"), 0);
    EXPECT_EQ(ChooseDriveIndex({}, "C:\\"), 0);
    // A root is a whole string: "E:" is not "E:\".
    EXPECT_EQ(ChooseDriveIndex(roots, "E:"), 2);
}

TEST_F(DriveListTest, FillsWithOneRecordAndTwoImagesPerDriveAndSelectsC) {
    Open({{'B', DRIVE_REMOVABLE}, {'C', DRIVE_FIXED}, {'E', DRIVE_REMOVABLE}, {'F', DRIVE_CDROM}});
    EXPECT_EQ(ListedRoots(List()), (std::vector<std::string>{"C:\\", "E:\\"}));
    EXPECT_EQ(::SendMessageA(List().Handle(), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(List().GetSelectedDrive(), "C:\\");
    EXPECT_EQ(::ImageList_GetImageCount(List().ImageList()), 4);
    IMAGEINFO info{};
    ASSERT_TRUE(::ImageList_GetImageInfo(List().ImageList(), 0, &info));
    EXPECT_EQ(info.rcImage.right - info.rcImage.left, List().ItemWidth());
    EXPECT_EQ(info.rcImage.bottom - info.rcImage.top, List().ItemHeight());
    EXPECT_TRUE(ListEnabled());
    EXPECT_TRUE(GoEnabled());

    // The heights were set after the creation-time WM_MEASUREITEM went unanswered.
    EXPECT_EQ(::SendMessageA(List().Handle(), CB_GETITEMHEIGHT, 0, 0), List().ItemHeight());
    // (The selection field reports its edge on top of the height it was given.)
    EXPECT_GE(::SendMessageA(List().Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0),
              List().ItemHeight());
    MEASUREITEMSTRUCT measure{ODT_COMBOBOX, IDC_DRIVE_LIST, 0, 0, 0, 0};
    ::SendMessageA(Page(), WM_MEASUREITEM, IDC_DRIVE_LIST, reinterpret_cast<LPARAM>(&measure));
    EXPECT_EQ(static_cast<int>(measure.itemHeight), List().ItemHeight());
    CDriveComboBox unbound;
    EXPECT_FALSE(unbound.MeasureItem(&measure));

    // Without C: the first entry is selected.
    wizard_.Destroy();
    CMemoryCardWizard other(nullptr);
    DriveTypes types = {{'E', DRIVE_REMOVABLE}, {'G', DRIVE_FIXED}};
    other.SetDriveTypeFunction(FakeDrives(&types));
    ASSERT_TRUE(other.Create(nullptr));
    ::ShowWindow(other.Handle(), SW_SHOW);
    ASSERT_TRUE(ClickButton(other.Handle(), IDOK));
    EXPECT_EQ(other.Page2().DriveList().GetSelectedDrive(), "E:\\");
}

TEST_F(DriveListTest, SelectionFollowsTheUserAndSurvivesARescanWhileTheDriveStays) {
    Open({{'C', DRIVE_FIXED}, {'E', DRIVE_REMOVABLE}, {'F', DRIVE_REMOVABLE}});
    Select(1);
    EXPECT_EQ(List().GetSelectedDrive(), "E:\\");

    Rescan({{'C', DRIVE_FIXED}, {'D', DRIVE_REMOVABLE}, {'E', DRIVE_REMOVABLE}});
    EXPECT_EQ(ListedRoots(List()), (std::vector<std::string>{"C:\\", "D:\\", "E:\\"}));
    EXPECT_EQ(::SendMessageA(List().Handle(), CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(List().GetSelectedDrive(), "E:\\");
    EXPECT_EQ(::ImageList_GetImageCount(List().ImageList()), 6);  // the old images went

    // The card went away: back to C:, and to the first entry without C:.
    Rescan({{'C', DRIVE_FIXED}, {'D', DRIVE_REMOVABLE}});
    EXPECT_EQ(List().GetSelectedDrive(), "C:\\");
    Rescan({{'D', DRIVE_REMOVABLE}, {'K', DRIVE_FIXED}});
    EXPECT_EQ(List().GetSelectedDrive(), "D:\\");
}

TEST_F(DriveListTest, NoDriveGivesAnEmptyDisabledListUntilARescanFindsOne) {
    Open({{'A', DRIVE_REMOVABLE}, {'D', DRIVE_CDROM}, {'N', DRIVE_REMOTE}});
    EXPECT_EQ(List().GetCount(), 0);
    EXPECT_EQ(List().GetSelectedDrive(), "");
    EXPECT_EQ(::SendMessageA(List().Handle(), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_FALSE(ListEnabled());
    EXPECT_FALSE(GoEnabled());

    Rescan({{'E', DRIVE_REMOVABLE}});
    EXPECT_TRUE(ListEnabled());
    EXPECT_TRUE(GoEnabled());
    EXPECT_EQ(List().GetSelectedDrive(), "E:\\");

    Rescan({});
    EXPECT_FALSE(ListEnabled());
    EXPECT_FALSE(GoEnabled());
}

TEST_F(DriveListTest, AnEntryIsDrawnHighlightedExactlyWhenSelected) {
    Open({{'C', DRIVE_FIXED}, {'E', DRIVE_REMOVABLE}});
    const int width = List().ItemWidth();
    const int height = List().ItemHeight();
    ASSERT_GT(width, 40);
    ASSERT_GT(height, 4);

    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    win::Bitmap surface(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    win::MemoryDc dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(surface && dc);
    win::SelectObjectScope select(dc.Get(), surface.Get());

    auto draw = [&](int item, UINT state) {
        RECT all{0, 0, width, height};
        ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        DRAWITEMSTRUCT request{ODT_COMBOBOX,
                               IDC_DRIVE_LIST,
                               static_cast<UINT>(item),
                               ODA_DRAWENTIRE,
                               state,
                               List().Handle(),
                               dc.Get(),
                               all,
                               0};
        ::SendMessageA(Page(), WM_DRAWITEM, IDC_DRIVE_LIST, reinterpret_cast<LPARAM>(&request));
        ::GdiFlush();
    };
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    ASSERT_NE(window, highlight);

    draw(1, 0);
    EXPECT_EQ(::GetPixel(dc.Get(), 2, 2), window);
    EXPECT_EQ(::GetPixel(dc.Get(), width - 2, height - 2), window);
    draw(1, ODS_FOCUS);
    EXPECT_EQ(::GetPixel(dc.Get(), 2, 2), window);
    draw(1, ODS_SELECTED);
    EXPECT_EQ(::GetPixel(dc.Get(), 2, 2), highlight);
    EXPECT_EQ(::GetPixel(dc.Get(), width - 2, height - 2), highlight);
    draw(1, ODS_SELECTED | ODS_FOCUS);
    EXPECT_EQ(::GetPixel(dc.Get(), 2, 2), highlight);

    // The root is written in the label area (some pixel is not background).
    draw(1, 0);
    int inked = 0;
    for (int x = 8; x < 8 + 20 && x < width; ++x)
        for (int y = 0; y < height; ++y) inked += ::GetPixel(dc.Get(), x, y) != window;
    EXPECT_GT(inked, 0);

    // The empty selection field is filled with the window colour.
    draw(-1, ODS_SELECTED);
    EXPECT_EQ(::GetPixel(dc.Get(), 2, 2), window);
}

TEST_F(DriveListTest, RecordsAndImagesGoWithTheWindowButTheChoiceStays) {
    Open({{'C', DRIVE_FIXED}, {'E', DRIVE_REMOVABLE}});
    Select(1);
    wizard_.Destroy();
    EXPECT_EQ(List().Handle(), nullptr);
    EXPECT_EQ(List().ImageList(), nullptr);
    EXPECT_EQ(List().GetSelectedDrive(), "E:\\");
    EXPECT_EQ(wizard_.GetChosenDrive(), "E:\\");
}
