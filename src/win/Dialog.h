// A dialog from a resource template, run modally or created as a child.
// One static dialog procedure stores `this` at WM_INITDIALOG and forwards
// every message to the virtual HandleMessage; derived classes override the
// handlers they need.
#pragma once

#include <windows.h>

#include <string>

namespace win {

class Dialog {
public:
    explicit Dialog(UINT templateId) : templateId_(templateId) {}
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog with its own message loop (so that PreTranslateMessage
    // sees every message); the owner is disabled meanwhile.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog window without running a loop (a child page, or a
    // window that a test drives in process). Null on failure.
    HWND Create(HWND parent);
    void Destroy();

    HWND Handle() const { return hwnd_; }
    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
    UINT TemplateId() const { return templateId_; }
    bool IsModalRunning() const { return modalRunning_; }
    // EndDialog was called (for a dialog made with Create, nothing closes it).
    bool HasEnded() const { return ended_; }
    void EndDialog(INT_PTR result);

    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text) const;

    // Offered every message of the modal loop before the dialog sees it;
    // true means it was handled.
    virtual bool PreTranslateMessage(MSG* msg);

protected:
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnInitDialog() { return TRUE; }
    // True when the command was handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    // True when handled; the result goes to DWLP_MSGRESULT.
    virtual bool OnNotify(NMHDR* header, LRESULT& result);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void OnDestroy() {}

    void SetMessageResult(LRESULT result) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HWND hwnd_ = nullptr;
    bool modalRunning_ = false;
    bool ended_ = false;
    INT_PTR result_ = IDCANCEL;
};

}  // namespace win
