#include "ops/FrameStage.h"

#include <cstring>

#include "ops/CardWrites.h"
#include "ops/DiskSteps.h"
#include "ops/FileCopy.h"
#include "ops/FrameScan.h"
#include "win/FileSystem.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace {

constexpr char kStagePrefix[] = "~qt";
constexpr char kRecordName[] = "~qtstage.ini";
constexpr char kNextRecordName[] = "~qtstage.new";
constexpr char kRecordHeader[] = "[QuilletTool stage 1]";
constexpr unsigned kMaxStages = 1000;
// What a frame puts into the stage.
constexpr const char* kFrameParts[] = {"old.tmp", "oldc", "c", "f.part", "f.tmp"};

// A rename that leaves nothing at the source; a read-only file or folder
// gets its attribute back at its new name.
DWORD Rename(const std::string& from, const std::string& to) {
    DiskStep("rename", from);
    if (::MoveFileExA(from.c_str(), to.c_str(), 0)) return ERROR_SUCCESS;
    DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesA(from.c_str());
    if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_READONLY))
        return error;
    win::ClearAttributes(from);
    if (::MoveFileExA(from.c_str(), to.c_str(), 0)) {
        win::RestoreAttributes(to, attributes);
        return ERROR_SUCCESS;
    }
    error = ::GetLastError();
    win::RestoreAttributes(from, attributes);
    return error;
}

bool RemoveFile(const std::string& path) {
    if (!win::PathExists(path)) return true;
    DiskStep("delete", path);
    win::ClearAttributes(path);
    return ::DeleteFileA(path.c_str()) || !win::PathExists(path);
}

bool RemoveTree(const std::string& path) {
    if (!win::PathExists(path)) return true;
    DiskStep("delete", path);
    return RemoveFolderTree(path);
}

