// A memory card as people handle it, in the real main window: pulled out
// and put back (with the notifications Wine never sends, sent by the test),
// its capacity in the target's title, and its safe removal.
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shlobj.h>

#include "OperationsFixture.h"
#include "TreeSelect.h"
#include "app/LangStrings.h"
#include "ops/CardWrites.h"
#include "ops/OperationReporter.h"
#include "resource.h"
#include "win/Strings.h"

using testing_support::Exists;
using testing_support::ModalDriver;

namespace {

using Names = std::vector<std::string>;

// Puts the card back whatever the test did with it.
class CardTest : public OperationsFixture {
protected:
    void TearDown() override {
        if (pulled_) testing_support::PutCardBack('M');
        OperationsFixture::TearDown();
    }
    void Pull() {
        pulled_ = testing_support::PullCard('M');
        ASSERT_TRUE(pulled_);
    }
    void PutBack() {
        ASSERT_TRUE(testing_support::PutCardBack('M'));
        pulled_ = false;
    }
    // What the system sends every top-level window when a volume comes or goes.
    void SendVolumeEvent(WPARAM event) {
        DEV_BROADCAST_VOLUME volume = {};
        volume.dbcv_size = sizeof volume;
        volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
        volume.dbcv_unitmask = 1u << ('M' - 'A');
        ::SendMessageA(dialog_->Handle(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
        Pump();
    }
    std::string Title() const { return win::WindowText(dialog_->Item(IDC_TITLE_TARGET)); }
    // The title beside the card button may leave out the words before the state.
    bool TitleEndsWith(const std::string& state) const {
        const std::string& end = state;
        const std::string title = Title();
        return title.size() >= end.size() && title.compare(title.size() - end.size(), end.size(), end) == 0;
    }
    bool TitleCounts(int frames) const {
        const std::string title = Title();
        const std::string state = std::to_string(frames) + " of 100 frames, ";
        return (title.rfind(state, 0) == 0 || title.find(" " + state) != std::string::npos) &&
               title.compare(title.size() - 5, 5, " free") == 0;
    }
    bool MenuEnabled(UINT id) {
        HMENU target = ::GetSubMenu(::GetMenu(dialog_->Handle()), 4);
        ::SendMessageA(dialog_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(target), 4);
        return !(::GetMenuState(target, id, MF_BYCOMMAND) & MF_GRAYED);
    }
    // Paths under My Computer's node the tree holds now.
    std::vector<std::string> DriveNodes(HTREEITEM computer) const {
        std::vector<std::string> roots;
        CFolderTreeCtrl& tree = dialog_->Tree();
        for (HTREEITEM child = tree.GetChildItem(computer); child; child = tree.GetNextSiblingItem(child))
            roots.push_back(testing_support::TreeItemPath(tree, child));
        return roots;
    }
    static bool Has(const std::vector<std::string>& roots, const std::string& root) {
        for (const std::string& r : roots)
            if (win::EqualsNoCase(r, root)) return true;
        return false;
    }

    bool pulled_ = false;
};

}  // namespace

TEST_F(CardTest, APulledCardIsSaidAndEverythingComesBackWithIt) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    WriteFrame(dir_.Path(), "BETA", "Beta");
    testing_support::MakeDirs(kCardFolder);
    WriteFrame(kCardFolder, "KEEP", "Keep");
    UseMemoryCard();
    OpenOn(dir_.Path());
    const HTREEITEM drive = LoadNode("M:\\");
    ASSERT_NE(drive, nullptr);
    const HTREEITEM computer = dialog_->Tree().GetNextItem(drive, TVGN_PARENT);
    EXPECT_TRUE(TitleCounts(1)) << Title();
    EXPECT_TRUE(MenuEnabled(ID_TARGET_REMOVE_CARD));
    // Beside the card button the title keeps the drive and its state; the
    // language file's blank before the drive survives the reading.
    EXPECT_EQ(GetLangString("TITLE_ZELLIT2_MEMCART").back(), ' ');

    // Pulled without a word from the system: the add says what is wrong.
    Pull();
    Focus(dialog_->SourceList());
    SelectNames(dialog_->SourceList(), {"ALPHA.USD"});
    Command(IDC_BTN_ADD);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, GetLangString("ERR_CARD_NOT_PRESENT"));
    EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_EQ(ListNames(dialog_->SourceList()), (Names{"ALPHA.USD", "BETA.USD"}));

