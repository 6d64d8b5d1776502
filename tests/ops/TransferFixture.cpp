#include "TransferFixture.h"

using testing_support::MakeDirs;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace transfer_test {

ULONGLONG MakeFrame(const std::string& folder, const std::string& base, const std::string& title, char fill) {
    const std::string header =
        "[HEADER]\r\nHdTitle=" + title + "\r\nHdThumbnail=.\\" + base + "\\thumb.jpg\r\n";
    const std::string companion = folder + "\\" + base;
    WriteFile(folder + "\\" + base + ".USD", header);
    MakeDirs(companion + "\\sub");
    WriteFile(companion + "\\thumb.jpg", std::string(1000, fill));
    WriteFile(companion + "\\sub\\photo.jpg", std::string(5000, fill));
    return header.size() + 1000 + 5000 + 3 * 32768;
}

namespace {
// Length and FNV-1a hash: short enough to read in a failed comparison.
std::string Fingerprint(const std::string& bytes) {
    unsigned long long hash = 14695981039346656037ULL;
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ULL;
    return std::to_string(bytes.size()) + " bytes #" + std::to_string(hash);
}

void SnapshotInto(const std::string& folder, const std::string& prefix,
                  std::map<std::string, std::string>& out) {
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            out[prefix + name] = "<link>";
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[prefix + name] = "<dir>";
            SnapshotInto(path, prefix + name + "\\", out);
        } else {
            const DWORD kept = entry.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
            out[prefix + name] = Fingerprint(ReadFile(path)) + " attributes " + std::to_string(kept);
        }
    } while (::FindNextFileA(find, &entry));
    ::FindClose(find);
}
}  // namespace

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> out;
    SnapshotInto(folder, "", out);
    return out;
}

ReplaceAnswer RecordingReporter::AskReplace(const ReplaceQuestion& question) {
    questions.push_back(question);
    boxes.push_back({ReplaceQuestionText(question), MB_OKCANCEL | MB_ICONEXCLAMATION});
    const int answer = answers.empty() ? IDOK : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer == IDOK      ? ReplaceAnswer::Replace
           : answer == IDABORT ? ReplaceAnswer::CancelAll
                               : ReplaceAnswer::Skip;
}

void RecordingReporter::Fail(const char* key, const std::vector<std::string>& args) {
    keys.push_back(key);
    boxes.push_back({ReportText(key, args), MB_OK | MB_ICONHAND});
}

bool RecordingReporter::Progress(const OperationProgress& progress) {
    if (onProgress) onProgress(progress);
    const int call = progressCalls++;
    return cancelAtPiece < 0 || call < cancelAtPiece;
}

void TransferTest::SetUp() {
    src = root / "src";
    dst = root / "dst";
    MakeDirs(src);
    MakeDirs(dst);
}

void TransferTest::TearDown() {}

BOOL TransferTest::Run(const std::vector<std::string>& names, TransferMode mode) {
    return RunTo(dst, names, mode);
}

BOOL TransferTest::RunTo(const std::string& destFolder, const std::vector<std::string>& names,
                         TransferMode mode) {
    std::string source = src, dest = destFolder;
    return transfer.TransferFrames(source, dest, names, mode, reporter, transferred);
}

}  // namespace transfer_test
