#include <gtest/gtest.h>

#include "app/App.h"
#include "app/MessageBox.h"

TEST(MessageBoxFlags, BoxesWithoutAnIconGetTheExclamationUnlessTheyAskToRetry) {
    const UINT exclamation[] = {MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL};
    for (UINT type : exclamation)
        EXPECT_EQ(EffectiveMessageBoxFlags(type), type | MB_ICONEXCLAMATION) << type;
    EXPECT_EQ(EffectiveMessageBoxFlags(MB_RETRYCANCEL), static_cast<UINT>(MB_RETRYCANCEL));
    EXPECT_EQ(EffectiveMessageBoxFlags(MB_ABORTRETRYIGNORE), static_cast<UINT>(MB_ABORTRETRYIGNORE));
    // An icon of the caller's own is kept, whatever the buttons.
    EXPECT_EQ(EffectiveMessageBoxFlags(MB_OK | MB_ICONHAND), static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_EQ(EffectiveMessageBoxFlags(MB_RETRYCANCEL | MB_ICONHAND),
              static_cast<UINT>(MB_RETRYCANCEL | MB_ICONHAND));
    EXPECT_EQ(EffectiveMessageBoxFlags(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2),
              static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
}

namespace {
struct SeenBox {
    HWND box = nullptr;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    std::string caption;
};
SeenBox g_seen;
HWND g_ownerWindow = nullptr;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM) {
    char className[16] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    if (hwnd == g_ownerWindow || std::string(className) != "#32770" || !::IsWindowVisible(hwnd)) return TRUE;
    g_seen.box = hwnd;
    return FALSE;
}

void CALLBACK LookForBox(HWND, UINT, UINT_PTR timer, DWORD) {
    ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, 0);
    if (!g_seen.box) return;
    ::KillTimer(nullptr, timer);
    g_seen.owner = ::GetWindow(g_seen.box, GW_OWNER);
    g_seen.ownerEnabled = ::IsWindowEnabled(g_ownerWindow) != FALSE;
    char caption[128] = {};
    ::GetWindowTextA(g_seen.box, caption, sizeof caption);
    g_seen.caption = caption;
    ::PostMessageA(g_seen.box, WM_COMMAND, IDNO, 0);
}
}  // namespace

TEST(MessageBoxOwner, TheActiveTopLevelWindowOwnsTheBoxAndIsDisabledMeanwhile) {
    g_ownerWindow = ::CreateWindowExA(0, MAKEINTATOM(0x8002), "owner", WS_POPUP | WS_VISIBLE, 10, 10, 300,
                                      200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(g_ownerWindow, nullptr);
    HWND child = ::CreateWindowExA(0, "BUTTON", "child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, g_ownerWindow,
                                   nullptr, nullptr, nullptr);
    ::SetForegroundWindow(g_ownerWindow);
    ::SetActiveWindow(g_ownerWindow);
    ::SetFocus(child);
    ASSERT_EQ(::GetActiveWindow(), g_ownerWindow);

    g_seen = {};
    ::SetTimer(nullptr, 0, 50, LookForBox);
    EXPECT_EQ(AppMessageBox("question", MB_YESNO), IDNO);
    EXPECT_EQ(g_seen.owner, g_ownerWindow);
    EXPECT_FALSE(g_seen.ownerEnabled);
    EXPECT_EQ(g_seen.caption, CZELMaintenanceApp::Title());
    EXPECT_TRUE(::IsWindowEnabled(g_ownerWindow));
    ::DestroyWindow(g_ownerWindow);
    g_ownerWindow = nullptr;
}