    // The removal notification: list 2 empties, the title says so, nothing
    // can be added or copied to the card, the tree drops the drive.
    SendVolumeEvent(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(dialog_->TargetList().GetItemCount(), 0);
    EXPECT_TRUE(TitleEndsWith(GetLangString("TITLE_CARD_NOT_PRESENT"))) << Title();
    SelectNames(dialog_->SourceList(), {"ALPHA.USD"});
    EXPECT_FALSE(Enabled(IDC_BTN_ADD));
    EXPECT_FALSE(Enabled(IDC_BTN_COPY));
    EXPECT_TRUE(Enabled(IDC_BTN_DELETE));  // the source's frames are still the user's to delete
    EXPECT_FALSE(MenuEnabled(ID_TARGET_REMOVE_CARD));
    EXPECT_FALSE(Has(DriveNodes(computer), "M:\\"));

    // The same card back: list, title, buttons and tree as before, and an add works.
    PutBack();
    SendVolumeEvent(DBT_DEVICEARRIVAL);
    EXPECT_EQ(ListNames(dialog_->TargetList()), Names{"KEEP.USD"});
    EXPECT_TRUE(TitleCounts(1)) << Title();
    EXPECT_TRUE(Has(DriveNodes(computer), "M:\\"));
    SelectNames(dialog_->SourceList(), {"ALPHA.USD"});
    EXPECT_TRUE(Enabled(IDC_BTN_ADD));
    Command(IDC_BTN_ADD);
    EXPECT_EQ(boxes_.size(), 1u) << BoxText(1);
    EXPECT_EQ(ListNames(dialog_->TargetList()), (Names{"ALPHA.USD", "KEEP.USD"}));
    EXPECT_TRUE(TitleCounts(2)) << Title();

    // A frame put on the card behind the program's back counts after F5.
    WriteFrame(kCardFolder, "LATE", "Late");
    Command(ID_VIEW_REFRESH);
    EXPECT_TRUE(TitleCounts(3)) << Title();
}

TEST_F(CardTest, ADriveAddedWhileTheWizardIsOpenIsListedAtOnce) {
    // The wizard lists M: only while the test says a card is in it.
    bool cardIn = false;
    Open();
    dialog_->SetCardDriveTypeFunction([&](const std::string& root) -> UINT {
        if (win::EqualsNoCase(root, "M:\\")) return cardIn ? DRIVE_REMOVABLE : DRIVE_NO_ROOT_DIR;
        return ::GetDriveTypeA(root.c_str());
    });
    int before = -1, after = -1;
    ModalDriver driver({[&](HWND wizard) {
        testing_support::ClickButton(wizard, IDOK);  // to the drive page
        HWND list = testing_support::FindControl(wizard, IDC_DRIVE_LIST);
        before = static_cast<int>(::SendMessageA(list, CB_GETCOUNT, 0, 0));
        cardIn = true;
        ::SHChangeNotify(SHCNE_DRIVEADD, SHCNF_PATHA | SHCNF_FLUSH, "M:\\", nullptr);
        Pump();
        after = static_cast<int>(::SendMessageA(list, CB_GETCOUNT, 0, 0));
        testing_support::ClickButton(wizard, IDCANCEL);
    }});
    Command(ID_TARGET_MEMCARD);
    EXPECT_EQ(after, before + 1);
    EXPECT_EQ(driver.LeftOpen(), 0);
}

TEST_F(CardTest, RemoveCardSafelyFlushesEveryWrittenFileThenEjectsOrSaysWhyNot) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    WriteFrame(dir_.Path(), "BETA", "Beta");
    OpenOn(dir_.Path());
    EXPECT_FALSE(MenuEnabled(ID_TARGET_REMOVE_CARD));  // the companion's folder is the target
    EXPECT_EQ(Title(),
              GetLangString("TITLE_ZELLIT2_LX") + " " +
                  ReportText("TITLE_TARGET_FRAMES", {std::to_string(dialog_->TargetList().GetItemCount())}));
    Close();
    UseMemoryCard();
    OpenOn(dir_.Path());
    Focus(dialog_->SourceList());
    SelectNames(dialog_->SourceList(), {"ALPHA.USD", "BETA.USD"});
    Command(IDC_BTN_COPY);
    ASSERT_EQ(boxes_.size(), 0u) << BoxText(0);
    const std::vector<std::string> written = CardFilesWritten("M:\\");
    // Each frame file and the picture in its folder.
    for (const char* file : {"ALPHA.USD", "BETA.USD", "ALPHA\\parts\\piece.bin", "BETA\\parts\\piece.bin"})
        EXPECT_NE(std::find(written.begin(), written.end(), std::string(kCardFolder) + "\\" + file),
                  written.end())
            << file;

