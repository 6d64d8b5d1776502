// A frame list: the frame files of one folder as owner-drawn thumbnail rows
// (thumbnail; title over file name; paper label over margin label), sorted
// by the application's sort mode. All frame lists share the frame-info
// cache, which lives from the first list's Initialize to the last list's
// destruction.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "frames/FrameFile.h"
#include "frames/ListCtrlEx.h"

class CListCtrlZEL : public CListCtrlEx {
public:
    // Sort modes of the SortMode setting.
    static constexpr int kSortByTitle = 0;
    static constexpr int kSortByPaper = 1;

    static constexpr COLORREF kRowColor = RGB(200, 200, 220);
    static constexpr COLORREF kSelectedRowColor = RGB(51, 102, 153);

    CListCtrlZEL() = default;
    ~CListCtrlZEL() override;

    // Where the list reads the current sort mode (the application's
    // SortMode); without one it sorts by title.
    void SetSortModeSource(std::function<int()> sortMode) { sortMode_ = std::move(sortMode); }
    // Called for every LVN_ITEMCHANGED (the main window updates its buttons).
    void SetOnItemChanged(std::function<void()> onItemChanged) { onItemChanged_ = std::move(onItemChanged); }

    // Once, after Attach and after the dialog's font is set: columns, shared
    // state, image list, colours.
    void Initialize();
    // After the window's DPI changed and the shared thumbnails were made
    // again in the new cell size: column widths, image list, row height.
    void OnDpiChanged();
    void SetFolder(const std::string& path);
    void Refill();
    void Sort();
    // The folder without its trailing backslashes ("C:" for "C:\").
    std::string GetFolder() const;
    // The folder as set, ending with a backslash (empty while none is set).
    const std::string& Folder() const { return folder_; }

    // The full path of an item's frame file, as the folder scan found it.
    std::string GetItemPath(int index) const;
    // Name and extension of an item's frame file; empty when the file is gone.
    std::string GetItemFileName(int index) const;
    std::vector<int> GetSelectedItems() const;
    void SetAllSelected(bool selected);

    // Reflected from the parent. Each returns false for another control's
    // message. HandleParentMessage dispatches WM_DRAWITEM, WM_MEASUREITEM
    // and WM_NOTIFY; its result goes to DWLP_MSGRESULT for WM_NOTIFY.
    bool HandleParentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool DrawItem(const DRAWITEMSTRUCT& item);
    bool HandleNotify(NMHDR* header, LRESULT& result);
    // Makes owner-drawn rows tall enough for the thumbnail cells.
    bool MeasureItem(MEASUREITEMSTRUCT& measure) const;

    // Lists counted by Initialize and not yet destroyed.
    static int InstanceCount() { return instanceCount_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    int CurrentSortMode() const { return sortMode_ ? sortMode_() : kSortByTitle; }
    void InsertColumns();

    static int instanceCount_;

    std::string folder_;
    bool counted_ = false;
    std::function<int()> sortMode_;
    std::function<void()> onItemChanged_;
};

// Compares two frames the way the lists sort them: the key (title for mode
// 0, paper label for mode 1), then the file name, both with _mbsicmp. A null
// record has an empty key and name. Any other mode finds every pair equal,
// so the list keeps its order.
int CompareFrames(const FrameInfo* a, const FrameInfo* b, int sortMode);
