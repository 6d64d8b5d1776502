// The companion application's registry entry, which is all this program
// knows of it: the name of the semaphore it holds while it runs, and a file
// path inside its installation folder.
#pragma once

#include <windows.h>

#include <string>

// Under HKEY_LOCAL_MACHINE, in the registry view of a 32-bit program.
inline constexpr char kLumadexKey[] = "SOFTWARE\\ZORVA";
inline constexpr char kLumadexSubKey[] = "ZORVA LUMADEX3.0";
inline constexpr char kLumadexCaptionValue[] = "CAPTION";
inline constexpr char kLumadexPathValue[] = "PATH";
inline constexpr REGSAM kLumadexRegistryView = KEY_WOW64_32KEY;

// One string value of the entry, from the 32-bit view where it is there, else
// from the process's own view; empty when missing.
std::string ReadLumadexValue(const char* name);

// True when a semaphore of that name exists (also when it exists but this
// process may not open it). An empty name names no semaphore.
bool IsNamedSemaphorePresent(const std::string& name);
