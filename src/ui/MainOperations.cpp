// What the operation buttons of the main window do to frames on disk: add,
// copy, move back, delete, new folder and rename.
#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "choosers/NameDlg.h"
#include "frames/FrameInfoCache.h"
#include "ops/CardWrites.h"
#include "ops/FrameDelete.h"
#include "ops/FrameRename.h"
#include "ops/NameChecks.h"
#include "ops/NewFolder.h"
#include "resource.h"
#include "ui/FolderPath.h"
#include "ui/MainDlg.h"
#include "ui/MessageBoxReporter.h"
#include "ui/WindowReporter.h"
#include "win/FileSystem.h"
#include "win/Strings.h"

namespace {

constexpr int kMemoryCardLimit = 100;
constexpr int kNewFolderMode = 1;
constexpr int kChangeNameMode = 2;

int SelectedCount(const CListCtrlZEL& list) {
    return static_cast<int>(::SendMessageA(list.Handle(), LVM_GETSELECTEDCOUNT, 0, 0));
}

// File names (with extension) of the selected items, in item order. A frame
// file that vanished since the list was filled has no name and is left out.
std::vector<std::string> SelectedNames(const CListCtrlZEL& list) {
    std::vector<std::string> names;
    for (int item : list.GetSelectedItems()) {
        std::string name = list.GetItemFileName(item);
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

}  // namespace

bool CZELMaintenanceDlg::RefuseUnusableSelection(const CListCtrlZEL& list) {
    for (int item : list.GetSelectedItems()) {
        std::wstring name;
        win::NameProblem problem;
        if (!list.GetUnusableItem(item, name, problem)) continue;
        const std::string path = list.GetItemPath(item);
        AppMessageBox(
            ReportText("ERR_NAME_UNUSABLE", {path.substr(list.Folder().size()), NameProblemText(problem)}),
            MB_OK | MB_ICONHAND);
        return true;
    }
    return false;
}

bool CZELMaintenanceDlg::PrepareMemoryCard(const std::vector<std::string>& names) {
    if (!CheckCardPresent()) return false;
    if (!CardHasRoomFor(names)) {
        ShowErrorBox("ERR_ZELLIT2_OVER_MAX_NUM");
        return false;
    }
    const std::string folder = app_.GetMemoryCardFolder();
    if (!win::PathExists(folder)) {
        if (!CreateFolderPath(folder)) {
            ShowErrorBox("ERR_COPY_FAILED");
            return false;
        }
        tree_.AddFolderByPath(folder);
    }
    return true;
}

bool CZELMaintenanceDlg::CardHasRoomFor(const std::vector<std::string>& names) const {
    // Names already on the card replace a frame there and do not count again.
    // Every frame on the card counts, whether the filter shows it or not.
    int newFrames = static_cast<int>(names.size());
    const std::vector<std::string> onCard = targetList_.FrameFileNames();
    for (const std::string& name : names)
        for (const std::string& there : onCard)
            if (win::EqualsNoCase(there, name)) --newFrames;
    return static_cast<int>(onCard.size()) + newFrames <= kMemoryCardLimit;
}

void CZELMaintenanceDlg::AfterTransfer(const std::vector<std::string>& transferred,
                                       const std::string& leftFolder, const std::string& destFolder,
                                       bool finished) {
    auto same = [](const std::string& a, const std::string& b) {
        return !b.empty() &&
               win::EqualsNoCase(win::WithoutTrailingBackslashes(a), win::WithoutTrailingBackslashes(b));
    };
    for (CListCtrlZEL* list : {&sourceList_, &targetList_}) {
        if (!finished || destFolder.empty()) {
            list->Refill();
            continue;
        }
        // A folder of thousands of frames is not read again for the few that moved.
        std::vector<std::string> gone;
        if (same(list->Folder(), leftFolder))
            for (const std::string& path : transferred)
                gone.push_back(win::WithoutTrailingBackslashes(leftFolder) + "\\" +
                               path.substr(win::FindLastChar(path, '\\') + 1));
        const bool arrived = same(list->Folder(), destFolder);
        if (!gone.empty() || arrived) list->Patch(gone, arrived ? transferred : std::vector<std::string>());
    }
    // The companion folders that arrived, in one pass over the tree.
    std::vector<std::string> arrived;
    arrived.reserve(transferred.size());
    for (const std::string& path : transferred) arrived.push_back(win::WithoutLastDot(path));
    tree_.AddFoldersByPath(arrived);
    // The folder the frames left loses their companion folders: for certain
    // when they were renamed away, which spares a listing of a folder that
    // may hold thousands.
    if (!leftFolder.empty() && !transferred.empty()) {
        std::vector<std::string> names;
        names.reserve(transferred.size());
        for (const std::string& path : transferred)
            names.push_back(path.substr(win::FindLastChar(path, '\\') + 1));
        tree_.RemoveFoldersByPath(CompanionFolders(leftFolder, names), transfer_.EveryFrameRenamed());
    }
    // The tree repaints what its changes touched; a forced repaint of all of
    // it costs tens of milliseconds under Wine and shows nothing new. The
    // buttons take their new state once, when the operation ends.
}

void CZELMaintenanceDlg::OnAdd() {
    if (SelectedCount(sourceList_) < 1 || RefuseUnusableSelection(sourceList_)) return;
    std::string sourceFolder = tree_.GetSelectedPath();
    if (!app_.EnsureLumadexClosed()) return;
    std::string destFolder = app_.GetTargetFolder();
    const std::vector<std::string> names = SelectedNames(sourceList_);
    if (app_.GetLayoutAdditionTo() == kTargetMemoryCard && !PrepareMemoryCard(names)) return;
    OperationScope running(*this);
    std::vector<std::string> transferred;
    bool finished = false;
    {
        CWindowReporter reporter = MakeReporter("TITLE_PROGRESS_ADD");
        finished = transfer_.TransferFrames(sourceFolder, destFolder, names, TransferMode::Move, reporter,
                                            transferred);
    }
    AfterTransfer(transferred, sourceFolder, destFolder, finished);
}

void CZELMaintenanceDlg::OnCopy() {
    CListCtrlZEL* active = ActiveListCtrl();
    if (!active || SelectedCount(*active) < 1 || RefuseUnusableSelection(*active)) return;
    CListCtrlZEL& other = active == &sourceList_ ? targetList_ : sourceList_;
    std::string sourceFolder = active->GetFolder();
    std::string destFolder = other.GetFolder();
    // Copying back while the tree shows no file-system folder has nowhere to go.
    if (destFolder.empty()) return;
    if (!app_.EnsureLumadexClosed()) return;
    const std::vector<std::string> names = SelectedNames(*active);
    if (app_.GetLayoutAdditionTo() == kTargetMemoryCard && active != &targetList_ &&
        !PrepareMemoryCard(names))
        return;
    OperationScope running(*this);
    std::vector<std::string> transferred;
    bool finished = false;
    {
        CWindowReporter reporter = MakeReporter("TITLE_PROGRESS_COPY");
        finished = transfer_.TransferFrames(sourceFolder, destFolder, names, TransferMode::Copy, reporter,
                                            transferred);
    }
    AfterTransfer(transferred, std::string(), destFolder, finished);
}

void CZELMaintenanceDlg::OnMoveBack() {
    if (!app_.EnsureLumadexClosed()) return;
    if (SelectedCount(targetList_) < 1 || RefuseUnusableSelection(targetList_)) return;
    std::string sourceFolder = app_.GetTargetFolder();
    std::string destFolder = tree_.GetSelectedPath();
    if (destFolder.empty()) return;
    const std::vector<std::string> names = SelectedNames(targetList_);
    OperationScope running(*this);
    std::vector<std::string> transferred;
    bool finished = false;
    {
        CWindowReporter reporter = MakeReporter("TITLE_PROGRESS_MOVE_BACK");
        finished = transfer_.TransferFrames(sourceFolder, destFolder, names, TransferMode::Move, reporter,
                                            transferred);
    }
    AfterTransfer(transferred, app_.GetTargetFolder(), destFolder, finished);
}

void CZELMaintenanceDlg::OnDelete() {
    CListCtrlZEL* active = ActiveListCtrl();
    if (active && RefuseUnusableSelection(*active)) return;
    std::string folder = active == &sourceList_ ? tree_.GetSelectedPath() : app_.GetTargetFolder();
    // A card has no recycle bin: say so, and do not ask the shell for one.
    const bool permanent = IsOnRemovableDrive(folder);
    const char* question = permanent ? "MSG_DELETE_PERMANENT" : "MSG_DELETE";
    if (AppMessageBox(GetLangString(question), MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return;
    if (!app_.EnsureLumadexClosed()) return;
    if (!active) return;
    win::EnsureTrailingBackslash(folder);
    if (SelectedCount(*active) < 1) return;

    OperationScope running(*this);
    const std::vector<std::string> names = SelectedNames(*active);
    std::vector<std::string> deleted;
    bool finished = false;
    {
        CWindowReporter reporter =
            MakeReporter(permanent ? "TITLE_PROGRESS_DELETE_PERMANENT" : "TITLE_PROGRESS_DELETE");
        finished = DeleteFramesToRecycleBin(folder, names, reporter, !permanent, &deleted);
    }
    if (finished && deleted.size() == names.size()) {
        // Each frame went whole, companion folder and all.
        for (std::string& name : deleted) name.insert(0, folder);
        active->Patch(deleted, {});
        tree_.RemoveFoldersByPath(CompanionFolders(folder, names), true);
    } else {
        // What a delete that failed or stopped left is read again.
        active->Refill();
        tree_.RemoveFoldersByPath(CompanionFolders(folder, names));
    }
}

void CZELMaintenanceDlg::OnNewFolder() {
    if (tree_.IsSelectedFileSystem() != 1) return;
    std::string parent = tree_.GetSelectedPath();
    win::EnsureTrailingBackslash(parent);
    const int maxLength = NewFolderNameLimit(parent);
    std::string name;
    for (;;) {
        CNameDlg dialog(name, maxLength, kNewFolderMode, Handle());
        if (dialog.DoModal() != IDOK) return;
        const std::string forbidden = GetLangString("ERR_FOLDR_NAME_CHAR");
        const char* failed = CheckFolderName(name, parent, forbidden);
        if (!failed) break;
        std::string text = GetLangString(failed);
        if (std::string(failed) == "ERR_NOT_FOLDER_NAME") text += "\n" + forbidden;
        AppMessageBox(text, MB_OK | MB_ICONHAND);
    }
    std::string created;
    CMessageBoxReporter reporter;
    if (CreateNewFolder(parent, name, created, reporter)) tree_.AddChildFolder(created);
}

void CZELMaintenanceDlg::OnRename() {
    if (!app_.EnsureLumadexClosed()) return;
    CListCtrlZEL* active = ActiveListCtrl();
    if (!active) return;
    std::string folder = active == &sourceList_ ? tree_.GetSelectedPath() : app_.GetTargetFolder();
    win::EnsureTrailingBackslash(folder);
    const std::vector<int> selected = active->GetSelectedItems();
    if (selected.empty() || RefuseUnusableSelection(*active)) return;
    const std::string fileName = active->GetItemFileName(selected.front());
    if (fileName.empty()) return;  // the frame file is gone
    const std::string oldBase = win::WithoutLastDot(fileName);

    std::string name = oldBase;
    for (;;) {
        CNameDlg dialog(name, static_cast<int>(kMaxFrameNameBytes), kChangeNameMode, Handle());
        if (dialog.DoModal() != IDOK) return;
        const char* failed = CheckFrameName(name, folder, GetLangString("ERR_FILE_NAME_CHAR"));
        if (!failed) break;
        ShowErrorBox(failed);
    }
    RenameFrame(*active, folder, fileName, name);
}

void CZELMaintenanceDlg::RenameFrame(CListCtrlZEL& list, const std::string& folder,
                                     const std::string& fileName, const std::string& newBase) {
    CMessageBoxReporter reporter;
    ::RenameFrame(folder, fileName, newBase, reporter);
    list.Refill();
    if (&list == &sourceList_) {
        tree_.PruneMissingChildren();
        tree_.SyncRenamedChild(newBase);
    }
    UpdateCommandButtons();
}

CWindowReporter CZELMaintenanceDlg::MakeReporter(const char* operationKey) {
    return CWindowReporter(Handle(), operationKey, progressDelayMs_, [this] { ShowOperationRunning(); });
}

void CZELMaintenanceDlg::BeginOperation() {
    operationRunning_ = true;
    focusBeforeOperation_ = ::GetFocus();
    // A click in the tree would show another folder under the running operation.
    ::EnableWindow(tree_.Handle(), FALSE);
}

void CZELMaintenanceDlg::ShowOperationRunning() {
    if (!operationRunning_ || operationShown_) return;
    operationShown_ = true;
    UpdateCommandButtons();
    ::EnableWindow(Item(IDC_BTN_NEW_FOLDER), FALSE);
}

void CZELMaintenanceDlg::EndOperation() {
    operationRunning_ = operationShown_ = false;
    ::EnableWindow(tree_.Handle(), TRUE);
    // What was typed in a filter box while the operation ran applies now.
    for (ActiveList list : {ActiveList::kSource, ActiveList::kTarget})
        ListOf(list).SetFilter(win::WindowText(FilterBox(list)));
    ::EnableWindow(Item(IDC_BTN_NEW_FOLDER), tree_.IsSelectedFileSystem() == 1);
    if (const DWORD drives = std::exchange(drivesChangedMeanwhile_, 0)) OnDrivesChanged(drives);
    UpdateCommandButtons();
    // A disabled button lost the focus; give it back, or to the list acted on.
    if (::GetActiveWindow() != Handle()) return;
    HWND focus = focusBeforeOperation_;
    if (!focus || !::IsWindow(focus) || !::IsWindowEnabled(focus)) {
        CListCtrlZEL* active = ActiveListCtrl();
        focus = active ? active->Handle() : nullptr;
    }
    if (focus && ::GetFocus() != focus) ::SetFocus(focus);
}
