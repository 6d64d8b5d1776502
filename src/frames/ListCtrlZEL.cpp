#include "frames/ListCtrlZEL.h"

#include <windowsx.h>
#include <mbstring.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "app/LangStrings.h"
#include "frames/FrameInfoCache.h"
#include "frames/FrameFilter.h"
#include "frames/FrameInfoCacheLifetime.h"
#include "frames/ThumbnailRender.h"
#include "win/Dpi.h"
#include "win/FolderListing.h"
#include "win/Handles.h"
#include "win/Strings.h"
#include "win/RedrawHeld.h"
#include "win/WaitCursor.h"

int CListCtrlZEL::instanceCount_ = 0;
std::vector<CListCtrlZEL*> CListCtrlZEL::lists_;
size_t CListCtrlZEL::keptThumbnails_ = 1500;

namespace {

struct Column {
    const char* headingKey;  // null: no heading
    int width;
};
// Widths at 96 DPI; the thumbnail column is the cell plus a small gap.
constexpr Column kColumns[] = {
    {nullptr, 68}, {"LIST_ZEL_NAME", 78}, {"LIST_ZEL_PAPER", 78}, {"LIST_ZEL_DATE", 100}};

// The title column never gets narrower than this (at 96 DPI) to fit the list.
constexpr int kMinTitleWidth = 60;
// A date column narrower than this is not shown.
constexpr int kMinDateWidth = 60;

int ColumnWidth(int column, int dpi) {
    if (column == 0) return ThumbnailCellSize() + win::ScaleForDpi(kColumns[0].width - kThumbnailSize, dpi);
    return win::ScaleForDpi(kColumns[column].width, dpi);
}

int CompareText(const char* a, const char* b) {
    // Plain ASCII, as most titles and names are, compares here as _mbsicmp
    // compares it (letters as lower case) without its per-character calls,
    // a third of a sort of 10,000 rows; anything else goes to _mbsicmp.
    for (const char *x = a, *y = b;; ++x, ++y) {
        const unsigned char cx = static_cast<unsigned char>(*x), cy = static_cast<unsigned char>(*y);
        if (cx >= 0x80 || cy >= 0x80) break;
        const int lx = cx >= 'A' && cx <= 'Z' ? cx + ('a' - 'A') : cx;
        const int ly = cy >= 'A' && cy <= 'Z' ? cy + ('a' - 'A') : cy;
        if (lx != ly) return lx < ly ? -1 : 1;
        if (!cx) return 0;
    }
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b));
}

// The messages a tooltip takes from its tool's window to know where the
// pointer is and when to hide.
bool IsTooltipMouseMessage(UINT msg) {
    switch (msg) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return true;
        default:
            return false;
    }
}

// "*.USD" also finds longer extensions through their short names.
bool HasFrameExtension(const char* name) {
    const char* dot =
        reinterpret_cast<const char*>(_mbsrchr(reinterpret_cast<const unsigned char*>(name), '.'));
    return dot && _stricmp(dot, ".USD") == 0;
}

}  // namespace

int CompareFrames(const FrameInfo* a, const FrameInfo* b, int sortMode, bool descending) {
    if (sortMode == CListCtrlZEL::kSortByDate) {
        static const FILETIME never = {};
        const int byTime = ::CompareFileTime(a ? &a->written : &never, b ? &b->written : &never);
        if (byTime != 0) return descending ? -byTime : byTime;
        return CompareText(a ? a->fileName : "", b ? b->fileName : "");
    }
    if (sortMode != CListCtrlZEL::kSortByTitle && sortMode != CListCtrlZEL::kSortByPaper) return 0;
    auto key = [sortMode](const FrameInfo* info) -> const char* {
        if (!info) return "";
        return sortMode == CListCtrlZEL::kSortByTitle ? info->title : info->paperLabel;
    };
    const int byKey = CompareText(key(a), key(b));
    if (byKey != 0) return descending ? -byKey : byKey;
    return CompareText(a ? a->fileName : "", b ? b->fileName : "");
}

int CListCtrlZEL::SortColumn(int mode) {
    return mode == kSortByTitle ? 1 : mode == kSortByPaper ? 2 : mode == kSortByDate ? 3 : -1;
}

int CListCtrlZEL::SortModeOfColumn(int column) {
    return column == 1 ? kSortByTitle : column == 2 ? kSortByPaper : column == 3 ? kSortByDate : -1;
}

