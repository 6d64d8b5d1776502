#include "ListHost.h"

#include "TestFiles.h"
#include "resource.h"

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
    list.SetSortModeSource([this] { return sortMode; });
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
    testing_support::WriteFile(path, "[HEADER]\r\nHdTitle=" + title + "\r\nHdPhysicalPaperSize=" + paper +
                                         "\r\nHdMargines=" + margins + "\r\nHdThumbnail=.\\" + name +
                                         "\\thumb.jpg\r\n[BODY]\r\n");
    return path;
}

std::string ItemNames(const CListCtrlZEL& list) {
    std::string names;
    for (int i = 0; i < list.GetItemCount(); ++i) names += (i ? " " : "") + list.GetItemFileName(i);
    return names;
}
