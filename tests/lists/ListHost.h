// A real main-window template on the test display holding the two frame
// lists (controls 1001 and 1004), forwarding to them what the main window
// forwards: row painting, row height and notifications.
#pragma once

#include <memory>
#include <string>

#include "frames/ListCtrlZEL.h"
#include "win/Dialog.h"

class ListHost : public win::Dialog {
public:
    ListHost();
    ~ListHost() override;

    // Attaches and initialises list n (0 or 1) on its control.
    CListCtrlZEL& Open(int n);
    // Destroys the list object; the control stays.
    void Close(int n) { lists_[n].reset(); }
    CListCtrlZEL& List(int n) { return *lists_[n]; }

    int sortMode = CListCtrlZEL::kSortByTitle;
    int itemChanges = 0;

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;

private:
    std::unique_ptr<CListCtrlZEL> lists_[2];
};

// Lets pending messages (painting, notifications) run.
void PumpMessages();

// Writes a frame file with the given header keys; returns its path.
std::string WriteFrame(const std::string& folder, const std::string& name, const std::string& title,
                       const std::string& paper = "", const std::string& margins = "");

// File names of a list's items, in list order.
std::string ItemNames(const CListCtrlZEL& list);
