// Thumbnails of the frame lists, made after the fill on the user-interface
// thread: rows in view first, then the rows near them, then the rest of the
// list in row order, in slices run from a timer of the list. A slice stops
// as soon as input or a posted message waits, so the window answers at
// once, and paints what it made every few tens of milliseconds. Both lists
// keep a bounded number: rows far from every view give theirs up, and get
// them back from the frame store when the view comes near.
#include <algorithm>
#include <unordered_set>

#include "frames/FrameInfoCache.h"
#include "frames/ListCtrlZEL.h"

namespace {

// Timer messages come only when nothing else waits; the period only bounds
// the pause between two slices.
constexpr UINT kTimerPeriodMs = 10;
// The longest a slice keeps the loop away from other windows' painting.
constexpr DWORD kSliceMs = 200;
// How often a slice shows the thumbnails it made so far.
constexpr DWORD kPaintEveryMs = 30;
// How often a slice looks for waiting input: with one batch more, well
// within the 50 ms a click may wait.
constexpr DWORD kAskInputEveryMs = 8;
// Thumbnails made together, their pictures read and decoded on two threads:
// a few milliseconds' work.
constexpr size_t kBatch = 8;
// Pictures made only for the frame store, far from every view, go in larger
// batches: the threads meet less often.
constexpr size_t kStoreBatch = 32;
// Rows each side of the view whose thumbnails are made next and kept, at
// most a fifth of the limit each.
constexpr int kNearRows = 300;

bool InputWaiting() {
    return HIWORD(::GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_HOTKEY)) != 0;
}

}  // namespace

void CListCtrlZEL::QueueThumbnails() {
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        std::string path = GetItemPath(i);
        if (IsThumbnailPending(path)) thumbnailQueue_.push_back(std::move(path));
    }
    if (!thumbnailQueue_.empty()) StartThumbnails();
}

void CListCtrlZEL::StartThumbnails() {
    if (thumbnailTimer_ || !Handle()) return;
    nearView_ = {-1, -1};
    thumbnailTimer_ = ::SetTimer(Handle(), kThumbnailTimer, kTimerPeriodMs, nullptr) != 0;
}

void CListCtrlZEL::StopThumbnails() {
    if (!thumbnailTimer_) return;
    thumbnailTimer_ = false;
    if (Handle()) ::KillTimer(Handle(), kThumbnailTimer);
}

std::pair<int, int> CListCtrlZEL::RowsInView() const {
    const int count = GetItemCount();
    const int top = std::max(0, static_cast<int>(::SendMessageA(Handle(), LVM_GETTOPINDEX, 0, 0)));
    const int end =
        std::min(count, top + static_cast<int>(::SendMessageA(Handle(), LVM_GETCOUNTPERPAGE, 0, 0)) + 1);
    return {top, end};
}

std::pair<int, int> CListCtrlZEL::RowsNearView(std::pair<int, int> view) const {
    const int around = std::min(kNearRows, static_cast<int>(keptThumbnails_ / 5));
    return {std::max(0, view.first - around), std::min(static_cast<int>(rows_.size()), view.second + around)};
}

std::string CListCtrlZEL::NextPendingThumbnail(std::pair<int, int> view,
                                               const std::vector<std::string>& taken, bool& inView,
                                               bool& forStore) {
    auto wanted = [&](const std::string& path) {
        return IsThumbnailPending(path) && std::find(taken.begin(), taken.end(), path) == taken.end();
    };
    inView = true;
    forStore = false;
    for (int i = view.first; i < view.second; ++i) {
        std::string path = GetItemPath(i);
        if (wanted(path)) return path;
    }
    inView = false;
    // Outwards from the view, one row above and one below at each distance;
    // rows whose records were made again since the fill (an operation forgot
    // them, a refresh dropped them) are found here too.
    const std::pair<int, int> around = RowsNearView(view);
    if (view != nearView_) {
        nearView_ = view;
        nearNext_ = 1;
    }
    for (; view.first - nearNext_ >= around.first || view.second - 1 + nearNext_ < around.second;
         ++nearNext_) {
        for (int row : {view.first - nearNext_, view.second - 1 + nearNext_}) {
            if (row < around.first || row >= around.second) continue;
            std::string path = GetItemPath(row);
            if (wanted(path)) return path;
        }
    }
    // Then each row of the fill once, for the store: a picture it holds
    // comes back at once when its row comes near.
    forStore = true;
    for (; queueNext_ < thumbnailQueue_.size(); ++queueNext_) {
        const std::string& path = thumbnailQueue_[queueNext_];
        if (wanted(path) && !IsThumbnailStored(path)) return thumbnailQueue_[queueNext_++];
    }
    return std::string();
}

