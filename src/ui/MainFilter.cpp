// The quick filter of the main window: a box above each frame list. What
// is typed there leaves only the frames whose title or file name holds it.
#include <windows.h>
#include <commctrl.h>

#include "app/LangStrings.h"
#include "ops/OperationReporter.h"
#include "resource.h"
#include "ui/MainDlg.h"
#include "win/FormatText.h"
#include "win/Strings.h"

HWND CZELMaintenanceDlg::FilterBox(ActiveList list) const {
    return Item(list == ActiveList::kTarget ? IDC_FILTER_TARGET : IDC_FILTER_SOURCE);
}

void CZELMaintenanceDlg::InitFilterBoxes() {
    // The hint shows in an empty box that has no focus.
    const std::wstring cue = win::ToWide(GetLangString("TITLE_FILTER_CUE"));
    for (ActiveList list : {ActiveList::kSource, ActiveList::kTarget}) {
        HWND box = FilterBox(list);
        ::SendMessageW(box, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(cue.c_str()));
        ::SendMessageA(box, EM_LIMITTEXT, MAX_PATH, 0);
    }
}

void CZELMaintenanceDlg::OnFilterChanged(ActiveList list) {
    ListOf(list).SetFilter(win::WindowText(FilterBox(list)));
    UpdateCommandButtons();
}

void CZELMaintenanceDlg::ClearFilter(ActiveList list) {
    HWND box = FilterBox(list);
    if (::GetWindowTextLengthA(box) > 0) ::SetWindowTextA(box, "");
    ListOf(list).SetFilter(std::string());
}

void CZELMaintenanceDlg::OnFindFilter() {
    HWND box = FilterBox(activeList_ == ActiveList::kTarget ? ActiveList::kTarget : ActiveList::kSource);
    if (!::IsWindowEnabled(box)) return;
    ::SetFocus(box);
    ::SendMessageA(box, EM_SETSEL, 0, -1);
}

bool CZELMaintenanceDlg::OnFilterKey(MSG* msg) {
    const bool source = msg->hwnd == FilterBox(ActiveList::kSource);
    const ActiveList list = source ? ActiveList::kSource : ActiveList::kTarget;
    const bool control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (msg->message == WM_KEYDOWN) {
        switch (msg->wParam) {
            case VK_ESCAPE:
                // Esc empties the box; in an empty one it goes back to the list.
                if (::GetWindowTextLengthA(msg->hwnd) > 0)
                    ::SetWindowTextA(msg->hwnd, "");
                else
                    ::SetFocus(ListOf(list).Handle());
                return true;
            case VK_RETURN:
            case VK_DOWN:
                // On to the frames found.
                ::SetFocus(ListOf(list).Handle());
                return true;
            case 'A':
                if (!control) break;
                ::SendMessageA(msg->hwnd, EM_SETSEL, 0, -1);
                return true;
            default:
                break;
        }
    }
    if (msg->message == WM_CHAR && (msg->wParam == 0x1B || msg->wParam == '\r' || msg->wParam == 0x01))
        return true;  // the keys above, already taken; the box would beep
    // Del, F2, Ctrl+A and the rest edit the text; F5 and Ctrl+F, Ctrl+E
    // still do what they do everywhere.
    const bool shortcut = msg->message == WM_KEYDOWN &&
                          (msg->wParam == VK_F5 || (control && (msg->wParam == 'F' || msg->wParam == 'E')));
    if (!shortcut) return false;
    return accelerators_ && ::TranslateAcceleratorA(Handle(), accelerators_.Get(), msg);
}

std::string CZELMaintenanceDlg::FilterCountText(const CListCtrlZEL& list) const {
    if (!list.IsFiltered()) return std::string();
    return ReportText("TITLE_FILTERED_FRAMES", {win::CountText(static_cast<ULONGLONG>(list.GetItemCount())),
                                                win::CountText(static_cast<ULONGLONG>(list.FrameCount()))});
}

std::string CZELMaintenanceDlg::SourceTitleText(int width) const {
    // A title that needs another line lays the window out again, which would
    // cost a key typed in the box more than the filter does.
    const std::string count = FilterCountText(sourceList_);
    if (count.empty()) return GetLangString("TITLE_ZELLIT1");
    return FittingText({GetLangString("TITLE_ZELLIT1") + " " + count, count}, width);
}
