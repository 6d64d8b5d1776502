// A frame list: the frame files of one folder as owner-drawn thumbnail rows
// (thumbnail; title over file name; paper label over margin label), sorted
// by the application's sort mode. All frame lists share the frame-info
// cache, which lives from the first list's Initialize to the last list's
// destruction.
//
// The list view is a virtual one (LVS_OWNERDATA, as the main window's
// template creates it): the rows live here, the list view keeps their number
// and states and asks for the rest. A fill reads the headers only and shows
// the rows at once; the thumbnails
// follow on a timer of the list, rows in view first, in slices that stop as
// soon as input waits.
#pragma once

#include <functional>
#include <map>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

#include "frames/FrameFile.h"
#include "frames/ListCtrlEx.h"
#include "win/Handles.h"
#include "win/Names.h"

class CListCtrlZEL : public CListCtrlEx {
public:
    // Sort modes of the SortMode setting.
    static constexpr int kSortByTitle = 0;
    static constexpr int kSortByPaper = 1;
    // Stored apart (SortByDate), so that SortMode keeps its two values.
    static constexpr int kSortByDate = 2;

    static constexpr COLORREF kRowColor = RGB(200, 200, 220);
    static constexpr COLORREF kSelectedRowColor = RGB(51, 102, 153);
    // Timer id of the thumbnail slices, on the list's own window.
    static constexpr UINT_PTR kThumbnailTimer = 2550;

    CListCtrlZEL() = default;
    ~CListCtrlZEL() override;

    // The order of the rows: a sort mode of the SortMode setting, and the
    // direction of its key.
    struct SortOrder {
        int mode = kSortByTitle;
        bool descending = false;
    };
    // The column that shows a sort mode's key, or -1.
    static int SortColumn(int mode);
    // The sort mode of a column's key, or -1 for a column without one.
    static int SortModeOfColumn(int column);

    // Where the list reads the current order (the application's settings);
    // without one it sorts by title.
    void SetSortOrderSource(std::function<SortOrder()> order) { sortOrder_ = std::move(order); }
    // Shows the current order in the header: the sort arrow on its column.
    void ShowSortOrder();
    // Called for every LVN_ITEMCHANGED (the main window updates its buttons);
    // while the list fills or sorts itself, once at the end instead.
    void SetOnItemChanged(std::function<void()> onItemChanged) { onItemChanged_ = std::move(onItemChanged); }

    // Called with the folder before each fill lists it (the window puts
    // right there what a stopped operation left).
    void SetBeforeFill(std::function<void(const std::string& folder)> beforeFill) {
        beforeFill_ = std::move(beforeFill);
    }

    // Called when a fill's listing of the folder ended early: the rows shown
    // may lack frames.
    void SetOnListingFailed(std::function<void(const std::string& folder)> onListingFailed) {
        onListingFailed_ = std::move(onListingFailed);
    }

    // Once, after Attach and after the dialog's font is set: columns, shared
    // state, image list, colours.
    void Initialize();
    // The title and paper columns' widths set by hand, at 96 DPI; 0 for a
    // column that was not. The thumbnail and paper columns keep their
    // widths and the title column takes the rest of the list's width, unless
    // the user set it by hand.
    struct ColumnWidths {
        int title = 0, paper = 0, date = 0;
    };
    ColumnWidths ColumnsByHand() const { return {byHand_[1], byHand_[2], byHand_[3]}; }
    void SetColumnsByHand(const ColumnWidths& widths);
    // Called when the user set a column's width by hand.
    void SetOnColumnsResized(std::function<void()> onResized) { onColumnsResized_ = std::move(onResized); }
    // After the window's DPI changed and the shared thumbnails were made
    // again in the new cell size: column widths, image list, row height.
    void OnDpiChanged();
    void SetFolder(const std::string& path);
    void Refill();
    // After an operation that ended as planned: the frames at `gone` left
    // the folder and those at `arrived` came into it (full paths), and the
    // rows follow without the folder being read again. The others keep
    // their order, the new ones go where the sort puts them, and nothing is
    // selected, as after a fill.
    void Patch(const std::vector<std::string>& gone, const std::vector<std::string>& arrived);
    void Sort();
    // The folder without its trailing backslashes ("C:" for "C:\").
    std::string GetFolder() const;
    // The folder as set, ending with a backslash (empty while none is set).
    const std::string& Folder() const { return folder_; }

