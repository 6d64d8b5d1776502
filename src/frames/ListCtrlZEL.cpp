#include "frames/ListCtrlZEL.h"

#include <mbstring.h>

#include <algorithm>

#include "app/LangStrings.h"
#include "frames/FrameInfoCache.h"
#include "frames/FrameInfoCacheLifetime.h"
#include "frames/ThumbnailRender.h"
#include "win/Dpi.h"
#include "win/Handles.h"
#include "win/Strings.h"
#include "win/WaitCursor.h"

int CListCtrlZEL::instanceCount_ = 0;
std::vector<CListCtrlZEL*> CListCtrlZEL::lists_;

namespace {

struct Column {
    const char* headingKey;  // null: no heading
    int width;
};
// Widths at 96 DPI; the thumbnail column is the cell plus a small gap.
constexpr Column kColumns[] = {{nullptr, 68}, {"LIST_ZEL_NAME", 78}, {"LIST_ZEL_PAPER", 78}};

int ColumnWidth(int column, int dpi) {
    if (column == 0) return ThumbnailCellSize() + win::ScaleForDpi(kColumns[0].width - kThumbnailSize, dpi);
    return win::ScaleForDpi(kColumns[column].width, dpi);
}

// Filling a list item by item with redraw on costs a hundred times more.
class RedrawOff {
public:
    explicit RedrawOff(HWND hwnd) : hwnd_(hwnd) { ::SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawOff() {
        ::SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(hwnd_, nullptr, TRUE);
    }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;

private:
    HWND hwnd_;
};

int CompareText(const char* a, const char* b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b));
}

// "*.USD" also finds longer extensions through their short names.
bool HasFrameExtension(const char* name) {
    const char* dot =
        reinterpret_cast<const char*>(_mbsrchr(reinterpret_cast<const unsigned char*>(name), '.'));
    return dot && _stricmp(dot, ".USD") == 0;
}

struct SortContext {
    // Both by the item's data value, a number unique in the list.
    std::vector<const FrameInfo*> records;
    std::vector<int> positions;  // before the sort
    int sortMode;
};

int CALLBACK CompareItems(LPARAM a, LPARAM b, LPARAM context) {
    const auto* sort = reinterpret_cast<const SortContext*>(context);
    const auto count = static_cast<LPARAM>(sort->records.size());
    if (a < 0 || b < 0 || a >= count || b >= count) return 0;
    const int result = CompareFrames(sort->records[a], sort->records[b], sort->sortMode);
    // Equal frames keep their order whatever sort the list view runs.
    if (result != 0) return result;
    return sort->positions[a] < sort->positions[b] ? -1 : (sort->positions[a] > sort->positions[b] ? 1 : 0);
}

}  // namespace

int CompareFrames(const FrameInfo* a, const FrameInfo* b, int sortMode) {
    if (sortMode != CListCtrlZEL::kSortByTitle && sortMode != CListCtrlZEL::kSortByPaper) return 0;
    auto key = [sortMode](const FrameInfo* info) -> const char* {
        if (!info) return "";
        return sortMode == CListCtrlZEL::kSortByTitle ? info->title : info->paperLabel;
    };
    const int byKey = CompareText(key(a), key(b));
    if (byKey != 0) return byKey;
    return CompareText(a ? a->fileName : "", b ? b->fileName : "");
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
    counted_ = true;
    ++instanceCount_;
    lists_.push_back(this);
    OpenFrameInfoCache();
    ::SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FrameThumbnailList()));
    ::SendMessageA(Handle(), LVM_SETBKCOLOR, 0, kRowColor);
}