void CListCtrlZEL::ShowSortOrder() {
    HWND header = reinterpret_cast<HWND>(::SendMessageA(Handle(), LVM_GETHEADER, 0, 0));
    if (!header) return;
    const SortOrder order = CurrentSortOrder();
    const int sorted = SortColumn(order.mode);
    const int count = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        if (!::SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item))) continue;
        const int arrow = i != sorted ? 0 : order.descending ? HDF_SORTDOWN : HDF_SORTUP;
        const int format = (item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) | arrow;
        if (format == item.fmt) continue;
        item.fmt = format;
        ::SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
}

CListCtrlZEL::~CListCtrlZEL() {
    StopThumbnails();
    lists_.erase(std::remove(lists_.begin(), lists_.end(), this), lists_.end());
    HWND hwnd = Handle();
    Detach();
    if (!counted_ || --instanceCount_ > 0) return;
    // The window may outlive this object: never leave it a destroyed image list.
    if (hwnd) ::SendMessageA(hwnd, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    CloseFrameInfoCache();
}

void CListCtrlZEL::InsertColumns() {
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        std::string heading = kColumns[i].headingKey ? GetLangString(kColumns[i].headingKey) : std::string();
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = ColumnWidth(i, win::WindowDpi(Handle()));
        column.pszText = heading.data();
        column.iSubItem = i;
        ::SendMessageA(Handle(), LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void CListCtrlZEL::Initialize() {
    if (!Handle() || counted_) return;
    InsertColumns();
    ShowSortOrder();
    counted_ = true;
    ++instanceCount_;
    lists_.push_back(this);
    OpenFrameInfoCache();
    ::SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FrameThumbnailList()));
    ::SendMessageA(Handle(), LVM_SETBKCOLOR, 0, kRowColor);
    CreateTooltip();
    FitColumns();
}

void CListCtrlZEL::OnDpiChanged() {
    HWND hwnd = Handle();
    if (!hwnd || !counted_) return;
    FitColumns();
    ::SendMessageA(hwnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FrameThumbnailList()));
    // A moved window makes the list view measure its owner-drawn rows again.
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    Refill();
}

void CListCtrlZEL::SetColumnsByHand(const ColumnWidths& widths) {
    byHand_[1] = std::max(0, widths.title);
    byHand_[2] = std::max(0, widths.paper);
    byHand_[3] = std::max(0, widths.date);
    FitColumns();
}

void CListCtrlZEL::FitColumns() {
    HWND hwnd = Handle();
    if (!hwnd || !counted_ || fitting_) return;
    const int dpi = win::WindowDpi(hwnd);
    int widths[std::size(kColumns)];
    for (size_t i = 0; i < std::size(kColumns); ++i)
        widths[i] = byHand_[i] ? win::ScaleForDpi(byHand_[i], dpi) : ColumnWidth(static_cast<int>(i), dpi);
    // The client area leaves out a vertical scroll bar while there is one.
    RECT client;
    ::GetClientRect(hwnd, &client);
    // The date shows where the list has room for it beside a title column
    // of twice its least width; a narrower list keeps that room for titles
    // (the date's column can still be dragged open, and then stays so).
    if (!byHand_[3]) {
        const int room = static_cast<int>(client.right) - widths[0] - widths[2] -
                         2 * win::ScaleForDpi(kMinTitleWidth, dpi);
        widths[3] = room >= win::ScaleForDpi(kMinDateWidth, dpi) ? std::min(widths[3], room) : 0;
    }
    if (!byHand_[1])
        widths[1] = std::max(win::ScaleForDpi(kMinTitleWidth, dpi),
                             static_cast<int>(client.right) - widths[0] - widths[2] - widths[3]);
    fitting_ = true;
    for (size_t i = 0; i < std::size(kColumns); ++i)
        if (::SendMessageA(hwnd, LVM_GETCOLUMNWIDTH, i, 0) != widths[i])
            ::SendMessageA(hwnd, LVM_SETCOLUMNWIDTH, i, widths[i]);
    fitting_ = false;
}

void CListCtrlZEL::OnHeaderNotify(const NMHDR& header) {
    if (fitting_ || (header.code != HDN_ITEMCHANGEDA && header.code != HDN_ITEMCHANGEDW)) return;
    // Both forms keep the item's mask and width in the same places.
    const auto& change = reinterpret_cast<const NMHEADERA&>(header);
    if (change.iItem < 1 || change.iItem >= static_cast<int>(std::size(kColumns)) || !change.pitem ||
        !(change.pitem->mask & HDI_WIDTH))
        return;
    const int dpi = win::WindowDpi(Handle());
    byHand_[change.iItem] = std::max(1, ::MulDiv(change.pitem->cxy, win::kBaseDpi, dpi));
    if (onColumnsResized_) onColumnsResized_();
    // A paper column set by hand leaves the title column the rest.
    FitColumns();
}

