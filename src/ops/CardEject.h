// Stopping a memory card so that it can be pulled out: everything written
// to it is flushed, then the card's device is ejected the way the system's
// own "safely remove" does it, which needs no administrator rights. Where
// that route is missing, the volume is locked, dismounted and ejected.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

enum class EjectStatus {
    Ejected,      // the card can be removed
    Vetoed,       // a program still holds a file on it; vetoName says which
    Failed,       // the system refused; nothing changed
    Unavailable,  // the device route is missing here: try the volume calls
    FlushFailed,  // a written file could not be flushed: the card was left alone
};

struct EjectResult {
    EjectStatus status = EjectStatus::Failed;
    std::string vetoName;  // the vetoing program or device, as the system names it
};

// Each step of the eject on its own, so that tests can replace them (Wine
// can eject nothing) and see the order in which they run.
struct CardEjectCalls {
    // Flushes one file written to the card; false when data may be lost.
    std::function<bool(const std::string& path)> flushFile;
    // The device instance to eject for the volume at root ("E:\"): the
    // device holding the volume's disk. 0 when it cannot be found.
    std::function<DWORD(const std::string& root)> findDevice;
    // CM_Request_Device_EjectA on that device: Ejected, Vetoed (with the
    // name), Failed, or Unavailable when the function is missing.
    std::function<EjectStatus(DWORD device, std::string& vetoName)> requestEject;
    // The fallback: lock, dismount and eject the volume; false when a step
    // failed (the lock is released again).
    std::function<bool(const std::string& root)> ejectVolume;
};

// The real calls.
CardEjectCalls SystemCardEjectCalls();

// Flushes every file this run wrote to the drive at root, then ejects it.
// Stops at the first flush that fails, before anything is ejected.
EjectResult RemoveCardSafely(const std::string& root, const CardEjectCalls& calls);
