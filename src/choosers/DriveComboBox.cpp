#include "choosers/DriveComboBox.h"

#include <commctrl.h>
#include <shellapi.h>

#include "win/Dpi.h"
#include "win/Strings.h"
#include "win/WaitCursor.h"
#include "win/DrawString.h"

namespace {

const char kCDrive[] = "C:\\";

}  // namespace

// What an entry shows besides its root, looked up once per drive and fill.
struct CDriveComboBox::DriveLook {
    HIMAGELIST systemImages = nullptr;  // borrowed from the shell, never destroyed
    int iconIndex = -1;
    int iconWidth = 0;
    int iconHeight = 0;
    std::string volumeLabel;
};

CDriveComboBox::DriveLook CDriveComboBox::LookUpDrive(const std::string& root) {
    DriveLook look;
    SHFILEINFOA info{};
    look.systemImages = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoA(
        root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_ICON | SHGFI_SMALLICON));
    win::Icon ownIcon(info.hIcon);  // SHGFI_ICON hands out a copy we must free
    IMAGEINFO imageInfo{};
    if (look.systemImages && ::ImageList_GetImageInfo(look.systemImages, info.iIcon, &imageInfo)) {
        look.iconIndex = info.iIcon;
        look.iconWidth = imageInfo.rcImage.right - imageInfo.rcImage.left;
        look.iconHeight = imageInfo.rcImage.bottom - imageInfo.rcImage.top;
    }

    // An empty card reader or floppy drive must not raise a system error box.
    char label[256] = "";
    const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    if (!::GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0))
        label[0] = '\0';
    ::SetErrorMode(previousMode);
    label[sizeof label - 1] = '\0';
    look.volumeLabel = label;
    return look;
}

std::vector<std::string> ListCardDriveRoots(const DriveTypeFunction& driveType) {
    std::vector<std::string> roots;
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        std::string root = "?:\\";
        root[0] = letter;
        const UINT type = driveType ? driveType(root) : ::GetDriveTypeA(root.c_str());
        if (type == DRIVE_REMOVABLE || type == DRIVE_FIXED) roots.push_back(root);
    }
    return roots;
}

int ChooseDriveIndex(const std::vector<std::string>& roots, const std::string& preferred) {
    auto lastMatch = [&roots](const std::string& wanted) {
        int found = -1;
        for (size_t i = 0; i < roots.size(); ++i)
            if (!wanted.empty() && win::EqualsNoCase(roots[i], wanted)) found = static_cast<int>(i);
        return found;
    };
    int index = lastMatch(preferred);
    if (index < 0) index = lastMatch(kCDrive);
    return index < 0 ? 0 : index;
}

CDriveComboBox::CDriveComboBox() = default;

CDriveComboBox::~CDriveComboBox() {
    Detach();
}

