// The frame store: what the lists read from frame files and drew of their
// pictures, kept from one run to the next in one SQLite database per user
// (%LOCALAPPDATA%\QuilletTool\FrameCache.db). A frame file whose size and
// last-write time match what the store holds is shown without being opened,
// and a thumbnail whose JPEG is unchanged without being decoded.
//
// The store is a cache and nothing more: a database that cannot be opened,
// is damaged or is busy in another process is set aside (a damaged one made
// anew), and the lists read the files as they would without it. Only the
// user-interface thread uses it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "frames/FrameFile.h"

struct sqlite3;
struct sqlite3_stmt;

// A file's size and last-write time, as a listing gives them.
struct StoredStamp {
    ULONGLONG size = 0;
    ULONGLONG written = 0;  // FILETIME as one number

    bool operator==(const StoredStamp& other) const { return size == other.size && written == other.written; }
};

struct StoredFrame {
    StoredStamp stamp;  // of the frame file the header was read from
    FrameHeader header;
};

// A thumbnail as drawn: its JPEG's stamp, the cell size and the image and
// mask rows (ThumbnailRenderer::Pixels).
struct StoredPicture {
    std::string framePath;
    std::string jpegPath;  // the resolved HdThumbnail it was drawn from
    StoredStamp jpeg;
    int cell = 0;
    std::vector<BYTE> pixels;
    bool kept = false;  // SavePictures wrote it
};

class FrameStore {
public:
    FrameStore() = default;
    FrameStore(const FrameStore&) = delete;
    FrameStore& operator=(const FrameStore&) = delete;
    ~FrameStore() { Close(); }

    // Opens the database file (ANSI path), making it and its folder when
    // missing, and making it anew when it is damaged or of another layout;
    // false when it cannot be used, and the store then does nothing.
    bool Open(const std::string& file);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }

    // The stored headers of the frame files in a folder (its path ends in a
    // backslash), by file name.
    std::unordered_map<std::string, StoredFrame> FramesIn(const std::string& folder);
    // In one transaction: the names the folder's listing no longer holds,
    // and those whose file changed, dropped with their thumbnails; then the
    // headers just read.
    void UpdateFolder(const std::string& folder, const std::vector<std::pair<std::string, StoredFrame>>& read,
                      const std::vector<std::string>& gone);
    // Whether the store holds the thumbnail of a frame file drawn from this
    // JPEG, as it is now, into a cell of this size; its pixels go to
    // `pixels` unless that is null.
    bool FindPicture(const std::string& framePath, const std::string& jpegPath, const StoredStamp& jpeg,
                     int cell, std::vector<BYTE>* pixels);
    // In one transaction; a frame the store has no header for is skipped.
    // Each picture written is marked kept once the transaction holds.
    void SavePictures(std::vector<StoredPicture>& pictures);

private:
    enum class Opened { kYes, kNo, kRemake };
    Opened OpenOnce();
    // Forgets the frames of local folders that are gone; false when that
    // failed and closed the store.
    bool DropGoneFolders();
    sqlite3_stmt* Prepare(sqlite3_stmt*& statement, const char* sql);
    bool Exec(const char* sql);
    // Any failure after opening: the store stops, the lists read the files.
    void Fail();

    std::wstring file_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* framesIn_ = nullptr;
    sqlite3_stmt* putFrame_ = nullptr;
    sqlite3_stmt* dropFrame_ = nullptr;
    sqlite3_stmt* findPicture_ = nullptr;
    sqlite3_stmt* hasPicture_ = nullptr;
    sqlite3_stmt* frameRow_ = nullptr;
    sqlite3_stmt* dropPicture_ = nullptr;
    sqlite3_stmt* putPicture_ = nullptr;
};

// The store both lists share, opened at first use on the user's database
// file (or the one UseFrameStoreFile set); it is never null.
FrameStore& SharedFrameStore();
// Closes the shared store.
void CloseFrameStore();
// Where the shared store lives from now on; empty for no store at all.
// The next SharedFrameStore opens it.
void UseFrameStoreFile(const std::string& file);
// %LOCALAPPDATA%\QuilletTool\FrameCache.db; empty when the system has no such folder.
std::string DefaultFrameStoreFile();
// Deletes a closed store's file and what WAL mode keeps beside it.
void RemoveFrameStoreFiles(const std::string& file);
// "C:\Frames\a.USD" as "C:\Frames\" and "a.USD", as the store keeps it.
void SplitFramePath(const std::string& path, std::string& folder, std::string& name);
