// Files written to a memory card. A card is pulled out without warning, so
// every file this program writes to a removable drive is flushed before its
// handle is closed, and its path is kept so that "Remove card safely" can
// flush it once more before the card is stopped. Fixed drives pay none of
// this: the decision is taken once per destination folder.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The root ("E:\") of the drive a path is on; empty for a path without a
// drive letter (a network path).
std::string DriveRootOf(const std::string& path);

// True when the path lies on a removable drive: a card, which has no
// recycle bin and may be pulled out at any moment.
bool IsOnRemovableDrive(const std::string& path);

// Free bytes of the drive at root; false when its medium is not there (a
// reader without a card answers "not ready", a vanished drive not at all).
bool DriveReadyFreeBytes(const std::string& root, ULONGLONG& freeBytes);
// A removable drive the path is on that holds no medium any more.
bool IsCardGone(const std::string& path);

// Records a file written to a removable drive during this run.
void NoteCardFileWritten(const std::string& path);
// The recorded files on the drive with this root, in the order written.
std::vector<std::string> CardFilesWritten(const std::string& root);
// Forgets the recorded files of a drive (after the card was stopped).
void ForgetCardFiles(const std::string& root);

// Writes what the system still holds of an open file to the disk, then
// closes the handle; false when either fails (data may be lost).
bool FlushAndClose(HANDLE file);
// Opens a written file again and flushes it. A file that is gone (moved
// back, deleted, renamed) has nothing left to write and counts as done.
bool FlushWrittenFile(const std::string& path);
