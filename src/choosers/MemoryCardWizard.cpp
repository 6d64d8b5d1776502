#include "choosers/MemoryCardWizard.h"

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "resource.h"
#include "win/FitText.h"
#include "win/GuiFont.h"
#include "win/Strings.h"

namespace {

const char kCardFolderName[] = "VOZEL";

// The etched line above the wizard's buttons; the pages live above it.
HWND FindEtchedLine(HWND dialog) {
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        ::GetClassNameA(child, className, sizeof className);
        const LONG style = ::GetWindowLongA(child, GWL_STYLE);
        if (::lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ETCHEDHORZ) return child;
    }
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------- page 1

CMemoryCardSheet1::CMemoryCardSheet1() : win::Dialog(IDD_CARD_PAGE1) {}

BOOL CMemoryCardSheet1::OnInitDialog() {
    font_ = win::CopyDefaultGuiFont();
    win::SetFontOn(Handle(), font_.Get());
    win::SetFontOnItems(Handle(), font_.Get(), {IDC_PAGE_EXPLAIN});
    SetItemText(IDC_PAGE_EXPLAIN, GetLangString("EXPLAIN_SELECT_MEMCARD1"));
    return FALSE;
}

// ---------------------------------------------------------------- page 2

CMemoryCardSheet2::CMemoryCardSheet2() : win::Dialog(IDD_CARD_PAGE2) {}

BOOL CMemoryCardSheet2::OnInitDialog() {
    font_ = win::CopyDefaultGuiFont();
    win::SetFontOn(Handle(), font_.Get());
    SetItemText(IDC_PAGE_EXPLAIN, GetLangString("EXPLAIN_SELECT_MEMCARD2"));
    SetItemText(IDC_DRIVE_LABEL, GetLangString("TITLE_MEMCARD"));
    SetItemText(IDC_BTN_RESCAN, GetLangString("BTN_RESCAN"));
    win::SetFontOnItems(Handle(), font_.Get(),
                        {IDC_PAGE_EXPLAIN, IDC_DRIVE_LABEL, IDC_BTN_RESCAN, IDC_DRIVE_LIST});

    driveList_.Attach(Item(IDC_DRIVE_LIST));
    driveList_.MeasureDriveItems();
    driveList_.FillDrives();
    ApplyEnableRule();
    return FALSE;
}

void CMemoryCardSheet2::Rescan() {
    driveList_.RescanDrives();
    ApplyEnableRule();
}

void CMemoryCardSheet2::ApplyEnableRule() {
    const bool any = driveList_.GetCount() > 0;
    ::EnableWindow(Item(IDC_DRIVE_LIST), any);
    if (HWND wizard = ::GetParent(Handle()))
        if (HWND ok = ::GetDlgItem(wizard, IDOK)) ::EnableWindow(ok, any);
}

bool CMemoryCardSheet2::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_BTN_RESCAN && code == BN_CLICKED) {
        Rescan();
        return true;
    }
    if (id == IDC_DRIVE_LIST && code == CBN_SELCHANGE) {
        driveList_.OnSelChange();
        return true;
    }
    return win::Dialog::OnCommand(id, code, control);
}

INT_PTR CMemoryCardSheet2::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // The drive list's owner-draw requests come here; the list answers them.
    switch (msg) {
        case WM_MEASUREITEM:
            if (wParam == IDC_DRIVE_LIST &&
                driveList_.MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
                return TRUE;
            break;
        case WM_DRAWITEM:
            if (wParam == IDC_DRIVE_LIST &&
                driveList_.DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
                return TRUE;
            break;
        default:
            break;
    }
    return win::Dialog::HandleMessage(msg, wParam, lParam);
}

// ---------------------------------------------------------------- wizard

CMemoryCardWizard::CMemoryCardWizard(HWND parent)
    : win::Dialog(IDD_CARD_WIZARD),
      parent_(parent),
      page1_(std::make_unique<CMemoryCardSheet1>()),
      page2_(std::make_unique<CMemoryCardSheet2>()) {}

CMemoryCardWizard::~CMemoryCardWizard() = default;

INT_PTR CMemoryCardWizard::DoModal(const std::string& sourceFolder) {
    sourceFolder_ = sourceFolder;
    return win::Dialog::DoModal(parent_);
}

std::string CMemoryCardWizard::GetChosenDrive() const {
    return page2_->DriveList().GetSelectedDrive();
}

void CMemoryCardWizard::SetDriveTypeFunction(DriveTypeFunction driveType) {
    page2_->DriveList().SetDriveTypeFunction(std::move(driveType));
}

BOOL CMemoryCardWizard::OnInitDialog() {
    pageFlag_ = 0;
    font_ = win::CopyDefaultGuiFont();
    win::SetFontOn(Handle(), font_.Get());
    ShowPage(0);
    return TRUE;
}

void CMemoryCardWizard::ShowPage(int page) {
    const bool second = page == 1;
    ::SetWindowTextA(Handle(),
                     GetLangString(second ? "TITLE_SELECT_MEMCARD2" : "TITLE_SELECT_MEMCARD1").c_str());
    SetItemText(IDOK, GetLangString(second ? "BTN_GO" : "BTN_NEXT"));
    SetItemText(IDCANCEL, GetLangString("BTN_CANCEL"));
    win::SetFontOnItems(Handle(), font_.Get(), {IDOK, IDCANCEL});

    win::Dialog& shown = second ? static_cast<win::Dialog&>(*page2_) : *page1_;
    win::Dialog& hidden = second ? static_cast<win::Dialog&>(*page1_) : *page2_;
    if (!shown.Handle() && shown.Create(Handle())) PlacePage(shown.Handle());
    if (hidden.Handle()) ::ShowWindow(hidden.Handle(), SW_HIDE);
    if (shown.Handle()) ::ShowWindow(shown.Handle(), SW_SHOW);
    // The go button's text and the page's texts may need more room.
    win::FitControlsToText(Handle());

    // The button that was pressed may just have been disabled (no drives).
    if (second) {
        HWND list = page2_->Item(IDC_DRIVE_LIST);
        HWND focus = list && ::IsWindowEnabled(list) ? list : Item(IDCANCEL);
        ::SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
    }
}

void CMemoryCardWizard::PlacePage(HWND page) const {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    int bottom = client.bottom;
    if (HWND line = FindEtchedLine(Handle())) {
        RECT lineRect{};
        ::GetWindowRect(line, &lineRect);
        ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&lineRect), 2);
        bottom = lineRect.top;
    }
    // First in the Z order, so that Tab reaches the page's controls first.
    ::SetWindowPos(page, HWND_TOP, 0, 0, client.right, bottom, SWP_NOACTIVATE);
}

void CMemoryCardWizard::OnOK() {
    if (pageFlag_ == 0) {
        ShowPage(1);
        pageFlag_ = 1;
        return;
    }
    // Enter can reach here while the go button is disabled: an empty list
    // offers nothing to accept, not even the drive of an earlier fill.
    if (page2_->DriveList().GetCount() == 0) return;
    const std::string drive = GetChosenDrive();
    if (drive.empty()) return;
    if (win::EqualsNoCase(drive + kCardFolderName, sourceFolder_)) {
        ShowErrorBox("ERR_SELECT_SAME_TARGET");
        return;
    }
    EndDialog(IDOK);
}
