// How the main window shows what an operation reports: message boxes through
// the program's one message-box routine.
#pragma once

#include "ops/OperationReporter.h"

class CMessageBoxReporter : public IOperationReporter {
public:
    // OK replaces the frame, Cancel keeps it and goes on with the next one.
    ReplaceAnswer AskReplace(const ReplaceQuestion& question) override;
    void Fail(const char* key, const std::vector<std::string>& args) override;
    using IOperationReporter::Fail;
};
