// Reading keys of a private-profile (INI) text held in memory, with the
// results GetPrivateProfileStringA gives for the same file: a frame file is
// read once and its header keys are taken from the bytes, instead of one
// profile call per key.
#pragma once

#include <string>
#include <vector>

struct ProfileKey {
    const char* name;   // key name, ASCII
    size_t bufferSize;  // the read buffer the value would be read into (bytes, with the terminator)
};

// The values of `keys` in the first section named `section`, in the order
// of `keys`; empty for a key that is missing or has no '='. `bytes` is the
// whole file.
std::vector<std::string> ReadProfileKeys(const std::string& bytes, const char* section,
                                         const std::vector<ProfileKey>& keys);
