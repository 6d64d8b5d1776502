// Making a folder of the user's frame library.
#pragma once

#include <string>

#include "ops/OperationReporter.h"

// The most bytes a new folder's name may have inside parent (ending with a
// backslash).
int NewFolderNameLimit(const std::string& parent);

// Creates the folder name (checked with CheckFolderName) inside parent and
// gives the name it was created under (trailing dots dropped). A failure is
// reported.
bool CreateNewFolder(const std::string& parent, const std::string& name, std::string& created,
                     IOperationReporter& reporter);