void CListCtrlZEL::MakeRoomForThumbnails(size_t coming) {
    if (MadeThumbnailCount() + coming <= keptThumbnails_) return;
    std::unordered_set<std::string> around;
    for (const CListCtrlZEL* list : lists_) {
        if (!list->Handle()) continue;
        const std::pair<int, int> rows = list->RowsNearView(list->RowsInView());
        for (int i = rows.first; i < rows.second; ++i) around.insert(list->GetItemPath(i));
    }
    // A quarter of the limit at a time, so that this walk comes seldom.
    DropThumbnails([&around](const std::string& path) { return around.count(path) != 0; },
                   keptThumbnails_ - std::min(keptThumbnails_, keptThumbnails_ / 4 + coming));
}

void CListCtrlZEL::MakeThumbnailsForAWhile() {
    const unsigned fill = fillGeneration_;
    const unsigned cache = FrameInfoGeneration();
    // Nothing scrolls while a slice runs: no message is handled meanwhile.
    const std::pair<int, int> view = RowsInView();
    const DWORD start = ::GetTickCount();
    // The first look at the queue comes after the first batch.
    DWORD shown = start, asked = start - kAskInputEveryMs;
    bool madeInView = false;
    std::vector<std::string> made;
    ThumbnailSaves saves;
    for (;;) {
        std::vector<std::string> batch;
        // The batch's first rows, those near a view; the others are only stored.
        size_t nearRows = 0;
        bool noneLeft = false, screenDone = false;
        while (batch.size() < (!batch.empty() && nearRows == 0 ? kStoreBatch : kBatch)) {
            bool inView = false, forStore = false;
            std::string path = NextPendingThumbnail(view, batch, inView, forStore);
            if (path.empty()) {
                noneLeft = true;
                break;
            }
            // The screen is complete: show it before the rows out of view.
            screenDone = madeInView && !inView;
            if (screenDone) break;
            batch.push_back(std::move(path));
            if (!forStore) nearRows = batch.size();
            madeInView = inView;
        }
        MakeRoomForThumbnails(nearRows);
        MakePendingThumbnails(batch, &saves, nearRows);
        made.insert(made.end(), batch.begin(), batch.end());
        if (noneLeft) StopThumbnails();
        if (noneLeft || screenDone) break;
        // Whatever ran meanwhile may have refilled this list or dropped the
        // records: never carry on with rows of an older fill.
        if (fill != fillGeneration_ || cache != FrameInfoGeneration() || !Handle()) return;
        const DWORD now = ::GetTickCount();
        if (now - start >= kSliceMs) break;
        // Asking the queue is a round trip to the Wine server: not after
        // every batch of small pictures.
        if (now - asked >= kAskInputEveryMs) {
            if (InputWaiting()) break;
            asked = now;
        }
        if (now - shown >= kPaintEveryMs) {
            ShowThumbnails(made);
            made.clear();
            shown = now;
        }
    }
    ShowThumbnails(made);
}

void CListCtrlZEL::ShowThumbnails(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    // Both lists may show the same frame.
    for (CListCtrlZEL* list : lists_) list->RedrawRowsShowing(paths);
}

void CListCtrlZEL::RedrawRowsShowing(const std::vector<std::string>& paths) {
    HWND hwnd = Handle();
    if (!hwnd || !::IsWindowVisible(hwnd)) return;
    const std::pair<int, int> view = RowsInView();
    bool redrawn = false;
    for (int i = view.first; i < view.second; ++i) {
        if (std::find(paths.begin(), paths.end(), GetItemPath(i)) == paths.end()) continue;
        ::SendMessageA(hwnd, LVM_REDRAWITEMS, i, i);
        redrawn = true;
    }
    if (redrawn) ::UpdateWindow(hwnd);
}

bool CListCtrlZEL::HasPendingThumbnails() const {
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i)
        if (IsThumbnailPending(GetItemPath(i))) return true;
    return false;
}

void CListCtrlZEL::FinishThumbnails() {
    StopThumbnails();
    std::vector<std::string> made, batch;
    ThumbnailSaves saves;
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        std::string path = GetItemPath(i);
        if (IsThumbnailPending(path)) batch.push_back(std::move(path));
        if (batch.size() == kBatch || (i + 1 == count && !batch.empty())) {
            MakePendingThumbnails(batch, &saves);
            made.insert(made.end(), batch.begin(), batch.end());
            batch.clear();
        }
    }
    thumbnailQueue_.clear();
    queueNext_ = 0;
    ShowThumbnails(made);
}
