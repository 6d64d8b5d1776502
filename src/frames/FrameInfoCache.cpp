#include "frames/FrameInfoCache.h"

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <unordered_map>
#include <vector>

#include "frames/FrameFile.h"
#include "frames/FrameInfoCacheLifetime.h"
#include "frames/FrameStore.h"
#include "frames/Thumbnail.h"
#include "frames/ThumbnailRender.h"
#include "win/FileSystem.h"
#include "win/Handles.h"
#include "win/Names.h"
#include "win/TwoThreads.h"

namespace {

// The map grows in blocks of this many entries, like the image list.
constexpr size_t kCacheBlock = 2000;

// A file's size and last-write time, when it exists. Equal stamps let a
// refresh keep what was made from the file: a thumbnail from its JPEG, a
// record from its frame file.
struct FileStamp {
    bool exists = false;
    ULONGLONG size = 0;
    FILETIME written = {};

    bool operator==(const FileStamp& other) const {
        return exists == other.exists && size == other.size &&
               written.dwLowDateTime == other.written.dwLowDateTime &&
               written.dwHighDateTime == other.written.dwHighDateTime;
    }
};

FileStamp StampOf(ULONGLONG sizeHigh, ULONGLONG sizeLow, const FILETIME& written) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = (sizeHigh << 32) | sizeLow;
    stamp.written = written;
    return stamp;
}

// Asking for attributes by name needs no file handle: under Wine it never
// goes to the server, where opening a file does.
FileStamp StampOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
    return StampOf(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
}

struct Entry {
    FrameInfo* info = nullptr;
    FrameHeader header;   // the keys the record was made from
    std::string jpeg;     // the resolved HdThumbnail
    bool pending = true;  // the thumbnail is still to be made
    FileStamp stamp;      // of the JPEG as it was when the thumbnail was made
    // The frame store was last seen holding this frame's thumbnail: the
    // background pass need not ask it again. (A row near a view always
    // asks, with its JPEG's stamp of the moment.)
    bool inStore = false;
    // The store had no row of the frame when its header was read, so it
    // holds no picture of it either until one is saved.
    bool noneStored = false;
    FileStamp fileStamp;  // of the frame file, taken before it was read
};

