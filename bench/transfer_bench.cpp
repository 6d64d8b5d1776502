// Frame transfer against plain CopyFileA and MoveFileA loops over the same
// files. Figures only; it asserts nothing.
//
// Build with scripts/build.sh, then from the repository root:
//     build/win64/wine-run.sh build/win64/transfer_bench.exe [frames] [rounds]
// (defaults 100 frames, 5 rounds). The second drive is the test prefix's M:
// (scripts/wine-drives.sh makes it); without it only one drive is measured.
//
// Each frame is a frame file and a companion folder of real JPEGs (a
// thumbnail and three photos, one in a subfolder; about 300 KB). Each round
// runs every contender once, in turn, on fresh copies of the frames:
//   copy within one drive:  CopyFileA loop  vs  TransferFrames Copy
//   move within one drive:  MoveFileA loop  vs  TransferFrames Move
//   copy to another drive:  CopyFileA loop  vs  TransferFrames Copy
//   move to another drive:  MoveFileA loop  vs  TransferFrames Move
//   copy there, unverified: CopyFileA loop  vs  TransferFrames Copy without
//                           the read-back of a card's copy
// and prints the minimum and median over the rounds with the ratio of the
// transfer to its plain loop (below 1.0 the transfer is faster).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "../tools/JpegWriter.h"
#include "ops/FrameScan.h"
#include "ops/FrameTransfer.h"
#include "win/TwoThreads.h"

namespace {

struct Picture {
    const char* name;
    int width, height;
};
constexpr Picture kPictures[] = {
    {"thumb.jpg", 160, 120}, {"p1.jpg", 800, 600}, {"p2.jpg", 600, 800}, {"sub\\p3.jpg", 800, 600}};

std::string FrameBase(int i) {
    char name[32];
    snprintf(name, sizeof name, "Frame%04d", i);
    return name;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

// A photo-like picture: smooth gradients with some detail, so the JPEG is
// of a realistic size.
bool WritePhoto(const std::string& path, int width, int height, int seed) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<unsigned char>((x * 255 / width + seed * 17) ^ ((x * y) >> 7));
            p[1] = static_cast<unsigned char>(y * 255 / height + ((x >> 3) & 15));
            p[2] = static_cast<unsigned char>((x + y + seed * 31) * 3);
        }
    return demo::WriteJpeg(path, width, height, 3, JCS_RGB, pixels.data(), 88);
}

// The frames, written once into folder; later rounds copy them from there.
bool WriteFrames(const std::string& folder, int count, std::vector<std::string>& names) {
    const std::string pictures = folder + "~pictures\\";
    ::CreateDirectoryA(pictures.c_str(), nullptr);
    for (int p = 0; p < 4; ++p)
        if (!WritePhoto(pictures + std::to_string(p) + ".jpg", kPictures[p].width, kPictures[p].height, p))
            return false;
    for (int i = 0; i < count; ++i) {
        const std::string base = FrameBase(i);
        const std::string header =
            "[HEADER]\r\nHdTitle=" + base + "\r\nHdThumbnail=.\\" + base + "\\thumb.jpg\r\n";
        if (!WriteBytes(folder + base + ".USD", header)) return false;
        ::CreateDirectoryA((folder + base).c_str(), nullptr);
        ::CreateDirectoryA((folder + base + "\\sub").c_str(), nullptr);
        for (int p = 0; p < 4; ++p)
            if (!::CopyFileA((pictures + std::to_string(p) + ".jpg").c_str(),
                             (folder + base + "\\" + kPictures[p].name).c_str(), FALSE))
                return false;
        names.push_back(base + ".USD");
    }
    return RemoveFolderTree(pictures);
}

// What a transfer does at the least, file by file: the folders made, each
// file copied (or moved) by one plain call.
bool PlainLoop(const std::string& from, const std::string& to, int count, bool move) {
    auto one = [move](const std::string& a, const std::string& b) {
        return move ? ::MoveFileA(a.c_str(), b.c_str()) : ::CopyFileA(a.c_str(), b.c_str(), TRUE);
    };
    for (int i = 0; i < count; ++i) {
        const std::string base = FrameBase(i);
        if (!one(from + base + ".USD", to + base + ".USD")) return false;
        ::CreateDirectoryA((to + base).c_str(), nullptr);
        ::CreateDirectoryA((to + base + "\\sub").c_str(), nullptr);
        for (const Picture& p : kPictures)
            if (!one(from + base + "\\" + p.name, to + base + "\\" + p.name)) return false;
        if (move) {
            ::RemoveDirectoryA((from + base + "\\sub").c_str());
            ::RemoveDirectoryA((from + base).c_str());
        }
    }
    return true;
}

