#include "ui/ReplaceDlg.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdlib>

#include "app/LangStrings.h"
#include "frames/FrameInfoCache.h"
#include "ops/FrameScan.h"
#include "resource.h"
#include "win/FitText.h"
#include "win/FormatText.h"
#include "win/GuiFont.h"
#include "win/Strings.h"

namespace {

std::string FormatLine(const char* key, const std::string& value) {
    return win::FormatMessageText(GetLangString(key), {value});
}

std::string SizeText(ULONGLONG bytes) {
    char text[64] = {};
    ::StrFormatByteSize64A(static_cast<LONGLONG>(bytes), text, sizeof text);
    return text;
}

std::string TimeText(const FILETIME& written) {
    if (written.dwLowDateTime == 0 && written.dwHighDateTime == 0) return "-";
    FILETIME local = {};
    SYSTEMTIME time = {};
    if (!::FileTimeToLocalFileTime(&written, &local) || !::FileTimeToSystemTime(&local, &time)) return "-";
    char date[80] = {}, clock[80] = {};
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, sizeof clock);
    return std::string(date) + " " + clock;
}

}  // namespace

ReplaceSide DescribeFrame(const std::string& path) {
    ReplaceSide side;
    if (const FrameInfo* info = GetFrameInfo(path)) {
        // A frame no list shows (one dropped from outside), or one named in
        // another case than the row that shows it, has a record of its own
        // whose picture is made here (nothing happens when it has one).
        MakePendingThumbnail(path);
        side.title = info->title;
        // Paper and margins, as the lists show them.
        side.paper = info->paperLabel;
        if (info->marginLabel[0])
            side.paper += (side.paper.empty() ? "" : ", ") + std::string(info->marginLabel);
        side.imageIndex = info->imageIndex;
    }
    const std::string folder = win::FolderOf(path);
    side.bytes = ScanFrame(folder, path.substr(folder.size())).bytes;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        side.written = data.ftLastWriteTime;
    return side;
}

std::string ReplaceSideText(const ReplaceSide& side) {
    return side.title + "\n" + FormatLine("LIST_REPLACE_PAPER", side.paper) + "\n" +
           FormatLine("LIST_REPLACE_SIZE", SizeText(side.bytes)) + "\n" +
           FormatLine("LIST_REPLACE_TIME", TimeText(side.written));
}

CReplaceDlg::CReplaceDlg(const ReplaceQuestion& question) : win::Dialog(IDD_REPLACE), question_(question) {}

ReplaceAnswer CReplaceDlg::Ask(HWND owner) {
    // Read before the window exists: the thumbnails may need decoding.
    existing_ = DescribeFrame(question_.existingPath);
    incoming_ = DescribeFrame(question_.incomingPath);
    answer_ = ReplaceAnswer::CancelAll;
    forAll_ = false;
    DoModal(owner);
    return answer_;
}

BOOL CReplaceDlg::OnInitDialog() {
    LOGFONTA logFont = win::DefaultGuiLogFont();
    font_ = win::MakeFont(logFont);
    logFont.lfWeight = FW_BOLD;
    boldFont_ = win::MakeFont(logFont);
    ::SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    win::SetFontOnItems(Handle(), font_.Get(),
                        {IDC_REPLACE_QUESTION, IDC_REPLACE_OLD_INFO, IDC_REPLACE_NEW_INFO,
                         IDC_REPLACE_FOR_ALL, IDC_REPLACE_REPLACE, IDC_REPLACE_SKIP, IDCANCEL});
    win::SetFontOnItems(Handle(), boldFont_.Get(), {IDC_REPLACE_OLD_LABEL, IDC_REPLACE_NEW_LABEL});

    ::SetWindowTextA(Handle(), GetLangString("TITLE_REPLACE").c_str());
    SetItemText(IDC_REPLACE_QUESTION, ReplaceQuestionText(question_));
    SetItemText(IDC_REPLACE_OLD_LABEL, GetLangString("LIST_REPLACE_EXISTING"));
    SetItemText(IDC_REPLACE_NEW_LABEL, GetLangString("LIST_REPLACE_INCOMING"));
    SetItemText(IDC_REPLACE_OLD_INFO, ReplaceSideText(existing_));
    SetItemText(IDC_REPLACE_NEW_INFO, ReplaceSideText(incoming_));
    SetItemText(IDC_REPLACE_REPLACE, GetLangString("BTN_REPLACE"));
    SetItemText(IDC_REPLACE_SKIP, GetLangString("BTN_SKIP"));
    SetItemText(IDCANCEL, GetLangString("BTN_CANCEL"));
    if (question_.conflictsAfter == 1) {
        SetItemText(IDC_REPLACE_FOR_ALL, GetLangString("BTN_REPLACE_FOR_ALL_ONE"));
    } else if (question_.conflictsAfter > 1) {
        SetItemText(IDC_REPLACE_FOR_ALL, win::FormatMessageText(GetLangString("BTN_REPLACE_FOR_ALL"),
                                                                {std::to_string(question_.conflictsAfter)}));
    } else {
        ::ShowWindow(Item(IDC_REPLACE_FOR_ALL), SW_HIDE);
    }
    win::FitControlsToText(Handle());

    // Centred over the window that asks.
    RECT ownerRect = {}, rect = {};
    HWND owner = ::GetWindow(Handle(), GW_OWNER);
    if (owner && ::GetWindowRect(owner, &ownerRect) && ::GetWindowRect(Handle(), &rect)) {
        const int x = ownerRect.left + ((ownerRect.right - ownerRect.left) - (rect.right - rect.left)) / 2;
        const int y = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - (rect.bottom - rect.top)) / 2;
        ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetFocus(Item(IDC_REPLACE_REPLACE));
    return FALSE;
}

bool CReplaceDlg::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
        case IDC_REPLACE_REPLACE:
        case IDOK:
            End(ReplaceAnswer::Replace);
            return true;
        case IDC_REPLACE_SKIP:
            End(ReplaceAnswer::Skip);
            return true;
        case IDCANCEL:
            End(ReplaceAnswer::CancelAll);
            return true;
        default:
            return win::Dialog::OnCommand(id, code, control);
    }
}

void CReplaceDlg::End(ReplaceAnswer answer) {
    answer_ = answer;
    forAll_ = question_.conflictsAfter > 0 &&
              ::SendMessageA(Item(IDC_REPLACE_FOR_ALL), BM_GETCHECK, 0, 0) == BST_CHECKED;
    EndDialog(answer == ReplaceAnswer::CancelAll ? IDCANCEL : IDOK);
}

INT_PTR CReplaceDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID == IDC_REPLACE_OLD_THUMB || item->CtlID == IDC_REPLACE_NEW_THUMB) {
            DrawThumbnail(*item);
            return TRUE;
        }
    }
    return win::Dialog::HandleMessage(msg, wParam, lParam);
}

void CReplaceDlg::DrawThumbnail(const DRAWITEMSTRUCT& item) const {
    const ReplaceSide& side = item.CtlID == IDC_REPLACE_OLD_THUMB ? existing_ : incoming_;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_WINDOW));
    ::FrameRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNSHADOW));
    HIMAGELIST images = FrameThumbnailList();
    if (!images || side.imageIndex < 0) return;
    int width = 0, height = 0;
    ::ImageList_GetIconSize(images, &width, &height);
    const int x = item.rcItem.left + ((item.rcItem.right - item.rcItem.left) - width) / 2;
    const int y = item.rcItem.top + ((item.rcItem.bottom - item.rcItem.top) - height) / 2;
    ::ImageList_Draw(images, side.imageIndex, item.hDC, x, y, ILD_TRANSPARENT);
}
