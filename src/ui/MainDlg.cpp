#include "ui/MainDlg.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "ops/FrameStage.h"
#include "ops/OperationReporter.h"
#include "ops/ParkedFrames.h"
#include "resource.h"
#include "ui/AboutDlg.h"
#include "ui/FolderPath.h"
#include "ui/MainLayout.h"
#include "win/Dpi.h"
#include "win/GuiFont.h"
#include "win/Strings.h"
#include "win/DrawString.h"

namespace {

const struct {
    UINT id;
    const char* key;
} kMenuItems[] = {
    {ID_FILE_CLOSE, "MENU_FILE_CLOSE"},
    {ID_VIEW_REFRESH, "MENU_DISPLAY_REFRESH"},
    {ID_SORT_TITLE, "MENU_SORT_TITLE"},
    {ID_SORT_PAPER, "MENU_SORT_PAPER_NAME"},
    {ID_TARGET_LUMADEX, "MENU_CHANGE_TARGET_LX"},
    {ID_TARGET_MEMCARD, "MENU_CHANGE_TARGET_MEMCARD"},
    {ID_HELP_ABOUT, "MENU_HELP_ABOUT"},
    {ID_TARGET_REMOVE_CARD, "MENU_REMOVE_CARD"},
    {ID_SORT_ASCENDING, "MENU_SORT_ASCENDING"},
    {ID_SORT_DESCENDING, "MENU_SORT_DESCENDING"},
    {ID_SORT_DATE, "MENU_SORT_DATE"},
};
const char* const kMenuBar[] = {"MENU_FILE", "MENU_EDIT",          "MENU_DISPLAY",
                                "MENU_SORT", "MENU_CHANGE_TARGET", "MENU_HELP"};

// Labels set each time the window is shown, before the layout measures them.
const struct {
    int id;
    const char* key;
} kLabels[] = {
    {IDC_TITLE_SOURCE, "TITLE_ZELLIT1"},
    {IDC_TITLE_TARGET, "TITLE_ZELLIT2"},
    {IDC_BTN_NEW_FOLDER, "BTN_FOLDER_MAKE"},
    {IDC_BTN_MOVE_BACK, "BTN_MOVE"},
    {IDC_BTN_ADD, "BTN_ADD"},
    {IDC_BTN_COPY, "BTN_COPY"},
    {IDC_BTN_DELETE, "BTN_DELETE"},
    {IDC_BTN_RENAME, "BTN_NAME_CHANGE"},
};

const int kMiddleButtons[] = {IDC_BTN_MOVE_BACK, IDC_BTN_ADD, IDC_BTN_COPY, IDC_BTN_DELETE, IDC_BTN_RENAME};

RECT WorkArea() {
    RECT work = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

}  // namespace

CZELMaintenanceDlg::CZELMaintenanceDlg(CZELMaintenanceApp& app)
    : win::Dialog(IDD_MAIN),
      app_(app),
      tree_(CZELMaintenanceApp::SettingsKeyPath()),
      progressDelayMs_(kProgressWindowDelayMs) {}

BOOL CZELMaintenanceDlg::OnInitDialog() {
    ApplyDpi(win::WindowDpi(Handle()));
    LoadIcons();
    EnsureLumadexTargetFolder();
    CreateFonts();
    ::SetWindowTextA(Handle(), GetLangString("TITLE_APP").c_str());
    SetMenuTexts();
    InitFilterBoxes();
    SetItemText(IDC_BTN_SELECT_CARD, GetLangString("BTN_SELECT"));
    SetItemText(IDC_TARGET_LABEL, GetLangString("TITLE_ZELLIT_TO"));
    accelerators_.Reset(::LoadAcceleratorsA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS)));

    tree_.Attach(Item(IDC_FOLDER_TREE));
    ::SendMessageA(Item(IDC_FOLDER_TREE), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    tree_.FillTree();

    for (auto [list, id] :
         {std::pair{&sourceList_, IDC_LIST_SOURCE}, std::pair{&targetList_, IDC_LIST_TARGET}}) {
        list->Attach(Item(id));
        ::SendMessageA(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        list->SetSortOrderSource([this] {
            return CListCtrlZEL::SortOrder{app_.GetSortMode(), app_.GetSortDescending()};
        });
        list->SetOnItemChanged([this] { UpdateCommandButtons(); });
        list->SetBeforeFill([](const std::string& folder) { RepairStagesIn(folder); });
        // Said once the fill is over, not from inside it.
        list->SetOnListingFailed([this](const std::string& folder) {
            if (listingsFailed_.empty()) ::PostMessageA(Handle(), kListingFailedMessage, 0, 0);
            listingsFailed_.push_back(folder);
        });
        list->Initialize();
        // Columns the user sized by hand keep their widths, from run to run.
        const int which = list == &sourceList_ ? 0 : 1;
        const ListColumnWidths widths = app_.GetListColumns(which);
        list->SetColumnsByHand({widths.title, widths.paper, widths.date});
        list->SetOnColumnsResized([this, list, which] {
            const CListCtrlZEL::ColumnWidths byHand = list->ColumnsByHand();
            app_.SetListColumns(which, {byHand.title, byHand.paper, byHand.date});
        });
    }

    // Frames a stopped replace left parked go back before anything is shown.
    for (const ParkedLeft& parked : RepairParkedFrames()) {
        const std::string text = parked.home.empty()
                                     ? ReportText("ERR_LISTING_FAILED", {parked.where})
                                     : ReportText("ERR_PARKED_LEFT", {parked.home, parked.where});
        AppMessageBox(text, MB_OK | MB_ICONHAND);
    }

    // The source never starts on the target folder.
    if (win::EqualsNoCase(tree_.GetSelectedPath(), app_.GetTargetFolder())) SelectTreeRoot();
    sourceList_.SetFolder(tree_.GetSelectedPath());
    targetList_.SetFolder(app_.GetTargetFolder());
    UpdateListTitles();
    RegisterDropTargets();
    RegisterDriveNotifications();
    PlaceWindow();
    return TRUE;
}

void CZELMaintenanceDlg::EnsureLumadexTargetFolder() {
    const std::string folder = app_.GetLumadexTargetFolder();
    if (::GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) CreateFolderPath(folder);
}

void CZELMaintenanceDlg::CreateFonts() {
    logFont_ = win::LogFontForDpi(win::DefaultGuiLogFont(), dpi_);
    font_ = win::MakeFont(logFont_);
    LOGFONTA bold = logFont_;
    bold.lfWeight = FW_BOLD;
    boldFont_ = win::MakeFont(bold);
}

void CZELMaintenanceDlg::SetMenuTexts() {
    HMENU menu = ::GetMenu(Handle());
    if (!menu) return;
    for (UINT pos = 0; pos < std::size(kMenuBar); ++pos) {
        HMENU popup = ::GetSubMenu(menu, static_cast<int>(pos));
        ::ModifyMenuA(menu, pos, MF_BYPOSITION | MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                      GetLangString(kMenuBar[pos]).c_str());
    }
    for (const auto& item : kMenuItems)
        ::ModifyMenuA(menu, item.id, MF_BYCOMMAND | MF_STRING, item.id, GetLangString(item.key).c_str());
    SetEditMenuTexts(menu);
    ::DrawMenuBar(Handle());
}

void CZELMaintenanceDlg::PlaceWindow() {
    RECT stored;
    bool zoomed = false;
    app_.GetStoredWindowRect(stored, zoomed);
    const RECT chosen =
        ChooseWindowRect(stored.left, stored.top, stored.right - stored.left, stored.bottom - stored.top,
                         ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), dpi_);
    if (!zoomed) {
        ::MoveWindow(Handle(), chosen.left, chosen.top, chosen.right - chosen.left,
                     chosen.bottom - chosen.top, TRUE);
        return;
    }
    // The placement's normal rectangle is in work-area coordinates.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    ::GetWindowPlacement(Handle(), &placement);
    const RECT work = WorkArea();
    placement.rcNormalPosition = chosen;
    ::OffsetRect(&placement.rcNormalPosition, -work.left, -work.top);
    ::SetWindowPlacement(Handle(), &placement);
    ::ShowWindow(Handle(), SW_SHOWMAXIMIZED);
    ::SendMessageA(Handle(), WM_SHOWWINDOW, TRUE, 0);
}

