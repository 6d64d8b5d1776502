// While a transfer runs it pumps messages; the window must not start a
// second operation from one of them.
#include "MainWindowFixture.h"
#include "TestFiles.h"
#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "resource.h"

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

    // The replace question comes from inside the transfer: the user presses
    // Delete, Refresh and Rename meanwhile, then cancels the replace.
    std::vector<std::string> texts;
    SetMessageBoxResponder([&](const std::string& text, UINT) {
        texts.push_back(text);
        if (texts.size() == 1) {
            for (int id : {IDC_BTN_DELETE, ID_VIEW_REFRESH, IDC_BTN_RENAME, IDC_BTN_ADD})
                ::SendMessageA(dlg.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        }
        return IDCANCEL;
    });
    Command(IDC_BTN_ADD);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("Rose on the card"), std::string::npos) << texts[0];
    EXPECT_TRUE(testing_support::Exists(dir / "ROSE.USD"));
    EXPECT_EQ(testing_support::ReadFile("M:\\VOZEL\\ROSE.USD").find("Rose here"), std::string::npos);
    testing_support::RemoveTree("M:\\VOZEL");
}
