#include "ListHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "../../tools/JpegWriter.h"
#include "TestFiles.h"
#include "frames/FrameInfoCache.h"
#include "resource.h"
#include "win/Handles.h"

ListHost::ListHost() : win::Dialog(IDD_MAIN) {
    Create(nullptr);
    ::MoveWindow(Handle(), 0, 0, 780, 540, TRUE);
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    PumpMessages();
}

ListHost::~ListHost() {
    lists_[0].reset();
    lists_[1].reset();
}

CListCtrlZEL& ListHost::Open(int n) {
    lists_[n] = std::make_unique<CListCtrlZEL>();
    CListCtrlZEL& list = *lists_[n];
    list.Attach(Item(n == 0 ? IDC_LIST_SOURCE : IDC_LIST_TARGET));
    list.SetSortOrderSource([this] { return CListCtrlZEL::SortOrder{sortMode, sortDescending}; });
    list.SetOnItemChanged([this] { ++itemChanges; });
    list.Initialize();
    return list;
}

INT_PTR ListHost::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DRAWITEM || msg == WM_MEASUREITEM) {
        LRESULT result = 0;
        for (auto& list : lists_)
            if (list && list->HandleParentMessage(msg, wParam, lParam, result)) return TRUE;
        return FALSE;
    }
    return win::Dialog::HandleMessage(msg, wParam, lParam);
}

bool ListHost::OnNotify(NMHDR* header, LRESULT& result) {
    for (auto& list : lists_)
        if (list && list->HandleNotify(header, result)) return true;
    return false;
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

std::string WriteFrame(const std::string& folder, const std::string& name, const std::string& title,
                       const std::string& paper, const std::string& margins) {
    const std::string path = folder + "\\" + name;
    const std::string base = name.substr(0, name.rfind('.'));
    testing_support::WriteFile(path, "[HEADER]\r\nHdTitle=" + title + "\r\nHdPhysicalPaperSize=" + paper +
                                         "\r\nHdMargines=" + margins + "\r\nHdThumbnail=.\\" + base +
                                         "\\thumb.jpg\r\n[BODY]\r\n");
    return path;
}

std::string ItemNames(const CListCtrlZEL& list) {
    std::string names;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        // The list view's own text, so the order checked is the one shown.
        char text[MAX_PATH + 1] = {};
        LVITEMA item{};
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(list.Handle(), LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        const std::string path = text;
        EXPECT_EQ(path, list.GetItemPath(i));
        names += (i ? " " : "") + (list.GetItemFileName(i).empty() ? "" : path.substr(path.rfind('\\') + 1));
    }
    return names;
}

bool PumpUntilThumbnails(const CListCtrlZEL& list) {
    const DWORD start = ::GetTickCount();
    while (list.HasPendingThumbnails()) {
        if (::GetTickCount() - start > 5000) return false;
        PumpMessages();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    PumpMessages();
    return true;
}

void RunOneThumbnail(CListCtrlZEL& list) {
    // Any posted message counts as waiting input; this one nobody handles.
    constexpr UINT kWaiting = WM_APP + 77;
    ::PostMessageA(list.Handle(), kWaiting, 0, 0);
    ::SendMessageA(list.Handle(), WM_TIMER, CListCtrlZEL::kThumbnailTimer, 0);
    MSG msg;
    while (::PeekMessageA(&msg, list.Handle(), kWaiting, kWaiting, PM_REMOVE)) {
    }
}

void WriteSolidJpeg(const std::string& path, int width, int height, COLORREF colour) {
    testing_support::MakeDirs(path.substr(0, path.rfind('\\')));
    std::vector<unsigned char> pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), {GetRValue(colour), GetGValue(colour), GetBValue(colour)});
    demo::WriteJpeg(path, width, height, 3, JCS_RGB, pixels.data(), 95);
}

std::string ThumbnailPixels(int imageIndex) {
    int width = 0, height = 0;
    if (imageIndex < 0 || !::ImageList_GetIconSize(FrameThumbnailList(), &width, &height)) return {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    win::WindowDc screen(nullptr);
    win::MemoryDc dc(::CreateCompatibleDC(screen.Get()));
    win::Bitmap bitmap(::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bits) return {};
    {
        win::SelectObjectScope select(dc.Get(), bitmap.Get());
        ::PatBlt(dc.Get(), 0, 0, width, height, WHITENESS);
        ::ImageList_Draw(FrameThumbnailList(), imageIndex, dc.Get(), 0, 0, ILD_TRANSPARENT);
        ::GdiFlush();
    }
    return std::string(static_cast<const char*>(bits), static_cast<size_t>(width) * height * 4);
}