void CZELMaintenanceDlg::OnShowWindow(bool show) {
    if (!show) return;
    SetLabels();
    LayoutControls();
    UpdateCommandButtons();
}

void CZELMaintenanceDlg::SetLabels() {
    for (const auto& label : kLabels) SetItemText(label.id, GetLangString(label.key));
}

SIZE CZELMaintenanceDlg::TextExtent(int id, HFONT font) const {
    HWND item = Item(id);
    win::WindowDc dc(item);
    win::SelectObjectScope select(dc.Get(), font);
    return win::StringExtent(dc.Get(), win::WindowText(item));
}

int CZELMaintenanceDlg::WrappedTextHeight(const std::string& text, HFONT font, int width) const {
    if (width <= 0 || text.empty()) return 0;
    win::WindowDc dc(Handle());
    win::SelectObjectScope select(dc.Get(), font);
    RECT box = {0, 0, width, 0};
    win::DrawString(dc.Get(), text, &box, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    return box.bottom + 2;
}

void CZELMaintenanceDlg::LayoutControls() {
    RECT client;
    ::GetClientRect(Handle(), &client);
    // Button texts are measured in the window's own font, the GUI font at its DPI.
    HFONT guiFont = font_.Get();

    MainLayoutInput in = {};
    in.clientWidth = client.right;
    in.clientHeight = client.bottom;
    in.captionHeight = TextExtent(IDC_TITLE_SOURCE, boldFont_.Get()).cy + 2;
    in.buttonHeight = 2 * std::abs(logFont_.lfHeight);
    in.folderButtonWidth = TextExtent(IDC_BTN_NEW_FOLDER, guiFont).cx + 20;
    for (int id : kMiddleButtons)
        in.middleWidth = std::max<int>(in.middleWidth, TextExtent(id, guiFont).cx + 20);
    in.selectWidth = TextExtent(IDC_BTN_SELECT_CARD, guiFont).cx + 20;
    in.treePane = app_.GetTreePane();
    in.sourcePane = app_.GetSourcePane();
    in.dpi = dpi_;
    in.card = app_.GetLayoutAdditionTo() == kTargetMemoryCard;
    in.filterHeight = TextExtent(IDC_BTN_ADD, guiFont).cy + win::ScaleForDpi(8, dpi_);
    // The widths do not depend on the rows' heights: a second pass grows the
    // label's row and the titles' row for texts that need more lines there.
    MainLayout layout = ComputeMainLayout(in);
    HFONT bold = boldFont_.Get();
    const std::string sourceTitle = SourceTitleText(layout.sourceTitle.right);
    if (win::WindowText(Item(IDC_TITLE_SOURCE)) != sourceTitle) SetItemText(IDC_TITLE_SOURCE, sourceTitle);
    const std::string targetTitle = TargetTitleText(layout.targetTitle.right);
    in.labelHeight =
        WrappedTextHeight(win::WindowText(Item(IDC_TARGET_LABEL)), bold, layout.targetLabel.right);
    sourceTitleHeight_ =
        WrappedTextHeight(win::WindowText(Item(IDC_TITLE_SOURCE)), bold, layout.sourceTitle.right);
    in.titleHeight =
        std::max(sourceTitleHeight_, WrappedTextHeight(targetTitle, bold, layout.targetTitle.right));
    layout = ComputeMainLayout(in);
    layoutInput_ = in;
    layout_ = layout;

    auto place = [this](int id, const RECT& box, HFONT font, BOOL repaint) {
        HWND item = Item(id);
        ::SendMessageA(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ::MoveWindow(item, box.left, box.top, box.right, box.bottom, repaint);
    };
    HFONT normal = font_.Get();
    place(IDC_BTN_NEW_FOLDER, layout.newFolder, normal, TRUE);
    place(IDC_FOLDER_TREE, layout.tree, normal, TRUE);
    place(IDC_LIST_SOURCE, layout.sourceList, normal, FALSE);
    place(IDC_TITLE_SOURCE, layout.sourceTitle, bold, FALSE);
    place(IDC_LIST_TARGET, layout.targetList, normal, FALSE);
    place(IDC_TITLE_TARGET, layout.targetTitle, bold, FALSE);
    place(IDC_TARGET_LABEL, layout.targetLabel, bold, FALSE);
    for (int i = 0; i < 5; ++i) place(kMiddleButtons[i], layout.middle[i], normal, FALSE);
    place(IDC_BTN_SELECT_CARD, layout.selectCard, normal, FALSE);
    place(IDC_FILTER_SOURCE, layout.sourceFilter, normal, FALSE);
    place(IDC_FILTER_TARGET, layout.targetFilter, normal, FALSE);
    if (win::WindowText(Item(IDC_TITLE_TARGET)) != targetTitle) SetItemText(IDC_TITLE_TARGET, targetTitle);
    ::ShowWindow(Item(IDC_BTN_SELECT_CARD), in.card ? SW_SHOW : SW_HIDE);
    // The window clips its children, so invalidating it alone would leave
    // each moved control showing what was there before: all of them are
    // drawn again, at once, in their new places.
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ShowSelectedTreeLabel();
}

void CZELMaintenanceDlg::OnSize(WPARAM type) {
    // A minimised window has no client area to lay out.
    if (!::IsWindowVisible(Handle()) || type == SIZE_MINIMIZED || ::IsIconic(Handle())) return;
    LayoutControls();
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

bool CZELMaintenanceDlg::OnPaint() {
    if (!::IsIconic(Handle())) return false;
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(Handle(), &paint);
    ::SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(Handle(), &client);
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, icon_.Get());
    ::EndPaint(Handle(), &paint);
    return true;
}

void CZELMaintenanceDlg::OnDestroyWindow() {
    RevokeDropTargets();
    UnregisterDriveNotifications();
    tree_.SaveCurrentFolder();
    RECT rect;
    ::GetWindowRect(Handle(), &rect);
    const bool zoomed = ::IsZoomed(Handle()) != FALSE;
    if (zoomed) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        ::GetWindowPlacement(Handle(), &placement);
        const RECT work = WorkArea();
        rect = placement.rcNormalPosition;
        ::OffsetRect(&rect, work.left, work.top);
    }
    app_.StoreWindowRect(rect.left, rect.top, rect.right, rect.bottom, zoomed);
}

void CZELMaintenanceDlg::OnAbout() {
    CAboutDlg about;
    about.DoModal(Handle());
}

bool CZELMaintenanceDlg::PreTranslateMessage(MSG* msg) {
    // Keys typed in a filter box edit its text, but for a few shortcuts.
    if (msg->hwnd == FilterBox(ActiveList::kSource) || msg->hwnd == FilterBox(ActiveList::kTarget))
        return OnFilterKey(msg);
    // Shift+F10 opens the tree's context menu as the menu key does: Wine's
    // tree view keeps that key to itself, where the list views pass it on.
    if ((msg->message == WM_SYSKEYDOWN || msg->message == WM_KEYDOWN) && msg->wParam == VK_F10 &&
        (::GetKeyState(VK_SHIFT) & 0x8000) && msg->hwnd == tree_.Handle()) {
        OnContextMenu(tree_.Handle(), POINT{-1, -1});
        return true;
    }
    return accelerators_ && ::TranslateAcceleratorA(Handle(), accelerators_.Get(), msg);
}

INT_PTR CZELMaintenanceDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SHOWWINDOW:
            OnShowWindow(wParam != FALSE);
            return FALSE;
        case WM_SIZE:
            OnSize(wParam);
            return FALSE;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            // At a high DPI on a small screen the scaled minimum would not fit.
            const RECT work = WorkArea();
            info->ptMinTrackSize.x = std::min<LONG>(win::ScaleForDpi(660, dpi_), work.right - work.left);
            info->ptMinTrackSize.y = std::min<LONG>(win::ScaleForDpi(540, dpi_), work.bottom - work.top);
            return TRUE;
        }
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return TRUE;
        case WM_PAINT:
            return OnPaint();
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(icon_.Get());
        case WM_CLOSE:
            EndDialog(IDOK);
            return TRUE;
        case WM_DESTROY:
            OnDestroyWindow();
            return FALSE;
        case WM_SETCURSOR:
            if (!OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return FALSE;
            SetMessageResult(TRUE);
            return TRUE;
        case WM_LBUTTONDOWN:
            OnPaneButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return TRUE;
        case WM_MOUSEMOVE:
            OnPaneMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return TRUE;
        case WM_LBUTTONUP:
            if (::GetCapture() == Handle()) ::ReleaseCapture();
            EndPaneDrag();
            return TRUE;
        case WM_CAPTURECHANGED:
            EndPaneDrag();
            return TRUE;
        case WM_CONTEXTMENU:
            OnContextMenu(reinterpret_cast<HWND>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return TRUE;
        case kRunDropMessage:
            RunPendingDrop();
            return TRUE;
        case WM_DEVICECHANGE:
            OnDeviceChange(wParam, lParam);
            SetMessageResult(TRUE);
            return TRUE;
        case kShellDriveMessage:
            OnShellDriveChange(wParam, lParam);
            return TRUE;
        case kListingFailedMessage:
            for (const std::string& folder : std::exchange(listingsFailed_, {}))
                AppMessageBox(ReportText("LIST_LISTING_FAILED", {folder}), MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
        case kDrivesChangedMessage:
            OnDrivesChanged(static_cast<DWORD>(wParam));
            return TRUE;
        case WM_INITMENUPOPUP:
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
            return TRUE;
        case WM_DRAWITEM:
        case WM_MEASUREITEM: {
            LRESULT result = 0;
            if (sourceList_.HandleParentMessage(msg, wParam, lParam, result) ||
                targetList_.HandleParentMessage(msg, wParam, lParam, result))
                return TRUE;
            return FALSE;
        }
        default:
            return win::Dialog::HandleMessage(msg, wParam, lParam);
    }
}
