// Frame transfer against a bare CopyFileA loop over the same files.
//
// Build with scripts/build.sh, then from the build folder:
//     DISPLAY= ./wine-run.sh ./transfer_bench.exe
// (on Windows, run transfer_bench.exe from the build folder).
//
// Writes 100 frames into a fresh folder under the temporary folder, each a
// frame file and a companion folder of four files (about 300 KB, one in a
// subfolder), then times in one run: a plain loop of CreateDirectoryA and
// CopyFileA that copies them into a second folder (after one untimed pass of
// the same loop that warms the file cache), TransferFrames in Copy mode into
// a third folder, and TransferFrames in Move mode from there into a fourth.
// Prints the times and the ratios to the plain loop; asserts
// nothing. Everything it wrote is removed at the end.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ops/FrameTransfer.h"

namespace {

constexpr int kFrames = 100;
struct CompanionFile {
    const char* name;
    size_t size;
};
constexpr CompanionFile kCompanionFiles[] = {
    {"thumb.jpg", 20 * 1024}, {"p1.jpg", 95 * 1024}, {"p2.jpg", 95 * 1024}, {"sub\\p3.jpg", 95 * 1024}};

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

std::string FrameBase(int i) {
    char name[32];
    snprintf(name, sizeof name, "Frame%03d", i);
    return name;
}

bool WriteFrames(const std::string& folder, std::vector<std::string>& names) {
    for (int i = 0; i < kFrames; ++i) {
        const std::string base = FrameBase(i);
        const std::string header =
            "[HEADER]\r\nHdTitle=" + base + "\r\nHdThumbnail=.\\" + base + "\\thumb.jpg\r\n";
        if (!WriteBytes(folder + base + ".USD", header)) return false;
        ::CreateDirectoryA((folder + base).c_str(), nullptr);
        ::CreateDirectoryA((folder + base + "\\sub").c_str(), nullptr);
        for (const CompanionFile& f : kCompanionFiles)
            if (!WriteBytes(folder + base + "\\" + f.name,
                            std::string(f.size, static_cast<char>('a' + i % 26))))
                return false;
        names.push_back(base + ".USD");
    }
    return true;
}

// What a transfer does at the least: the same folders and CopyFileA calls.
bool PlainCopy(const std::string& from, const std::string& to) {
    for (int i = 0; i < kFrames; ++i) {
        const std::string base = FrameBase(i);
        if (!::CopyFileA((from + base + ".USD").c_str(), (to + base + ".USD").c_str(), TRUE)) return false;
        ::CreateDirectoryA((to + base).c_str(), nullptr);
        ::CreateDirectoryA((to + base + "\\sub").c_str(), nullptr);
        for (const CompanionFile& f : kCompanionFiles)
            if (!::CopyFileA((from + base + "\\" + f.name).c_str(), (to + base + "\\" + f.name).c_str(),
                             TRUE))
                return false;
    }
    return true;
}

double Seconds(LARGE_INTEGER start, LARGE_INTEGER end) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

}  // namespace

int main() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string root =
        std::string(temp) + "transfer_bench_" + std::to_string(::GetCurrentProcessId()) + "\\";
    const std::string source = root + "source\\", copied = root + "copied\\", moved = root + "moved\\",
                      plain = root + "plain\\", warmup = root + "warmup\\";
    for (const std::string& folder : {root, source, copied, moved, plain, warmup})
        ::CreateDirectoryA(folder.c_str(), nullptr);

    struct CountingReporter : IOperationReporter {
        int unexpected = 0;
        ReplaceAnswer AskReplace(const ReplaceQuestion&) override {
            ++unexpected;
            return ReplaceAnswer::Skip;
        }
        void Fail(const char* key, const std::vector<std::string>&) override {
            ++unexpected;
            printf("message: %s\n", key);
        }
    } reporter;

    std::vector<std::string> names;
    if (!WriteFrames(source, names)) {
        printf("could not write the frames under %s\n", root.c_str());
        RemoveFolderTree(root);
        return 1;
    }
    size_t frameBytes = 0;
    for (const CompanionFile& f : kCompanionFiles) frameBytes += f.size;
    printf("%d frames of %zu KB each (frame file and %zu companion files)\n", kFrames, frameBytes / 1024,
           sizeof kCompanionFiles / sizeof kCompanionFiles[0]);

    // One untimed pass first, so that no contender reads files colder than another.
    PlainCopy(source, warmup);
    LARGE_INTEGER start = Now();
    const bool plainOk = PlainCopy(source, plain);
    const double plainSeconds = Seconds(start, Now());

    CFrameTransfer transfer;
    std::vector<std::string> done;
    std::string from = source, to = copied;
    start = Now();
    const BOOL copyOk = transfer.TransferFrames(from, to, names, TransferMode::Copy, reporter, done);
    const double copySeconds = Seconds(start, Now());

    from = copied;
    to = moved;
    start = Now();
    const BOOL moveOk = transfer.TransferFrames(from, to, names, TransferMode::Move, reporter, done);
    const double moveSeconds = Seconds(start, Now());

    printf("plain CopyFileA loop: %8.1f ms  %s\n", plainSeconds * 1000, plainOk ? "ok" : "FAILED");
    printf("TransferFrames Copy : %8.1f ms  %s  %.2fx the plain loop\n", copySeconds * 1000,
           copyOk ? "ok    " : "FAILED", copySeconds / plainSeconds);
    printf("TransferFrames Move : %8.1f ms  %s  %.2fx the plain loop\n", moveSeconds * 1000,
           moveOk ? "ok    " : "FAILED", moveSeconds / plainSeconds);
    printf("frames transferred: %zu of %d, unexpected messages: %d\n", done.size(), 2 * kFrames,
           reporter.unexpected);

    RemoveFolderTree(root);
    return 0;
}
