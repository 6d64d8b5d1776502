#include "win/FolderListing.h"

#include <utility>

#include "win/Handles.h"

namespace win {

namespace {

// Entries per hand-over: enough that the lock is seldom taken, few enough
// that the caller starts early.
constexpr size_t kChunk = 256;

}  // namespace

FolderListing::FolderListing(std::wstring pattern)
    : pattern_(std::move(pattern)),
      job_(SharedHelper() ? SharedHelper()->Start([this] { List(); }) : HelperJob()) {
    listedHere_ = !job_.Started();
}

FolderListing::~FolderListing() {
    job_.Wait();
}

void FolderListing::List() {
    std::vector<WIN32_FIND_DATAW> listed;
    bool cutShort = false;
    // Whatever happens, the listing ends, so that Next never waits forever.
    try {
        WIN32_FIND_DATAW entry;
        FindHandle find(::FindFirstFileW(pattern_.c_str(), &entry));
        if (find) {
            listed.reserve(kChunk);
            do {
                listed.push_back(entry);
                if (listed.size() == kChunk) {
                    std::lock_guard<std::mutex> held(lock_);
                    ready_.insert(ready_.end(), listed.begin(), listed.end());
                    listed.clear();
                    listed_.notify_one();
                }
            } while (::FindNextFileW(find.Get(), &entry));
            cutShort = ::GetLastError() != ERROR_NO_MORE_FILES;
        }
    } catch (...) {
        cutShort = true;
    }
    std::lock_guard<std::mutex> held(lock_);
    ready_.insert(ready_.end(), listed.begin(), listed.end());
    cutShort_ = cutShort;
    ended_ = true;
    listed_.notify_one();
}

bool FolderListing::Next(std::vector<WIN32_FIND_DATAW>& chunk) {
    chunk.clear();
    if (listedHere_) {
        listedHere_ = false;
        List();
    }
    std::unique_lock<std::mutex> held(lock_);
    listed_.wait(held, [this] { return !ready_.empty() || ended_; });
    chunk.swap(ready_);
    const bool more = !chunk.empty();
    held.unlock();
    // The helper is free again once the last entries are taken.
    if (!more) job_.Wait();
    return more;
}

}  // namespace win
