// Waits for or closes the program's main window from outside, for scripts:
//   window_ctl wait  "<title>" [seconds]   exit 0 once the window is visible
//   window_ctl close "<title>" [seconds]   sends WM_CLOSE, waits until it is gone
//   window_ctl arrive|remove "<title>" <letter>
//                                          tells the window that the volume of a
//                                          drive came or went, as the system does
//                                          on Windows (Wine announces neither)
#include <windows.h>
#include <dbt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
HWND FindMain(const char* title) {
    HWND w = ::FindWindowA(MAKEINTATOM(0x8002), title);  // the dialog class "#32770"
    return w && ::IsWindowVisible(w) ? w : nullptr;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_ctl wait|close <title> [seconds]\n");
        return 2;
    }
    const char* title = argv[2];
    const DWORD limit = (argc > 3 ? std::atoi(argv[3]) : 30) * 1000u;
    const DWORD start = ::GetTickCount();
    if (std::strcmp(argv[1], "wait") == 0) {
        while (!FindMain(title)) {
            if (::GetTickCount() - start > limit) return 1;
            ::Sleep(100);
        }
        return 0;
    }
    const bool arrive = std::strcmp(argv[1], "arrive") == 0;
    if (arrive || std::strcmp(argv[1], "remove") == 0) {
        HWND w = FindMain(title);
        const char letter = argc > 3 ? static_cast<char>(argv[3][0] & ~0x20) : 0;
        if (!w || letter < 'A' || letter > 'Z') return 1;
        DEV_BROADCAST_VOLUME volume = {};
        volume.dbcv_size = sizeof volume;
        volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
        volume.dbcv_unitmask = 1u << (letter - 'A');
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(w, WM_DEVICECHANGE, arrive ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                              reinterpret_cast<LPARAM>(&volume), SMTO_ABORTIFHUNG, 5000, &result);
        return 0;
    }
    if (std::strcmp(argv[1], "close") == 0) {
        HWND w = FindMain(title);
        if (!w) return 1;
        ::PostMessageA(w, WM_CLOSE, 0, 0);
        while (::IsWindow(w)) {
            if (::GetTickCount() - start > limit) return 1;
            ::Sleep(100);
        }
        return 0;
    }
    return 2;
}
