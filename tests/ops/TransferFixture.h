// Shared set-up of the transfer tests: a source and a destination folder of
// real files, frames written into them, and message boxes answered from a
// script while their texts and flags are recorded.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "ops/FrameTransfer.h"
#include "win/TwoThreads.h"
#include "ops/OperationReporter.h"

namespace transfer_test {

struct Box {
    std::string text;
    UINT flags;
};

// Answers an operation as the main window's message boxes would, from a
// script (IDOK replaces, IDCANCEL skips, IDABORT cancels all; IDOK once the
// script runs out), and records each text with the flags of its box.
class RecordingReporter : public IOperationReporter {
public:
    ReplaceAnswer AskReplace(const ReplaceQuestion& question) override;
    void Fail(const char* key, const std::vector<std::string>& args) override;
    using IOperationReporter::Fail;
    bool Progress(const OperationProgress& progress) override;

    std::vector<Box> boxes;
    std::function<void(const OperationProgress&)> onProgress;
    int cancelAtPiece = -1;  // Progress answers false from this call on (0 = the first)
    std::function<bool(const OperationProgress&)> cancelWhen;  // true: Progress answers false
    int progressCalls = 0;
    std::vector<std::string> keys;  // of the failures
    std::vector<ReplaceQuestion> questions;
    std::deque<int> answers;
};

// A frame file titled title, with a companion folder of two files (one in a
// subfolder) filled with fill. Gives the bytes it needs at a destination.
ULONGLONG MakeFrame(const std::string& folder, const std::string& base, const std::string& title,
                    char fill = 'x');

using testing_support::Snapshot;

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a transfer from src to dst with copies of the folder strings.
    BOOL Run(const std::vector<std::string>& names, TransferMode mode);
    BOOL RunTo(const std::string& destFolder, const std::vector<std::string>& names, TransferMode mode);

    std::string Src(const std::string& relative) const { return src + "\\" + relative; }
    std::string Dst(const std::string& relative) const { return dst + "\\" + relative; }

    // The window's second thread, which copies beside the first.
    win::HelperScope helpers;
    testing_support::TempDir root;
    std::string src, dst;
    CFrameTransfer transfer;
    std::vector<std::string> transferred;
    RecordingReporter reporter;
    std::vector<Box>& boxes = reporter.boxes;
    std::deque<int>& answers = reporter.answers;
};

}  // namespace transfer_test
