// What the program reads from a frame file: the four keys of its HEADER
// section, turned into the texts the frame lists show.
#pragma once

#include <windows.h>

#include <string>

// One frame file as the lists show it. Plain data: it lives zero-filled in
// the frame-info cache's heap, so every text field is a bounded array.
struct FrameInfo {
    int imageIndex;         // thumbnail in the shared image list, -1 when none
    char path[MAX_PATH];    // full path, as the folder scan produced it
    char fileName[512];     // name and extension, with the case found on disk
    char title[129];        // HdTitle
    char paperLabel[129];   // paper identifier, translated when the language file knows it
    char marginLabel[129];  // label of the matching margin preset, or empty
    FILETIME written;       // the frame file's last write, as its folder lists it
};

struct MarginPreset {
    const char* margins;   // the whole HdMargines text, compared without case
    const char* labelKey;  // language key of the label
};

inline constexpr MarginPreset MarginPresets[] = {
    {"42,198,42,42", "TITLE_MARGINE_NORMAL"},          {"42,42,42,42", "TITLE_MARGINE_EXTEND"},
    {"-42,-72,-36,-36", "TITLE_MARGINE_NO"},           {"-42,-72,-50,-50", "TITLE_MARGINE_NO"},
    {"0,0,-36,-36", "TITLE_MARGINE_ROLLPAPER_CUTOFF"}, {"-36,-36,-36,-36", "TITLE_MARGINE_ROLLPAPER_CUTON"},
};

// The four HEADER keys of a frame file as the profile reader returns them
// into the program's read buffers (1024, 1024, 260 and 129 bytes).
struct FrameHeader {
    std::string title;      // HdTitle
    std::string paperSize;  // HdPhysicalPaperSize
    std::string thumbnail;  // HdThumbnail
    std::string margins;    // HdMargines
};

// A frame file is a few kilobytes; a larger file is not read at all.
inline constexpr DWORD kMaxFrameFileBytes = 1024 * 1024;

// Reads the frame file once; a missing, unreadable or oversized file gives
// an empty header.
FrameHeader ReadFrameHeader(const std::string& path);

// What the lists show, from a header already read.
std::string PaperLabel(const FrameHeader& header);
std::string MarginLabel(const FrameHeader& header);
// HdThumbnail with a leading ".\" resolved against the folder of the frame
// file `path`; empty when the result would not fit a path.
std::string ResolveThumbnailPath(const std::string& path, const FrameHeader& header);

// The same, each reading the file itself.
std::string ReadTitle(const std::string& path);
std::string ReadPaperLabel(const std::string& path);
std::string ReadMarginLabel(const std::string& path);
std::string ResolveThumbnailPath(const std::string& path);

// Copies text into a record field, cut at a character boundary so that the
// field always keeps its terminator.
void CopyFieldBytes(char* field, size_t size, const std::string& text);
template <size_t N>
void CopyField(char (&field)[N], const std::string& text) {
    CopyFieldBytes(field, N, text);
}
