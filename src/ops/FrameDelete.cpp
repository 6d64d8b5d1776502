#include "ops/FrameDelete.h"

#include <windows.h>
#include <shellapi.h>

#include "frames/FrameInfoCache.h"
#include "ops/FrameScan.h"
#include "win/FileSystem.h"
#include "win/Links.h"
#include "win/Strings.h"

namespace {

// One path to the recycle bin, or deleted for good; true when it is gone.
bool ShellDelete(const std::string& path, bool toRecycleBin) {
    // The shell takes a list of NUL-terminated paths ending in one more NUL.
    std::string list = path;
    list.append(2, '\0');
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    if (toRecycleBin) operation.fFlags |= FOF_ALLOWUNDO;
    ::SHFileOperationA(&operation);
    return !win::PathExists(path);
}

// The frame file goes first: once it is gone the frame has left the lists,
// and its folder is cleanup. A frame file that stays keeps its folder whole.
// The scan holds no link. On failure notDeleted names what is left.
bool DeleteOneFrame(const std::string& folder, const FrameScan& scan, bool toRecycleBin,
                    std::string& notDeleted) {
    const std::string file = folder + scan.entries.front().relative;
    bool fileGone = false;
    if (toRecycleBin) {
        fileGone = ShellDelete(file, true);
    } else {
        win::ClearAttributes(file);
        fileGone = ::DeleteFileA(file.c_str()) || !win::PathExists(file);
    }
    if (!fileGone) {
        notDeleted = file;
        return false;
    }
    ForgetFrameInfo(file);
    if (scan.entries.size() < 2) return true;  // no companion folder
    if (!toRecycleBin) return DeleteScanned(scan, folder, &notDeleted);
    if (ShellDelete(folder + scan.entries[1].relative, true)) return true;
    // The shell says nothing of what stayed: the deepest listed entry left.
    for (auto entry = scan.entries.rbegin(); entry != scan.entries.rend(); ++entry) {
        if (win::PathExists(folder + entry->relative)) {
            notDeleted = folder + entry->relative;
            break;
        }
    }
    return false;
}

}  // namespace

bool DeleteFramesToRecycleBin(const std::string& folder, const std::vector<std::string>& names,
                              IOperationReporter& reporter, bool toRecycleBin) {
    // Every frame is listed before anything goes. A link anywhere in one
    // refuses the whole delete: under Wine every call that names a link, the
    // recycle bin's included, deletes what it points to instead.
    std::vector<FrameScan> scans;
    scans.reserve(names.size());
    const win::LinkCheck folderLinks(folder);
    for (const std::string& name : names) {
        scans.push_back(ScanFrame(folder, name, &folderLinks));
        if (ReportRefusal(scans.back(), reporter)) return false;
    }

    OperationProgress progress;
    progress.frameCount = static_cast<int>(names.size());
    progress.bytesTotal = names.size();  // one unit per frame: the shell tells no bytes
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string path = folder + names[i];
        progress.frameName = names[i];
        progress.framePath = path;
        if (!reporter.Progress(progress)) return true;  // stopped between frames
        const FrameScan& scan = scans[i];
        if (!scan.found || !scan.complete) {
            reporter.Fail("ERR_COPY_FAILED");
            return false;
        }
        std::string notDeleted;
        if (!DeleteOneFrame(folder, scan, toRecycleBin, notDeleted)) {
            reporter.Fail("ERR_DELETE_LEFT", {notDeleted});
            return false;
        }
        ++progress.frameIndex;
        ++progress.bytesDone;
    }
    return true;
}
