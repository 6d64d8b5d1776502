#include "ops/ParkedFrames.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "ops/CardWrites.h"
#include "ops/DiskSteps.h"
#include "ops/FileCopy.h"
#include "ops/FrameStage.h"
#include "win/FileSystem.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace {

constexpr char kRecordName[] = "~qtpark.ini";
constexpr char kRecordHeader[] = "[QuilletTool parked 1]";

bool MakeFolder(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// The attributes of a scanned frame's companion folder (0 for none), which
// a copy of the folder does not take.
DWORD FolderAttributes(const FrameScan& scan, const std::string& folder) {
    if (scan.entries.size() < 2 || !scan.entries[1].folder) return 0;
    const DWORD attributes = ::GetFileAttributesA((folder + scan.entries[1].relative).c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes;
}

// The frame file's path at home, from a parked frame's record, and its
// companion folder's attributes; empty when there is no record of ours.
std::string ReadRecord(const std::string& path, DWORD& folderAttributes) {
    std::string text;
    if (!ReadRecordFile(path, text)) return {};
    const std::string key = std::string(kRecordHeader) + "\r\nframe=";
    if (text.compare(0, key.size(), key) != 0) return {};
    const size_t end = text.find("\r\n", key.size());
    const std::string frame =
        text.substr(key.size(), end == std::string::npos ? std::string::npos : end - key.size());
    // A full path to a frame file, nothing else.
    if (frame.size() < 4 || frame[1] != ':' || frame.back() == '\\') return {};
    const size_t attributes = text.find("\r\nattributes=");
    folderAttributes = attributes == std::string::npos
                           ? 0
                           : static_cast<DWORD>(std::strtoul(text.c_str() + attributes + 14, nullptr, 10));
    return frame;
}

}  // namespace

std::string ParkingFolder(bool create) {
    const std::string local = win::LocalAppDataFolder(create);
    if (local.empty()) return {};
    const std::string program = local + "\\QuilletTool";
    const std::string parked = program + "\\Parked";
    if (!create) return win::FolderExists(parked) ? parked + "\\" : std::string();
    if (!MakeFolder(program) || !MakeFolder(parked)) return {};
    return parked + "\\";
}

CParkedFrame::Result CParkedFrame::Park(const FrameScan& scan, const std::string& destFolder,
                                        const CopyTicker& pump) {
    const std::string parking = ParkingFolder();
    if (parking.empty() || scan.entries.empty() || !scan.complete) return Result::NoRoom;
    std::string park;
    for (unsigned n = 1; n < 1000 && park.empty(); ++n) {
        const std::string candidate = parking + "p" + std::to_string(n);
        if (!win::FitsPath(candidate + "\\" + scan.entries.front().relative)) return Result::NoRoom;
        if (::CreateDirectoryA(candidate.c_str(), nullptr)) park = candidate + "\\";
    }
    if (park.empty()) return Result::NoRoom;
    // Whole and written through before the record says it is there, and the
    // record before anything at home goes.
    if (CopyScanned(scan, destFolder, park, pump, true) != CopyResult::Done ||
        WriteRecordFile(park + kRecordName,
                        std::string(kRecordHeader) + "\r\nframe=" + destFolder +
                            scan.entries.front().relative +
                            "\r\nattributes=" + std::to_string(FolderAttributes(scan, destFolder)) + "\r\n",
                        true) != ERROR_SUCCESS) {
        RemoveFolderTree(park);
        return Result::NoRoom;
    }
    park_ = park;
    frame_ = destFolder + scan.entries.front().relative;
    folderAttributes_ = FolderAttributes(scan, destFolder);
    if (!DeleteFrameFileFirst(scan, destFolder)) {
        PutBack(pump);
        return Result::Failed;
    }
    return Result::Parked;
}

bool CParkedFrame::Load(const std::string& parkFolder) {
    frame_ = ReadRecord(parkFolder + kRecordName, folderAttributes_);
    park_ = frame_.empty() ? std::string() : parkFolder;
    return !frame_.empty();
}

std::string CParkedFrame::Where() const {
    return win::WithoutTrailingBackslashes(park_);
}

bool CParkedFrame::PutBack(const CopyTicker& pump) {
    if (!IsParked()) return true;
    const std::string home = win::FolderOf(frame_);
    const std::string name = frame_.substr(home.size());
    // A frame at home: the new one was committed, or the old one never
    // left (a stop before its delete began).
    if (win::PathExists(frame_)) return Discard();
    if (!win::FolderExists(home)) return false;
    const FrameScan scan = ScanFrame(park_, name);
    if (!scan.found || !scan.complete) return false;
    // What is left at home of a delete that stopped midway goes; the whole
    // frame comes from here.
    const std::string companion = win::WithoutLastDot(frame_);
    if (win::PathExists(companion) && !RemoveFolderTree(companion)) return false;
    CFrameStage stage;
    if (stage.Open(home, IsOnRemovableDrive(home)) != ERROR_SUCCESS) return false;
    if (stage.Begin(name, StageKind::Copy, std::string()) != ERROR_SUCCESS) {
        stage.Close();
        return false;
    }
    const bool placed = CopyIntoStage(scan, park_, stage, pump, IsOnRemovableDrive(home), nullptr, nullptr,
                                      nullptr) == CopyResult::Done &&
                        stage.FrameReady() == ERROR_SUCCESS &&
                        stage.PlaceCompanion(scan.entries.size() > 1) == ERROR_SUCCESS &&
                        stage.Commit() == ERROR_SUCCESS;
    if (!placed) {
        stage.Abandon();
        stage.Close();
        return false;
    }
    stage.Finish();
    stage.Close();
    if (folderAttributes_) win::RestoreAttributes(companion, folderAttributes_);
    return Discard();
}

bool CParkedFrame::Discard() {
    if (!IsParked()) return true;
    DiskStep("delete", park_);
    if (!RemoveFolderTree(park_)) return false;
    park_.clear();
    return true;
}

std::vector<ParkedLeft> RepairParkedFrames() {
    std::vector<ParkedLeft> left;
    // A start makes nothing in the user's profile: no folder, nothing parked.
    const std::string parking = ParkingFolder(false);
    if (parking.empty()) return left;
    std::vector<std::string> parks;
    WIN32_FIND_DATAA entry;
    win::FindHandle find(::FindFirstFileA((parking + "p*").c_str(), &entry));
    if (!find) return left;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            parks.push_back(parking + entry.cFileName + "\\");
    } while (::FindNextFileA(find.Get(), &entry));
    // A listing that ended early: the parked frames it did not reach are
    // said to wait where they are, not taken for put back.
    if (::GetLastError() != ERROR_NO_MORE_FILES)
        left.push_back({std::string(), win::WithoutTrailingBackslashes(parking)});
    find.Reset();
    for (const std::string& park : parks) {
        CParkedFrame parked;
        if (!parked.Load(park)) {
            // Stopped before its record: the frame never left home, and the
            // folder is the program's own.
            RemoveFolderTree(park);
            continue;
        }
        // A stage at home comes first: its new frame is committed or gone.
        RepairStagesIn(win::FolderOf(parked.HomePath()));
        if (!parked.PutBack(nullptr)) left.push_back({parked.HomePath(), parked.Where()});
    }
    return left;
}
