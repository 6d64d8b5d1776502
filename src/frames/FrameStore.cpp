#include "frames/FrameStore.h"

#include <sqlite3.h>

#include <cstring>
#include <string>

#include "win/FileSystem.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace {

// The layout of the tables and what their texts are in, bumped whenever the
// tables change: a database of another layout is made anew. A store written
// by a process in the legacy code page holds its titles in it, so a process
// in UTF-8 starts a store of its own (and the other way round).
int Layout() {
    return ::GetACP() == CP_UTF8 ? 6 : 5;
}

// Strings are kept as the bytes the program holds (ANSI), never as text
// SQLite would read as UTF-8. The pixels live in a table of their own that
// only grows at its end: a thumbnail written is a page appended, not a row
// of the frames table grown and its neighbours moved. A picture names its
// frame by the frame's row, and says what it was drawn from itself, so that
// saving one writes its own page and an index entry, never the frame's row:
// thumbnails come in the order of titles, frames lie in the order of names,
// and updating them wrote a page of frames per picture. The index holds
// everything but the pixels, so that asking whether a picture is there
// never touches (or maps) a page of pixels. A trigger drops the picture with
// its frame. (An insert that may turn into an update of a column with a
// trigger is many times slower: changed frames are deleted and inserted
// again.)
constexpr char kCreate[] =
    "CREATE TABLE frames("
    " folder BLOB NOT NULL, name BLOB NOT NULL, size INTEGER NOT NULL, written INTEGER NOT NULL,"
    " title BLOB NOT NULL, paper BLOB NOT NULL, thumbnail BLOB NOT NULL, margins BLOB NOT NULL,"
    " UNIQUE(folder, name));"
    "CREATE TABLE pictures(id INTEGER PRIMARY KEY, frame INTEGER NOT NULL, cell INTEGER NOT NULL,"
    " jpeg_size INTEGER NOT NULL, jpeg_written INTEGER NOT NULL, jpeg BLOB NOT NULL, pixels BLOB NOT NULL);"
    "CREATE INDEX picture_of ON pictures(frame, cell, jpeg_size, jpeg_written, jpeg);"
    "CREATE TRIGGER frame_gone AFTER DELETE ON frames"
    " BEGIN DELETE FROM pictures WHERE frame = old.rowid; END;";

void BindBytes(sqlite3_stmt* statement, int index, const std::string& bytes) {
    sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
}

std::string ColumnBytes(sqlite3_stmt* statement, int index) {
    const void* data = sqlite3_column_blob(statement, index);
    const int size = sqlite3_column_bytes(statement, index);
    return data && size > 0 ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                            : std::string();
}

// Removes a database file and what WAL mode keeps beside it.
void RemoveDatabase(const std::wstring& file) {
    for (const wchar_t* suffix : {L"", L"-wal", L"-shm", L"-journal"}) ::DeleteFileW((file + suffix).c_str());
}

