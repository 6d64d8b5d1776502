#include "app/Lumadex.h"

#include <windows.h>

#include "app/App.h"
#include "app/MessageBox.h"
#include "app/Profile.h"
#include "win/Strings.h"

std::string ReadLumadexValue(const char* name) {
    // The companion is a 32-bit program: on 64-bit Windows its entry lies in
    // the registry's 32-bit view, which a 32-bit build sees anyway and a
    // 64-bit build must ask for. The native view is the fallback, for an
    // entry that a 64-bit installer wrote.
    CProfile companionView(HKEY_LOCAL_MACHINE, kLumadexKey, kLumadexRegistryView);
    if (companionView.HasValue(kLumadexSubKey, name))
        return companionView.ReadString(kLumadexSubKey, name, "");
    CProfile nativeView(HKEY_LOCAL_MACHINE, kLumadexKey);
    return nativeView.ReadString(kLumadexSubKey, name, "");
}

bool IsNamedSemaphorePresent(const std::string& name) {
    if (name.empty()) return false;
    win::KernelObject semaphore(::OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name.c_str()));
    if (semaphore) return true;
    // A semaphore of another user or an elevated process exists all the same.
    return ::GetLastError() == ERROR_ACCESS_DENIED;
}

bool CZELMaintenanceApp::EnsureLumadexClosed() const {
    const std::string caption = ReadLumadexValue(kLumadexCaptionValue);
    while (IsNamedSemaphorePresent(caption)) {
        if (AppMessageBox(LangString("ERR_LX"), MB_RETRYCANCEL | MB_ICONHAND) != IDRETRY) return false;
    }
    return true;
}

std::string DriveAndFolderOf(const std::string& path) {
    const size_t backslash = win::FindLastChar(path, '\\');
    const size_t slash = win::FindLastChar(path, '/');
    size_t end = 0;
    if (backslash != std::string::npos) end = backslash + 1;
    if (slash != std::string::npos && slash + 1 > end) end = slash + 1;
    if (end == 0 && path.size() >= 2 && path[1] == ':' && !::IsDBCSLeadByte(static_cast<BYTE>(path[0])))
        end = 2;
    return path.substr(0, end);
}

std::string CZELMaintenanceApp::GetLumadexConfigFolder() const {
    return DriveAndFolderOf(ReadLumadexValue(kLumadexPathValue)) + "Config\\ZEL";
}
