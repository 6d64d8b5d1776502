// The replace question: the frame already at the destination and the one
// coming in, side by side (thumbnail, title, paper, size, last change), with
// Replace, Skip and Cancel, and "do the same for the remaining conflicts"
// when more follow.
#pragma once

#include <string>

#include "ops/OperationReporter.h"
#include "win/Dialog.h"
#include "win/Handles.h"

// What the dialog shows of one frame.
struct ReplaceSide {
    std::string title;
    std::string paper;
    ULONGLONG bytes = 0;    // the frame file and its companion folder
    FILETIME written = {};  // the frame file's last write; zero when unknown
    int imageIndex = -1;    // in the shared thumbnail list
};

// Reads what the dialog shows of the frame file at path.
ReplaceSide DescribeFrame(const std::string& path);
// The lines under a frame's thumbnail: title, paper, size and time.
std::string ReplaceSideText(const ReplaceSide& side);

class CReplaceDlg : public win::Dialog {
public:
    explicit CReplaceDlg(const ReplaceQuestion& question);

    // Runs the dialog; Cancel, Escape and closing all give CancelAll.
    ReplaceAnswer Ask(HWND owner);
    // The box "for the remaining conflicts" was ticked.
    bool ForAll() const { return forAll_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void End(ReplaceAnswer answer);
    void DrawThumbnail(const DRAWITEMSTRUCT& item) const;

    const ReplaceQuestion& question_;
    ReplaceSide existing_, incoming_;
    ReplaceAnswer answer_ = ReplaceAnswer::CancelAll;
    bool forAll_ = false;
    win::Font font_;
    win::Font boldFont_;
};
