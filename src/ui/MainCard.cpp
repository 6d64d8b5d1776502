// The memory card in the main window: drives that come and go (volume
// arrival and removal, the shell's media and drive events), the target's
// title with its frame count and free space, a card that is not present,
// and "Remove card safely".
#include <windows.h>
#include <dbt.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "choosers/MemoryCardWizard.h"
#include "ops/CardWrites.h"
#include "ops/OperationReporter.h"
#include "resource.h"
#include "ui/MainDlg.h"
#include "win/GuiFont.h"
#include "win/Handles.h"
#include "win/Strings.h"
#include "win/DrawString.h"

namespace {

constexpr int kMemoryCardLimit = 100;
constexpr LONG kDriveEvents = SHCNE_MEDIAINSERTED | SHCNE_MEDIAREMOVED | SHCNE_DRIVEADD | SHCNE_DRIVEREMOVED;
constexpr DWORD kAllDrives = 0x3FFFFFF;

// The drive letter bit of a root ("E:\" gives bit 4); 0 for anything else.
DWORD DriveBit(const std::string& root) {
    const std::string drive = DriveRootOf(root);
    if (drive.empty()) return 0;
    const int letter = (drive[0] | 0x20) - 'a';  // DriveRootOf took ASCII letters only
    return letter >= 0 && letter < 26 ? 1u << letter : 0;
}

// "1.2 GB", "64 GB", "350 MB", "12 KB": one decimal where it says something.
std::string FreeSpaceText(ULONGLONG bytes) {
    constexpr ULONGLONG kKilo = 1024, kMega = kKilo * 1024, kGiga = kMega * 1024;
    char text[32];
    if (bytes >= 10 * kGiga)
        std::snprintf(text, sizeof text, "%llu GB", bytes / kGiga);
    else if (bytes >= kGiga)
        std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / kGiga);
    else if (bytes >= 10 * kMega)
        std::snprintf(text, sizeof text, "%llu MB", bytes / kMega);
    else if (bytes >= kMega)
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / kMega);
    else
        std::snprintf(text, sizeof text, "%llu KB", (bytes + kKilo - 1) / kKilo);
    return text;
}

// The drive letters a shell notification names; every drive when its item
// has no path (the shell may no longer resolve a drive that went away).
DWORD DrivesOfShellEvent(PIDLIST_ABSOLUTE* items) {
    if (!items || !items[0]) return kAllDrives;
    char path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListA(items[0], path)) return kAllDrives;
    const DWORD bit = DriveBit(path);
    return bit ? bit : kAllDrives;
}

}  // namespace

void CZELMaintenanceDlg::RegisterDriveNotifications() {
    // Volume arrival and removal come as WM_DEVICECHANGE to every top-level
    // window; the shell's media and drive events need a registration.
    win::ShellIdList desktop;
    if (FAILED(::SHGetSpecialFolderLocation(Handle(), CSIDL_DESKTOP, desktop.Put())) || !desktop.Get())
        return;
    SHChangeNotifyEntry entry = {};
    entry.pidl = desktop.Get();  // everything below the desktop
    entry.fRecursive = TRUE;
    // New delivery: the event's data comes in shared memory, readable from
    // whichever process raised it.
    shellNotifyId_ =
        ::SHChangeNotifyRegister(Handle(), SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                                 kDriveEvents, kShellDriveMessage, 1, &entry);
}

void CZELMaintenanceDlg::UnregisterDriveNotifications() {
    if (shellNotifyId_) ::SHChangeNotifyDeregister(shellNotifyId_);
    shellNotifyId_ = 0;
}

void CZELMaintenanceDlg::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_VOLUME) return;
    OnDrivesChanged(reinterpret_cast<const DEV_BROADCAST_VOLUME*>(data)->dbcv_unitmask);
}

void CZELMaintenanceDlg::OnShellDriveChange(WPARAM lock, LPARAM processId) {
    PIDLIST_ABSOLUTE* items = nullptr;
    LONG event = 0;
    HANDLE locked = ::SHChangeNotification_Lock(reinterpret_cast<HANDLE>(lock), static_cast<DWORD>(processId),
                                                &items, &event);
    if (!locked) return;
    const DWORD drives = (event & kDriveEvents) ? DrivesOfShellEvent(items) : 0;
    ::SHChangeNotification_Unlock(locked);
    // The shell waits for this message: the lists are refilled after it has
    // been answered.
    if (drives) ::PostMessageA(Handle(), kDrivesChangedMessage, drives, 0);
}

