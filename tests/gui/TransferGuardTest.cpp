// While a transfer runs it pumps messages; the window must not start a
// second operation from one of them, and shows every such command disabled.
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "TestFiles.h"
#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "resource.h"
#include "win/Strings.h"

using testing_support::TempDir;

TEST_F(MainWindowFixture, NoOtherOperationStartsWhileATransferRuns) {
    TempDir dir;
    WriteFrame(dir.Path(), "ROSE", "Rose here");
    testing_support::MakeDirs("M:\\VOZEL");
    WriteFrame("M:\\VOZEL", "ROSE", "Rose on the card");
    app_->SetLayoutAdditionTo(kTargetMemoryCard);
    app_->SetMemoryCardDrive("M:\\");
    ASSERT_TRUE(CFolderTreeCtrl::StoreCurrentFolderPath(CZELMaintenanceApp::SettingsKeyPath(), dir.Path()));
    CZELMaintenanceDlg& dlg = Open();
    Focus(dlg.SourceList());
    Select(dlg.SourceList(), {0});

    // The replace question comes from inside the transfer: the commands are
    // disabled; the user presses Delete, Refresh and Rename anyway, then
    // cancels the replace.
    std::string question;
    std::vector<int> enabled;
    testing_support::ModalDriver driver({[&](HWND replace) {
        question = win::WindowText(::GetDlgItem(replace, IDC_REPLACE_QUESTION));
        for (int id : {IDC_BTN_ADD, IDC_BTN_COPY, IDC_BTN_DELETE, IDC_BTN_RENAME, IDC_BTN_NEW_FOLDER,
                       IDC_BTN_SELECT_CARD, IDC_FOLDER_TREE})
            if (Enabled(id)) enabled.push_back(id);
        for (int id : {IDC_BTN_DELETE, ID_VIEW_REFRESH, IDC_BTN_RENAME, IDC_BTN_ADD})
            ::SendMessageA(dlg.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        testing_support::ClickButton(replace, IDCANCEL);
    }});
    Command(IDC_BTN_ADD);
    EXPECT_EQ(driver.ActionsRun(), 1);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(enabled.empty()) << enabled.front();
    EXPECT_NE(question.find("Rose on the card"), std::string::npos) << question;
    EXPECT_TRUE(testing_support::Exists(dir / "ROSE.USD"));
    EXPECT_EQ(testing_support::ReadFile("M:\\VOZEL\\ROSE.USD").find("Rose here"), std::string::npos);
    // All back once it is over.
    Focus(dlg.SourceList());
    Select(dlg.SourceList(), {0});
    for (int id :
         {IDC_BTN_ADD, IDC_BTN_COPY, IDC_BTN_DELETE, IDC_BTN_RENAME, IDC_BTN_NEW_FOLDER, IDC_FOLDER_TREE})
        EXPECT_TRUE(Enabled(id)) << id;
    testing_support::RemoveTree("M:\\VOZEL");
}
