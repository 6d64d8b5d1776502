// Drives modal dialogs from inside their own message loops, as a user would.
//
//   testing_support::ModalDriver driver({[&](HWND dlg) {
//       SetWindowTextA(GetDlgItem(dlg, IDC_NAME_EDIT), "Folder");
//       testing_support::ClickButton(dlg, IDOK);
//   }});
//   EXPECT_EQ(dialog.DoModal(), IDOK);
//
// Each top-level dialog (class #32770 with a modal frame) created on this thread while the
// driver lives gets the next action, run from a timer once the dialog's loop
// runs (so WM_INITDIALOG is done). A dialog still open some time after its
// action is cancelled (IDCANCEL, then WM_CLOSE), so a test never hangs; that
// counts in LeftOpen(). Construct the driver just before the call that opens
// the dialog; one driver per thread at a time.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

class ModalDriver {
public:
    using Action = std::function<void(HWND dialog)>;

    explicit ModalDriver(std::vector<Action> actions, UINT watchdogMs = 5000);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    // Dialogs seen, in order of creation.
    const std::vector<HWND>& Dialogs() const { return dialogs_; }
    int ActionsRun() const { return actionsRun_; }
    int LeftOpen() const { return leftOpen_; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK ActionTimerProc(HWND, UINT, UINT_PTR id, DWORD);
    static void CALLBACK WatchdogTimerProc(HWND, UINT, UINT_PTR id, DWORD);
    void RunAction(size_t index);

    struct Pending {
        UINT_PTR timer;
        size_t index;  // into dialogs_ and actions_
        bool watchdog;
    };

    std::vector<Action> actions_;
    UINT watchdogMs_;
    HHOOK hook_ = nullptr;
    ModalDriver* previous_ = nullptr;
    std::vector<HWND> dialogs_;
    std::vector<Pending> pending_;
    int actionsRun_ = 0;
    int leftOpen_ = 0;
};

// Presses a button with BM_CLICK. Like a user, it cannot press a button that
// is disabled or hidden: false then (show a window made with Create() first).
bool ClickButton(HWND dialog, int id);
// Types text into a control with WM_CHAR, one byte at a time.
void TypeText(HWND control, const std::string& text);
// Posts a key press to a control, for the dialog's loop (IsDialogMessage).
void PostKeyPress(HWND control, UINT virtualKey);
// Dispatches everything waiting in this thread's queue.
void PumpMessages();
// The control with the given id anywhere below root (a page's control),
// preferring a visible one; null when there is none.
HWND FindControl(HWND root, int id);

}  // namespace testing_support
