// Writes the damaged-JPEG corpus that damaged_jpeg_bench measures, to look
// at or to feed another decoder:
//   make_damaged_jpegs <folder> [count] [first-case]
// Cases first .. first + count - 1 (default 300 from 0) go into <folder>
// (created with its parents): original\NNNN.jpg, damaged\NNNN.jpg,
// padded\NNNN.jpg and cases.txt, which says for each case how it was
// encoded, damaged and padded. Case n is always the same bytes. Keep the
// folder out of the repository (under build\ or the temporary folder).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "DamagedJpegCorpus.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: make_damaged_jpegs <folder> [count] [first-case]\n");
        return 2;
    }
    std::string folder = argv[1];
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    const int count = argc > 2 ? std::atoi(argv[2]) : 300;
    const int first = argc > 3 ? std::atoi(argv[3]) : 0;
    if (count <= 0 || first < 0 || folder.size() >= MAX_PATH - 24) {
        std::fprintf(stderr, "make_damaged_jpegs: bad folder or count\n");
        return 2;
    }
    if (!damaged::WriteCorpus(folder, static_cast<unsigned>(first), static_cast<unsigned>(count), nullptr)) {
        std::fprintf(stderr, "make_damaged_jpegs: cannot write the cases into %s\n", folder.c_str());
        return 1;
    }
    std::printf("%d cases in %s\n", count, folder.c_str());
    return 0;
}