void CZELMaintenanceDlg::OnDrivesChanged(DWORD driveMask) {
    // Nothing changes under a running operation: it finds a drive that went
    // for itself, and the window follows once it has ended.
    if (IsOperationRunning()) {
        drivesChangedMeanwhile_ |= driveMask;
        return;
    }
    for (int letter = 0; letter < 26; ++letter) {
        if (!(driveMask & (1u << letter))) continue;
        const std::string root = std::string(1, static_cast<char>('A' + letter)) + ":\\";
        tree_.SyncDriveNode(root);
    }
    if (openWizard_ && ::IsWindow(openWizard_->Page2().Handle())) openWizard_->Page2().Rescan();
    if (driveMask & DriveBit(targetList_.GetFolder())) targetList_.Refill();
    if (driveMask & DriveBit(sourceList_.GetFolder())) sourceList_.Refill();
    UpdateCommandButtons();
}

bool CZELMaintenanceDlg::IsCardMissing() const {
    if (app_.GetLayoutAdditionTo() != kTargetMemoryCard) return false;
    ULONGLONG freeBytes = 0;
    return !DriveReadyFreeBytes(app_.GetMemoryCardDrive(), freeBytes);
}

bool CZELMaintenanceDlg::CheckCardPresent() {
    if (!IsCardMissing()) return true;
    targetList_.Refill();
    UpdateCommandButtons();
    ShowErrorBox("ERR_CARD_NOT_PRESENT");
    return false;
}

std::string CZELMaintenanceDlg::TargetTitleText(int width) const {
    // The card's count is of every frame on it, found or not: its limit
    // counts them all. The filter's count follows it.
    const std::string frames = std::to_string(targetList_.FrameCount());
    const std::string found = FilterCountText(targetList_);
    if (app_.GetLayoutAdditionTo() != kTargetMemoryCard) {
        if (!found.empty())
            return FittingText({GetLangString("TITLE_ZELLIT2_LX") + " " + found, found}, width);
        return GetLangString("TITLE_ZELLIT2_LX") + " " +
               (frames == "1" ? GetLangString("TITLE_TARGET_FRAMES_ONE")
                              : ReportText("TITLE_TARGET_FRAMES", {frames}));
    }
    const std::string drive = app_.GetMemoryCardDrive() + " ";
    ULONGLONG freeBytes = 0;
    std::vector<std::string> forms;
    if (DriveReadyFreeBytes(app_.GetMemoryCardDrive(), freeBytes)) {
        const std::vector<std::string> values = {frames, std::to_string(kMemoryCardLimit),
                                                 FreeSpaceText(freeBytes)};
        const std::string state = ReportText("TITLE_CARD_CAPACITY", values);
        forms = {GetLangString("TITLE_ZELLIT2_MEMCART") + drive + state, drive + state,
                 drive + ReportText("TITLE_CARD_CAPACITY_SHORT", values),
                 drive + ReportText("TITLE_CARD_CAPACITY_SHORTEST", values)};
    } else {
        const std::string state = GetLangString("TITLE_CARD_NOT_PRESENT");
        forms = {GetLangString("TITLE_ZELLIT2_MEMCART") + drive + state, drive + state};
    }
    if (!found.empty())
        for (std::string& form : forms) form += " " + found;
    // Words go in a fixed order: the words before the drive, then "frames",
    // then "free". The shortest form wraps when even it does not fit.
    return FittingText(forms, width);
}

std::string CZELMaintenanceDlg::FittingText(const std::vector<std::string>& forms, int width) const {
    win::WindowDc dc(Handle());
    win::SelectObjectScope select(dc.Get(), boldFont_.Get());
    for (const std::string& text : forms)
        if (win::StringExtent(dc.Get(), text).cx <= width) return text;
    return forms.back();
}

void CZELMaintenanceDlg::DisableCardWritesWhenMissing() {
    if (!IsCardMissing()) return;
    ::EnableWindow(Item(IDC_BTN_ADD), FALSE);
    if (activeList_ == ActiveList::kSource) ::EnableWindow(Item(IDC_BTN_COPY), FALSE);
}

bool CZELMaintenanceDlg::CanRemoveCard() const {
    return app_.GetLayoutAdditionTo() == kTargetMemoryCard && !IsCardMissing();
}

void CZELMaintenanceDlg::OnRemoveCardSafely() {
    if (!CanRemoveCard()) return;
    const EjectResult result = RemoveCardSafely(app_.GetMemoryCardDrive(), ejectCalls_);
    switch (result.status) {
        case EjectStatus::Ejected:
            AppMessageBox(GetLangString("MSG_CARD_REMOVABLE"), MB_OK | MB_ICONASTERISK);
            // The system announces the card's going; this window need not wait for it.
            OnDrivesChanged(DriveBit(app_.GetMemoryCardDrive()));
            return;
        case EjectStatus::Vetoed:
            if (!result.vetoName.empty()) {
                AppMessageBox(ReportText("ERR_CARD_VETOED", {result.vetoName}), MB_OK | MB_ICONHAND);
                return;
            }
            ShowErrorBox("ERR_CARD_EJECT_FAILED");
            return;
        case EjectStatus::FlushFailed:
            ShowErrorBox("ERR_CARD_FLUSH_FAILED");
            return;
        default:
            ShowErrorBox("ERR_CARD_EJECT_FAILED");
            return;
    }
}
