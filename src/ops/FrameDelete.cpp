#include "ops/FrameDelete.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "frames/FrameInfoCache.h"
#include "ops/Failures.h"
#include "ops/FrameScan.h"
#include "win/FileSystem.h"
#include "win/Links.h"
#include "win/Names.h"
#include "win/Strings.h"

namespace {

// One path to the recycle bin, or deleted for good. False when the shell
// says it failed and the path is still there. What the shell says it
// deleted is checked for the whole delete at once (FirstLeft): under Wine,
// asking for a name that is gone reads the whole folder, a hundredth of a
// second each in a folder of ten thousand frames.
bool ShellDelete(const std::string& path, bool toRecycleBin) {
    // The shell takes a list of NUL-terminated paths ending in one more NUL.
    std::string list = path;
    list.append(2, '\0');
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    if (toRecycleBin) operation.fFlags |= FOF_ALLOWUNDO;
    if (::SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted) return true;
    return !win::PathExists(path);
}

// The deepest entry of a frame still there, else its frame file's path.
std::string DeepestLeft(const std::string& folder, const FrameScan& scan) {
    for (auto entry = scan.entries.rbegin(); entry != scan.entries.rend(); ++entry)
        if (win::PathExists(folder + entry->relative)) return folder + entry->relative;
    return folder + scan.entries.front().relative;
}

// What is left of frames the shell said it sent to the recycle bin, from
// one listing of their folder; empty when all of them went.
std::string FirstLeft(const std::string& folder, const std::vector<const FrameScan*>& recycled) {
    if (recycled.empty()) return {};
    std::vector<std::string> asked;
    for (const FrameScan* scan : recycled)
        for (size_t i = 0; i < scan->entries.size() && i < 2; ++i) asked.push_back(scan->entries[i].relative);
    const auto names = win::UpperNamesPresent(folder, asked);
    for (const FrameScan* scan : recycled) {
        // The frame file, then its companion folder.
        for (size_t i = 0; i < scan->entries.size() && i < 2; ++i) {
            const std::string& relative = scan->entries[i].relative;
            if (names ? names->count(win::UpperCase(relative)) != 0 : win::PathExists(folder + relative))
                return i == 0 ? folder + relative : DeepestLeft(folder, *scan);
        }
    }
    return {};
}

// Deletes for good, one entry at a time with the reporter asked between
// them, so that a frame of thousands of files keeps the window answering and
// can be cancelled; the frame file first, so that a stop or a failure leaves
// no frame that looks whole. False on a failure, said through the reporter;
// stopped when the reporter asked to stop.
bool DeleteForGood(const std::string& folder, const FrameScan& scan, IOperationReporter& reporter,
                   OperationProgress& progress, bool& stopped) {
    auto fail = [&](const std::string& path) {
        ReportFailure(reporter, ::GetLastError(), path);
        return false;
    };
    const std::string file = folder + scan.entries.front().relative;
    win::ClearAttributes(file);
    if (!::DeleteFileA(file.c_str()) && win::PathExists(file)) return fail(file);
    ForgetFrameInfo(file);
    ++progress.bytesDone;
    for (auto entry = scan.entries.rbegin(); entry + 1 != scan.entries.rend(); ++entry) {
        if (!reporter.Progress(progress)) {
            stopped = true;
            return true;
        }
        const std::string path = folder + entry->relative;
        win::ClearAttributes(path);
        const bool gone = entry->folder ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str());
        if (!gone && win::PathExists(path)) return fail(path);
        ++progress.bytesDone;
    }
    return true;
}

// To the recycle bin: the frame file first, then its folder, each in one
// call of the shell. The scan holds no link. On failure notDeleted names
// what is left.
bool RecycleOneFrame(const std::string& folder, const FrameScan& scan, std::string& notDeleted) {
    const std::string file = folder + scan.entries.front().relative;
    if (!ShellDelete(file, true)) {
        notDeleted = file;
        return false;
    }
    ForgetFrameInfo(file);
    if (scan.entries.size() < 2) return true;  // no companion folder
    if (ShellDelete(folder + scan.entries[1].relative, true)) return true;
    // The shell says nothing of what stayed: the deepest listed entry left.
    notDeleted = DeepestLeft(folder, scan);
    return false;
}

}  // namespace

bool DeleteFramesToRecycleBin(const std::string& folder, const std::vector<std::string>& names,
                              IOperationReporter& reporter, bool toRecycleBin,
                              std::vector<std::string>* deleted) {
    std::vector<std::string> gone;
    if (!deleted) deleted = &gone;
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
    // Progress counts frames for the recycle bin (the shell tells no more),
    // and files and folders for a delete for good.
    for (const FrameScan& scan : scans)
        progress.bytesTotal += toRecycleBin ? 1 : std::max<size_t>(scan.entries.size(), 1);
    std::vector<const FrameScan*> recycled;
    // Whatever ends the delete, what the shell took is checked first.
    auto end = [&](bool result) {
        const std::string left = FirstLeft(folder, recycled);
        if (left.empty()) return result;
        reporter.Fail("ERR_DELETE_LEFT", {left});
        return false;
    };
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string path = folder + names[i];
        progress.frameName = names[i];
        progress.framePath = path;
        progress.frameIndex = static_cast<int>(i);
        if (!reporter.Progress(progress)) return end(true);  // stopped between frames
        const FrameScan& scan = scans[i];
        // Gone since the list was filled: nothing of it to delete.
        if (!scan.found) continue;
        if (!toRecycleBin) {
            bool stopped = false;
            if (!DeleteForGood(folder, scan, reporter, progress, stopped)) return false;
            if (stopped) return true;
            deleted->push_back(names[i]);
            continue;
        }
        std::string notDeleted;
        if (!RecycleOneFrame(folder, scan, notDeleted)) {
            // A frame before it that did not go either is named first.
            if (!end(true)) return false;
            reporter.Fail("ERR_DELETE_LEFT", {notDeleted});
            return false;
        }
        recycled.push_back(&scan);
        deleted->push_back(names[i]);
        ++progress.bytesDone;
    }
    return end(true);
}
