#include "ops/FrameDelete.h"

#include <windows.h>
#include <shellapi.h>

#include "frames/FrameInfoCache.h"
#include "win/FileSystem.h"
#include "win/Strings.h"

namespace {

// One shell call for a frame file and its companion folder, so a cancel
// between frames never leaves half a frame.
bool DeleteOneFrame(const std::vector<std::string>& paths, bool toRecycleBin) {
    // The shell takes a list of NUL-terminated paths ending in one more NUL.
    std::string list;
    for (const std::string& path : paths) list.append(path).push_back('\0');
    list.push_back('\0');
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    if (toRecycleBin) operation.fFlags |= FOF_ALLOWUNDO;
    const bool ok = ::SHFileOperationA(&operation) == 0;
    for (const std::string& path : paths)
        if (!win::PathExists(path)) ForgetFrameInfo(path);
    return ok;
}

}  // namespace

bool DeleteFramesToRecycleBin(const std::string& folder, const std::vector<std::string>& names,
                              IOperationReporter& reporter, bool toRecycleBin) {
    OperationProgress progress;
    progress.frameCount = static_cast<int>(names.size());
    progress.bytesTotal = names.size();  // one unit per frame: the shell tells no bytes
    for (const std::string& name : names) {
        const std::string path = folder + name;
        progress.frameName = name;
        progress.framePath = path;
        if (!reporter.Progress(progress)) return true;  // stopped between frames
        std::vector<std::string> paths{path};
        const std::string companion = win::WithoutLastDot(path);
        if (win::PathExists(companion)) paths.push_back(companion);
        if (!DeleteOneFrame(paths, toRecycleBin)) {
            reporter.Fail("ERR_COPY_FAILED");
            return false;
        }
        ++progress.frameIndex;
        ++progress.bytesDone;
    }
    return true;
}
