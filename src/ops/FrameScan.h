// A frame on disk as a list, made by one directory walk: the frame file,
// then its companion folder and everything in it, each folder before what it
// holds. The walk never enters a link (a junction, a symbolic link, any
// reparse point; win::LinkCheck decides): a link is listed as itself, and the
// operations refuse a frame that holds one before touching anything.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ops/OperationReporter.h"
#include "win/Handles.h"
#include "win/Names.h"

namespace win {
class HelperThread;
class LinkCheck;
}  // namespace win
struct FileToCopy;

struct ScanEntry {
    std::string relative;  // to the folder that holds the frame
    bool folder = false;
    bool link = false;
    ULONGLONG size = 0;
};

struct FrameScan {
    std::vector<ScanEntry> entries;
    ULONGLONG bytes = 0;        // the files' lengths
    ULONGLONG bytesNeeded = 0;  // each file's length plus the allowance a file takes on disk
    std::string firstLink;      // full path of the first link met; empty when there is none
    // Full path (with '?' for what the code page lacks) of the first name the
    // ANSI calls cannot reach, which is left out of the entries; and why.
    std::string firstUnusable;
    win::NameProblem unusableProblem = win::NameProblem::kNone;
    bool found = false;    // the frame file is there
    bool complete = true;  // every folder could be listed and every path fits
    std::string unlisted;  // the first folder whose listing failed or ended early
    std::string tooLong;   // the first path too long for the ANSI calls
};

// Tests: the listing of any folder whose path ends with folderName ends
// after entries entries as if the disk had failed it midway. An empty name
// turns it off.
void SetListingFaultForTests(const std::string& folderName, int entries);

// A frame that is or holds a link, or holds a name the program cannot
// reach, or that could not be listed whole, is left alone: says so through
// the reporter (naming what) and returns true; false for a frame that may be
// acted on.
bool ReportRefusal(const FrameScan& scan, IOperationReporter& reporter);

// Bytes a file is counted with besides its length.
inline constexpr ULONGLONG kFileAllowance = 32768;

// a + b, or the largest count when that would overflow.
inline ULONGLONG SaturatingAdd(ULONGLONG a, ULONGLONG b) {
    return a > ~0ULL - b ? ~0ULL : a + b;
}

// The frame name (file name with extension) of folder (ending with a
// backslash) with its companion folder, when there is one.
// A batch of one folder passes that folder's link check (win::LinkCheck),
// made once, in folderLinks; each scan makes its own otherwise.
FrameScan ScanFrame(const std::string& folder, const std::string& name,
                    const win::LinkCheck* folderLinks = nullptr);
// ScanFrame for a move that renames: the companion folder is listed through
// a handle that can rename it too, left in companion (empty when there is no
// such folder or it would not open so). Under Wine every open and close is a
// round trip to the server; this saves one of each.
FrameScan ScanFrameForRename(const std::string& folder, const std::string& name, win::FileHandle& companion,
                             const win::LinkCheck* folderLinks = nullptr);
// Everything inside folder, relative to it.
FrameScan ScanFolder(const std::string& folder);

// Called after each piece of a copy with the bytes it added; false cancels.
using CopyTicker = std::function<bool(ULONGLONG bytes)>;
enum class CopyResult { Done, Failed, Cancelled };

// Makes the listed folders and copies the listed files from fromFolder to
// toFolder (both ending with a backslash); nothing there may exist yet. A
// listed link fails the copy. On failure or cancel what was made so far
// stays: the caller removes it with DeleteScanned. With flush (a card) each
// file is written through before it counts; without the argument the drive
// of toFolder is asked, which under Wine costs a call to another process.
// With a helper, that thread copies some of the files (see CopyFilesInPieces).
// copied, when given, receives the files with what the copy read of each.
CopyResult CopyScanned(const FrameScan& scan, const std::string& fromFolder, const std::string& toFolder,
                       const CopyTicker& tick, bool flush, win::HelperThread* helper = nullptr,
                       std::vector<FileToCopy>* copied = nullptr);
CopyResult CopyScanned(const FrameScan& scan, const std::string& fromFolder, const std::string& toFolder,
                       const CopyTicker& tick);
// Deletes the listed entries under folder, deepest first, read-only ones too.
// A listed link is left as it is, and so is the folder holding it: no call
// that names a link is safe under Wine. Goes on past what cannot be deleted;
// true when everything listed is gone, else the first path left is put in
// notDeleted.
bool DeleteScanned(const FrameScan& scan, const std::string& folder, std::string* notDeleted = nullptr);

// Deletes a frame listed by scan in folder as DeleteScanned does, but its
// frame file first, so that a stop midway leaves no frame that looks whole.
// A frame file that will not go keeps its companion folder.
bool DeleteFrameFileFirst(const FrameScan& scan, const std::string& folder,
                          std::string* notDeleted = nullptr);

// Deletes folder and everything in it but links (and the folders holding
// them); true when it is gone.
bool RemoveFolderTree(const std::string& folder);
