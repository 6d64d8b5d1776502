// Stands in for the companion photo-printing application, which Quillet Tool
// never calls but must not work alongside. It does what the real one does as
// far as Quillet Tool can see: registers itself under
// HKEY_LOCAL_MACHINE\SOFTWARE\ZORVA\ZORVA LUMADEX3.0 ("CAPTION" = the name of
// the semaphore it holds while running, "PATH" = its program inside its
// install folder), creates the install folder with its "Config\ZEL" folder,
// and holds that named semaphore while it runs. The real one is a 32-bit
// program, so even when built for 64 bits the stand-in writes the 32-bit
// registry view and installs into the 32-bit programs' folder.
//
//   lumadex_standin [seconds]       register, then run (hold the semaphore)
//                                   until a key is pressed, the seconds have
//                                   passed or the console is closed;
//                                   without seconds (or 0) only a key ends it
//   lumadex_standin --install-only  register and create the folders, then exit
//   lumadex_standin --uninstall     remove the two registry values
//
// Under Wine, from a program's build folder (build/win32 or build/win64):
//   ./wine-run.sh ./lumadex_standin.exe 60 &
//   ./wine-run.sh ./QuilletTool.exe            # shows the "running" message
// Once it is running it prints "running" on a line of its own, so a test can
// wait for that line or for the semaphore.
#include <windows.h>
#include <conio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Lumadex.h"
#include "app/Profile.h"
#include "win/Handles.h"

namespace {
constexpr char kSemaphoreName[] = "ZORVA LUMADEX3.0 Stand-in";
constexpr char kProgramName[] = "Lumadex.exe";

std::string InstallFolder() {
    char programFiles[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableA("ProgramFiles(x86)", programFiles, sizeof programFiles);
    if (n == 0 || n >= sizeof programFiles)
        n = ::GetEnvironmentVariableA("ProgramFiles", programFiles, sizeof programFiles);
    std::string base = n > 0 && n < sizeof programFiles ? programFiles : "C:\\Program Files";
    return base + "\\ZORVA\\LUMADEX3.0\\";
}

// Creates path and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\') continue;
        const std::string part = path.substr(0, i);
        if (!::CreateDirectoryA(part.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Install() {
    const std::string folder = InstallFolder();
    if (!MakeFolders(folder + "Config\\ZEL")) {
        std::fprintf(stderr, "cannot create %sConfig\\ZEL\n", folder.c_str());
        return false;
    }
    CProfile profile(HKEY_LOCAL_MACHINE, kLumadexKey, kLumadexRegistryView);
    if (profile.WriteString(kLumadexSubKey, kLumadexCaptionValue, kSemaphoreName) != ERROR_SUCCESS ||
        profile.WriteString(kLumadexSubKey, kLumadexPathValue, folder + kProgramName) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot write the registry entry\n");
        return false;
    }
    std::printf("CAPTION=%s\nPATH=%s%s\n", kSemaphoreName, folder.c_str(), kProgramName);
    return true;
}

bool Uninstall() {
    HKEY key = nullptr;
    const std::string path = std::string(kLumadexKey) + "\\" + kLumadexSubKey;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE | kLumadexRegistryView, &key) !=
        ERROR_SUCCESS)
        return true;
    win::RegKey owned(key);
    ::RegDeleteValueA(key, kLumadexCaptionValue);
    ::RegDeleteValueA(key, kLumadexPathValue);
    return true;
}

int RunHoldingSemaphore(DWORD seconds) {
    win::KernelObject semaphore(::CreateSemaphoreA(nullptr, 1, 1, kSemaphoreName));
    if (!semaphore) {
        std::fprintf(stderr, "cannot create the semaphore (error %lu)\n", ::GetLastError());
        return 1;
    }
    std::printf("running\n");
    std::fflush(stdout);
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (seconds > 0 && ::GetTickCount() - start >= seconds * 1000u) break;
        if (_kbhit()) {
            _getch();
            break;
        }
        ::Sleep(100);
    }
    std::printf("stopped\n");
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--install-only") == 0) return Install() ? 0 : 1;
    if (argc > 1 && std::strcmp(argv[1], "--uninstall") == 0) return Uninstall() ? 0 : 1;
    if (argc > 1 && (argv[1][0] < '0' || argv[1][0] > '9')) {
        std::fprintf(stderr, "usage: lumadex_standin [seconds] | --install-only | --uninstall\n");
        return 2;
    }
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 0;
    if (!Install()) return 1;
    return RunHoldingSemaphore(seconds);
}
