// Row painting of the frame lists: each row is drawn into a bitmap and
// copied onto the screen in one piece, so that it never flickers.
#include <algorithm>

#include "app/LangStrings.h"
#include "frames/FrameInfoCache.h"
#include "frames/ListCtrlZEL.h"
#include "win/Handles.h"
#include "win/DrawString.h"

namespace {

void DrawLabel(HDC dc, const char* text, int left, int top, int right, int bottom, UINT vertical) {
    RECT rect{left, top, right, bottom};
    win::DrawString(dc, text, &rect, DT_WORD_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | vertical);
}

// The frame file's last write in the user's short date and time, on two
// lines as the other columns' texts.
void DrawDate(HDC dc, const FILETIME& written, int left, int right, int middle, int height) {
    FILETIME local;
    SYSTEMTIME time;
    if ((!written.dwLowDateTime && !written.dwHighDateTime) || !::FileTimeToLocalFileTime(&written, &local) ||
        !::FileTimeToSystemTime(&local, &time))
        return;
    char date[80] = "", clock[80] = "";
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, sizeof clock);
    DrawLabel(dc, date, left, 2, right, middle, DT_BOTTOM);
    DrawLabel(dc, clock, left, middle, right, height - 2, DT_TOP);
}

void DrawRecord(HDC dc, const FrameInfo& info, int c0, int c1, int c2, int width, int height) {
    if (info.imageIndex != -1) {
        // The thumbnail never spills into the text columns.
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, 0, 0, c0, height);
        ::ImageList_Draw(FrameThumbnailList(), info.imageIndex, dc, 0, 0, ILD_TRANSPARENT);
        ::RestoreDC(dc, saved);
    }
    ::SetBkMode(dc, TRANSPARENT);
    const int middle = 2 + (height - 2) / 2;
    DrawLabel(dc, info.title, c0 + 2, 2, c0 + c1 - 2, middle, DT_BOTTOM);
    DrawLabel(dc, info.fileName, c0 + 2, middle, c0 + c1 - 2, height - 2, DT_TOP);
    DrawLabel(dc, info.paperLabel, c0 + c1 + 2, 2, c0 + c1 + c2 - 2, middle, DT_BOTTOM);
    DrawLabel(dc, info.marginLabel, c0 + c1 + 2, middle, c0 + c1 + c2 - 2, height - 2, DT_TOP);
    // The last column's texts reach to the end of the row.
    DrawDate(dc, info.written, c0 + c1 + c2 + 2, width - 2, middle, height);
}

}  // namespace

// A warning mark in the thumbnail's cell, "not usable" over the real name.
void CListCtrlZEL::DrawUnusable(HDC dc, const std::wstring& name, win::NameProblem, int c0, int c1,
                                int height) {
    const int mark = std::min(c0, height) / 2;
    ::DrawIconEx(dc, (c0 - mark) / 2, (height - mark) / 2, ::LoadIconA(nullptr, IDI_WARNING), mark, mark, 0,
                 nullptr, DI_NORMAL);
    ::SetBkMode(dc, TRANSPARENT);
    const int middle = 2 + (height - 2) / 2;
    DrawLabel(dc, GetLangString("LIST_NAME_UNUSABLE").c_str(), c0 + 2, 2, c0 + c1 - 2, middle, DT_BOTTOM);
    RECT rect{c0 + 2, middle, c0 + c1 - 2, height - 2};
    ::DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &rect,
                DT_WORD_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_TOP);
}

bool CListCtrlZEL::DrawItem(const DRAWITEMSTRUCT& item) {
    if (!Handle() || item.CtlType != ODT_LISTVIEW || item.hwndItem != Handle()) return false;
    if (static_cast<int>(item.itemID) < 0) return true;
    if (!(item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return true;
    const RECT& row = item.rcItem;
    const int width = row.right - row.left;
    const int height = row.bottom - row.top;
    if (width <= 0 || height <= 0) return true;

    std::wstring unusableName;
    win::NameProblem problem = win::NameProblem::kNone;
    const bool unusable = GetUnusableItem(static_cast<int>(item.itemID), unusableName, problem);
    const FrameInfo* info = unusable ? nullptr : GetFrameInfo(GetItemPath(static_cast<int>(item.itemID)));
    // A row drawn blank whose picture is still to come: make sure it comes,
    // even for a record made again after the fill.
    if (info && info->imageIndex == -1 && IsThumbnailPending(info->path)) StartThumbnails();
    // One buffer for all rows: a row drawn there first never flickers.
    HDC dc = rowBuffer_.Prepare(width, height);
    if (!dc) return true;
    auto font = reinterpret_cast<HFONT>(::SendMessageA(Handle(), WM_GETFONT, 0, 0));
    win::SelectObjectScope selectFont(dc,
                                      font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));

    // No focus rectangle: a selected row looks the same with or without focus.
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    win::Brush fill(::CreateSolidBrush(selected ? kSelectedRowColor : kRowColor));
    const RECT all{0, 0, width, height};
    ::FillRect(dc, &all, fill.Get());
    ::SetTextColor(dc, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    if (info) DrawRecord(dc, *info, GetColumnWidth(0), GetColumnWidth(1), GetColumnWidth(2), width, height);
    if (unusable) DrawUnusable(dc, unusableName, problem, GetColumnWidth(0), GetColumnWidth(1), height);

    ::BitBlt(item.hDC, row.left, row.top, width, height, dc, 0, 0, SRCCOPY);
    return true;
}
