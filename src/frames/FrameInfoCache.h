// The process-wide frame-info cache shared by both frame lists: one record
// per frame file path (exact text, case included) and its thumbnail, so a
// frame is read and decoded once however often the lists are refilled.
// Created with the first frame list and destroyed with the last one.
//
// A record is made from the header alone; its thumbnail comes later, when a
// list showing it calls MakePendingThumbnail (visible rows first). Until then
// its imageIndex is -1 and the row shows a blank cell.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frames/FrameFile.h"

// The record of a frame file, loaded on first use; null when the file does
// not exist (even when a record is cached).
FrameInfo* GetFrameInfo(const std::string& path);
// A frame file as a folder scan found it.
struct FoundFrameFile {
    std::string path;
    WIN32_FIND_DATAA data;
};
// GetFrameInfo for every file of a scan, in order, with the find data
// standing for asking the disk whether each exists and when it last changed.
// A record whose header is in memory or in the frame store is made as its
// file is added, so that this work goes on while the listing still runs;
// Finish reads the other headers, two at a time, and makes their records.
class FoundFrameRecords {
public:
    FoundFrameRecords();
    ~FoundFrameRecords();
    FoundFrameRecords(const FoundFrameRecords&) = delete;
    FoundFrameRecords& operator=(const FoundFrameRecords&) = delete;

    // Asks the frame store for a folder's frames now (its path ends in a
    // backslash), rather than at the first of its files that needs it.
    void ExpectFolder(const std::string& folder);
    void Add(const FoundFrameFile& file);
    // The records in the order their files were added; null for a path too
    // long for a record or a file that could not be read.
    std::vector<FrameInfo*> Finish();

private:
    struct Work;
    std::unique_ptr<Work> work_;
};
// The same for a whole scan at once.
std::vector<FrameInfo*> GetFoundFrameInfos(const std::vector<FoundFrameFile>& files);
// The cached record of a path without asking the disk; null when not cached.
FrameInfo* FindFrameInfo(const std::string& path);
// Reads a record (title, labels, file name) without caching it; its
// thumbnail is left to MakePendingThumbnail.
FrameInfo* LoadFrameInfo(const std::string& path);
// Drops a path's record; its thumbnail slot is kept for the next picture.
void ForgetFrameInfo(const std::string& path);
// After a frame file was moved or renamed: the old path's record goes to the
// new path (whose own record is dropped), read again only when the file's size
// or last-write time changed on the way, and keeps its thumbnail while its
// JPEG is the same file, moved along or not.
// Null, and nothing changed, when the old path was not cached; null, and the
// record dropped, when the new path holds no file.
FrameInfo* MoveFrameInfo(const std::string& oldPath, const std::string& newPath);
// After a frame file was copied: the copy's record is the source's, made
// without reading the copy, when the source is cached and unchanged on disk;
// otherwise the copy is left to be read when asked for (null). Its
// thumbnail is pending either way.
FrameInfo* CopyFrameInfo(const std::string& sourcePath, const std::string& copyPath);
// Drops every record and every thumbnail but the placeholder.
void ClearFrameInfo();

// Refresh: every record is asked for again between Begin and End. A frame
// file with the same size and last-write time keeps its record (its labels
// made anew from the language file); any other is read again. A thumbnail
// whose JPEG still has the same path, size and last-write time is taken over
// by the frame asking for it. End frees the records and thumbnails nobody took.
void BeginFrameInfoRefresh();
void EndFrameInfoRefresh();

// Whether the cached record of a path still waits for its thumbnail.
bool IsThumbnailPending(const std::string& path);
// Decodes the thumbnail of a cached record that waits for one; false when
// there was nothing to do.
bool MakePendingThumbnail(const std::string& path);
// Thumbnails drawn in a run of batches go into the frame store a few batches
// late, 64 to a transaction: while the helper thread reads and decodes the
// next batch's pictures, the window's thread writes those held. What is
// still held goes into the store at Flush, or when the object goes.
class ThumbnailSaves {
public:
    ThumbnailSaves();
    ~ThumbnailSaves();
    ThumbnailSaves(const ThumbnailSaves&) = delete;
    ThumbnailSaves& operator=(const ThumbnailSaves&) = delete;
    void Flush();

private:
    friend size_t MakePendingThumbnails(const std::vector<std::string>& paths, ThumbnailSaves* saves,
                                        size_t shown);
    struct Held;
    std::unique_ptr<Held> held_;
};

// The same for each path, the pictures read and decoded on two threads;
// gives how many waited for their thumbnail. With saves, the pictures drawn
// go into the store in one transaction per few batches, written while a
// batch decodes, or at its Flush. The paths from `shown` on, when the store
// is open, are drawn for the store only: no list shows them now, so they
// never enter the image list, and their records wait on until a list shows
// them and they come back from the store.
size_t MakePendingThumbnails(const std::vector<std::string>& paths, ThumbnailSaves* saves = nullptr,
                             size_t shown = SIZE_MAX);
// Records still waiting for their thumbnail.
size_t PendingThumbnailCount();
// Thumbnails held in the image list.
size_t MadeThumbnailCount();
// Gives up held thumbnails of records whose path `keep` refuses, until at
// most `target` are held; those records wait for their thumbnail again, and
// get it back from the frame store when asked.
void DropThumbnails(const std::function<bool(const std::string&)>& keep, size_t target);
// Whether the thumbnail a record waits for is in the frame store, drawn
// from its JPEG as the JPEG is now.
bool IsThumbnailStored(const std::string& path);
// Changes whenever records are dropped wholesale (clear, refresh), so that
// work queued before can tell it is stale.
unsigned FrameInfoGeneration();

// The shared thumbnail image list (null while no frame list exists).
HIMAGELIST FrameThumbnailList();