void CListCtrlZEL::SetFolder(const std::string& path) {
    folder_ = path;
    if (!folder_.empty()) win::EnsureTrailingBackslash(folder_);
    if (Handle()) Refill();
}

void CListCtrlZEL::Refill() {
    HWND hwnd = Handle();
    if (!hwnd) return;
    win::WaitCursor wait;
    ItemChangesHeld held(*this);
    // Whatever the last fill still had to decode belongs to rows that go now.
    ++fillGeneration_;
    StopThumbnails();
    thumbnailQueue_.clear();
    queueNext_ = 0;
    std::vector<std::string> rows;
    unusable_.clear();
    // Titles are read again: so are the filter's keys.
    filterKeys_.clear();
    const std::string pattern = folder_ + "*.USD";
    if (!folder_.empty() && beforeFill_) beforeFill_(folder_);
    if (!folder_.empty() && pattern.size() < MAX_PATH) {
        // Listed in UTF-16: the ANSI listing would give a best-fit look-alike
        // for a name the code page cannot hold, which may name another frame.
        win::FolderListing listing(win::ToWide(pattern));
        FoundFrameRecords records;
        records.ExpectFolder(folder_);
        std::vector<WIN32_FIND_DATAW> chunk;
        FoundFrameFile file;
        std::string name;
        while (listing.Next(chunk)) {
            for (const WIN32_FIND_DATAW& found : chunk) {
                const win::NameProblem problem = win::AnsiName(found.cFileName, name);
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !HasFrameExtension(name.c_str()))
                    continue;
                if (problem != win::NameProblem::kNone) {
                    rows.push_back(folder_ + name);
                    unusable_[rows.back()] = {found.cFileName, problem};
                    continue;
                }
                file.path = folder_ + name;
                file.data.dwFileAttributes = found.dwFileAttributes;
                file.data.ftLastWriteTime = found.ftLastWriteTime;
                file.data.nFileSizeHigh = found.nFileSizeHigh;
                file.data.nFileSizeLow = found.nFileSizeLow;
                lstrcpynA(file.data.cFileName, name.c_str(), MAX_PATH);
                records.Add(file);
            }
        }
        // The rows of a listing that ended early are not the folder:
        // whoever shows the list says so.
        if (listing.CutShort() && onListingFailed_) onListingFailed_(folder_);
        // Null for a path too long for a record.
        for (const FrameInfo* info : records.Finish())
            if (info) rows.emplace_back(info->path);
    }
    ShowRows(std::move(rows), false);
    QueueThumbnails();
}

namespace {

// A path with its ASCII letters folded: equal for paths the same without
// case, and seldom for others, which a comparison then tells apart.
std::string FoldedKey(std::string path) {
    for (char& c : path)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return path;
}

}  // namespace

void CListCtrlZEL::Patch(const std::vector<std::string>& gone, const std::vector<std::string>& arrived) {
    HWND hwnd = Handle();
    if (!hwnd) return;
    win::WaitCursor wait;
    ItemChangesHeld held(*this);
    // A row goes when its frame left, and when a frame of its name arrived:
    // that one replaced it, maybe under a name of another case.
    std::unordered_multimap<std::string, const std::string*> leaving;
    for (const std::vector<std::string>* paths : {&gone, &arrived})
        for (const std::string& path : *paths) leaving.emplace(FoldedKey(path), &path);
    std::vector<std::string> rows;
    rows.reserve(allRows_.size() + arrived.size());
    for (const std::vector<std::string>* paths : {&gone, &arrived})
        for (const std::string& path : *paths) filterKeys_.erase(path);
    for (std::string& row : allRows_) {
        const auto [first, last] = leaving.equal_range(FoldedKey(row));
        if (std::none_of(first, last,
                         [&row](const auto& left) { return win::EqualsNoCase(*left.second, row); })) {
            rows.push_back(std::move(row));
        } else {
            unusable_.erase(row);
        }
    }
    // The new rows go where the sort puts them among the others, which keep
    // their order. Every row of an arriving path left above, so a path can
    // only come twice through arrived itself.
    const SortOrder order = CurrentSortOrder();
    std::unordered_set<std::string> inserted;
    for (const std::string& path : arrived) {
        const FrameInfo* info = GetFrameInfo(path);
        if (!info || !inserted.insert(info->path).second) continue;
        const auto at = std::upper_bound(
            rows.begin(), rows.end(), info, [order](const FrameInfo* a, const std::string& row) {
                return CompareFrames(a, FindFrameInfo(row), order.mode, order.descending) < 0;
            });
        rows.insert(at, info->path);
    }
    ShowRows(std::move(rows), true);
    // The rows that came wait with the rest of the fill; those now near the
    // view are found from it.
    for (const std::string& path : arrived)
        if (IsThumbnailPending(path)) thumbnailQueue_.push_back(path);
    nearView_ = {-1, -1};
    StartThumbnails();
}