// A thumbnail left by a refresh for the frame that still shows the same JPEG.
struct Reusable {
    FileStamp stamp;
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
    // Between BeginFrameInfoRefresh and EndFrameInfoRefresh: the thumbnails
    // by JPEG path, the records by frame path, and the labels made anew
    // (the language file may have changed) by the text they translate.
    std::unordered_multimap<std::string, Reusable> reusable;
    std::unordered_map<std::string, Entry> stale;
    std::unordered_map<std::string, std::string> paperLabels, marginLabels;
    int labelHolds = 0;
    bool refreshing = false;
    // Headers read ahead by GetFoundFrameInfos, taken by the records made next.
    std::unordered_map<std::string, FrameHeader> readAhead;
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

// While a fill or a refresh runs, each label is made once per distinct
// text (each asks the language file); the last hold to end forgets them.
void HoldLabels() {
    ++State().labelHolds;
}

void ReleaseLabels() {
    CacheState& state = State();
    if (state.labelHolds > 0 && --state.labelHolds == 0) {
        state.paperLabels.clear();
        state.marginLabels.clear();
    }
}

// The labels of a record, from the header read.
void SetLabels(FrameInfo& info, const FrameHeader& header) {
    CacheState& state = State();
    if (state.labelHolds == 0) {
        CopyField(info.paperLabel, PaperLabel(header));
        CopyField(info.marginLabel, MarginLabel(header));
        return;
    }
    auto paper = state.paperLabels.find(header.paperSize);
    if (paper == state.paperLabels.end())
        paper = state.paperLabels.emplace(header.paperSize, PaperLabel(header)).first;
    auto margin = state.marginLabels.find(header.margins);
    if (margin == state.marginLabels.end())
        margin = state.marginLabels.emplace(header.margins, MarginLabel(header)).first;
    CopyField(info.paperLabel, paper->second);
    CopyField(info.marginLabel, margin->second);
}

// The texts a record shows, from the header read.
void SetTexts(FrameInfo& info, const FrameHeader& header) {
    CopyField(info.title, header.title);
    SetLabels(info, header);
}

// The header half of a record; the thumbnail stays pending.
FrameInfo* LoadRecord(const std::string& path, Entry& entry) {
    // A path that does not fit the record is refused, never cut.
    if (path.empty() || path.size() >= MAX_PATH) return nullptr;
    OpenFrameInfoCache();
    CacheState& state = State();
    if (!state.heap) return nullptr;
    auto* info = static_cast<FrameInfo*>(::HeapAlloc(state.heap.Get(), HEAP_ZERO_MEMORY, sizeof(FrameInfo)));
    if (!info) return nullptr;
    // One read of the frame file gives every text and the picture's path.
    auto ahead = state.readAhead.find(path);
    if (ahead != state.readAhead.end()) {
        entry.header = std::move(ahead->second);
        state.readAhead.erase(ahead);
    } else {
        entry.header = ReadFrameHeader(path);
    }
    SetTexts(*info, entry.header);
    CopyField(info->path, path);
    info->imageIndex = -1;
    CopyField(info->fileName, FileNameOf(path));
    entry.jpeg = ResolveThumbnailPath(path, entry.header);
    return info;
}

// During a refresh: take over the old thumbnail of the same unchanged JPEG.
void ReuseThumbnail(Entry& entry) {
    auto& reusable = State().reusable;
    auto [first, last] = reusable.equal_range(entry.jpeg);
    if (first == last) return;
    const FileStamp stamp = StampOf(entry.jpeg);
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
    CloseFrameStore();
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
    Entry entry;
    return LoadRecord(path, entry);
}

FrameInfo* FindFrameInfo(const std::string& path) {
    auto& records = State().records;
    auto found = records.find(path);
    return found != records.end() ? found->second.info : nullptr;
}

namespace {

// During a refresh: whether the record from before still describes the file.
bool IsUnchanged(std::unordered_map<std::string, Entry>::const_iterator before, const FileStamp& fileStamp) {
    return before != State().stale.end() && before->second.fileStamp == fileStamp;
}

// The record of a frame file that exists with this stamp: the cached one;
// during a refresh the one from before when the file is unchanged, or one
// read anew, either taking over its unchanged thumbnail.
FrameInfo* RecordOf(const std::string& path, const FileStamp& fileStamp) {
    CacheState& state = State();
    if (FrameInfo* cached = FindFrameInfo(path)) return cached;
    Entry entry;
    auto before = state.stale.find(path);
    if (IsUnchanged(before, fileStamp)) {
        entry = std::move(before->second);
        state.stale.erase(before);
        // Kept, but the language file may have changed.
        SetLabels(*entry.info, entry.header);
    } else {
        entry.fileStamp = fileStamp;
        entry.info = LoadRecord(path, entry);
        if (!entry.info) return nullptr;
        entry.info->written = fileStamp.written;
    }
    if (!state.reusable.empty()) ReuseThumbnail(entry);
    return state.records.emplace(path, std::move(entry)).first->second.info;
}

}  // namespace

FrameInfo* GetFrameInfo(const std::string& path) {
    // A name the ANSI calls cannot reach (a device, a character the code
    // page lacks) is never read: it would open the device, or a look-alike.
    if (!win::IsReachablePath(path)) return nullptr;
    // A vanished file has no record, whatever the cache still holds.
    const FileStamp stamp = StampOf(path);
    if (!stamp.exists) return nullptr;
    return RecordOf(path, stamp);
}

namespace {

// Below this many headers a second thread costs more than it saves.
constexpr size_t kHeadersForTwoThreads = 32;

StoredStamp StoredStampOf(const FileStamp& stamp) {
    return {stamp.size, win::TimeNumber(stamp.written)};
}

}  // namespace

// The headers of one folder's files that are neither cached nor unchanged
// since the last refresh come from the store where the frame file is as it
// was stored; the rest are read from disk at the end and stored, and the
// store forgets the files the folder no longer holds.
struct FoundFrameRecords::Work {
    struct ToRead {
        size_t index;
        std::string path, name;
        FileStamp stamp;
        bool unstored;  // the store had no row of it
    };
    struct Folder {
        bool fetched = false;  // the store was asked
        bool needed = false;   // a file of it needed a header
        std::unordered_map<std::string, StoredFrame> stored;
        std::vector<std::string> listed;  // every file name added
        std::vector<ToRead> toRead;
        std::vector<std::string> gone;  // stored, but changed since
    };
    std::unordered_map<std::string, Folder> folders;
    std::vector<FrameInfo*> records;
    std::string folderPath, name;  // of the file being added

