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
    if (cancelWhen && cancelWhen(progress)) return false;
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
