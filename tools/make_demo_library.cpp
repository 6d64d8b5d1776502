// Writes a deterministic demo frame library.
//   make_demo_library <folder> <count> [first-index]
// Frames first-index .. first-index + count - 1 go into <folder> (created with
// its parents), each a NAME.USD frame file with its companion folder NAME\.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "DemoLibrary.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: make_demo_library <folder> <count> [first-index]\n");
        return 2;
    }
    std::string folder = argv[1];
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    const int count = std::atoi(argv[2]);
    const int first = argc == 4 ? std::atoi(argv[3]) : 0;
    if (count < 0 || first < 0 || folder.size() >= MAX_PATH - 24) {
        std::fprintf(stderr, "make_demo_library: bad folder or count\n");
        return 2;
    }
    if (!demo::MakeFolders(folder)) {
        std::fprintf(stderr, "make_demo_library: cannot create %s\n", folder.c_str());
        return 1;
    }
    for (int i = first; i < first + count; ++i) {
        if (demo::WriteDemoFrame(folder, i).empty()) {
            std::fprintf(stderr, "make_demo_library: cannot write frame %d in %s\n", i, folder.c_str());
            return 1;
        }
    }
    std::printf("%d frames in %s\n", count, folder.c_str());
    return 0;
}