void CDriveComboBox::Attach(HWND combo) {
    Detach();
    if (!combo) return;
    hwnd_ = combo;
    ::SetWindowSubclass(hwnd_, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void CDriveComboBox::Detach() {
    if (!hwnd_) return;
    Clear();
    ::RemoveWindowSubclass(hwnd_, SubclassProc, 1);
    hwnd_ = nullptr;
    imageList_.Reset();
}

LRESULT CALLBACK CDriveComboBox::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR refData) {
    // The records and the image list go with the window.
    if (msg == WM_DESTROY) reinterpret_cast<CDriveComboBox*>(refData)->Detach();
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

void CDriveComboBox::SetDriveTypeFunction(DriveTypeFunction driveType) {
    driveType_ = std::move(driveType);
}

int CDriveComboBox::GetCount() const {
    if (!hwnd_) return 0;
    const LRESULT count = ::SendMessageA(hwnd_, CB_GETCOUNT, 0, 0);
    return count == CB_ERR ? 0 : static_cast<int>(count);
}

void CDriveComboBox::MeasureDriveItems() {
    if (!hwnd_) return;
    const auto font = reinterpret_cast<HFONT>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    {
        win::WindowDc dc(hwnd_);
        win::SelectObjectScope selectFont(dc.Get(), font ? font : ::GetStockObject(SYSTEM_FONT));
        RECT text{};
        win::DrawString(dc.Get(), " A:\\", &text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        labelWidth_ = text.right - text.left;
        labelHeight_ = text.bottom - text.top;
    }
    RECT client{};
    RECT window{};
    ::GetClientRect(hwnd_, &client);
    ::GetWindowRect(hwnd_, &window);
    itemWidth_ = client.right - client.left;
    itemHeight_ = (window.bottom - window.top) - (client.bottom - client.top) + labelHeight_ + 4;
    ::SendMessageA(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight_);
    ::SendMessageA(hwnd_, CB_SETITEMHEIGHT, 0, itemHeight_);
    imageList_.Reset(::ImageList_Create(itemWidth_, itemHeight_, ILC_COLORDDB, 1, 1));
}

void CDriveComboBox::FillDrives() {
    Fill(kCDrive);
}

void CDriveComboBox::RescanDrives() {
    Fill(selectedDrive_);
}

void CDriveComboBox::Fill(const std::string& preferred) {
    if (!hwnd_) return;
    win::WaitCursor wait;
    if (!imageList_) MeasureDriveItems();
    Clear();
    std::vector<std::string> roots = ListCardDriveRoots(driveType_);
    for (const std::string& root : roots) AddDrive(root);
    ::SendMessageA(hwnd_, CB_SETCURSEL, ChooseDriveIndex(roots, preferred), 0);
    const LRESULT selected = ::SendMessageA(hwnd_, CB_GETCURSEL, 0, 0);
    if (const DriveItemData* data = ItemData(static_cast<int>(selected))) selectedDrive_ = data->root;
}

void CDriveComboBox::Clear() {
    if (!hwnd_) return;
    const int count = GetCount();
    for (int i = 0; i < count; ++i) ::SendMessageA(hwnd_, CB_SETITEMDATA, i, 0);
    ::SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
    records_.clear();
    if (imageList_) ::ImageList_Remove(imageList_.Get(), -1);
}

void CDriveComboBox::AddDrive(const std::string& root) {
    auto record = std::make_unique<DriveItemData>();
    record->root = root;
    const DriveLook look = LookUpDrive(root);
    record->normalImage = RenderImage(root, look, false);
    record->highlightedImage = RenderImage(root, look, true);
    const LRESULT index =
        ::SendMessageA(hwnd_, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(""));
    if (index == CB_ERR || index == CB_ERRSPACE) return;
    ::SendMessageA(hwnd_, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(record.get()));
    records_.push_back(std::move(record));
}

int CDriveComboBox::RenderImage(const std::string& root, const DriveLook& look, bool highlighted) {
    if (!imageList_ || itemWidth_ <= 0 || itemHeight_ <= 0) return -1;
    win::WindowDc controlDc(hwnd_);
    win::MemoryDc dc(::CreateCompatibleDC(controlDc.Get()));
    win::Bitmap bitmap(::CreateCompatibleBitmap(controlDc.Get(), itemWidth_, itemHeight_));
    if (!dc || !bitmap) return -1;
    {
        const auto font = reinterpret_cast<HFONT>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0));
        win::SelectObjectScope selectBitmap(dc.Get(), bitmap.Get());
        win::SelectObjectScope selectFont(dc.Get(), font ? font : ::GetStockObject(SYSTEM_FONT));
        RECT all{0, 0, itemWidth_, itemHeight_};
        ::FillRect(dc.Get(), &all, ::GetSysColorBrush(highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        ::SetTextColor(dc.Get(), ::GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        ::SetBkMode(dc.Get(), TRANSPARENT);

        // Gaps and the icon follow the control's DPI; the shell's small icons
        // are made for the system DPI and are drawn stretched when it differs.
        const int dpi = win::WindowDpi(hwnd_);
        const int gap = win::ScaleForDpi(8, dpi);
        const int iconSize = look.iconIndex >= 0 ? win::SmallIconSize(dpi) : 0;
        const std::string upperRoot = win::UpperCase(root);
        RECT rootRect{gap, 0, gap + labelWidth_, itemHeight_};
        win::DrawString(dc.Get(), upperRoot, &rootRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);

        if (look.iconIndex >= 0) {
            const int x = gap + labelWidth_ + gap;
            const int y = (itemHeight_ - iconSize) / 2;
            if (look.iconWidth == iconSize && look.iconHeight == iconSize) {
                ::ImageList_Draw(look.systemImages, look.iconIndex, dc.Get(), x, y, ILD_TRANSPARENT);
            } else {
                win::Icon icon(::ImageList_GetIcon(look.systemImages, look.iconIndex, ILD_TRANSPARENT));
                if (icon) ::DrawIconEx(dc.Get(), x, y, icon.Get(), iconSize, iconSize, 0, nullptr, DI_NORMAL);
            }
        }

        RECT labelRect{gap + labelWidth_ + iconSize + 2 * gap, 0, itemWidth_, itemHeight_};
        win::DrawString(dc.Get(), look.volumeLabel, &labelRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    // The bitmap is deselected again: an image list copies it on Add.
    return ::ImageList_Add(imageList_.Get(), bitmap.Get(), nullptr);
}

const DriveItemData* CDriveComboBox::ItemData(int index) const {
    if (!hwnd_ || index < 0) return nullptr;
    const LRESULT data = ::SendMessageA(hwnd_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (data == CB_ERR || data == 0) return nullptr;
    return reinterpret_cast<const DriveItemData*>(data);
}

void CDriveComboBox::OnSelChange() {
    const LRESULT selected = ::SendMessageA(hwnd_, CB_GETCURSEL, 0, 0);
    if (const DriveItemData* data = ItemData(static_cast<int>(selected))) selectedDrive_ = data->root;
}

bool CDriveComboBox::MeasureItem(MEASUREITEMSTRUCT* measure) const {
    // The combo box asks while it is being created, before it is bound and
    // measured: its own default stands until MeasureDriveItems sets heights.
    if (!hwnd_ || !measure || measure->CtlType != ODT_COMBOBOX || itemHeight_ <= 0) return false;
    if (measure->CtlID != static_cast<UINT>(::GetDlgCtrlID(hwnd_))) return false;
    measure->itemWidth = static_cast<UINT>(itemWidth_);
    measure->itemHeight = static_cast<UINT>(itemHeight_);
    return true;
}

bool CDriveComboBox::DrawItem(const DRAWITEMSTRUCT* draw) const {
    if (!hwnd_ || !draw || draw->CtlType != ODT_COMBOBOX || draw->hwndItem != hwnd_) return false;
    const DriveItemData* data = ItemData(static_cast<int>(draw->itemID));
    if (!data) {
        ::FillRect(draw->hDC, &draw->rcItem, ::GetSysColorBrush(COLOR_WINDOW));
        return true;
    }
    const int image = (draw->itemState & ODS_SELECTED) ? data->highlightedImage : data->normalImage;
    ::ImageList_Draw(imageList_.Get(), image, draw->hDC, draw->rcItem.left, draw->rcItem.top, ILD_NORMAL);
    return true;
}