    void Fetch(const std::string& path, Folder& folder) {
        if (folder.fetched) return;
        folder.fetched = true;
        FrameStore& store = SharedFrameStore();
        if (store.IsOpen()) folder.stored = store.FramesIn(path);
    }
};

FoundFrameRecords::FoundFrameRecords() : work_(std::make_unique<Work>()) {
    HoldLabels();
}

FoundFrameRecords::~FoundFrameRecords() {
    // A path added twice leaves its second header unused.
    State().readAhead.clear();
    ReleaseLabels();
}

void FoundFrameRecords::ExpectFolder(const std::string& folder) {
    work_->Fetch(folder, work_->folders[folder]);
}

void FoundFrameRecords::Add(const FoundFrameFile& file) {
    CacheState& state = State();
    Work& work = *work_;
    const WIN32_FIND_DATAA& data = file.data;
    const FileStamp stamp = StampOf(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
    const std::string& path = file.path;
    const size_t index = work.records.size();
    work.records.push_back(nullptr);
    if (!path.empty() && path.size() < MAX_PATH) {
        SplitFramePath(path, work.folderPath, work.name);
        Work::Folder& folder = work.folders[work.folderPath];
        folder.listed.push_back(work.name);
        if (!state.records.count(path) && !IsUnchanged(state.stale.find(path), stamp)) {
            folder.needed = true;
            work.Fetch(work.folderPath, folder);
            auto found = folder.stored.find(work.name);
            if (found != folder.stored.end() && found->second.stamp == StoredStampOf(stamp)) {
                state.readAhead.emplace(path, std::move(found->second.header));
            } else {
                if (found != folder.stored.end()) folder.gone.push_back(work.name);
                folder.toRead.push_back({index, path, work.name, stamp,
                                         found == folder.stored.end() && SharedFrameStore().IsOpen()});
                return;
            }
        }
    }
    work.records[index] = RecordOf(path, stamp);
}

std::vector<FrameInfo*> FoundFrameRecords::Finish() {
    CacheState& state = State();
    FrameStore& store = SharedFrameStore();
    for (auto& [path, folder] : work_->folders) {
        if (!folder.needed) continue;
        // Opening a file is a round trip to the Wine server: two threads
        // keep it busy, one asking while the other parses what it got.
        std::vector<FrameHeader> headers(folder.toRead.size());
        win::ForEachOnTwoThreads(folder.toRead.size(), kHeadersForTwoThreads,
                                 [&](size_t k) { headers[k] = ReadFrameHeader(folder.toRead[k].path); });
        std::vector<std::pair<std::string, StoredFrame>> read;
        read.reserve(folder.toRead.size());
        for (size_t k = 0; k < folder.toRead.size(); ++k) {
            const Work::ToRead& file = folder.toRead[k];
            if (store.IsOpen()) read.push_back({file.name, {StoredStampOf(file.stamp), headers[k]}});
            state.readAhead.emplace(file.path, std::move(headers[k]));
        }
        for (const Work::ToRead& file : folder.toRead) {
            work_->records[file.index] = RecordOf(file.path, file.stamp);
            auto made = state.records.find(file.path);
            if (file.unstored && made != state.records.end()) made->second.noneStored = true;
        }
        if (!store.IsOpen()) continue;
        for (const std::string& name : folder.listed) folder.stored.erase(name);
        for (auto& left : folder.stored) folder.gone.push_back(left.first);
        store.UpdateFolder(path, read, folder.gone);
    }
    work_->folders.clear();
    return std::move(work_->records);
}

std::vector<FrameInfo*> GetFoundFrameInfos(const std::vector<FoundFrameFile>& files) {
    FoundFrameRecords records;
    for (const FoundFrameFile& file : files) records.Add(file);
    return records.Finish();
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
    CacheState& state = State();
    auto found = state.records.find(oldPath);
    if (found == state.records.end()) return nullptr;
    if (oldPath == newPath) return found->second.info;
    Entry entry = std::move(found->second);
    state.records.erase(found);
    ForgetFrameInfo(newPath);
    // The same file under another name: its texts stay, its path changes,
    // and so may the picture's when HdThumbnail is relative to the file.
    const FileStamp fileStamp = StampOf(newPath);
    if (!fileStamp.exists || newPath.size() >= MAX_PATH) {
        ReleaseSlot(entry);
        FreeRecord(entry.info);
        return nullptr;
    }
    // A file that is not the same bytes any more (a rename writes the frame
    // anew with its references changed) is read again.
    if (!(fileStamp == entry.fileStamp)) {
        entry.header = ReadFrameHeader(newPath);
        SetTexts(*entry.info, entry.header);
    }
    entry.fileStamp = fileStamp;
    entry.info->written = fileStamp.written;
    entry.inStore = false;  // the store keeps it under the old path
    CopyField(entry.info->path, newPath);
    CopyField(entry.info->fileName, FileNameOf(newPath));
    const std::string jpeg = ResolveThumbnailPath(newPath, entry.header);
    // The picture moved along (or stayed where it was) when it is still the
    // same file; otherwise it is made again from what the frame shows now.
    if (!entry.pending && !(StampOf(jpeg) == entry.stamp)) {
        ReleaseSlot(entry);
        entry.pending = true;
        entry.info->imageIndex = -1;
    }
    entry.jpeg = jpeg;
    return state.records.emplace(newPath, std::move(entry)).first->second.info;
}

FrameInfo* CopyFrameInfo(const std::string& sourcePath, const std::string& copyPath) {
    CacheState& state = State();
    ForgetFrameInfo(copyPath);
    auto found = state.records.find(sourcePath);
    if (found == state.records.end() || sourcePath == copyPath || copyPath.size() >= MAX_PATH) return nullptr;
    const Entry& source = found->second;
    // Only a record that still describes the source file describes its copy.
    const FileStamp copyStamp = StampOf(copyPath);
    if (!copyStamp.exists || !(StampOf(sourcePath) == source.fileStamp) || !state.heap) return nullptr;
    auto* info = static_cast<FrameInfo*>(::HeapAlloc(state.heap.Get(), 0, sizeof(FrameInfo)));
    if (!info) return nullptr;
    *info = *source.info;
    Entry entry;
    entry.info = info;
    entry.header = source.header;
    entry.fileStamp = copyStamp;
    info->written = copyStamp.written;
    CopyField(info->path, copyPath);
    CopyField(info->fileName, FileNameOf(copyPath));
    // The copy's picture gets a slot of its own when a list shows it.
    info->imageIndex = -1;
    entry.jpeg = ResolveThumbnailPath(copyPath, entry.header);
    return state.records.emplace(copyPath, std::move(entry)).first->second.info;
}

void ClearFrameInfo() {
    CacheState& state = State();
    EndFrameInfoRefresh();
    for (auto& entry : state.records) FreeRecord(entry.second.info);
    state.records.clear();
    state.freeSlots.clear();
    ++state.generation;
    // Truncating keeps image 0 and costs one call, where removing the images
    // one by one copies the whole list each time.
    if (state.thumbnails && ::ImageList_GetImageCount(state.thumbnails.Get()) > 1)
        ::ImageList_SetImageCount(state.thumbnails.Get(), 1);
}

void BeginFrameInfoRefresh() {
    CacheState& state = State();
    EndFrameInfoRefresh();  // a refresh that never ended frees its leftovers
    state.refreshing = true;
    HoldLabels();
    // Every record waits to be asked for again; the thumbnails wait apart,
    // by picture, since another frame may show the same one.
    for (auto& [path, entry] : state.records) {
        if (!entry.pending && entry.info->imageIndex >= 1)
            state.reusable.emplace(entry.jpeg, Reusable{entry.stamp, entry.info->imageIndex});
        entry.pending = true;
        entry.info->imageIndex = -1;
        state.stale.emplace(path, std::move(entry));
    }
    state.records.clear();
    ++state.generation;
}

void EndFrameInfoRefresh() {
    CacheState& state = State();
    if (state.refreshing) ReleaseLabels();
    state.refreshing = false;
    for (auto& left : state.stale) FreeRecord(left.second.info);
    state.stale.clear();
    for (const auto& left : state.reusable) state.freeSlots.push_back(left.second.index);
    state.reusable.clear();
}

bool IsThumbnailPending(const std::string& path) {
    auto& records = State().records;
    auto found = records.find(path);
    return found != records.end() && found->second.pending;
}

namespace {

// The pictures of one batch, read and decoded on two threads; kept from
// one batch to the next.
struct PictureBatch {
    std::vector<std::unique_ptr<ThumbnailPicture>> pictures;
};

PictureBatch& SharedPictureBatch() {
    static PictureBatch batch;
    return batch;
}

// Pictures held for one transaction of the store.
constexpr size_t kSavedTogether = 64;

}  // namespace

struct ThumbnailSaves::Held {
    std::vector<StoredPicture> pictures;
};

ThumbnailSaves::ThumbnailSaves() : held_(std::make_unique<Held>()) {}

ThumbnailSaves::~ThumbnailSaves() {
    Flush();
}

void ThumbnailSaves::Flush() {
    std::vector<StoredPicture>& pictures = held_->pictures;
    if (pictures.empty()) return;
    SharedFrameStore().SavePictures(pictures);
    // A record dropped meanwhile is simply not there any more.
    CacheState& state = State();
    for (const StoredPicture& picture : pictures) {
        auto found = state.records.find(picture.framePath);
        if (found == state.records.end()) continue;
        found->second.inStore = picture.kept;
        found->second.noneStored = false;
    }
    pictures.clear();
}

size_t MakePendingThumbnails(const std::vector<std::string>& paths, ThumbnailSaves* saves, size_t shown) {
    CacheState& state = State();
    FrameStore& store = SharedFrameStore();
    const bool storing = saves && store.IsOpen();
    struct Making {
        Entry* entry;
        bool storeOnly;
    };
    std::vector<Making> toMake;
    size_t done = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        auto found = state.records.find(paths[i]);
        if (found == state.records.end() || !found->second.pending) continue;
        Entry& entry = found->second;
        ++done;
        const bool storeOnly = storing && i >= shown && state.thumbnails;
        if (!storeOnly) entry.pending = false;
        if (!state.thumbnails) continue;
        // Stamped before the decode: a JPEG replaced meanwhile is decoded again
        // at the next refresh rather than kept with a stale picture. A picture
        // only for the store takes the stamp from the handle it is read with.
        if (!storeOnly) entry.stamp = StampOf(entry.jpeg);
        toMake.push_back({&entry, storeOnly});
    }
    if (toMake.empty()) return done;

    // Thumbnails the store drew before from the same JPEGs are taken from it.
    ThumbnailRenderer& renderer = SharedThumbnailRenderer();
    const int cell = ThumbnailCellSize();
    std::vector<Making> toDraw;
    std::vector<BYTE> pixels;
    for (const Making& making : toMake) {
        Entry* entry = making.entry;
        if (making.storeOnly) {
            // The caller found the store without it.
            toDraw.push_back(making);
        } else if (store.IsOpen() && entry->stamp.exists &&
                   store.FindPicture(entry->info->path, entry->jpeg, StoredStampOf(entry->stamp), cell,
                                     &pixels) &&
                   renderer.Restore(pixels)) {
            entry->info->imageIndex = StoreThumbnail(renderer.Image(), renderer.Mask());
            entry->inStore = true;
        } else {
            toDraw.push_back(making);
        }
    }
    if (toDraw.empty()) return done;

    // Reading a JPEG waits for the Wine server and decoding it is work of its
    // own: on two threads. Drawing and storing stay on this one, with GDI.
    PictureBatch& batch = SharedPictureBatch();
    while (batch.pictures.size() < toDraw.size())
        batch.pictures.push_back(std::make_unique<ThumbnailPicture>());
    std::vector<std::vector<BYTE>> storedPixels(toDraw.size());
    std::vector<FileStamp> storedStamps(toDraw.size());
    auto load = [&](size_t i) {
        ThumbnailPicture& picture = *batch.pictures[i];
        picture.Load(toDraw[i].entry->jpeg, cell);
        // A picture only the store wants is drawn by the thread that decoded
        // it, into a renderer of that thread's own.
        if (toDraw[i].storeOnly) {
            ULONGLONG size = 0;
            FILETIME written = {};
            if (picture.LoadedFileStamp(size, written))
                storedStamps[i] = StampOf(size >> 32, size & 0xFFFFFFFF, written);
            thread_local ThumbnailRenderer own;
            own.Render(picture);
            storedPixels[i] = own.Pixels();
        }
    };
    // A transaction writes a page per picture and the pages of the index
    // its pictures touch: a few batches' pictures share them.
    if (saves && saves->held_->pictures.size() >= kSavedTogether) {
        // The pictures held are written while this batch decodes.
        std::atomic<size_t> next{0};
        auto decode = [&] {
            for (size_t i; (i = next.fetch_add(1)) < toDraw.size();) load(i);
        };
        win::HelperThread* helper = win::SharedHelper();
        win::HelperJob job = helper ? helper->Start(decode) : win::HelperJob();
        saves->Flush();
        decode();
        job.Finish();
    } else {
        win::ForEachOnTwoThreads(toDraw.size(), 2, load);
    }
    ThumbnailSaves now;
    std::vector<StoredPicture>& drawn = (saves ? saves : &now)->held_->pictures;
    for (size_t i = 0; i < toDraw.size(); ++i) {
        Entry* entry = toDraw[i].entry;
        if (toDraw[i].storeOnly) {
            entry->stamp = storedStamps[i];
        } else {
            renderer.Render(*batch.pictures[i]);
            entry->info->imageIndex = StoreThumbnail(renderer.Image(), renderer.Mask());
        }
        if (!store.IsOpen() || !entry->stamp.exists) continue;
        std::vector<BYTE> drawnPixels = toDraw[i].storeOnly ? std::move(storedPixels[i]) : renderer.Pixels();
        if (!drawnPixels.empty())
            drawn.push_back(
                {entry->info->path, entry->jpeg, StoredStampOf(entry->stamp), cell, std::move(drawnPixels)});
    }
    return done;
}

bool MakePendingThumbnail(const std::string& path) {
    return MakePendingThumbnails({path}) != 0;
}

size_t PendingThumbnailCount() {
    size_t count = 0;
    for (const auto& entry : State().records) count += entry.second.pending;
    return count;
}

size_t MadeThumbnailCount() {
    const CacheState& state = State();
    if (!state.thumbnails) return 0;
    // Every image but the placeholder and the free slots; slots go back to
    // the free ones before the list grows.
    const size_t images = static_cast<size_t>(std::max(1, ::ImageList_GetImageCount(state.thumbnails.Get())));
    const size_t unused = state.freeSlots.size() + state.reusable.size() + 1;
    return images > unused ? images - unused : 0;
}

void DropThumbnails(const std::function<bool(const std::string&)>& keep, size_t target) {
    size_t made = MadeThumbnailCount();
    for (auto& [path, entry] : State().records) {
        if (made <= target) break;
        if (entry.pending || !entry.info || entry.info->imageIndex < 1 || keep(path)) continue;
        ReleaseSlot(entry);
        entry.pending = true;
        entry.info->imageIndex = -1;
        --made;
    }
}

bool IsThumbnailStored(const std::string& path) {
    auto found = State().records.find(path);
    if (found == State().records.end() || !found->second.pending) return false;
    Entry& entry = found->second;
    FrameStore& store = SharedFrameStore();
    if (!store.IsOpen()) return false;
    if (entry.inStore) return true;
    if (entry.noneStored) return false;
    const FileStamp stamp = StampOf(entry.jpeg);
    entry.inStore = stamp.exists &&
                    store.FindPicture(path, entry.jpeg, StoredStampOf(stamp), ThumbnailCellSize(), nullptr);
    return entry.inStore;
}
