// A frame arriving in a folder appears whole or not at all. It is written
// under a reserved name first, a stage folder "~qt<n>" beside the frames
// (one for a whole batch, made and removed once: a new name in a folder of
// thousands costs Wine a look through all of them),
// and made visible by renames, its frame file last: the frame file's
// appearance is the commit. A frame it replaces waits in the same stage
// until then. A record inside the stage names the frame, so that whatever a
// stopped program (killed, power gone, card pulled) left behind is put right
// at the next fill of the folder: an uncommitted new frame goes, the old
// frame comes back, a committed one loses its stage.
//
// The stage of a copy:            ~qt<n>\~qtstage.ini   the record
//                                 ~qt<n>\c\             the companion folder's copy
//                                 ~qt<n>\f.part, f.tmp  the frame file's copy, then whole
// and of any replace:             ~qt<n>\old.tmp, oldc\ the frame being replaced
// A move's record names the source folder. A move that renames writes no
// copy, and a companion folder that arrived without its frame file goes back
// there; a move that copies deletes its source once committed, and the
// source's companion folder that a stop left without its frame file goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ops/FrameScan.h"

namespace win {
class HelperThread;
}
struct FileToCopy;
struct CopyFailure;

// Copy: a copy stays a copy. Move: a copy whose source is deleted once it
// is committed. Rename: a move within one volume, which writes no copy.
enum class StageKind { Copy, Move, Rename };

class CFrameStage {
public:
    // Makes a stage folder in destFolder (ending with a backslash), for the
    // frames of one batch, one after another. flush (a card): its records
    // are written through. Returns the error, ERROR_SUCCESS when it is there.
    DWORD Open(const std::string& destFolder, bool flush);
    // Starts the frame name (file name with extension): its record replaces
    // the last frame's in one step. sourceFolder is kept for a move.
    DWORD Begin(const std::string& name, StageKind kind, const std::string& sourceFolder);
    // The batch is over: the stage goes, unless a replaced frame could not
    // come back (then the next fill tries again). True when it is gone.
    bool Close();
    // Reads the stage at stageFolder (ending with a backslash) from its
    // record; false when the folder holds none of ours.
    bool Load(const std::string& stageFolder);

    bool IsOpen() const { return !stage_.empty(); }
    const std::string& Folder() const { return stage_; }
    bool IsCopy() const { return kind_ != StageKind::Rename; }
    // Where the copy goes: the companion folder's contents and the frame file.
    std::string CompanionCopy() const { return stage_ + "c"; }
    std::string FramePart() const { return stage_ + "f.part"; }
    const std::string& FramePath() const { return frame_; }
    const std::string& CompanionPath() const { return companion_; }

    // The frame file's copy is whole (and flushed).
    DWORD FrameReady();
    // The frame being replaced goes into the stage, its frame file first.
    // On failure what went comes back.
    DWORD ParkOld();
    // The companion folder's copy takes its place; for a frame without one
    // (hasCompanion false) the empty copy goes.
    DWORD PlaceCompanion(bool hasCompanion);
    // The commit: the frame file's copy takes its place.
    DWORD Commit();

    // Before the commit: the new frame's parts go and the frame it was to
    // replace comes back. True when the folder is as before the frame.
    bool Abandon();
    // After the commit: the replaced frame goes.
    bool Finish();
    // What a stopped program left: Finish when the frame was committed,
    // Abandon otherwise.
    bool Repair();

private:
    std::string Record() const;
    std::string folder_;     // the destination folder, with its backslash
    std::string name_;       // the frame file's name
    std::string stage_;      // the stage folder, with its backslash
    std::string frame_;      // folder_ + name_
    std::string companion_;  // the companion folder's path at the destination
    std::string source_;     // a rename's source folder, with its backslash
    StageKind kind_ = StageKind::Copy;
    bool flush_ = false;
};

// Copies the frame scan lists in fromFolder into an open stage of kind
// Copy: the companion folder's contents into its copy, then the frame file,
// each written through when flush. helper and copied as for CopyScanned
// (the frame file comes last in copied); failure, when given, tells why a
// copy failed.
CopyResult CopyIntoStage(const FrameScan& scan, const std::string& fromFolder, const CFrameStage& stage,
                         const CopyTicker& tick, bool flush, win::HelperThread* helper,
                         std::vector<FileToCopy>* copied, CopyFailure* failure);

// Puts right every stage in folder (ending with a backslash) that a stopped
// program left; the paths of those it could not put right go to left. Cheap
// where there is none: one listing of the reserved names.
void RepairStagesIn(const std::string& folder, std::vector<std::string>* left = nullptr);

// The small records of stages and parked frames. WriteRecordFile writes
// text as the whole file at path (made or emptied), written through when
// flush; on failure the file goes and the error is returned.
DWORD WriteRecordFile(const std::string& path, const std::string& text, bool flush);
// The first 4 KB of a record; false when it cannot be read.
bool ReadRecordFile(const std::string& path, std::string& text);

// True for a name this program keeps for its own use in a frame folder.
bool IsStageName(const std::string& name);