void CListCtrlZEL::ShowRows(std::vector<std::string> rows, bool sorted) {
    HWND hwnd = Handle();
    allRows_ = std::move(rows);
    if (!sorted) SortRows();
    std::vector<std::string> shown = FilteredRows();
    // The list view holds no items of its own, only their number and which
    // rows are selected: the rows are ours. A fill leaves nothing selected.
    // With as many rows as before, as after F5, the list view keeps its count
    // and its scroll position: a new count redraws the scroll bar, which
    // costs Wine more than the rows.
    if (shown.size() == rows_.size()) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        ::SendMessageA(hwnd, LVM_SETSELECTIONMARK, 0, -1);
        rows_ = std::move(shown);
        ::InvalidateRect(hwnd, nullptr, FALSE);
    } else {
        // One scroll-bar update for the whole fill.
        win::RedrawHeld redrawHeld(hwnd);
        ::SendMessageA(hwnd, LVM_DELETEALLITEMS, 0, 0);
        rows_ = std::move(shown);
        ::SendMessageA(hwnd, LVM_SETITEMCOUNT, rows_.size(), 0);
    }
}

void CListCtrlZEL::SortRows() {
    // Each record is looked up once, not twice per comparison, and from the
    // cache: the keys are what the rows show.
    const size_t count = allRows_.size();
    std::vector<const FrameInfo*> records(count);
    for (size_t i = 0; i < count; ++i) {
        const FrameInfo* info = FindFrameInfo(allRows_[i]);
        // An unusable row has no record: it sorts first, with an empty key.
        records[i] = info || unusable_.count(allRows_[i]) ? info : GetFrameInfo(allRows_[i]);
    }
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = i;
    // Equal frames keep their order.
    const SortOrder sort = CurrentSortOrder();
    std::stable_sort(order.begin(), order.end(), [&records, sort](size_t a, size_t b) {
        return CompareFrames(records[a], records[b], sort.mode, sort.descending) < 0;
    });
    std::vector<std::string> sorted(count);
    for (size_t i = 0; i < count; ++i) sorted[i] = std::move(allRows_[order[i]]);
    allRows_ = std::move(sorted);
}

std::vector<std::string> CListCtrlZEL::FilteredRows() {
    if (filter_.empty()) return allRows_;
    std::vector<std::string> shown;
    for (const std::string& path : allRows_) {
        auto key = filterKeys_.find(path);
        if (key == filterKeys_.end()) {
            std::wstring title, fileName;
            const auto unusable = unusable_.find(path);
            if (unusable != unusable_.end()) {
                fileName = unusable->second.name;
            } else if (const FrameInfo* info = FindFrameInfo(path)) {
                title = win::ToWide(info->title);
                fileName = win::ToWide(info->fileName);
            }
            key = filterKeys_.emplace(path, FilterKey(title, fileName)).first;
        }
        if (FilterFinds(key->second, filter_)) shown.push_back(path);
    }
    return shown;
}

void CListCtrlZEL::SetRowCount(size_t count) {
    HWND hwnd = Handle();
    if (static_cast<size_t>(::SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0)) == count) return;
    // One scroll-bar update.
    win::RedrawHeld redrawHeld(hwnd);
    ::SendMessageA(hwnd, LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL);
}