double Milliseconds(const std::function<bool()>& run, bool& ok) {
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    ok = run() && ok;
    ::QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

struct Series {
    std::vector<double> ms;
    double Min() const { return *std::min_element(ms.begin(), ms.end()); }
    double Median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

struct Reporter : IOperationReporter {
    int unexpected = 0;
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override {
        ++unexpected;
        return ReplaceAnswer::Skip;
    }
    void Fail(const char* key, const std::vector<std::string>&) override {
        ++unexpected;
        printf("message: %s\n", key);
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Two threads, as the window gives the lists and the operations.
    win::HelperScope helpers;
    const int frames = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string tag = "transfer_bench_" + std::to_string(::GetCurrentProcessId());
    const std::string root = std::string(temp) + tag + "\\";
    const std::string otherRoot = "M:\\" + tag + "\\";
    const bool twoDrives =
        ::GetDriveTypeA("M:\\") != DRIVE_NO_ROOT_DIR && ::CreateDirectoryA(otherRoot.c_str(), nullptr);
    ::CreateDirectoryA(root.c_str(), nullptr);
    const std::string master = root + "master\\";
    ::CreateDirectoryA(master.c_str(), nullptr);

    std::vector<std::string> names;
    if (!WriteFrames(master, frames, names)) {
        printf("could not write the frames under %s\n", root.c_str());
        RemoveFolderTree(root);
        return 1;
    }
    const FrameScan one = ScanFrame(master, names[0]);
    printf("%d frames of %llu KB each (frame file and 4 JPEGs), %d rounds%s\n", frames, one.bytes / 1024,
           rounds, twoDrives ? "" : "; no drive M:, one drive only");

    CFrameTransfer transfer;
    Reporter reporter;
    bool ok = true;
    int folderNumber = 0;
    // A fresh folder holding a copy of the frames (made untimed).
    auto freshSource = [&](const std::string& under) {
        const std::string folder = under + "s" + std::to_string(++folderNumber) + "\\";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        ok = PlainLoop(master, folder, frames, false) && ok;
        return folder;
    };
    auto freshDest = [&](const std::string& under) {
        const std::string folder = under + "d" + std::to_string(++folderNumber) + "\\";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        return folder;
    };
    auto transferRun = [&](std::string from, std::string to, TransferMode mode) {
        std::vector<std::string> done;
        return transfer.TransferFrames(from, to, names, mode, reporter, done) && done.size() == names.size();
    };

    struct Contest {
        const char* what;
        bool crossDrive, move;
        Series plain, program;
        bool verify = true;  // a card's copy is read back before it is committed
    };
    std::vector<Contest> contests = {{"copy within one drive", false, false, {}, {}},
                                     {"move within one drive", false, true, {}, {}}};
    if (twoDrives) {
        contests.push_back({"copy to another drive", true, false, {}, {}});
        contests.push_back({"move to another drive", true, true, {}, {}});
        // The read-back's cost: the same copy to the card without it.
        contests.push_back({"copy there, unverified", true, false, {}, {}, false});
    }
    // One untimed pass warms the file cache for every contender alike.
    PlainLoop(master, freshDest(root), frames, false);
    for (int round = 0; round < rounds; ++round) {
        for (Contest& c : contests) {
            const std::string destRoot = c.crossDrive ? otherRoot : root;
            for (int turn = 0; turn < 2; ++turn) {
                // Alternate which of the two goes first.
                const bool plainTurn = (turn == 0) == (round % 2 == 0);
                const std::string from = c.move ? freshSource(root) : master;
                const std::string to = freshDest(destRoot);
                transfer.SetVerifyCardCopies(c.verify);
                const double ms =
                    plainTurn ? Milliseconds([&] { return PlainLoop(from, to, frames, c.move); }, ok)
                              : Milliseconds(
                                    [&] {
                                        return transferRun(from, to,
                                                           c.move ? TransferMode::Move : TransferMode::Copy);
                                    },
                                    ok);
                (plainTurn ? c.plain : c.program).ms.push_back(ms);
                RemoveFolderTree(to);
                if (c.move) RemoveFolderTree(from);
            }
        }
    }

    printf("%-24s %22s %22s %14s\n", "", "plain loop min/median", "TransferFrames min/med", "ratio (median)");
    for (const Contest& c : contests)
        printf("%-24s %10.1f /%8.1f ms %10.1f /%8.1f ms %10.2fx\n", c.what, c.plain.Min(), c.plain.Median(),
               c.program.Min(), c.program.Median(), c.program.Median() / c.plain.Median());
    printf("%s, unexpected messages: %d\n", ok ? "all runs complete" : "SOME RUNS FAILED",
           reporter.unexpected);

    RemoveFolderTree(root);
    if (twoDrives) RemoveFolderTree(otherRoot);
    return ok ? 0 : 1;
}
