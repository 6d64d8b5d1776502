// The real main window, created in process on the test display, with the
// program's registry keys put back after each test and message boxes
// answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "RegistrySnapshot.h"
#include "app/App.h"
#include "ui/MainDlg.h"

struct ShownBox {
    std::string text;
    UINT flags;
};

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates and shows the window (settings as the app holds them).
    CZELMaintenanceDlg& Open();
    void Close();
    static void Pump();
    RECT ChildRect(int id) const;
    bool Enabled(int id) const { return ::IsWindowEnabled(dialog_->Item(id)) != FALSE; }

    // Gives a list the focus as a click would, and selects items in it.
    void Focus(CListCtrlZEL& list);
    void Select(CListCtrlZEL& list, std::initializer_list<int> items);
    void Command(int id);
    // A press on the window at from, a move dx to the side and a release,
    // as a drag of a gap between panes; and where the tree's gap is.
    void Drag(POINT from, int dx);
    POINT TreeGap() const;
    // Index of the item whose file name is name; -1 when not listed.
    static int FindItem(const CListCtrlZEL& list, const std::string& name);

    // Answers for the next message boxes (IDOK once they run out).
    void Answer(std::initializer_list<int> answers) { answers_.insert(answers_.end(), answers); }

    std::unique_ptr<RegistrySnapshot> userKey_;
    std::unique_ptr<RegistrySnapshot> machineKey_;
    std::unique_ptr<CZELMaintenanceApp> app_;
    std::unique_ptr<CZELMaintenanceDlg> dialog_;
    std::vector<ShownBox> boxes_;
    std::deque<int> answers_;
};

// A frame on disk: <folder>\<base>.USD with a header and a companion folder
// holding a picture and a nested folder.
std::string WriteFrame(const std::string& folder, const std::string& base, const std::string& title,
                       const std::string& paper = "A4");