    // The quick filter: only the frames whose title or file name holds the
    // text are rows, without case or width counting. Fills, patches and
    // sorts keep it; an empty text shows every frame. The rows that stay
    // keep their selection.
    void SetFilter(const std::string& text);
    bool IsFiltered() const { return !filter_.empty(); }
    // Every frame of the folder, shown or not (GetItemCount counts the rows).
    size_t FrameCount() const { return allRows_.size(); }
    // The file names of every frame of the folder, shown or not.
    std::vector<std::string> FrameFileNames() const;

    // The full path of an item's frame file, as the folder scan found it.
    std::string GetItemPath(int index) const;
    // Name and extension of an item's frame file; empty when the file is gone.
    std::string GetItemFileName(int index) const;
    std::vector<int> GetSelectedItems() const;
    // A row whose file name the program cannot use: one with a character the
    // ANSI code page lacks, or a name Windows reserves for a device. It is
    // shown with a mark and its real name, and every operation refuses it.
    // False for any other row; else name is the real name and problem why.
    bool GetUnusableItem(int index, std::wstring& name, win::NameProblem& problem) const;
    void SetAllSelected(bool selected);

    // Whether some item still waits for its thumbnail.
    bool HasPendingThumbnails() const;
    // Makes every pending thumbnail of the list now (operations, tests).
    void FinishThumbnails();
    // Whether the list still makes thumbnails in the background: its rows
    // near the view, then each other row of the fill once (one whose
    // picture the frame store holds is left until it comes near).
    bool MakingThumbnails() const { return thumbnailTimer_; }

    // How many thumbnails both lists keep at the most (about 19 MB): rows far
    // from every view give theirs up and get them back, from the frame
    // store, when they come near. Tests set a small limit.
    static size_t KeptThumbnailLimit() { return keptThumbnails_; }
    static void SetKeptThumbnailLimit(size_t limit) { keptThumbnails_ = limit; }

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
    // Holds LVN_ITEMCHANGED back while the list reorders itself and reports
    // one change when the outermost hold ends.
    class ItemChangesHeld {
    public:
        explicit ItemChangesHeld(CListCtrlZEL& list) : list_(list) { ++list_.itemChangesHeld_; }
        ~ItemChangesHeld() {
            if (--list_.itemChangesHeld_ == 0 && list_.onItemChanged_) list_.onItemChanged_();
        }
        ItemChangesHeld(const ItemChangesHeld&) = delete;
        ItemChangesHeld& operator=(const ItemChangesHeld&) = delete;

    private:
        CListCtrlZEL& list_;
    };

    SortOrder CurrentSortOrder() const { return sortOrder_ ? sortOrder_() : SortOrder(); }
    // Gives the list view these rows, sorted first unless they are; leaves
    // nothing selected.
    void ShowRows(std::vector<std::string> rows, bool sorted);
    // Puts allRows_ in the current sort order (equal frames keep their order).
    void SortRows();
    // The frames of allRows_ the filter finds, in their order.
    std::vector<std::string> FilteredRows();
    // Runs a change of the rows (and their number) and then selects again
    // the frames that were selected and are still rows, with the focus and
    // the anchor of a shift-click.
    void KeepingSelection(const std::function<void()>& change);
    // Gives the list view the number of rows, when it changed.
    void SetRowCount(size_t count);
    // Answers LVN_GETDISPINFO (A or W) with the row's path.
    void GiveItemText(NMHDR* header) const;
    // The tip over the rows: why the row under the pointer cannot be used,
    // and nothing over any other.
    void CreateTooltip();
    void GiveTooltip(NMTTDISPINFOA& info);
    int RowAt(int x, int y) const;
    void DrawUnusable(HDC dc, const std::wstring& name, win::NameProblem problem, int c0, int c1, int height);
    void InsertColumns();
    // The columns' widths for the list's width and DPI, as described at
    // ColumnsByHand.
    void FitColumns();
    // A header notification from the list view's own header: a width the
    // user set is kept.
    void OnHeaderNotify(const NMHDR& header);

