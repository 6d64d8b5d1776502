// The window a long operation shows while it runs: which operation, "frame
// n of N", the current frame's title and file name, a bar by bytes and
// Cancel. Modeless and owned by the main window; the operation keeps the
// messages flowing, so it paints and sees Cancel.
#pragma once

#include <string>

#include "ops/OperationReporter.h"
#include "win/Dialog.h"
#include "win/Handles.h"

class CProgressWindow : public win::Dialog {
public:
    CProgressWindow();

    // Creates and shows the window over owner with the operation's text.
    bool Open(HWND owner, const std::string& operation);
    void Show(const OperationProgress& progress, const std::string& title);
    // Cancel was pressed (or the window closed); the operation stops at its
    // next safe point.
    bool CancelRequested() const { return cancelRequested_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override {}
    void OnCancel() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CenterOverOwner(HWND owner);

    win::Font font_;
    bool cancelRequested_ = false;
    int shownFrame_ = -1;
    std::string shownTitle_;
};

// "Frame n of N" for the 0-based index of count.
std::string ProgressCountText(int frameIndex, int frameCount);
// Position of the bar (0..kProgressRange) for bytes done of total.
int ProgressBarPosition(ULONGLONG done, ULONGLONG total);
inline constexpr int kProgressRange = 1000;
