#include "frames/FrameInfoCache.h"

#include <stdlib.h>

#include <unordered_map>
#include <vector>

#include "frames/FrameFile.h"
#include "frames/FrameInfoCacheLifetime.h"
#include "frames/Thumbnail.h"
#include "frames/ThumbnailRender.h"
#include "win/Handles.h"

namespace {

// The map grows in blocks of this many entries, like the image list.
constexpr size_t kCacheBlock = 2000;

// What a thumbnail was made from: the JPEG's path, and its size and
// last-write time when it existed. Equal stamps let a refresh keep the picture.
struct PictureStamp {
    bool exists = false;
    ULONGLONG size = 0;
    FILETIME written = {};

    bool operator==(const PictureStamp& other) const {
        return exists == other.exists && size == other.size &&
               written.dwLowDateTime == other.written.dwLowDateTime &&
               written.dwHighDateTime == other.written.dwHighDateTime;
    }
};

PictureStamp StampOf(const std::string& jpeg) {
    PictureStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (jpeg.empty() || !::GetFileAttributesExA(jpeg.c_str(), GetFileExInfoStandard, &data)) return stamp;
    stamp.exists = true;
    stamp.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written = data.ftLastWriteTime;
    return stamp;
}

struct Entry {
    FrameInfo* info = nullptr;
    std::string jpeg;     // the resolved HdThumbnail
    bool pending = true;  // the thumbnail is still to be made
    PictureStamp stamp;   // of the JPEG as it was when the thumbnail was made
};

// A thumbnail left by a refresh for the frame that still shows the same JPEG.
struct Reusable {
    PictureStamp stamp;
    int index;
};

struct CacheState {
    win::ImageList thumbnails;
    win::PrivateHeap heap;
    // Keys are exact text: a path spelled in two ways gives two records.
    std::unordered_map<std::string, Entry> records;
    // Image slots no record uses: the next thumbnails overwrite them, since
    // removing an image from the list copies every image after it.
    std::vector<int> freeSlots;
    // Between BeginFrameInfoRefresh and EndFrameInfoRefresh, by JPEG path.
    std::unordered_multimap<std::string, Reusable> reusable;
    unsigned generation = 0;
};

CacheState& State() {
    static CacheState state;
    return state;
}

void FreeRecord(FrameInfo* info) {
    if (info && State().heap) ::HeapFree(State().heap.Get(), 0, info);
}

// The record's image slot goes back to the free ones.
void ReleaseSlot(const Entry& entry) {
    if (!entry.pending && entry.info && entry.info->imageIndex >= 1)
        State().freeSlots.push_back(entry.info->imageIndex);
}

std::string FileNameOf(const std::string& path) {
    char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path.c_str(), drive, dir, name, ext);
    return std::string(name) + ext;
}

// The header half of a record; the thumbnail stays pending.
FrameInfo* LoadRecord(const std::string& path, std::string& jpeg) {
    // A path that does not fit the record is refused, never cut.
    if (path.empty() || path.size() >= MAX_PATH) return nullptr;
    OpenFrameInfoCache();
    CacheState& state = State();
    if (!state.heap) return nullptr;
    auto* info = static_cast<FrameInfo*>(::HeapAlloc(state.heap.Get(), HEAP_ZERO_MEMORY, sizeof(FrameInfo)));
    if (!info) return nullptr;
    // One read of the frame file gives every text and the picture's path.
    const FrameHeader header = ReadFrameHeader(path);
    CopyField(info->title, header.title);
    CopyField(info->paperLabel, PaperLabel(header));
    CopyField(info->path, path);
    CopyField(info->marginLabel, MarginLabel(header));
    info->imageIndex = -1;
    CopyField(info->fileName, FileNameOf(path));
    jpeg = ResolveThumbnailPath(path, header);
    return info;
}

// During a refresh: take over the old thumbnail of the same unchanged JPEG.
void ReuseThumbnail(Entry& entry) {
    auto& reusable = State().reusable;
    auto [first, last] = reusable.equal_range(entry.jpeg);
    if (first == last) return;
    const PictureStamp stamp = StampOf(entry.jpeg);
    for (auto it = first; it != last; ++it) {
        if (!(it->second.stamp == stamp)) continue;
        entry.info->imageIndex = it->second.index;
        entry.pending = false;
        entry.stamp = stamp;
        reusable.erase(it);
        return;
    }
}

// Puts a picture into a free slot, or appends it; -1 when the list refuses it.
int StoreThumbnail(HBITMAP image, HBITMAP mask) {
    CacheState& state = State();
    while (!state.freeSlots.empty()) {
        const int slot = state.freeSlots.back();
        state.freeSlots.pop_back();
        if (::ImageList_Replace(state.thumbnails.Get(), slot, image, mask)) return slot;
    }
    return ::ImageList_Add(state.thumbnails.Get(), image, mask);
}

}  // namespace