void CListCtrlZEL::OnDpiChanged() {
    HWND hwnd = Handle();
    if (!hwnd || !counted_) return;
    const int dpi = win::WindowDpi(hwnd);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
        ::SendMessageA(hwnd, LVM_SETCOLUMNWIDTH, i, ColumnWidth(i, dpi));
    ::SendMessageA(hwnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FrameThumbnailList()));
    // A moved window makes the list view measure its owner-drawn rows again.
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    Refill();
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
    RedrawOff redrawOff(hwnd);
    ::SendMessageA(hwnd, LVM_DELETEALLITEMS, 0, 0);
    itemPaths_.clear();
    itemOrder_.clear();
    if (folder_.empty()) return;
    const std::string pattern = folder_ + "*.USD";
    if (pattern.size() >= MAX_PATH) return;

    WIN32_FIND_DATAA found;
    win::FindHandle find(::FindFirstFileA(pattern.c_str(), &found));
    if (!find) return;
    int count = 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !HasFrameExtension(found.cFileName))
            continue;
        const FrameInfo* info = GetFrameInfo(folder_ + found.cFileName);
        if (!info) continue;  // vanished since the search, or a path too long
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = count;
        item.pszText = const_cast<char*>(info->path);
        item.lParam = count;
        if (info->imageIndex != -1) {
            item.mask |= LVIF_IMAGE;
            item.iImage = info->imageIndex;
        }
        if (::SendMessageA(hwnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) continue;
        itemPaths_.push_back(info->path);
        itemOrder_.push_back(count++);
    } while (::FindNextFileA(find.Get(), &found));
    Sort();
    QueueThumbnails();
}

void CListCtrlZEL::Sort() {
    HWND hwnd = Handle();
    if (!hwnd) return;
    // The buttons follow the selection, which a sort keeps: one update.
    ItemChangesHeld held(*this);
    const int count = GetItemCount();
    if (static_cast<size_t>(count) != itemOrder_.size()) return;  // only Refill fills the list
    // Each record is looked up once here, not twice per comparison, and from
    // the cache: the keys are what the rows show. The items' data values are
    // their fill numbers, which a sort only permutes, so nothing is set on
    // the items (every change fires LVN_ITEMCHANGED) and nothing is read
    // back from them (a list-view message per item costs more than the sort).
    SortContext context{std::vector<const FrameInfo*>(count), std::vector<int>(count), CurrentSortMode()};
    for (int i = 0; i < count; ++i) {
        const int number = itemOrder_[i];
        context.positions[number] = i;
        const FrameInfo* info = FindFrameInfo(itemPaths_[number]);
        context.records[number] = info ? info : GetFrameInfo(itemPaths_[number]);
    }
    ::SendMessageA(hwnd, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context),
                   reinterpret_cast<LPARAM>(CompareItems));
    // The comparison is a total order, so this is the list view's new order.
    std::sort(itemOrder_.begin(), itemOrder_.end(), [&context](int a, int b) {
        return CompareItems(a, b, reinterpret_cast<LPARAM>(&context)) < 0;
    });
}

std::string CListCtrlZEL::GetFolder() const {
    return win::WithoutTrailingBackslashes(folder_);
}

std::string CListCtrlZEL::GetItemPath(int index) const {
    if (!Handle() || index < 0) return {};
    if (static_cast<size_t>(index) < itemOrder_.size()) return itemPaths_[itemOrder_[index]];
    char text[MAX_PATH + 1] = {};
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    const auto n = ::SendMessageA(Handle(), LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return n > 0 ? std::string(text) : std::string();
}

std::string CListCtrlZEL::GetItemFileName(int index) const {
    const FrameInfo* info = GetFrameInfo(GetItemPath(index));
    return info ? std::string(info->fileName) : std::string();
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
    if (msg == WM_TIMER && wParam == kThumbnailTimer) {
        MakeThumbnailsForAWhile();
        return 0;
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
    if (!header || !Handle() || header->hwndFrom != Handle() || header->code != LVN_ITEMCHANGED) return false;
    if (onItemChanged_ && itemChangesHeld_ == 0) onItemChanged_();
    result = 0;
    return true;
}

bool CListCtrlZEL::MeasureItem(MEASUREITEMSTRUCT& measure) const {
    if (!Handle() || measure.CtlType != ODT_LISTVIEW ||
        static_cast<int>(measure.CtlID) != ::GetDlgCtrlID(Handle()))
        return false;
    // The list view adds one pixel to the tallest of font and small image.
    measure.itemHeight = std::max<UINT>(measure.itemHeight, ThumbnailCellSize() + 1);
    return true;
}