void CListCtrlZEL::KeepingSelection(const std::function<void()>& change) {
    HWND hwnd = Handle();
    // The list view knows rows by number only: the selection, the focus and
    // the anchor of a shift-click follow their frames to their new numbers.
    std::unordered_set<std::string> selected;
    for (int i : GetSelectedItems()) selected.insert(rows_[i]);
    const std::string focused = GetItemPath(
        static_cast<int>(::SendMessageA(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
    const std::string mark = GetItemPath(static_cast<int>(::SendMessageA(hwnd, LVM_GETSELECTIONMARK, 0, 0)));
    // Only what is set is cleared: each state change repaints its row.
    LVITEMA state{};
    if (!selected.empty() || !focused.empty()) {
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    }
    change();
    SetRowCount(rows_.size());
    int newMark = -1;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const std::string& path = rows_[i];
        state.state = (selected.count(path) ? LVIS_SELECTED : 0) | (path == focused ? LVIS_FOCUSED : 0);
        state.stateMask = state.state;
        if (state.state) ::SendMessageA(hwnd, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
        if (!mark.empty() && path == mark) newMark = static_cast<int>(i);
    }
    ::SendMessageA(hwnd, LVM_SETSELECTIONMARK, 0, newMark);
    ::InvalidateRect(hwnd, nullptr, FALSE);
}

void CListCtrlZEL::Sort() {
    if (!Handle()) return;
    // The buttons follow the selection, which a sort keeps: one update.
    ItemChangesHeld held(*this);
    KeepingSelection([this] {
        SortRows();
        rows_ = FilteredRows();
    });
}

void CListCtrlZEL::SetFilter(const std::string& text) {
    std::wstring folded = FoldForFilter(win::ToWide(text));
    if (folded == filter_) return;
    filter_ = std::move(folded);
    if (!Handle()) return;
    ItemChangesHeld held(*this);
    KeepingSelection([this] { rows_ = FilteredRows(); });
    // The rows found start at the top, unless the focused frame is still one.
    const int focused =
        static_cast<int>(::SendMessageA(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (!rows_.empty()) ::SendMessageA(Handle(), LVM_ENSUREVISIBLE, std::max(0, focused), FALSE);
    // Rows that came into view wait for their thumbnails like any others.
    nearView_ = {-1, -1};
    StartThumbnails();
}

std::string CListCtrlZEL::GetFolder() const {
    return win::WithoutTrailingBackslashes(folder_);
}

std::string CListCtrlZEL::GetItemPath(int index) const {
    if (!Handle() || index < 0 || static_cast<size_t>(index) >= rows_.size()) return {};
    return rows_[index];
}

std::vector<std::string> CListCtrlZEL::FrameFileNames() const {
    std::vector<std::string> names;
    names.reserve(allRows_.size());
    for (const std::string& path : allRows_) {
        const size_t slash = win::FindLastChar(path, '\\');
        names.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
    }
    return names;
}

std::string CListCtrlZEL::GetItemFileName(int index) const {
    const FrameInfo* info = GetFrameInfo(GetItemPath(index));
    return info ? std::string(info->fileName) : std::string();
}

bool CListCtrlZEL::GetUnusableItem(int index, std::wstring& name, win::NameProblem& problem) const {
    const auto found = unusable_.find(GetItemPath(index));
    if (found == unusable_.end()) return false;
    name = found->second.name;
    problem = found->second.problem;
    return true;
}

std::vector<int> CListCtrlZEL::GetSelectedItems() const {
    std::vector<int> selected;
    if (!Handle()) return selected;
    for (int i = -1;
         (i = static_cast<int>(::SendMessageA(Handle(), LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
        selected.push_back(i);
    return selected;
}

void CListCtrlZEL::SetAllSelected(bool selected) {
    if (!Handle()) return;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    ::SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

LRESULT CListCtrlZEL::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // A click always makes the clicked list the active one.
    if (msg == WM_LBUTTONDOWN) ::SetFocus(Handle());
    if (msg == WM_NOTIFY && tooltip_ && reinterpret_cast<NMHDR*>(lParam)->hwndFrom == tooltip_.Get()) {
        if (reinterpret_cast<NMHDR*>(lParam)->code == TTN_GETDISPINFOA)
            GiveTooltip(*reinterpret_cast<NMTTDISPINFOA*>(lParam));
        return 0;
    }
    // The tip hears of the pointer first, as from a subclass of its tool.
    if (tooltip_ && IsTooltipMouseMessage(msg)) {
        MSG relayed = {};
        relayed.hwnd = Handle();
        relayed.message = msg;
        relayed.wParam = wParam;
        relayed.lParam = lParam;
        relayed.time = static_cast<DWORD>(::GetMessageTime());
        const DWORD at = ::GetMessagePos();
        relayed.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
        ::SendMessageA(tooltip_.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    if (msg == WM_MOUSEMOVE && tooltip_) {
        // Another row may have another text, or none: the tip asks again.
        const int row = RowAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (row != tooltipRow_) {
            tooltipRow_ = row;
            ::SendMessageA(tooltip_.Get(), TTM_POP, 0, 0);
        }
    }
    if (msg == WM_TIMER && wParam == kThumbnailTimer) {
        MakeThumbnailsForAWhile();
        return 0;
    }
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->hwndFrom ==
                                reinterpret_cast<HWND>(::SendMessageA(Handle(), LVM_GETHEADER, 0, 0))) {
        // The list view takes the new width first.
        const LRESULT result = CListCtrlEx::WindowProc(msg, wParam, lParam);
        OnHeaderNotify(*reinterpret_cast<NMHDR*>(lParam));
        return result;
    }
    if (msg == WM_SIZE) {
        const LRESULT result = CListCtrlEx::WindowProc(msg, wParam, lParam);
        FitColumns();
        return result;
    }
    return CListCtrlEx::WindowProc(msg, wParam, lParam);
}

bool CListCtrlZEL::HandleParentMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_DRAWITEM:
            result = TRUE;
            return DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_MEASUREITEM:
            result = TRUE;
            return MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        case WM_NOTIFY:
            return HandleNotify(reinterpret_cast<NMHDR*>(lParam), result);
        default:
            return false;
    }
}

bool CListCtrlZEL::HandleNotify(NMHDR* header, LRESULT& result) {
    if (!header || !Handle() || header->hwndFrom != Handle()) return false;
    switch (header->code) {
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED:  // a range of rows, as a shift-click selects
            if (onItemChanged_ && itemChangesHeld_ == 0) onItemChanged_();
            result = 0;
            return true;
        case LVN_GETDISPINFOA:
        case LVN_GETDISPINFOW:
            // The item's text is its frame file's path, for whoever asks.
            GiveItemText(header);
            result = 0;
            return true;
        default:
            return false;
    }
}

void CListCtrlZEL::GiveItemText(NMHDR* header) const {
    // Both forms start with the header and an item of the same layout; only
    // the text's character type differs.
    auto& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const std::string path = item.iSubItem == 0 ? GetItemPath(item.iItem) : std::string();
    if (header->code == LVN_GETDISPINFOW) {
        auto* text = reinterpret_cast<wchar_t*>(item.pszText);
        const int n = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, text, item.cchTextMax);
        if (n == 0) text[0] = L'\0';
        text[item.cchTextMax - 1] = L'\0';
    } else {
        lstrcpynA(item.pszText, path.c_str(), item.cchTextMax);
    }
}

void CListCtrlZEL::CreateTooltip() {
    // One tool for the whole list; its text is asked for the row under the
    // pointer each time the tip is about to show.
    tooltip_.Reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, nullptr, nullptr));
    if (!tooltip_) return;
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    // The mouse messages reach the tip through WindowProc: TTF_SUBCLASS would
    // put the common controls' subclass in front of the list, which looks up
    // a window property for every message, a request to the server under
    // Wine, thousands of them while a folder fills.
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    ::SendMessageA(tooltip_.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    // Room for the reason on a few lines.
    ::SendMessageA(tooltip_.Get(), TTM_SETMAXTIPWIDTH, 0, 360);
}

int CListCtrlZEL::RowAt(int x, int y) const {
    LVHITTESTINFO hit = {};
    hit.pt = {x, y};
    return static_cast<int>(::SendMessageA(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void CListCtrlZEL::GiveTooltip(NMTTDISPINFOA& info) {
    POINT at = {};
    ::GetCursorPos(&at);
    ::ScreenToClient(Handle(), &at);
    std::wstring name;
    win::NameProblem problem;
    tooltipText_ =
        GetUnusableItem(RowAt(at.x, at.y), name, problem) ? NameProblemText(problem) : std::string();
    // An empty text shows no tip.
    info.lpszText = tooltipText_.data();
    info.hinst = nullptr;
}

bool CListCtrlZEL::MeasureItem(MEASUREITEMSTRUCT& measure) const {
    if (!Handle() || measure.CtlType != ODT_LISTVIEW ||
        static_cast<int>(measure.CtlID) != ::GetDlgCtrlID(Handle()))
        return false;
    // The list view adds one pixel to the tallest of font and small image.
    measure.itemHeight = std::max<UINT>(measure.itemHeight, ThumbnailCellSize() + 1);
    return true;
}