void OpenFrameInfoCache() {
    CacheState& state = State();
    if (!state.thumbnails) state.thumbnails.Reset(CreateThumbnailImageList());
    if (!state.heap) state.heap.Reset(::HeapCreate(0, 4096, 0));
    if (state.records.empty()) state.records.reserve(kCacheBlock);
}

void CloseFrameInfoCache() {
    ClearFrameInfo();
    CacheState& state = State();
    state.records = {};
    state.thumbnails.Reset();
    state.heap.Reset();
}

void RecreateFrameThumbnails() {
    ClearFrameInfo();
    CacheState& state = State();
    if (state.thumbnails) state.thumbnails.Reset(CreateThumbnailImageList());
}

size_t CachedFrameInfoCount() {
    return State().records.size();
}

HIMAGELIST FrameThumbnailList() {
    return State().thumbnails.Get();
}

unsigned FrameInfoGeneration() {
    return State().generation;
}

FrameInfo* LoadFrameInfo(const std::string& path) {
    std::string jpeg;
    return LoadRecord(path, jpeg);
}

FrameInfo* FindFrameInfo(const std::string& path) {
    auto& records = State().records;
    auto found = records.find(path);
    return found != records.end() ? found->second.info : nullptr;
}

FrameInfo* GetFrameInfo(const std::string& path) {
    // A vanished file has no record, whatever the cache still holds.
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
    if (FrameInfo* cached = FindFrameInfo(path)) return cached;
    Entry entry;
    entry.info = LoadRecord(path, entry.jpeg);
    if (!entry.info) return nullptr;
    if (!State().reusable.empty()) ReuseThumbnail(entry);
    return State().records.emplace(path, std::move(entry)).first->second.info;
}

void ForgetFrameInfo(const std::string& path) {
    CacheState& state = State();
    auto found = state.records.find(path);
    if (found == state.records.end()) return;
    ReleaseSlot(found->second);
    FreeRecord(found->second.info);
    state.records.erase(found);
}

FrameInfo* MoveFrameInfo(const std::string& oldPath, const std::string& newPath) {
    if (State().records.count(oldPath) == 0) return nullptr;
    ForgetFrameInfo(oldPath);
    ForgetFrameInfo(newPath);
    return GetFrameInfo(newPath);
}

void ClearFrameInfo() {
    CacheState& state = State();
    for (auto& entry : state.records) FreeRecord(entry.second.info);
    state.records.clear();
    state.freeSlots.clear();
    state.reusable.clear();
    ++state.generation;
    // Truncating keeps image 0 and costs one call, where removing the images
    // one by one copies the whole list each time.
    if (state.thumbnails && ::ImageList_GetImageCount(state.thumbnails.Get()) > 1)
        ::ImageList_SetImageCount(state.thumbnails.Get(), 1);
}

void BeginFrameInfoRefresh() {
    CacheState& state = State();
    EndFrameInfoRefresh();  // a refresh that never ended frees its leftovers
    for (auto& [path, entry] : state.records) {
        if (!entry.pending && entry.info->imageIndex >= 1)
            state.reusable.emplace(entry.jpeg, Reusable{entry.stamp, entry.info->imageIndex});
        FreeRecord(entry.info);
    }
    state.records.clear();
    ++state.generation;
}

void EndFrameInfoRefresh() {
    CacheState& state = State();
    for (const auto& left : state.reusable) state.freeSlots.push_back(left.second.index);
    state.reusable.clear();
}

bool IsThumbnailPending(const std::string& path) {
    auto& records = State().records;
    auto found = records.find(path);
    return found != records.end() && found->second.pending;
}

bool MakePendingThumbnail(const std::string& path) {
    CacheState& state = State();
    auto found = state.records.find(path);
    if (found == state.records.end() || !found->second.pending) return false;
    Entry& entry = found->second;
    entry.pending = false;
    if (!state.thumbnails) return true;
    // Stamped before the decode: a JPEG replaced meanwhile is decoded again
    // at the next refresh rather than kept with a stale picture.
    entry.stamp = StampOf(entry.jpeg);
    ThumbnailRenderer& renderer = SharedThumbnailRenderer();
    renderer.Render(entry.jpeg);
    entry.info->imageIndex = StoreThumbnail(renderer.Image(), renderer.Mask());
    return true;
}

size_t PendingThumbnailCount() {
    size_t count = 0;
    for (const auto& entry : State().records) count += entry.second.pending;
    return count;
}
