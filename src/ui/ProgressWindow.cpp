#include "ui/ProgressWindow.h"

#include <commctrl.h>

#include <cstdlib>

#include "app/LangStrings.h"
#include "resource.h"
#include "win/FitText.h"
#include "win/FormatText.h"
#include "win/GuiFont.h"

std::string ProgressCountText(int frameIndex, int frameCount) {
    return win::FormatMessageText(GetLangString("MSG_PROGRESS_COUNT"),
                                  {std::to_string(frameIndex + 1), std::to_string(frameCount)});
}

int ProgressBarPosition(ULONGLONG done, ULONGLONG total) {
    if (total == 0) return 0;
    if (done >= total) return kProgressRange;
    // Scaled down first, so that even terabytes cannot overflow.
    const ULONGLONG scale = total / kProgressRange + 1;
    return static_cast<int>((done / scale) * kProgressRange / (total / scale));
}

CProgressWindow::CProgressWindow() : win::Dialog(IDD_PROGRESS) {}

bool CProgressWindow::Open(HWND owner, const std::string& operation) {
    if (!Create(owner)) return false;
    ::SetWindowTextA(Handle(), operation.c_str());
    SetItemText(IDC_PROGRESS_OPERATION, operation);
    win::FitControlsToText(Handle());
    CenterOverOwner(owner);
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    ::UpdateWindow(Handle());
    return true;
}

BOOL CProgressWindow::OnInitDialog() {
    const LOGFONTA logFont = win::DefaultGuiLogFont();
    font_ = win::MakeFont(logFont);
    const int height = 2 * std::abs(logFont.lfHeight);
    win::SetFontAndHeight(
        Handle(), font_.Get(), height,
        {IDC_PROGRESS_OPERATION, IDC_PROGRESS_COUNT, IDC_PROGRESS_TITLE, IDC_PROGRESS_FILE});
    win::SetFontOnItems(Handle(), font_.Get(), {IDCANCEL});
    SetItemText(IDCANCEL, GetLangString("BTN_CANCEL"));
    SetItemText(IDC_PROGRESS_COUNT, "");
    SetItemText(IDC_PROGRESS_TITLE, "");
    SetItemText(IDC_PROGRESS_FILE, "");
    ::SendMessageA(Item(IDC_PROGRESS_BAR), PBM_SETRANGE32, 0, kProgressRange);
    return TRUE;
}

void CProgressWindow::CenterOverOwner(HWND owner) {
    RECT ownerRect = {}, rect = {};
    if (!owner || !::GetWindowRect(owner, &ownerRect) || !::GetWindowRect(Handle(), &rect)) return;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const int x = ownerRect.left + ((ownerRect.right - ownerRect.left) - width) / 2;
    const int y = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - height) / 2;
    ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CProgressWindow::Show(const OperationProgress& progress, const std::string& title) {
    if (!Handle()) return;
    if (progress.frameIndex != shownFrame_ || title != shownTitle_) {
        shownFrame_ = progress.frameIndex;
        shownTitle_ = title;
        SetItemText(IDC_PROGRESS_COUNT, ProgressCountText(progress.frameIndex, progress.frameCount));
        SetItemText(IDC_PROGRESS_TITLE, title);
        SetItemText(IDC_PROGRESS_FILE, progress.frameName);
    }
    ::SendMessageA(Item(IDC_PROGRESS_BAR), PBM_SETPOS,
                   static_cast<WPARAM>(ProgressBarPosition(progress.bytesDone, progress.bytesTotal)), 0);
}

bool CProgressWindow::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return win::Dialog::OnCommand(id, code, control);
}

void CProgressWindow::OnCancel() {
    if (cancelRequested_) return;
    cancelRequested_ = true;
    ::EnableWindow(Item(IDCANCEL), FALSE);
    SetItemText(IDC_PROGRESS_COUNT, GetLangString("MSG_PROGRESS_STOPPING"));
    win::FitControlsToText(Handle());
}

INT_PTR CProgressWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        // Closing asks the operation to stop; the reporter destroys the window.
        OnCancel();
        return TRUE;
    }
    return win::Dialog::HandleMessage(msg, wParam, lParam);
}
