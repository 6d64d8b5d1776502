// A list view that remembers its colours and sizes. It wraps an existing
// control (subclassed, so that it sees its own messages) or creates one.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "win/Subclass.h"

class CListCtrlEx {
public:
    CListCtrlEx();
    virtual ~CListCtrlEx();
    CListCtrlEx(const CListCtrlEx&) = delete;
    CListCtrlEx& operator=(const CListCtrlEx&) = delete;

    // Wraps a list view of a dialog template. False when hwnd is no window
    // or this object already wraps one.
    bool Attach(HWND hwnd);
    // Removes the subclass; the window itself stays.
    void Detach();
    // Creates a report-style, owner-drawn list view of its own.
    bool Create(HWND parent, const RECT& rect, int id, DWORD style);

    HWND Handle() const { return hwnd_; }
    int GetItemCount() const;
    int GetColumnWidth(int column) const;

    bool FullRow() const { return fullRow_; }
    bool ClientWidthSel() const { return clientWidthSel_; }
    int ClientWidth() const { return clientWidth_; }
    int StateImageWidth() const { return stateImageWidth_; }
    COLORREF TextColor() const { return textColor_; }
    COLORREF TextBkColor() const { return textBkColor_; }
    COLORREF BkColor() const { return bkColor_; }

protected:
    // Messages of the control itself; the default passes them on.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    void Remember(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    win::Subclass subclass_;
    bool fullRow_ = false;
    bool clientWidthSel_ = true;
    int clientWidth_ = 0;
    int stateImageWidth_ = 0;
    COLORREF textColor_;
    COLORREF textBkColor_;
    COLORREF bkColor_;
};
