// Copies one file in pieces, so that a long copy can report progress and be
// cancelled between pieces. The copy gets the source's attributes and times;
// a copy that fails or is cancelled leaves nothing behind.
#pragma once

#include <string>

#include "ops/FrameScan.h"

// The destination must not exist yet. With flush (a card) the copy is
// written through to the disk before it counts as done, and remembered.
CopyResult CopyFileInPieces(const std::string& from, const std::string& to, const CopyTicker& tick,
                            bool flush = false);
