// The damaged-JPEG corpus of DamagedJpegs.h written to a folder: for case n,
// original\NNNN.jpg (the undamaged picture), damaged\NNNN.jpg (damaged in
// the middle of its entropy-coded data) and padded\NNNN.jpg (whole, with extra
// bytes before a marker), and cases.txt with a line for each case.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "DamagedJpegs.h"
#include "DemoLibrary.h"

namespace damaged {

struct CaseFiles {
    unsigned index;
    std::string encoding, damage, extra;        // what was done, in words
    std::string original, damagedPath, padded;  // empty when the case has no such file
};

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

// Writes cases first .. first + count - 1 into `folder` (no trailing
// backslash); false when a file cannot be written.
inline bool WriteCorpus(const std::string& folder, unsigned first, unsigned count,
                        std::vector<CaseFiles>* cases) {
    for (const char* sub : {"original", "damaged", "padded"})
        if (!demo::MakeFolders(folder + "\\" + sub)) return false;
    std::ofstream list(folder + "\\cases.txt", std::ios::binary | std::ios::trunc);
    for (unsigned n = first; n < first + count; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "%04u.jpg", n);
        CaseFiles c;
        c.index = n;
        c.encoding = Describe(EncodingOf(n));
        const std::string good = GoodJpeg(n);
        const std::string bad = DamagedJpeg(n, good, &c.damage);
        const std::string padded = PaddedJpeg(n, good, &c.extra);
        if (good.empty()) return false;
        c.original = folder + "\\original\\" + name;
        if (!WriteBytes(c.original, good)) return false;
        if (!bad.empty()) {
            c.damagedPath = folder + "\\damaged\\" + name;
            if (!WriteBytes(c.damagedPath, bad)) return false;
        }
        if (!padded.empty()) {
            c.padded = folder + "\\padded\\" + name;
            if (!WriteBytes(c.padded, padded)) return false;
        }
        list << name << '\t' << c.encoding << '\t' << (bad.empty() ? "-" : c.damage) << '\t'
             << (padded.empty() ? "-" : c.extra) << "\r\n";
        if (cases) cases->push_back(c);
    }
    list.close();
    return static_cast<bool>(list);
}

}  // namespace damaged
