// Failures that name their cause: the system's error of a file operation
// turned into the message a user can act on.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class IOperationReporter;

struct FailureText {
    const char* key;  // the language key of the message
    std::vector<std::string> args;
};

// The message for error, met on path (a file or folder): a full drive, a
// drive that allows no more files, a file in use (named), access denied, a
// path too long, a card that is gone; anything else says the system's own
// text beside the path.
FailureText DescribeFailure(DWORD error, const std::string& path);
void ReportFailure(IOperationReporter& reporter, DWORD error, const std::string& path);
