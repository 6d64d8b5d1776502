#include "app/App.h"

#include <cstdlib>

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "resource.h"
#include "win/Strings.h"

namespace {
// The resource is the one source of the title; a module without the
// resource script (a tool) still gets the same settings key.
constexpr char kFallbackTitle[] = "ZORVA Quillet Tool1.1";
constexpr ATOM kDialogClassAtom = 0x8002;  // "#32770"
}  // namespace

CZELMaintenanceApp::CZELMaintenanceApp() = default;
CZELMaintenanceApp::~CZELMaintenanceApp() = default;

std::string CZELMaintenanceApp::Title() {
    std::string title = win::LoadResourceString(IDS_APP_TITLE);
    return title.empty() ? kFallbackTitle : title;
}

std::string CZELMaintenanceApp::SettingsKeyPath() {
    return "Software\\ZORVA\\" + Title();
}

int CZELMaintenanceApp::Run(const MainWindowRunner& runMainWindow) {
    // The three-dimensional control look is the system's own since
    // common controls 6: nothing to turn on.
    const std::string title = Title();
    if (!AcquireSingleInstance(title)) {
        BringOtherInstanceForward(title);
        result_ = StartResult::kOtherInstanceRunning;
    } else if (!CheckLanguageFile()) {
        result_ = StartResult::kLanguageFileUnusable;
    } else if (!EnsureLumadexClosed()) {
        result_ = StartResult::kLumadexRefused;
    } else if (!InitializeOle()) {
        AppMessageBox("err AfxOleInit()", MB_OK);
        result_ = StartResult::kOleFailed;
    } else {
        LoadSettings();
        CheckStoredTarget();
        if (runMainWindow) runMainWindow(*this);
        ::ReleaseMutex(instanceMutex_.Get());
        result_ = StartResult::kMainWindowClosed;
    }
    // Exit step. Settings that were never loaded are not written: the zeros
    // in memory would replace what the user had stored.
    if (settingsLoaded_) SaveSettings();
    ole_.reset();
    return static_cast<int>(result_);
}

bool CZELMaintenanceApp::AcquireSingleInstance(const std::string& title) {
    instanceMutex_.Reset(::CreateMutexA(nullptr, FALSE, title.c_str()));
    if (!instanceMutex_) return false;
    // An abandoned mutex (an instance that died) is ours now all the same.
    const DWORD wait = ::WaitForSingleObject(instanceMutex_.Get(), 0);
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

void CZELMaintenanceApp::BringOtherInstanceForward(const std::string& title) {
    HWND other = ::FindWindowA(MAKEINTATOM(kDialogClassAtom), title.c_str());
    if (!other) return;
    HWND popup = ::GetLastActivePopup(other);
    ::ShowWindow(popup, SW_SHOW);
    ::SetForegroundWindow(popup);
}

bool CZELMaintenanceApp::InitializeOle() {
    if (oleInitializer_) return oleInitializer_();
    ole_ = std::make_unique<win::OleScope>();
    return ole_->Succeeded();
}

bool CZELMaintenanceApp::CheckLanguageFile() const {
    const std::string path = languageFile_.empty() ? OwnLangFilePath() : languageFile_;
    const LangFileState state = CheckLangFile(path);
    if (state == LangFileState::kReady) return true;
    // Without the file every label and question would be blank, this box
    // included: it is the one text in English.
    AppMessageBox(LangFileProblemText(state, path), MB_OK | MB_ICONHAND);
    return false;
}

void CZELMaintenanceApp::CheckStoredTarget() {
    // Anything stored but a memory card is taken as the companion's folder.
    if (layoutAdditionTo_ != kTargetMemoryCard) {
        layoutAdditionTo_ = kTargetLumadexFolder;
        return;
    }
    if (!IsMemoryCardTargetEnabled()) {
        layoutAdditionTo_ = kTargetLumadexFolder;
        return;
    }
    // An empty drive would ask about the current folder's drive: no card.
    const UINT type =
        memoryCardDrive_.empty() ? DRIVE_NO_ROOT_DIR : ::GetDriveTypeA(memoryCardDrive_.c_str());
    if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED) layoutAdditionTo_ = kTargetLumadexFolder;
}

bool CZELMaintenanceApp::IsMemoryCardTargetEnabled() const {
    return std::atoi(LangString("USE_ADD_MEM_FUNC_FLAG").c_str()) > 0;
}

std::string CZELMaintenanceApp::LangString(const char* key) const {
    return languageFile_.empty() ? GetLangString(key) : ReadLangString(languageFile_, key);
}
