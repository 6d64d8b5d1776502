#include "ops/FrameRename.h"

#include <windows.h>

#include "frames/FrameInfoCache.h"
#include "ops/FrameRewrite.h"
#include "ops/FrameScan.h"
#include "win/FileSystem.h"
#include "win/Strings.h"

RenameSteps RenameSteps::Real() {
    RenameSteps steps;
    steps.rewrite = RewriteFrameFile;
    steps.move = [](const std::string& from, const std::string& to) {
        return ::MoveFileA(from.c_str(), to.c_str()) != FALSE;
    };
    steps.remove = [](const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; };
    return steps;
}

bool RenameFrame(const std::string& folder, const std::string& fileName, const std::string& newBase,
                 IOperationReporter& reporter, const RenameSteps& steps) {
    const std::string oldBase = win::WithoutLastDot(fileName);
    // The path as the list found it, so that the cache moves the right record.
    const std::string oldPath = folder + fileName;
    const std::string newPath = folder + newBase + ".usd";
    const std::string oldFolder = folder + oldBase;
    const std::string newFolder = folder + newBase;

    const FrameScan scan = ScanFrame(folder, fileName);
    if (ReportRefusal(scan, reporter)) return false;
    if (!scan.found || !win::PathExists(oldFolder)) {
        reporter.Fail("ERR_COPY_FAILED");
        return false;
    }

    // Each step can be undone, and is, when a later one fails: the new file
    // is written beside the old one, the folder moves, and only then does
    // the old file go.
    const DWORD fileAttributes = ::GetFileAttributesA(oldPath.c_str());
    const DWORD folderAttributes = ::GetFileAttributesA(oldFolder.c_str());
    ::SetLastError(ERROR_SUCCESS);
    if (!steps.rewrite(oldPath, newPath, ".\\" + oldBase + "\\", ".\\" + newBase + "\\")) {
        // A frame file in the legacy code page cannot name its pictures' new
        // folder when that code page lacks a character of it.
        reporter.Fail(::GetLastError() == ERROR_NO_UNICODE_TRANSLATION ? "ERR_RENAME_NOT_IN_CODE_PAGE"
                                                                       : "ERR_COPY_FAILED");
        return false;
    }
    win::ClearAttributes(oldFolder);
    if (!steps.move(oldFolder, newFolder)) {
        win::RestoreAttributes(oldFolder, folderAttributes);
        steps.remove(newPath);
        reporter.Fail("ERR_COPY_FAILED");
        return false;
    }
    win::ClearAttributes(oldPath);
    if (!steps.remove(oldPath)) {
        win::RestoreAttributes(oldPath, fileAttributes);
        if (steps.move(newFolder, oldFolder)) {
            win::RestoreAttributes(oldFolder, folderAttributes);
            steps.remove(newPath);
        } else {
            // Neither way round: the renamed frame is whole, so keep it and
            // let the old file be the only thing left over.
            win::RestoreAttributes(newFolder, folderAttributes);
            win::RestoreAttributes(newPath, fileAttributes);
            MoveFrameInfo(oldPath, newPath);
        }
        reporter.Fail("ERR_COPY_FAILED");
        return false;
    }
    win::RestoreAttributes(newFolder, folderAttributes);
    win::RestoreAttributes(newPath, fileAttributes);
    MoveFrameInfo(oldPath, newPath);
    return true;
}
