// A frame being replaced on a nearly full card, where the new frame fits
// only in the old one's room, waits on the computer until the new one is
// committed: in a folder of the program's own under the user's local
// application data, never the temporary folder, with a record of where it
// came from. What a stopped program left there goes back at the next start.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ops/FrameScan.h"

// ...\QuilletTool\Parked\ under the user's local application data, ending
// with a backslash, made when create says so; empty when that folder cannot
// be found (or is not there and was not to be made).
std::string ParkingFolder(bool create = true);

class CParkedFrame {
public:
    enum class Result { Parked, NoRoom, Failed };

    // Copies the frame (scan, listed in destFolder) to a new folder of the
    // parking folder, records where it came from, then deletes it from
    // destFolder, its frame file first. NoRoom: nothing was changed. Failed:
    // it could not all be deleted, and what went came back.
    Result Park(const FrameScan& scan, const std::string& destFolder, const CopyTicker& pump);
    // Takes over a parked frame from its record (a start after a stop).
    bool Load(const std::string& parkFolder);

    bool IsParked() const { return !park_.empty(); }
    // Where it waits, for a message that says so.
    std::string Where() const;
    // The frame file's path at home.
    const std::string& HomePath() const { return frame_; }
    // The frame comes back, whole or not at all (through a stage), and its
    // parked copy goes. False when it could not: it is still parked.
    bool PutBack(const CopyTicker& pump);
    // The new frame is committed: the parked one goes.
    bool Discard();

private:
    std::string park_;            // the parked frame's folder, ending with a backslash
    std::string frame_;           // the frame file's path at home
    DWORD folderAttributes_ = 0;  // its companion folder's, 0 for none
};

// A parked frame that could not go back: its frame file's path at home,
// and the folder where it waits.
struct ParkedLeft {
    std::string home, where;
};

// Puts back every frame a stopped program left parked whose replacement
// never arrived, and removes those whose replacement did. Returns those
// that could not go back (their card is not in the reader).
std::vector<ParkedLeft> RepairParkedFrames();
