// A folder listed in UTF-16 on the helper thread, handed over in chunks as
// it goes, so that the caller works through the first entries while Wine
// still reads the rest: in a folder of 20,000 entries the listing alone
// takes tens of milliseconds. Without a free helper the caller lists it
// itself, all at once, at the first Next.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win/TwoThreads.h"

namespace win {

class FolderListing {
public:
    // Starts listing the pattern (a folder and a wildcard).
    explicit FolderListing(std::wstring pattern);
    // Waits for the listing to end, whatever was taken of it.
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // The entries listed since the last call, waiting for some; false, with
    // nothing in chunk, once every entry was handed over.
    bool Next(std::vector<WIN32_FIND_DATAW>& chunk);
    // After Next gave false: whether the listing stopped partway, so that
    // the entries are not the whole folder. A folder that cannot be opened
    // at all, or holds nothing the pattern matches, gives no entries and
    // was not cut short.
    bool CutShort() const { return cutShort_; }

private:
    void List();

    std::wstring pattern_;
    std::mutex lock_;
    std::condition_variable listed_;
    std::vector<WIN32_FIND_DATAW> ready_;  // listed, not yet handed over
    bool ended_ = false;
    bool cutShort_ = false;
    bool listedHere_ = false;  // no helper: Next lists on the caller's thread
    HelperJob job_;
};

}  // namespace win