// Whether a database file is shorter than its header says, as a file cut
// short by a full disk or a copy that stopped. SQLite would read the missing
// pages as zeros, and a page cut in the middle as its first part followed by
// zeros, which can look like rows. A file left with its log by a run that
// ended early may be shorter for now: the log holds the rest, and SQLite
// puts it back.
bool IsCutShort(const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA log = {};
    if (::GetFileAttributesExW((file + L"-wal").c_str(), GetFileExInfoStandard, &log) &&
        (log.nFileSizeHigh || log.nFileSizeLow))
        return false;
    win::FileHandle in(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size = {};
    unsigned char header[100] = {};
    DWORD read = 0;
    if (!in || !::GetFileSizeEx(in.Get(), &size) ||
        !::ReadFile(in.Get(), header, sizeof header, &read, nullptr) || read != sizeof header ||
        std::memcmp(header, "SQLite format 3", 16) != 0)
        return false;  // a file too short for a header is no database: SQLite says so
    auto number = [&](int at) {
        return static_cast<ULONGLONG>(header[at]) << 24 | header[at + 1] << 16 | header[at + 2] << 8 |
               header[at + 3];
    };
    const ULONGLONG pageSize = header[16] == 0 && header[17] == 1 ? 65536 : header[16] << 8 | header[17];
    // The page count is good only while the change counter matches the
    // number it was written with.
    const ULONGLONG pages = number(24) == number(92) ? number(28) : 0;
    return static_cast<ULONGLONG>(size.QuadPart) < pages * pageSize;
}

bool IsDamage(int code) {
    code &= 0xFF;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

}  // namespace

bool FrameStore::Open(const std::string& file) {
    Close();
    if (file.empty()) return false;
    file_ = win::ToWide(file);
    const size_t slash = file_.find_last_of(L'\\');
    if (slash != std::wstring::npos) ::CreateDirectoryW(file_.substr(0, slash).c_str(), nullptr);
    if (IsCutShort(file_)) RemoveDatabase(file_);
    const Opened opened = OpenOnce();
    if (opened != Opened::kRemake) return opened == Opened::kYes;
    // Damaged, or of a layout this program cannot change: it holds nothing
    // that cannot be read again from the frames.
    RemoveDatabase(file_);
    return OpenOnce() == Opened::kYes;
}

FrameStore::Opened FrameStore::OpenOnce() {
    if (sqlite3_open_v2(win::ToUtf8(file_).c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        Close();
        return Opened::kNo;
    }
    // A store another process holds is not waited for (no busy timeout):
    // the lists go on without it.
    // One program runs at a time, so the file is locked once for the whole
    // run: every lock taken and let go is a round trip to the Wine server,
    // and taken per statement they cost more than the reads. It must come
    // before anything reads the file, or the locks are shared ones. Pages of
    // 64 KB hold five thumbnails: under Wine a write costs per call more than
    // per byte, and the log writes a page in two calls. Mapped, a page is
    // read without a call. WAL: a commit appends to the log only, checkpointed
    // every 16 MB as with smaller pages; NORMAL: a power cut may lose the last
    // commits, never the rest. A store made with smaller pages keeps them.
    int layout = -1;
    bool ok = Exec("PRAGMA locking_mode = EXCLUSIVE") && Exec("PRAGMA page_size = 65536") &&
              Exec(sizeof(void*) == 8 ? "PRAGMA mmap_size = 1073741824" : "PRAGMA mmap_size = 134217728") &&
              Exec("PRAGMA cache_size = -16384") && Exec("PRAGMA journal_mode = WAL") &&
              Exec("PRAGMA synchronous = NORMAL") && Exec("PRAGMA wal_autocheckpoint = 256");
    sqlite3_stmt* version = nullptr;
    if (ok && sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &version, nullptr) == SQLITE_OK &&
        sqlite3_step(version) == SQLITE_ROW)
        layout = sqlite3_column_int(version, 0);
    sqlite3_finalize(version);
    if (ok && layout == 0)
        ok = Exec("BEGIN IMMEDIATE") && Exec("DROP TABLE IF EXISTS frames") &&
             Exec("DROP TABLE IF EXISTS pictures") && Exec(kCreate) &&
             Exec(("PRAGMA user_version = " + std::to_string(Layout())).c_str()) && Exec("COMMIT");
    // A damaged file often opens and fails at its first real read.
    ok = ok && (layout == 0 || layout == Layout()) &&
         Exec("SELECT count(*) FROM (SELECT 1 FROM frames LIMIT 1)");
    // A failure past this point closed the store (and removed it when damaged).
    if (ok) return DropGoneFolders() ? Opened::kYes : Opened::kNo;
    // Busy in another process, the disk full or read-only: left as it is.
    const bool remake = !db_ || IsDamage(sqlite3_errcode(db_)) || (layout > 0 && layout != Layout());
    Close();
    return remake ? Opened::kRemake : Opened::kNo;
}

bool FrameStore::DropGoneFolders() {
    // A folder deleted, renamed or on a card taken out is never listed again:
    // its frames go at the next start. A network folder is left alone, since
    // asking for one that is offline can take many seconds.
    std::vector<std::string> gone;
    sqlite3_stmt* folders = nullptr;
    if (sqlite3_prepare_v2(db_, "SELECT DISTINCT folder FROM frames", -1, &folders, nullptr) != SQLITE_OK) {
        Fail();
        return false;
    }
    while (sqlite3_step(folders) == SQLITE_ROW) {
        std::string folder = ColumnBytes(folders, 0);
        if (folder.size() < 3 || folder[1] != ':') continue;
        const UINT kind = ::GetDriveTypeA(folder.substr(0, 3).c_str());
        if (kind == DRIVE_REMOTE) continue;
        if (kind == DRIVE_NO_ROOT_DIR || ::GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            gone.push_back(std::move(folder));
    }
    sqlite3_finalize(folders);
    if (gone.empty()) return true;
    bool ok = Exec("BEGIN IMMEDIATE");
    sqlite3_stmt* drop = nullptr;
    ok =
        ok && sqlite3_prepare_v2(db_, "DELETE FROM frames WHERE folder = ?", -1, &drop, nullptr) == SQLITE_OK;
    for (size_t i = 0; ok && i < gone.size(); ++i) {
        sqlite3_reset(drop);
        BindBytes(drop, 1, gone[i]);
        ok = sqlite3_step(drop) == SQLITE_DONE;
    }
    sqlite3_finalize(drop);
    if (!ok || !Exec("COMMIT")) Fail();
    return db_ != nullptr;
}

void FrameStore::Close() {
    for (sqlite3_stmt** statement : {&framesIn_, &putFrame_, &dropFrame_, &findPicture_, &hasPicture_,
                                     &frameRow_, &dropPicture_, &putPicture_}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
}

bool FrameStore::Exec(const char* sql) {
    return db_ && sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

sqlite3_stmt* FrameStore::Prepare(sqlite3_stmt*& statement, const char* sql) {
    if (!db_) return nullptr;
    if (statement) {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        return statement;
    }
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
        Fail();
        return nullptr;
    }
    return statement;
}

void FrameStore::Fail() {
    if (!db_) return;
    const int code = sqlite3_errcode(db_);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    Close();
    // A damaged database is made anew by the next run.
    if (IsDamage(code)) RemoveDatabase(file_);
}

std::unordered_map<std::string, StoredFrame> FrameStore::FramesIn(const std::string& folder) {
    std::unordered_map<std::string, StoredFrame> frames;
    sqlite3_stmt* select =
        Prepare(framesIn_,
                "SELECT name, size, written, title, paper, thumbnail, margins FROM frames WHERE folder = ?");
    if (!select) return frames;
    BindBytes(select, 1, folder);
    int step;
    while ((step = sqlite3_step(select)) == SQLITE_ROW) {
        StoredFrame& frame = frames[ColumnBytes(select, 0)];
        frame.stamp.size = static_cast<ULONGLONG>(sqlite3_column_int64(select, 1));
        frame.stamp.written = static_cast<ULONGLONG>(sqlite3_column_int64(select, 2));
        frame.header.title = ColumnBytes(select, 3);
        frame.header.paperSize = ColumnBytes(select, 4);
        frame.header.thumbnail = ColumnBytes(select, 5);
        frame.header.margins = ColumnBytes(select, 6);
    }
    sqlite3_reset(select);
    if (step != SQLITE_DONE) {
        Fail();
        frames.clear();
    }
    return frames;
}

void FrameStore::UpdateFolder(const std::string& folder,
                              const std::vector<std::pair<std::string, StoredFrame>>& read,
                              const std::vector<std::string>& gone) {
    if ((read.empty() && gone.empty()) || !db_ || !Exec("BEGIN IMMEDIATE")) return;
    for (const std::string& name : gone) {
        sqlite3_stmt* drop = Prepare(dropFrame_, "DELETE FROM frames WHERE folder = ? AND name = ?");
        if (!drop) return;
        BindBytes(drop, 1, folder);
        BindBytes(drop, 2, name);
        if (sqlite3_step(drop) != SQLITE_DONE) return Fail();
    }
    for (const auto& [name, frame] : read) {
        // A row still there (it was not said to be gone) is left as it is:
        // its stamp tells the next fill to read the file again.
        sqlite3_stmt* put = Prepare(putFrame_,
                                    "INSERT OR IGNORE INTO frames"
                                    " (folder, name, size, written, title, paper, thumbnail, margins)"
                                    " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        if (!put) return;
        BindBytes(put, 1, folder);
        BindBytes(put, 2, name);
        sqlite3_bind_int64(put, 3, static_cast<sqlite3_int64>(frame.stamp.size));
        sqlite3_bind_int64(put, 4, static_cast<sqlite3_int64>(frame.stamp.written));
        BindBytes(put, 5, frame.header.title);
        BindBytes(put, 6, frame.header.paperSize);
        BindBytes(put, 7, frame.header.thumbnail);
        BindBytes(put, 8, frame.header.margins);
        if (sqlite3_step(put) != SQLITE_DONE) return Fail();
    }
    if (!Exec("COMMIT")) Fail();
}

bool FrameStore::FindPicture(const std::string& framePath, const std::string& jpegPath,
                             const StoredStamp& jpeg, int cell, std::vector<BYTE>* pixels) {
    std::string folder, name;
    SplitFramePath(framePath, folder, name);
    // Whether it is there needs no page of the pixels.
    sqlite3_stmt* select =
        pixels ? Prepare(findPicture_,
                         "SELECT jpeg, jpeg_size, jpeg_written, cell, pixels FROM frames"
                         " JOIN pictures ON pictures.frame = frames.rowid WHERE folder = ? AND name = ?")
               : Prepare(hasPicture_,
                         "SELECT jpeg, jpeg_size, jpeg_written, cell FROM frames"
                         " JOIN pictures ON pictures.frame = frames.rowid WHERE folder = ? AND name = ?");
    if (!select) return false;
    BindBytes(select, 1, folder);
    BindBytes(select, 2, name);
    bool found = false;
    const int step = sqlite3_step(select);
    if (step == SQLITE_ROW && ColumnBytes(select, 0) == jpegPath &&
        static_cast<ULONGLONG>(sqlite3_column_int64(select, 1)) == jpeg.size &&
        static_cast<ULONGLONG>(sqlite3_column_int64(select, 2)) == jpeg.written &&
        sqlite3_column_int(select, 3) == cell) {
        if (pixels) {
            const BYTE* data = static_cast<const BYTE*>(sqlite3_column_blob(select, 4));
            pixels->assign(data, data + sqlite3_column_bytes(select, 4));
        }
        found = true;
    }
    sqlite3_reset(select);
    if (step != SQLITE_ROW && step != SQLITE_DONE) Fail();
    return found;
}

void FrameStore::SavePictures(std::vector<StoredPicture>& pictures) {
    if (pictures.empty() || !db_ || !Exec("BEGIN IMMEDIATE")) return;
    for (StoredPicture& picture : pictures) {
        std::string folder, name;
        SplitFramePath(picture.framePath, folder, name);
        // A frame the store has no header for keeps no pixels.
        sqlite3_stmt* frame = Prepare(frameRow_, "SELECT rowid FROM frames WHERE folder = ? AND name = ?");
        if (!frame) return;
        BindBytes(frame, 1, folder);
        BindBytes(frame, 2, name);
        const int step = sqlite3_step(frame);
        if (step == SQLITE_DONE) continue;
        if (step != SQLITE_ROW) return Fail();
        const sqlite3_int64 row = sqlite3_column_int64(frame, 0);
        // The frame's picture before, drawn from an older JPEG, goes.
        sqlite3_stmt* drop = Prepare(dropPicture_, "DELETE FROM pictures WHERE frame = ?");
        if (!drop) return;
        sqlite3_bind_int64(drop, 1, row);
        if (sqlite3_step(drop) != SQLITE_DONE) return Fail();
        sqlite3_stmt* put =
            Prepare(putPicture_,
                    "INSERT INTO pictures"
                    " (frame, cell, jpeg_size, jpeg_written, jpeg, pixels) VALUES (?, ?, ?, ?, ?, ?)");
        if (!put) return;
        sqlite3_bind_int64(put, 1, row);
        sqlite3_bind_int(put, 2, picture.cell);
        sqlite3_bind_int64(put, 3, static_cast<sqlite3_int64>(picture.jpeg.size));
        sqlite3_bind_int64(put, 4, static_cast<sqlite3_int64>(picture.jpeg.written));
        BindBytes(put, 5, picture.jpegPath);
        sqlite3_bind_blob(put, 6, picture.pixels.data(), static_cast<int>(picture.pixels.size()),
                          SQLITE_STATIC);
        if (sqlite3_step(put) != SQLITE_DONE) return Fail();
        picture.kept = true;
    }
    if (Exec("COMMIT")) return;
    Fail();
    for (StoredPicture& picture : pictures) picture.kept = false;
}

namespace {

struct SharedState {
    FrameStore store;
    std::string file = DefaultFrameStoreFile();
    bool tried = false;  // a store that failed stays closed until closed or moved
};

SharedState& Shared() {
    static SharedState state;
    return state;
}

}  // namespace

FrameStore& SharedFrameStore() {
    SharedState& shared = Shared();
    if (!shared.tried) {
        shared.tried = true;
        shared.store.Open(shared.file);
    }
    return shared.store;
}

void CloseFrameStore() {
    Shared().store.Close();
    Shared().tried = false;
}

void UseFrameStoreFile(const std::string& file) {
    CloseFrameStore();
    Shared().file = file;
}

void SplitFramePath(const std::string& path, std::string& folder, std::string& name) {
    const size_t last = win::FindLastChar(path, '\\');
    const size_t split = last == std::string::npos ? 0 : last + 1;
    folder = path.substr(0, split);
    name = path.substr(split);
}

void RemoveFrameStoreFiles(const std::string& file) {
    RemoveDatabase(win::ToWide(file));
}

std::string DefaultFrameStoreFile() {
    char local[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                  SHGFP_TYPE_CURRENT, local)))
        return {};
    return win::WithoutTrailingBackslashes(local) + "\\QuilletTool\\FrameCache.db";
}
