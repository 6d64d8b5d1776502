// A real main-window template on the test display holding the two frame
// lists (controls 1001 and 1004), forwarding to them what the main window
// forwards: row painting, row height and notifications.
#pragma once

#include <memory>
#include <string>

#include "Thumbnails.h"
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
    bool sortDescending = false;
    int itemChanges = 0;

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;

private:
    std::unique_ptr<CListCtrlZEL> lists_[2];
};

// Lets pending messages (painting, notifications) run.
void PumpMessages();
// Runs the message loop (timers included) until the list has every
// thumbnail; false after a few seconds without.
bool PumpUntilThumbnails(const CListCtrlZEL& list);
// Runs exactly one thumbnail slice of the list with a message waiting, so
// that it stops after its first picture.
void RunOneThumbnail(CListCtrlZEL& list);

// A JPEG of one colour at path (its folders are made).
void WriteSolidJpeg(const std::string& path, int width, int height, COLORREF colour);
// Every pixel of that image drawn on white, row by row; empty for no image.
std::string ThumbnailPixels(int imageIndex);

// Writes a frame file with the given header keys; returns its path. Its
// thumbnail is <folder>\<name without extension>\thumb.jpg.
std::string WriteFrame(const std::string& folder, const std::string& name, const std::string& title,
                       const std::string& paper = "", const std::string& margins = "");

// File names of a list's items, in the order the list view shows them.
std::string ItemNames(const CListCtrlZEL& list);
