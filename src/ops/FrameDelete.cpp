#include "ops/FrameDelete.h"

#include <windows.h>
#include <shellapi.h>

#include "frames/FrameInfoCache.h"
#include "win/FileSystem.h"
#include "win/Strings.h"

bool DeleteFramesToRecycleBin(const std::string& folder, const std::vector<std::string>& names,
                              IOperationReporter& reporter, bool toRecycleBin) {
    std::vector<std::string> paths;
    for (const std::string& name : names) {
        const std::string path = folder + name;
        paths.push_back(path);
        const std::string companion = win::WithoutLastDot(path);
        if (win::PathExists(companion)) paths.push_back(companion);
    }
    if (paths.empty()) return true;

    // The shell takes a list of NUL-terminated paths ending in one more NUL.
    std::string list;
    for (const std::string& path : paths) list.append(path).push_back('\0');
    list.push_back('\0');
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI;
    if (toRecycleBin) operation.fFlags |= FOF_ALLOWUNDO;
    const bool ok = ::SHFileOperationA(&operation) == 0;
    if (!ok) reporter.Fail("ERR_COPY_FAILED");
    for (const std::string& path : paths)
        if (!win::PathExists(path)) ForgetFrameInfo(path);
    return ok;
}
