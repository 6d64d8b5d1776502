// Deterministic demo frames: a frame file with a varied HEADER and its
// companion folder holding a JPEG thumbnail and a layout picture. Frame n is
// always the same frame, so a library made twice is the same library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "JpegWriter.h"

namespace demo {

struct Rgb {
    unsigned char r, g, b;
};

struct Picture {
    int width = 0;
    int height = 0;
    bool grey = false;
    std::vector<unsigned char> pixels;  // rows top first; 1 or 3 bytes a pixel
};

// Background gradient between two colours with a disc and a bar in two
// others: recognisable at 64 pixels, different for every seed.
inline Picture DrawPicture(int width, int height, bool grey, unsigned seed) {
    static const Rgb kColors[] = {{220, 40, 40},  {40, 160, 60},  {40, 80, 220},  {240, 200, 30},
                                  {150, 50, 180}, {30, 190, 200}, {250, 130, 20}, {90, 60, 40}};
    const unsigned n = sizeof kColors / sizeof kColors[0];
    const Rgb from = kColors[seed % n], to = kColors[(seed + 3) % n];
    const Rgb disc = kColors[(seed + 5) % n], bar = kColors[(seed + 6) % n];

    Picture p;
    p.width = width;
    p.height = height;
    p.grey = grey;
    p.pixels.resize(static_cast<size_t>(width) * height * (grey ? 1 : 3));
    const int radius = (width < height ? width : height) / 4;
    const int cx = width * (3 + seed % 3) / 10, cy = height / 2;
    unsigned char* out = p.pixels.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int t = (x + y) * 255 / (width + height);  // diagonal gradient 0..255
            Rgb c = {static_cast<unsigned char>((from.r * (255 - t) + to.r * t) / 255),
                     static_cast<unsigned char>((from.g * (255 - t) + to.g * t) / 255),
                     static_cast<unsigned char>((from.b * (255 - t) + to.b * t) / 255)};
            const int dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy <= radius * radius) c = disc;
            if (x > width * 7 / 10 && y > height / 5 && y < height * 4 / 5 && x < width * 9 / 10) c = bar;
            if (grey) {
                *out++ = static_cast<unsigned char>((c.r * 299 + c.g * 587 + c.b * 114) / 1000);
            } else {
                *out++ = c.r;
                *out++ = c.g;
                *out++ = c.b;
            }
        }
    }
    return p;
}

inline bool WritePicture(const std::string& path, const Picture& p, int quality = 85) {
    return WriteJpeg(path, p.width, p.height, p.grey ? 1 : 3, p.grey ? JCS_GRAYSCALE : JCS_RGB,
                     p.pixels.data(), quality);
}

struct DemoFrame {
    std::string name;  // base name, at most 8 characters of [A-Z0-9_-]
    std::string title;
    std::string paper;
    std::string margins;
    int thumbWidth;
    int thumbHeight;
    bool thumbGrey;
};

inline DemoFrame DescribeFrame(int index) {
    static const char* const kStems[] = {"FLOWER", "OCEAN",  "KIDS",   "XMAS",   "B-DAY",
                                         "SNOW_",  "WEDDNG", "AUTUMN", "SPRING", "PARTY"};
    // Some titles repeat (sort ties), one is longer than a record keeps, some
    // are accented letters of code page 1252.
    static const char* const kTitles[] = {"Summer Flowers",
                                          "Happy Birthday",
                                          "Summer Flowers",
                                          nullptr,
                                          "Caf\xE9 cr\xE8me",
                                          "Gr\xFC\xDF"
                                          "e aus M\xFC"
                                          "nchen",
                                          "Ni\xF1o y ni\xF1"
                                          "a",
                                          "Ocean",
                                          "Winter night"};
    static const char* const kPapers[] = {"A4", "A5", "L", "2L", "POSTCARD", "LETTER", "Roll89", ""};
    // The six presets, one that matches none and one that differs by blanks only.
    static const char* const kMargins[] = {"42,198,42,42",    "42,42,42,42",    "-42,-72,-36,-36",
                                           "-42,-72,-50,-50", "0,0,-36,-36",    "-36,-36,-36,-36",
                                           "10,10,10,10",     "42, 198, 42, 42"};
    struct Shape {
        int width, height;
        bool grey;
    };
    static const Shape kShapes[] = {{160, 106, false},   {106, 160, false}, {120, 120, true},
                                    {640, 480, false},   {90, 160, true},   {40, 30, false},
                                    {1600, 1200, false}, {200, 150, true}};

    DemoFrame f;
    const std::string digits = (index < 10 ? "0" : "") + std::to_string(index);
    const std::string stem = kStems[index % 10];
    f.name = stem.substr(0, digits.size() < 8 ? 8 - digits.size() : 0) + digits;
    const char* title = kTitles[index % 9];
    if (title) {
        f.title = title;
        if (index % 9 == 7) f.title += " " + std::to_string(index);
    } else {
        f.title = "A frame with a title far longer than the list keeps:";
        while (f.title.size() <= 160) f.title += " border, corners and a ribbon";
    }
    f.paper = kPapers[index % 8];
    f.margins = kMargins[(index * 3) % 8];
    const Shape& shape = kShapes[(index * 5 + index / 8) % 8];
    f.thumbWidth = shape.width;
    f.thumbHeight = shape.height;
    f.thumbGrey = shape.grey;
    return f;
}

// Creates a folder and all its missing parents.
inline bool MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    ::CreateDirectoryA(path.c_str(), nullptr);
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Writes frame `index` into `folder` (no trailing backslash): NAME.USD and
// NAME\thumb.jpg, NAME\layout.jpg. Returns the frame file's path, empty on failure.
inline std::string WriteDemoFrame(const std::string& folder, int index) {
    const DemoFrame f = DescribeFrame(index);
    const std::string companion = folder + "\\" + f.name;
    if (!MakeFolders(companion)) return std::string();
    const unsigned seed = static_cast<unsigned>(index) * 7u + 1u;
    if (!WritePicture(companion + "\\thumb.jpg", DrawPicture(f.thumbWidth, f.thumbHeight, f.thumbGrey, seed)))
        return std::string();
    const bool portrait = index % 2 == 1;
    if (!WritePicture(companion + "\\layout.jpg",
                      DrawPicture(portrait ? 400 : 600, portrait ? 600 : 400, false, seed + 3)))
        return std::string();

    const std::string ref = ".\\" + f.name + "\\";
    const std::string path = folder + "\\" + f.name + ".USD";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[HEADER]\r\n"
        << "HdTitle=" << f.title << "\r\n"
        << "HdPhysicalPaperSize=" << f.paper << "\r\n"
        << "HdMargines=" << f.margins << "\r\n"
        << "HdThumbnail=" << ref << "thumb.jpg\r\n"
        << "[LAYOUT]\r\n"
        << "LyImageCount=1\r\n"
        << "LyImage1=" << ref << "layout.jpg\r\n"
        << "LyPreview1=" << ref << "thumb.jpg\r\n";
    out.close();
    return out ? path : std::string();
}

}  // namespace demo
