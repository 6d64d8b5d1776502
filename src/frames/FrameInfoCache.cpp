#include "frames/FrameInfoCache.h"

#include <stdlib.h>

#include <unordered_map>

#include "frames/FrameInfoCacheLifetime.h"
#include "frames/Thumbnail.h"
#include "win/Handles.h"

namespace {

// The map grows in blocks of this many entries, like the image list.
constexpr size_t kCacheBlock = 2000;

struct CacheState {
    win::ImageList thumbnails;
    win::PrivateHeap heap;
    // Keys are exact text: a path spelled in two ways gives two records.
    std::unordered_map<std::string, FrameInfo*> records;
};

CacheState& State() {
    static CacheState state;
    return state;
}

void FreeRecord(FrameInfo* info) {
    if (info && State().heap) ::HeapFree(State().heap.Get(), 0, info);
}

std::string FileNameOf(const std::string& path) {
    char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path.c_str(), drive, dir, name, ext);
    return std::string(name) + ext;
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

FrameInfo* LoadFrameInfo(const std::string& path) {
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
    info->imageIndex = state.thumbnails
                           ? LoadThumbnailPicture(state.thumbnails.Get(), ResolveThumbnailPath(path, header))
                           : -1;
    CopyField(info->fileName, FileNameOf(path));
    return info;
}

FrameInfo* GetFrameInfo(const std::string& path) {
    // A vanished file has no record, whatever the cache still holds.
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
    auto& records = State().records;
    if (auto found = records.find(path); found != records.end()) return found->second;
    FrameInfo* info = LoadFrameInfo(path);
    if (info) records.emplace(path, info);
    return info;
}

void ForgetFrameInfo(const std::string& path) {
    CacheState& state = State();
    auto found = state.records.find(path);
    if (found == state.records.end()) return;
    const int removed = found->second->imageIndex;
    FreeRecord(found->second);
    state.records.erase(found);
    // Image 0 is the placeholder and belongs to no record.
    if (removed < 1 || !state.thumbnails) return;
    ::ImageList_Remove(state.thumbnails.Get(), removed);
    for (auto& entry : state.records)
        if (entry.second->imageIndex > removed) --entry.second->imageIndex;
}

FrameInfo* MoveFrameInfo(const std::string& oldPath, const std::string& newPath) {
    if (State().records.count(oldPath) == 0) return nullptr;
    ForgetFrameInfo(oldPath);
    ForgetFrameInfo(newPath);
    return GetFrameInfo(newPath);
}

void ClearFrameInfo() {
    CacheState& state = State();
    for (auto& entry : state.records) FreeRecord(entry.second);
    state.records.clear();
    // Truncating keeps image 0 and costs one call, where removing the images
    // one by one copies the whole list each time.
    if (state.thumbnails && ::ImageList_GetImageCount(state.thumbnails.Get()) > 1)
        ::ImageList_SetImageCount(state.thumbnails.Get(), 1);
}