// The value of "key=" on a line of its own in text; empty when missing.
std::string ValueOf(const std::string& text, const char* key) {
    const std::string wanted = std::string("\r\n") + key + "=";
    const size_t at = text.find(wanted);
    if (at == std::string::npos) return {};
    const size_t start = at + wanted.size();
    const size_t end = text.find("\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

DWORD WriteRecordFile(const std::string& path, const std::string& text, bool flush) {
    DiskStep("create", path);
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool ok =
        file && ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
    const bool closed =
        file && (flush ? FlushAndClose(file.Release()) : ::CloseHandle(file.Release()) != FALSE);
    if (ok && !closed) error = ::GetLastError();
    if (ok && closed) return ERROR_SUCCESS;
    ::DeleteFileA(path.c_str());
    return error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error;
}

bool ReadRecordFile(const std::string& path, std::string& text) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[4096];
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return false;
    text.assign(buffer, got);
    return true;
}

bool IsStageName(const std::string& name) {
    if (name.size() <= std::strlen(kStagePrefix) || _strnicmp(name.c_str(), kStagePrefix, 3) != 0)
        return false;
    for (size_t i = 3; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

std::string CFrameStage::Record() const {
    return std::string(kRecordHeader) + "\r\nframe=" + name_ + "\r\nkind=" +
           (kind_ == StageKind::Rename ? "rename"
            : kind_ == StageKind::Move ? "move"
                                       : "copy") +
           "\r\nfrom=" + source_ + "\r\n";
}

DWORD CFrameStage::Open(const std::string& destFolder, bool flush) {
    folder_ = destFolder;
    flush_ = flush;
    stage_.clear();
    name_.clear();
    for (unsigned n = 1; n < kMaxStages; ++n) {
        const std::string candidate = destFolder + kStagePrefix + std::to_string(n);
        if (!win::FitsPath(candidate + "\\f.part")) return ERROR_FILENAME_EXCED_RANGE;
        DiskStep("create", candidate);
        // Made here and now, so it is ours; another name taken is passed by.
        if (::CreateDirectoryA(candidate.c_str(), nullptr)) {
            stage_ = candidate + "\\";
            return ERROR_SUCCESS;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return ::GetLastError();
    }
    return ERROR_CANNOT_MAKE;
}

DWORD CFrameStage::Begin(const std::string& name, StageKind kind, const std::string& sourceFolder) {
    if (!IsOpen()) return ERROR_INVALID_FUNCTION;
    // What the last frame left (a replaced frame that would not come back)
    // keeps its record.
    for (const char* part : kFrameParts)
        if (win::PathExists(stage_ + part)) return ERROR_DIR_NOT_EMPTY;
    name_ = name;
    frame_ = folder_ + name;
    companion_ = win::WithoutLastDot(frame_);
    source_ = sourceFolder;
    kind_ = kind;
    // The record changes in one step, by a rename over the last frame's: a
    // stop midway leaves one or the other whole.
    const std::string record = Record();
    const std::string next = stage_ + kNextRecordName;
    const DWORD error = WriteRecordFile(next, record, flush_);
    if (error != ERROR_SUCCESS) return error;
    DiskStep("rename", next);
    if (!::MoveFileExA(next.c_str(), (stage_ + kRecordName).c_str(), MOVEFILE_REPLACE_EXISTING))
        return ::GetLastError();
    // A copy's companion folder has its place from the start: while it is
    // there, nothing was committed.
    if (IsCopy()) {
        DiskStep("create", CompanionCopy());
        if (!::CreateDirectoryA(CompanionCopy().c_str(), nullptr)) return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

bool CFrameStage::Close() {
    if (!IsOpen()) return true;
    // A replaced frame that could not come back keeps the stage and its
    // record, for the next fill to try again.
    for (const char* part : kFrameParts)
        if (win::PathExists(stage_ + part)) return false;
    RemoveFile(stage_ + kRecordName);
    RemoveFile(stage_ + kNextRecordName);
    DiskStep("delete", stage_);
    if (!::RemoveDirectoryA(win::WithoutTrailingBackslashes(stage_).c_str())) return false;
    stage_.clear();
    return true;
}

bool CFrameStage::Load(const std::string& stageFolder) {
    std::string text;
    if (!ReadRecordFile(stageFolder + kRecordName, text) ||
        text.compare(0, std::strlen(kRecordHeader), kRecordHeader))
        return false;
    const std::string name = ValueOf(text, "frame");
    const std::string kind = ValueOf(text, "kind");
    // A name that would reach outside the folder is no record of ours.
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos || name == "." || name == ".." ||
        (kind != "copy" && kind != "move" && kind != "rename"))
        return false;
    stage_ = stageFolder;
    folder_ = win::FolderOf(win::WithoutTrailingBackslashes(stageFolder));
    name_ = name;
    frame_ = folder_ + name;
    companion_ = win::WithoutLastDot(frame_);
    kind_ = kind == "rename" ? StageKind::Rename : kind == "move" ? StageKind::Move : StageKind::Copy;
    source_ = ValueOf(text, "from");
    if (!source_.empty()) win::EnsureTrailingBackslash(source_);
    return true;
}

DWORD CFrameStage::FrameReady() {
    return Rename(FramePart(), stage_ + "f.tmp");
}

DWORD CFrameStage::ParkOld() {
    const bool hasFolder = win::FolderExists(companion_);
    DWORD error = Rename(frame_, stage_ + "old.tmp");
    if (error != ERROR_SUCCESS) return error;
    if (hasFolder) {
        error = Rename(companion_, stage_ + "oldc");
        if (error != ERROR_SUCCESS) Rename(stage_ + "old.tmp", frame_);
    }
    return error;
}

DWORD CFrameStage::PlaceCompanion(bool hasCompanion) {
    const std::string copy = CompanionCopy();
    if (!hasCompanion) {
        DiskStep("delete", copy);
        return ::RemoveDirectoryA(copy.c_str()) ? ERROR_SUCCESS : ::GetLastError();
    }
    return Rename(copy, companion_);
}

DWORD CFrameStage::Commit() {
    return Rename(stage_ + "f.tmp", frame_);
}

bool CFrameStage::Abandon() {
    if (!IsOpen() || name_.empty()) return true;
    const bool frameHere = win::PathExists(frame_);
    if (!frameHere && win::FolderExists(companion_)) {
        if (IsCopy()) {
            // A companion folder that went into place before its frame file:
            // the new one, since the old one waits in the stage.
            if (!win::PathExists(CompanionCopy()) && win::PathExists(stage_ + "f.tmp"))
                RemoveTree(companion_);
        } else if (!source_.empty()) {
            // A rename's companion folder goes back to its frame file.
            const std::string sourceCompanion = win::WithoutLastDot(source_ + name_);
            if (!win::PathExists(sourceCompanion) && win::PathExists(source_ + name_))
                Rename(companion_, sourceCompanion);
        }
    }
    RemoveTree(CompanionCopy());
    RemoveFile(FramePart());
    RemoveFile(stage_ + "f.tmp");
    // The replaced frame comes back, its frame file last.
    if (!frameHere && win::PathExists(stage_ + "old.tmp")) {
        if (win::FolderExists(stage_ + "oldc") && !win::PathExists(companion_))
            Rename(stage_ + "oldc", companion_);
        if (!win::PathExists(stage_ + "oldc")) Rename(stage_ + "old.tmp", frame_);
    }
    return !win::PathExists(stage_ + "old.tmp");
}

bool CFrameStage::Finish() {
    if (!IsOpen() || name_.empty()) return true;
    bool gone = RemoveFile(stage_ + "old.tmp");
    gone = RemoveTree(stage_ + "oldc") && gone;
    return RemoveTree(CompanionCopy()) && gone;
}

bool CFrameStage::Repair() {
    // The frame file in place with no copy of it waiting: committed. (A
    // rename has no copy: its frame file in place is the commit.)
    const bool committed =
        win::PathExists(frame_) &&
        (kind_ == StageKind::Rename || (!win::PathExists(stage_ + "f.tmp") && !win::PathExists(FramePart()) &&
                                        !win::PathExists(CompanionCopy())));
    if (!committed) return Abandon();
    // A move stopped while it deleted its source, frame file first: what is
    // left of the source is a companion folder without its frame file.
    if (kind_ == StageKind::Move && !source_.empty() && !win::PathExists(source_ + name_)) {
        const std::string sourceCompanion = win::WithoutLastDot(source_ + name_);
        if (win::FolderExists(sourceCompanion)) RemoveTree(sourceCompanion);
    }
    return Finish();
}

CopyResult CopyIntoStage(const FrameScan& scan, const std::string& fromFolder, const CFrameStage& stage,
                         const CopyTicker& tick, bool flush, win::HelperThread* helper,
                         std::vector<FileToCopy>* copied, CopyFailure* failure) {
    std::vector<FileToCopy> own;
    std::vector<FileToCopy>& files = copied ? *copied : own;
    files.clear();
    auto failed = [&](const std::string& path) {
        if (failure) *failure = {::GetLastError(), path};
        return CopyResult::Failed;
    };
    if (scan.entries.empty() || scan.entries.front().folder) return failed(stage.FramePath());
    const std::string frameName = scan.entries.front().relative;
    const std::string companion = win::WithoutLastDot(frameName);
    const std::string copy = stage.CompanionCopy();
    for (size_t i = 1; i < scan.entries.size(); ++i) {
        const ScanEntry& entry = scan.entries[i];
        if (entry.link) {
            ::SetLastError(ERROR_CANT_ACCESS_FILE);
            return failed(fromFolder + entry.relative);
        }
        // The companion folder itself is the copy the stage made.
        if (entry.relative.size() == companion.size()) continue;
        const std::string to = copy + entry.relative.substr(companion.size());
        if (!win::FitsPath(to)) {
            ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return failed(stage.CompanionPath() + entry.relative.substr(companion.size()));
        }
        if (entry.folder) {
            DiskStep("create", to);
            if (!::CreateDirectoryA(to.c_str(), nullptr)) return failed(to);
            continue;
        }
        files.push_back({fromFolder + entry.relative, to, {}, {}});
    }
    CopyResult result = CopyFilesInPieces(files, tick, flush, helper);
    if (result != CopyResult::Done) {
        for (const FileToCopy& file : files)
            if (failure && file.failure.error != ERROR_SUCCESS) {
                *failure = file.failure;
                break;
            }
        return result;
    }
    // The frame file last, once everything it refers to is there.
    FileToCopy frame{fromFolder + frameName, stage.FramePart(), {}, {}};
    result = CopyFileInPieces(frame.from, frame.to, tick, flush, &frame.read, failure);
    files.push_back(std::move(frame));
    return result;
}

void RepairStagesIn(const std::string& folder, std::vector<std::string>* left) {
    const std::string pattern = folder + kStagePrefix + "*";
    if (folder.empty() || !win::FitsPath(pattern)) return;
    std::vector<std::string> stages;
    WIN32_FIND_DATAA entry;
    win::FindHandle find(::FindFirstFileA(pattern.c_str(), &entry));
    if (!find) return;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsStageName(entry.cFileName))
            stages.push_back(folder + entry.cFileName + "\\");
    } while (::FindNextFileA(find.Get(), &entry));
    // A listing that ended early puts right the stages it found; the rest
    // wait for the next fill, and nothing claims they were seen to.
    if (::GetLastError() != ERROR_NO_MORE_FILES && left)
        left->push_back(win::WithoutTrailingBackslashes(folder));
    find.Reset();
    for (const std::string& path : stages) {
        CFrameStage stage;
        if (stage.Load(path)) {
            const bool repaired = stage.Repair() && stage.Close();
            if (!repaired && left) left->push_back(win::WithoutTrailingBackslashes(path));
        } else {
            // A stage stopped before its first record was whole holds
            // nothing or that record half written; a folder that holds
            // anything else is not ours to touch.
            WIN32_FIND_DATAA inside;
            win::FindHandle any(::FindFirstFileA((path + "*").c_str(), &inside));
            bool onlyRecord = true;
            if (any) {
                do {
                    const std::string name = inside.cFileName;
                    if (name != "." && name != ".." && !win::EqualsNoCase(name, kNextRecordName))
                        onlyRecord = false;
                } while (onlyRecord && ::FindNextFileA(any.Get(), &inside));
            }
            any.Reset();
            if (onlyRecord) ::DeleteFileA((path + kNextRecordName).c_str());
            ::RemoveDirectoryA(win::WithoutTrailingBackslashes(path).c_str());
        }
    }
}
