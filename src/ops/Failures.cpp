#include "ops/Failures.h"

#include "ops/CardWrites.h"
#include "ops/OperationReporter.h"

namespace {

// The system's text for an error, on one line.
std::string SystemText(DWORD error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string line = length && text ? std::string(text, length) : std::string();
    if (text) ::LocalFree(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    if (line.empty()) line = "error " + std::to_string(error);
    return line;
}

}  // namespace

FailureText DescribeFailure(DWORD error, const std::string& path) {
    // A card pulled out answers with whatever the file system says last.
    if (error == ERROR_NOT_READY || error == ERROR_DEV_NOT_EXIST || IsCardGone(path))
        return {"ERR_CARD_NOT_PRESENT", {}};
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return {"ERR_DISK_SIZE", {}};
        case ERROR_CANNOT_MAKE:
            return {"ERR_DRIVE_NO_MORE_FILES", {path}};
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return {"ERR_FILE_IN_USE", {path}};
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_PRIVILEGE_NOT_HELD:
            return {"ERR_ACCESS_DENIED", {path}};
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return {"ERR_PATH_TOO_LONG", {path}};
        default:
            return {"ERR_OPERATION_FAILED", {path, SystemText(error)}};
    }
}

void ReportFailure(IOperationReporter& reporter, DWORD error, const std::string& path) {
    const FailureText text = DescribeFailure(error, path);
    reporter.Fail(text.key, text.args);
}
