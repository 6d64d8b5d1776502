#include "frames/ListCtrlEx.h"

CListCtrlEx::CListCtrlEx()
    : textColor_(::GetSysColor(COLOR_WINDOWTEXT)),
      textBkColor_(::GetSysColor(COLOR_WINDOW)),
      bkColor_(::GetSysColor(COLOR_WINDOW)) {}

CListCtrlEx::~CListCtrlEx() {
    Detach();
}

bool CListCtrlEx::Attach(HWND hwnd) {
    if (hwnd_ || !::IsWindow(hwnd)) return false;
    auto handler = [this](HWND window, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC next) {
        if (msg == WM_NCDESTROY) {
            // The window goes before its wrapper: forget it.
            hwnd_ = nullptr;
            return ::CallWindowProcW(next, window, msg, wParam, lParam);
        }
        return WindowProc(msg, wParam, lParam);
    };
    if (!subclass_.Install(hwnd, handler)) return false;
    hwnd_ = hwnd;
    RECT client{};
    ::GetClientRect(hwnd, &client);
    clientWidth_ = client.right - client.left;
    return true;
}

void CListCtrlEx::Detach() {
    if (!hwnd_) return;
    subclass_.Remove();
    hwnd_ = nullptr;
}

bool CListCtrlEx::Create(HWND parent, const RECT& rect, int id, DWORD style) {
    style = (style & ~(LVS_TYPEMASK | LVS_SMALLICON)) | LVS_REPORT | LVS_OWNERDRAWFIXED | WS_CHILD;
    HWND hwnd = ::CreateWindowExA(
        0, WC_LISTVIEWA, "", style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) return false;
    if (!Attach(hwnd)) {
        ::DestroyWindow(hwnd);
        return false;
    }
    fullRow_ = true;
    return true;
}

int CListCtrlEx::GetItemCount() const {
    return hwnd_ ? static_cast<int>(::SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListCtrlEx::GetColumnWidth(int column) const {
    return hwnd_ ? static_cast<int>(::SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, column, 0)) : 0;
}

void CListCtrlEx::Remember(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case LVM_SETTEXTCOLOR:
            textColor_ = static_cast<COLORREF>(lParam);
            break;
        case LVM_SETTEXTBKCOLOR:
            textBkColor_ = static_cast<COLORREF>(lParam);
            break;
        case LVM_SETBKCOLOR:
            bkColor_ = static_cast<COLORREF>(lParam);
            break;
        case LVM_SETIMAGELIST:
            if (wParam == LVSIL_STATE) {
                int cx = 0, cy = 0;
                auto list = reinterpret_cast<HIMAGELIST>(lParam);
                stateImageWidth_ = list && ::ImageList_GetIconSize(list, &cx, &cy) ? cx : 0;
            }
            break;
        case WM_SIZE:
            clientWidth_ = LOWORD(lParam);
            break;
        default:
            break;
    }
}

LRESULT CListCtrlEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    Remember(msg, wParam, lParam);
    return DefaultProc(msg, wParam, lParam);
}

LRESULT CListCtrlEx::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(subclass_.Next(), hwnd_, msg, wParam, lParam);
}