    // Thumbnails (ListCtrlZELThumbnails.cpp)
    void QueueThumbnails();
    void StartThumbnails();
    void StopThumbnails();
    void MakeThumbnailsForAWhile();
    // First and one past the last row on screen (a few list-view messages:
    // under Wine they cost most of a millisecond).
    std::pair<int, int> RowsInView() const;
    // The rows in view (as RowsInView gives them) and those near them,
    // whose thumbnails are kept.
    std::pair<int, int> RowsNearView(std::pair<int, int> view) const;
    // Drops thumbnails of rows far from every list's view when `coming`
    // more would pass the limit.
    static void MakeRoomForThumbnails(size_t coming);
    // The next path to decode that is not taken yet, rows in view first;
    // inView tells which, and forStore a row far from the view, whose
    // picture is made only for the frame store.
    std::string NextPendingThumbnail(std::pair<int, int> view, const std::vector<std::string>& taken,
                                     bool& inView, bool& forStore);
    // Repaints the rows in view that show one of the paths, in every list.
    static void ShowThumbnails(const std::vector<std::string>& paths);
    void RedrawRowsShowing(const std::vector<std::string>& paths);

    static int instanceCount_;
    static std::vector<CListCtrlZEL*> lists_;
    static size_t keptThumbnails_;

    int byHand_[4] = {0, 0, 0, 0};  // at 96 DPI; 0: not set by hand
    bool fitting_ = false;          // the widths being set are the list's own
    std::function<void()> onColumnsResized_;
    std::string folder_;
    bool counted_ = false;
    std::function<SortOrder()> sortOrder_;
    std::function<void(const std::string&)> beforeFill_;
    std::function<void(const std::string&)> onListingFailed_;
    std::function<void()> onItemChanged_;
    int itemChangesHeld_ = 0;
    // The frame file paths in row order. The list view is a virtual one: it
    // keeps only the number of rows and their states, and asks us for the rest.
    std::vector<std::string> rows_;
    // Every frame of the folder in sort order; rows_ is those the filter finds.
    std::vector<std::string> allRows_;
    std::wstring filter_;  // folded; empty: no filter
    // Each frame's title and file name as the filter reads them, made when
    // first asked for; a fill makes them again.
    std::unordered_map<std::string, std::wstring> filterKeys_;
    // The rows whose names cannot be used, by their path in rows_ (which
    // holds '?' for what the code page lacks, so it names no other file).
    struct UnusableRow {
        std::wstring name;
        win::NameProblem problem;
    };
    std::map<std::string, UnusableRow> unusable_;
    win::Window tooltip_;
    int tooltipRow_ = -1;
    std::string tooltipText_;
    // Paths of the last fill whose thumbnails were pending, in row order;
    // the slices walk it from queueNext_ after the rows in view.
    std::vector<std::string> thumbnailQueue_;
    size_t queueNext_ = 0;
    // The rows near the view are walked outwards from it, from this
    // distance on, while the view stays where it was.
    std::pair<int, int> nearView_{-1, -1};
    int nearNext_ = 1;
    // Each fill starts a new generation: a slice from an older one stops.
    unsigned fillGeneration_ = 0;
    bool thumbnailTimer_ = false;
    win::DrawBuffer rowBuffer_;
};

// Compares two frames the way the lists sort them: the key (title for mode
// 0, paper label for mode 1), then the file name, both with _mbsicmp. A null
// record has an empty key and name. Any other mode finds every pair equal,
// so the list keeps its order.
// Frames by the key of a sort mode, in its direction; equal keys by file
// name, always A to Z.
int CompareFrames(const FrameInfo* a, const FrameInfo* b, int sortMode, bool descending = false);
