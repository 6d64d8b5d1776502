// How a frame operation talks to whoever started it. The operation decides
// what happened; the caller decides how to show it: the main window with
// message boxes and its progress window, tests by recording.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A frame file already at the destination, about to be replaced.
struct ReplaceQuestion {
    std::string existingPath;  // the frame already there
    std::string incomingPath;  // the frame that would replace it
    std::string existingTitle;
    std::string existingFileName;  // with extension
    int conflictsAfter = 0;        // further conflicts known to follow this one
};

enum class ReplaceAnswer { Replace, Skip, CancelAll };

// Where a running operation has got to.
struct OperationProgress {
    int frameIndex = 0;  // 0-based, of frameCount
    int frameCount = 0;
    std::string frameName;  // file name with extension
    std::string framePath;  // the frame file where it was when the step began
    ULONGLONG bytesDone = 0;
    ULONGLONG bytesTotal = 0;
};

class IOperationReporter {
public:
    virtual ~IOperationReporter() = default;

    virtual ReplaceAnswer AskReplace(const ReplaceQuestion& question) = 0;
    // The operation failed: the language key of the message, and the texts
    // for its "%s" in order.
    virtual void Fail(const char* key, const std::vector<std::string>& args) = 0;
    // Called between safe steps; false asks the operation to stop at the
    // next point where nothing is left half done. The reporter alone lets
    // the window answer meanwhile: an operation runs no message loop.
    virtual bool Progress(const OperationProgress&) { return true; }
    // Called during work the user cannot cancel (putting a replaced frame
    // back, waiting for a cancelled copy's last piece): the window goes on
    // painting and answering.
    virtual void KeepAlive() {}

    void Fail(const char* key) { Fail(key, {}); }
};

// The text of a failure as the user reads it: the key's language text with
// its "%s" filled.
std::string ReportText(const char* key, const std::vector<std::string>& args);
// The replace question's text (ERR_CONFIRM_REPLACE with title and file name).
std::string ReplaceQuestionText(const ReplaceQuestion& question);
