// Not checks: hold the main window open over a demo folder for screenshots of
// the display (--gtest_also_run_disabled_tests). The folder comes from
// make_demo_library.exe; without it the tests are skipped.
#include <windows.h>

#include <cstdio>

#include "OperationsFixture.h"
#include "resource.h"

namespace {

constexpr char kDemoFolder[] = "C:\\users\\Public\\Documents\\Frames\\Birthday";

void HoldFor(DWORD ms) {
    std::printf("holding\n");
    std::fflush(stdout);
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        testing_support::PumpMessages();
        ::Sleep(20);
    }
}

using OperationsScreenshot = OperationsFixture;

}  // namespace

TEST_F(OperationsScreenshot, DISABLED_HoldsTheWindowAfterAnAddToTheCard) {
    if (!testing_support::Exists(kDemoFolder)) GTEST_SKIP() << kDemoFolder;
    UseLanguageOfCodePage();
    UseMemoryCard();
    OpenOn(kDemoFolder);
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0, 2, 3});
    Command(IDC_BTN_ADD);
    Focus(dialog_->TargetList());
    Select(dialog_->TargetList(), {1});
    HoldFor(8000);
}

TEST_F(OperationsScreenshot, DISABLED_HoldsTheNameDialogOpen) {
    if (!testing_support::Exists(kDemoFolder)) GTEST_SKIP() << kDemoFolder;
    OpenOn(kDemoFolder);
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {1});
    testing_support::ModalDriver driver({[](HWND dlg) {
                                            ::SetWindowTextA(::GetDlgItem(dlg, IDC_NAME_EDIT), "ROSE");
                                            HoldFor(8000);
                                            testing_support::ClickButton(dlg, IDCANCEL);
                                        }},
                                        15000);
    Command(IDC_BTN_RENAME);
}

TEST_F(OperationsScreenshot, DISABLED_HoldsTheProgressWindowOfAnAdd) {
    if (!testing_support::Exists(kDemoFolder)) GTEST_SKIP() << kDemoFolder;
    UseMemoryCard();
    OpenOn(kDemoFolder);
    dialog_->SetProgressDelay(0);
    Focus(dialog_->SourceList());
    Command(ID_EDIT_SELECT_ALL);
    bool held = false;
    WhileRunning watch([&] {
        HWND progress = FindProgressWindow();
        if (!progress || held) return;
        held = true;
        HoldFor(8000);
        testing_support::ClickButton(progress, IDCANCEL);
    });
    Command(IDC_BTN_ADD);
}

TEST_F(OperationsScreenshot, DISABLED_HoldsTheReplaceDialogOpen) {
    if (!testing_support::Exists(kDemoFolder)) GTEST_SKIP() << kDemoFolder;
    UseMemoryCard();
    OpenOn(kDemoFolder);
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0, 1, 2});
    Command(IDC_BTN_COPY);
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0, 1, 2, 3});
    testing_support::ModalDriver driver({[](HWND dlg) {
                                            HoldFor(8000);
                                            testing_support::ClickButton(dlg, IDCANCEL);
                                        }},
                                        15000);
    Command(IDC_BTN_COPY);
}

// The card as the target with both lists at their narrowest: the tree's gap
// dragged as far right as it goes.
TEST_F(OperationsScreenshot, DISABLED_HoldsTheNarrowestPanesWithTheCard) {
    if (!testing_support::Exists(kDemoFolder)) GTEST_SKIP() << kDemoFolder;
    UseLanguageOfCodePage();
    UseMemoryCard();
    OpenOn(kDemoFolder);
    Drag(TreeGap(), 1000);
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {1});
    HoldFor(8000);
}

TEST_F(OperationsScreenshot, DISABLED_HoldsAFilteredList) {
    if (!testing_support::Exists(kDemoFolder)) GTEST_SKIP() << kDemoFolder;
    OpenOn(kDemoFolder);
    HWND box = dialog_->Item(IDC_FILTER_SOURCE);
    ::SetFocus(box);
    for (const char c : std::string("flo")) ::SendMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
    HoldFor(8000);
}