    std::vector<std::string> calls;
    auto useCalls = [&](EjectStatus deviceAnswer, bool volumeAnswer) {
        calls.clear();
        CardEjectCalls seam = SystemCardEjectCalls();
        const auto flush = seam.flushFile;
        seam.flushFile = [&calls, flush](const std::string& path) {
            calls.push_back("flush " + path);
            return flush(path);
        };
        seam.findDevice = [&calls, deviceAnswer](const std::string& root) -> DWORD {
            calls.push_back("find " + root);
            return deviceAnswer == EjectStatus::Unavailable ? 0 : 42;
        };
        seam.requestEject = [&calls, deviceAnswer](DWORD device, std::string& vetoName) {
            calls.push_back("eject " + std::to_string(device));
            if (deviceAnswer == EjectStatus::Vetoed) vetoName = "PhotoViewer.exe";
            return deviceAnswer;
        };
        seam.ejectVolume = [&calls, volumeAnswer](const std::string& root) {
            calls.push_back("volume " + root);
            return volumeAnswer;
        };
        dialog_->SetCardEjectCalls(seam);
    };
    auto flushesThenEject = [&](const std::string& last) {
        Names expected;
        for (const std::string& file : written) expected.push_back("flush " + file);
        expected.push_back("find M:\\");
        expected.push_back(last);
        return expected;
    };

    // A program holding a file: named, nothing changed.
    useCalls(EjectStatus::Vetoed, true);
    Command(ID_TARGET_REMOVE_CARD);
    EXPECT_EQ(calls, flushesThenEject("eject 42"));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, ReportText("ERR_CARD_VETOED", {"PhotoViewer.exe"}));
    EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_EQ(ListNames(dialog_->TargetList()), (Names{"ALPHA.USD", "BETA.USD"}));

    // No device route: the volume's own calls, which fail here.
    useCalls(EjectStatus::Unavailable, false);
    Command(ID_TARGET_REMOVE_CARD);
    EXPECT_EQ(calls, flushesThenEject("volume M:\\"));
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[1].text, GetLangString("ERR_CARD_EJECT_FAILED"));

    // Wine's real calls cannot stop a card: a clear "could not", never a crash.
    dialog_->SetCardEjectCalls(SystemCardEjectCalls());
    Command(ID_TARGET_REMOVE_CARD);
    ASSERT_EQ(boxes_.size(), 3u);
    EXPECT_EQ(boxes_[2].text, GetLangString("ERR_CARD_EJECT_FAILED"));

    // A file that will not flush: said so, and the card is not touched.
    CardEjectCalls failing = SystemCardEjectCalls();
    failing.flushFile = [&calls](const std::string& path) {
        calls.push_back("flush " + path);
        return false;
    };
    failing.findDevice = [&calls](const std::string&) -> DWORD {
        calls.push_back("find");
        return 0;
    };
    dialog_->SetCardEjectCalls(failing);
    calls.clear();
    Command(ID_TARGET_REMOVE_CARD);
    EXPECT_EQ(calls, Names{"flush " + written.front()});
    ASSERT_EQ(boxes_.size(), 4u);
    EXPECT_EQ(boxes_[3].text, GetLangString("ERR_CARD_FLUSH_FAILED"));

    // Stopped: said so, and the next removal has nothing left to flush.
    useCalls(EjectStatus::Ejected, true);
    Command(ID_TARGET_REMOVE_CARD);
    EXPECT_EQ(calls, flushesThenEject("eject 42"));
    ASSERT_EQ(boxes_.size(), 5u);
    EXPECT_EQ(boxes_[4].text, GetLangString("MSG_CARD_REMOVABLE"));
    EXPECT_TRUE(CardFilesWritten("M:\\").empty());
}
