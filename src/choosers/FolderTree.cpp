#include "choosers/FolderTree.h"

#include <mbstring.h>

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>

#include "app/Profile.h"
#include "choosers/IdList.h"
#include "win/FileSystem.h"
#include "win/Handles.h"
#include "win/Names.h"
#include "win/Strings.h"
#include "win/RedrawHeld.h"
#include "win/Subclass.h"
#include "win/WaitCursor.h"

namespace {

constexpr char kSettingSection[] = "Setting";
constexpr char kCurrentFolderValue[] = "CurrentFolder";

// HASSUBFOLDER, FILESYSTEM, FOLDER, SHARE, DROPTARGET, HASPROPSHEET,
// CANDELETE, CANRENAME, CANLINK, CANMOVE, CANCOPY.
constexpr ULONG kInsertAttributes = 0xE0020177;
// Only what the enumeration filter looks at.
constexpr ULONG kFilterAttributes = 0xF0000000;
constexpr ULONG kFileSystemOrAncestor = SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR;
constexpr SHCONTF kEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

void FreeItemData(FolderItemData* data) {
    if (!data) return;
    if (data->folder) data->folder->Release();
    ::CoTaskMemFree(data->relative);
    ::CoTaskMemFree(data->absolute);
    ::CoTaskMemFree(data);
}

// Frees the records of first, its siblings and everything below them, and
// clears each lParam so that a TVN_DELETEITEM coming later frees nothing twice.
void FreeRecords(const win::TreeView& view, HTREEITEM first) {
    for (HTREEITEM item = first; item; item = view.GetNextSiblingItem(item)) {
        FreeRecords(view, view.GetChildItem(item));
        FreeItemData(reinterpret_cast<FolderItemData*>(view.GetItemData(item)));
        TVITEMA tvi = {};
        tvi.mask = TVIF_HANDLE | TVIF_PARAM;
        tvi.hItem = item;
        tvi.lParam = 0;
        ::SendMessageA(view.Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
    }
}

// The parent may be gone (or past forwarding notifications) by the time the
// tree deletes its items on destruction: free the records before that.
LRESULT FreeRecordsOnDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC next) {
    if (msg == WM_DESTROY) {
        win::TreeView view(hwnd);
        FreeRecords(view, view.GetRootItem());
    }
    return ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

// CompareIDs puts its order in the low 16 bits of a success code.
short CompareResult(HRESULT hr) {
    return static_cast<short>(static_cast<ULONG>(hr) & 0xFFFF);
}

// A full path as an absolute list from the Desktop; empty on any failure.
win::ShellIdList AbsoluteListOf(std::string path, HWND owner) {
    if (!path.empty() && path.back() == ':') path += '\\';  // a bare drive
    win::ComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.Put())) || !desktop) return {};
    return idlist::Parse(desktop.Get(), owner, path);
}

// The shell's small icon for an item; 0 when it has none.
int SmallIconOf(LPCITEMIDLIST absolute, UINT extraFlags) {
    SHFILEINFOA info = {};
    ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extraFlags);
    return info.iIcon;
}

// Whether a folder shows the same icons as every other plain folder beside
// it: a folder of the file system directly in its parent's, with nothing
// that customises it (the read-only or system mark, without which the shell
// reads no desktop.ini; a link elsewhere; a desktop.ini of its own, which
// Wine reads without the mark).
bool IsPlainSubfolder(LPCITEMIDLIST parent, LPCITEMIDLIST absolute) {
    char parentPath[MAX_PATH], path[MAX_PATH];
    if (!::SHGetPathFromIDListA(parent, parentPath) || !::SHGetPathFromIDListA(absolute, path)) return false;
    std::string folder = parentPath;
    win::EnsureTrailingBackslash(folder);
    const std::string own = path;
    if (own.size() <= folder.size() || own.compare(0, folder.size(), folder) != 0 ||
        own.find('\\', folder.size()) != std::string::npos)
        return false;
    constexpr DWORD kCustomised =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT;
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & kCustomised) && !win::PathExists(own + "\\desktop.ini");
}

bool SameId(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b) {
    const HRESULT hr = folder->CompareIDs(0, a, b);
    return SUCCEEDED(hr) && CompareResult(hr) == 0;
}

// A drive root without a medium must not bring up the system's "insert a
// disk" box while the tree looks at it.
class NoCriticalErrorBoxes {
public:
    NoCriticalErrorBoxes() : previous_(::SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~NoCriticalErrorBoxes() { ::SetErrorMode(previous_); }
    NoCriticalErrorBoxes(const NoCriticalErrorBoxes&) = delete;
    NoCriticalErrorBoxes& operator=(const NoCriticalErrorBoxes&) = delete;

private:
    UINT previous_;
};

std::string PathOfList(LPCITEMIDLIST list) {
    char buffer[MAX_PATH] = {};
    if (!list || !::SHGetPathFromIDListA(list, buffer)) return {};
    return buffer;
}

// The stored CurrentFolder; empty on a first run. valid is false for a
// damaged value, which leads nowhere, like a folder deleted since.
win::ShellIdList ReadStoredFolder(const std::string& settingsKey, bool& valid) {
    valid = false;
    CProfile profile(HKEY_CURRENT_USER, settingsKey);
    DWORD size = 0;
    profile.ReadBinary(kSettingSection, kCurrentFolderValue, nullptr, &size);
    if (size == 0) return {};
    win::ShellIdList stored = idlist::Allocate(size);
    if (!stored.Get() || !profile.ReadBinary(kSettingSection, kCurrentFolderValue, stored.Get(), &size))
        return {};
    valid = idlist::IsWellFormed(stored.Get(), size);
    return stored;
}

}  // namespace

void CFolderTreeCtrl::Attach(HWND tree) {
    hwnd_ = tree;
    // The handler needs nothing of this object and stays with the window.
    win::Subclass subclass;
    if (tree && subclass.Install(tree, FreeRecordsOnDestroy)) subclass.Release();
}

HWND CFolderTreeCtrl::OwnerWindow() const {
    return ::GetAncestor(hwnd_, GA_ROOT);
}

bool CFolderTreeCtrl::HandleNotify(NMHDR* header, LRESULT& result) {
    if (!header || !hwnd_ || header->hwndFrom != hwnd_) return false;
    // The A and W forms share the fields read here.
    const auto& view = *reinterpret_cast<const NMTREEVIEWA*>(header);
    switch (header->code) {
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW:
            if ((view.action & (TVE_COLLAPSE | TVE_EXPAND)) == TVE_EXPAND) EnumerateChildren(view);
            result = 0;
            return true;
        case TVN_DELETEITEMA:
        case TVN_DELETEITEMW:
            loaded_.erase(view.itemOld.hItem);
            FreeItemData(reinterpret_cast<FolderItemData*>(view.itemOld.lParam));
            result = 0;
            return true;
        case TVN_GETDISPINFOA:
        case TVN_GETDISPINFOW:
            // The fields read and written are laid out alike in both forms.
            ProvideIcons(reinterpret_cast<NMTVDISPINFOA*>(header)->item);
            result = 0;
            return true;
        case NM_CUSTOMDRAW: {
            // Without the focus Wine draws the selected folder in the face
            // colour, which hardly differs from the tree's own: it gets the
            // shadow colour instead, still unlike the focused selection.
            auto& draw = *reinterpret_cast<NMTVCUSTOMDRAW*>(header);
            result = CDRF_DODEFAULT;
            if (::GetFocus() == hwnd_) return true;
            if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
                result = CDRF_NOTIFYITEMDRAW;
            } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
                       reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec) == GetSelectedItem()) {
                draw.clrText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
                draw.clrTextBk = ::GetSysColor(COLOR_BTNSHADOW);
            }
            return true;
        }
        default:
            return false;
    }
}

HTREEITEM CFolderTreeCtrl::InsertShellItem(LPCITEMIDLIST parentAbsolute, LPCITEMIDLIST childId,
                                           IShellFolder* parentFolder, HTREEITEM parentItem,
                                           HTREEITEM insertAfter) {
    if (!parentFolder || !childId) return insertAfter;
    ULONG attributes = kInsertAttributes;
    LPCITEMIDLIST children[] = {childId};
    if (FAILED(parentFolder->GetAttributesOf(1, children, &attributes))) return insertAfter;
    if (!(attributes & SFGAO_FOLDER)) return insertAfter;

    TVINSERTSTRUCTA insert = {};
    TVITEMA& item = insert.item;
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    if (attributes & SFGAO_HASSUBFOLDER) {
        // A button before the children are known; the first expansion corrects it.
        item.mask |= TVIF_CHILDREN;
        item.cChildren = 1;
    }
    std::string name;
    if (!idlist::DisplayName(parentFolder, childId, name)) return insertAfter;
    win::ShellIdList absolute(::ILCombine(parentAbsolute, childId));
    win::ShellIdList relative(::ILCloneFirst(childId));
    if (!absolute.Get() || !relative.Get()) return insertAfter;

    // An icon look-up costs milliseconds: each is made when the item is first
    // drawn (ProvideIcons), so folders never shown never pay for theirs.
    item.iImage = I_IMAGECALLBACK;
    item.iSelectedImage = I_IMAGECALLBACK;
    if (attributes & SFGAO_SHARE) {
        item.mask |= TVIF_STATE;
        item.state = INDEXTOOVERLAYMASK(1);  // the shared-folder overlay of the system list
        item.stateMask = TVIS_OVERLAYMASK;
    }

    win::ComPtr<IShellFolder> folder;
    if (!parentAbsolute) {
        // The root is the Desktop folder itself.
        parentFolder->AddRef();
        *folder.Put() = parentFolder;
    } else if (FAILED(parentFolder->BindToObject(childId, nullptr, IID_IShellFolder,
                                                 reinterpret_cast<void**>(folder.Put()))) ||
               !folder) {
        return insertAfter;
    }

    auto* data = static_cast<FolderItemData*>(::CoTaskMemAlloc(sizeof(FolderItemData)));
    if (!data) return insertAfter;
    data->folder = folder.Get();
    data->relative = relative.Get();
    data->absolute = absolute.Get();
    data->attributes = attributes;
    data->childrenRead = 0;
    data->plainIcon = -1;
    data->plainOpenIcon = -1;
    item.pszText = name.data();
    item.lParam = reinterpret_cast<LPARAM>(data);
    insert.hParent = parentItem;
    insert.hInsertAfter = insertAfter ? insertAfter : TVI_LAST;
    HTREEITEM inserted = InsertItem(insert);
    if (!inserted) {
        ::CoTaskMemFree(data);
        return insertAfter;
    }
    // The record owns them from here; it gives them back on TVN_DELETEITEM.
    folder.Get()->AddRef();
    relative.Release();
    absolute.Release();
    return inserted;
}

void CFolderTreeCtrl::ProvideIcons(TVITEMA& item) const {
    const auto* data = reinterpret_cast<const FolderItemData*>(item.lParam);
    if (!data) data = GetFolderData(item.hItem);
    if (!data || !data->absolute) return;
    item.mask |= TVIF_DI_SETITEM;  // kept: asked once per item
    // Under Wine the shell's look-up of a folder's icon reads the desktop.ini
    // of every folder above it, and a missing one makes Wine read that folder
    // whole: in a folder of thousands of frames each icon cost tens of
    // milliseconds. Its plain subfolders all show the same icons, asked once.
    const HTREEITEM parentItem = GetNextItem(item.hItem, TVGN_PARENT);
    const FolderItemData* parent = parentItem ? GetFolderData(parentItem) : nullptr;
    if (parent && parent->absolute && IsPlainSubfolder(parent->absolute, data->absolute)) {
        if (parent->plainIcon < 0 || parent->plainOpenIcon < 0) {
            item.iImage = SmallIconOf(data->absolute, 0);
            item.iSelectedImage = SmallIconOf(data->absolute, SHGFI_OPENICON);
            // A look-up that failed (index 0, a document's icon) is not
            // handed on to the others.
            if (item.iImage > 0 && item.iSelectedImage > 0) {
                parent->plainIcon = item.iImage;
                parent->plainOpenIcon = item.iSelectedImage;
            }
            return;
        }
        item.iImage = parent->plainIcon;
        item.iSelectedImage = parent->plainOpenIcon;
        return;
    }
    if (item.mask & TVIF_IMAGE) item.iImage = SmallIconOf(data->absolute, 0);
    if (item.mask & TVIF_SELECTEDIMAGE) item.iSelectedImage = SmallIconOf(data->absolute, SHGFI_OPENICON);
}

void CFolderTreeCtrl::EnumerateChildren(const NMTREEVIEWA& view) {
    if (view.itemNew.state & TVIS_EXPANDEDONCE) return;  // children load once per item
    const HTREEITEM item = view.itemNew.hItem;
    // Whether its children loaded or not, the item now counts as loaded.
    loaded_.insert(item);
    const FolderItemData* data = GetFolderData(item);
    if (!data || !data->folder) return;

    win::WaitCursor wait;
    // Taken before the read: a change meanwhile shows at the next refresh.
    std::map<char, UINT> driveTypes;
    data->childrenRead = ChildrenStamp(*data, driveTypes);
    win::ComPtr<IEnumIDList> children;
    if (FAILED(data->folder->EnumObjects(OwnerWindow(), kEnumFlags, children.Put())) || !children) return;
    win::ShellIdList id;
    if (children->Next(1, id.Put(), nullptr) != S_OK) {
        SetChildrenFlag(item, 0);
        return;
    }
    HTREEITEM last = nullptr;
    bool inserted = false;
    do {
        ULONG attributes = kFilterAttributes;
        LPCITEMIDLIST one[] = {id.Get()};
        // Files pass here and are dropped by InsertShellItem, which is not a folder.
        if (SUCCEEDED(data->folder->GetAttributesOf(1, one, &attributes)) &&
            (attributes & kFileSystemOrAncestor)) {
            const HTREEITEM added = InsertShellItem(data->absolute, id.Get(), data->folder, item, last);
            if (added && added != last) {
                last = added;
                inserted = true;
            }
        }
    } while (children->Next(1, id.Put(), nullptr) == S_OK);

    if (!inserted) SetChildrenFlag(item, 0);
    SortChildren(item);
}

int CALLBACK CFolderTreeCtrl::CompareItems(LPARAM a, LPARAM b, LPARAM folderParam) {
    auto* folder = reinterpret_cast<IShellFolder*>(folderParam);
    const auto* first = reinterpret_cast<const FolderItemData*>(a);
    const auto* second = reinterpret_cast<const FolderItemData*>(b);
    if (!folder || !first || !second) return 0;
    const HRESULT hr = folder->CompareIDs(0, first->relative, second->relative);
    return FAILED(hr) ? 0 : CompareResult(hr);
}

HTREEITEM CFolderTreeCtrl::FindChildByID(HTREEITEM parent, LPCITEMIDLIST id) const {
    const FolderItemData* data = GetFolderData(parent);
    if (!data || !data->folder) return nullptr;
    for (HTREEITEM child = GetChildItem(parent); child; child = GetNextSiblingItem(child)) {
        const FolderItemData* childData = GetFolderData(child);
        if (childData && data->folder->CompareIDs(0, childData->relative, id) == S_OK) return child;
    }
    return nullptr;
}

HTREEITEM CFolderTreeCtrl::FindChildExpanding(HTREEITEM parent, LPCITEMIDLIST id) {
    const FolderItemData* data = GetFolderData(parent);
    if (!data || !data->folder) return nullptr;
    Expand(parent, TVE_EXPAND);  // loads the children on the first time
    for (HTREEITEM child = GetChildItem(parent); child; child = GetNextSiblingItem(child)) {
        const FolderItemData* childData = GetFolderData(child);
        if (!childData) continue;
        // A failed comparison is no match: a stale stored ID must not land on an unrelated folder.
        const HRESULT hr = data->folder->CompareIDs(0, childData->relative, id);
        if (SUCCEEDED(hr) && CompareResult(hr) == 0) return child;
    }
    return nullptr;
}

void CFolderTreeCtrl::SetChildrenFlag(HTREEITEM item, int children) const {
    TVITEMA tvi = {};
    tvi.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.cChildren = children;
    ::SendMessageA(hwnd_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
}

void CFolderTreeCtrl::SortChildren(HTREEITEM item) const {
    const FolderItemData* data = GetFolderData(item);
    if (!data || !data->folder) return;
    TVSORTCB sort = {};
    sort.hParent = item;
    sort.lpfnCompare = CompareItems;
    sort.lParam = reinterpret_cast<LPARAM>(data->folder);
    ::SendMessageA(hwnd_, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

void CFolderTreeCtrl::AttachSystemImageList() const {
    if (GetImageList(TVSIL_NORMAL)) return;
    SHFILEINFOA info = {};
    const auto list = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (list) SetImageList(list, TVSIL_NORMAL);  // the system's: never destroyed here
}

void CFolderTreeCtrl::FillTree() {
    if (!hwnd_) return;
    loaded_.clear();
    AttachSystemImageList();
    HTREEITEM root = nullptr;
    {
        win::ComPtr<IShellFolder> desktop;
        if (FAILED(::SHGetDesktopFolder(desktop.Put())) || !desktop) return;
        win::ShellIdList desktopList;
        if (FAILED(::SHGetSpecialFolderLocation(OwnerWindow(), CSIDL_DESKTOP, desktopList.Put())) ||
            !desktopList.Get())
            return;
        root = InsertShellItem(nullptr, desktopList.Get(), desktop.Get(), TVI_ROOT, TVI_LAST);
        if (!root || root == TVI_LAST) return;
        Expand(root, TVE_EXPAND);
    }
    SelectStoredFolder(root);
}

void CFolderTreeCtrl::SelectStoredFolder(HTREEITEM root) {
    bool valid = false;
    win::ShellIdList stored = ReadStoredFolder(settingsKey_, valid);
    if (!stored.Get()) return;  // first run: nothing selected

    HTREEITEM current = valid ? root : nullptr;
    for (LPCITEMIDLIST id = stored.Get(); current && id->mkid.cb; id = ::ILGetNext(id)) {
        win::ShellIdList one(::ILCloneFirst(id));
        current = one.Get() ? FindChildExpanding(current, one.Get()) : nullptr;
    }
    SelectItem(current ? current : root);
}

void CFolderTreeCtrl::SaveCurrentFolder() {
    const FolderItemData* data = GetFolderData(GetSelectedItem());
    if (!data || !data->absolute) return;
    CProfile profile(HKEY_CURRENT_USER, settingsKey_);
    profile.WriteBinary(kSettingSection, kCurrentFolderValue, data->absolute, ::ILGetSize(data->absolute));
}

bool CFolderTreeCtrl::StoreCurrentFolderPath(const std::string& settingsKey, const std::string& path) {
    win::ShellIdList list = AbsoluteListOf(path, nullptr);
    if (!list.Get()) return false;
    CProfile profile(HKEY_CURRENT_USER, settingsKey);
    return profile.WriteBinary(kSettingSection, kCurrentFolderValue, list.Get(), ::ILGetSize(list.Get())) ==
           ERROR_SUCCESS;
}

std::string CFolderTreeCtrl::StoredCurrentFolderPath(const std::string& settingsKey) {
    bool valid = false;
    win::ShellIdList stored = ReadStoredFolder(settingsKey, valid);
    return valid ? PathOfList(stored.Get()) : std::string();
}

bool CFolderTreeCtrl::HasStoredCurrentFolder(const std::string& settingsKey) {
    CProfile profile(HKEY_CURRENT_USER, settingsKey);
    DWORD size = 0;
    profile.ReadBinary(kSettingSection, kCurrentFolderValue, nullptr, &size);
    return size > 0;
}

std::string CFolderTreeCtrl::GetSelectedPath() const {
    const FolderItemData* data = GetFolderData(GetSelectedItem());
    return data ? PathOfList(data->absolute) : std::string();
}

int CFolderTreeCtrl::IsSelectedFileSystem() const {
    const FolderItemData* data = GetFolderData(GetSelectedItem());
    return data && (data->attributes & SFGAO_FILESYSTEM) ? 1 : 0;
}

bool CFolderTreeCtrl::InsertChildByName(HTREEITEM item, const std::string& name) {
    const FolderItemData* data = GetFolderData(item);
    if (!data) return false;
    win::ShellIdList id = idlist::Parse(data->folder, hwnd_, name);
    if (!id.Get()) return false;
    const HTREEITEM inserted = InsertShellItem(data->absolute, id.Get(), data->folder, item, nullptr);
    SortChildren(item);
    return inserted != nullptr;
}

void CFolderTreeCtrl::AddChildFolder(const std::string& name) {
    const HTREEITEM selected = GetSelectedItem();
    if (!selected) return;
    if (IsExpandedOnce(selected)) {
        InsertChildByName(selected, name);  // the selected item stays as it is
    } else {
        // The first expansion enumerates the folder, the new one included.
        SetChildrenFlag(selected, 1);
        Expand(selected, TVE_EXPAND);
    }
}

void CFolderTreeCtrl::SyncRenamedChild(const std::string& newName) {
    const HTREEITEM selected = GetSelectedItem();
    if (!selected) return;
    if (!IsExpandedOnce(selected)) {
        SetChildrenFlag(selected, 1);
        return;
    }
    std::string path = GetSelectedPath();
    if (path.empty()) return;  // a virtual folder: no child path to check
    win::EnsureTrailingBackslash(path);
    if (!win::PathExists(path + newName)) return;

    const FolderItemData* data = GetFolderData(selected);
    if (!data) return;
    win::ShellIdList id = idlist::Parse(data->folder, hwnd_, newName);
    if (!id.Get()) return;
    if (!FindChildExpanding(selected, id.Get()))
        InsertShellItem(data->absolute, id.Get(), data->folder, selected, nullptr);
    SortChildren(selected);
}

void CFolderTreeCtrl::PruneMissingChildren() {
    const HTREEITEM selected = GetSelectedItem();
    if (!selected || !IsExpandedOnce(selected)) return;
    for (HTREEITEM child = GetChildItem(selected); child;) {
        const HTREEITEM next = GetNextSiblingItem(child);
        const FolderItemData* data = GetFolderData(child);
        // The child's own path, not its label: a display name need not be the folder's name on disk.
        if (data && (data->attributes & SFGAO_CANDELETE)) {
            const std::string path = PathOfList(data->absolute);
            if (!path.empty() && !win::PathExists(path)) DeleteItem(child);
        }
        child = next;
    }
}

void CFolderTreeCtrl::AddFolderByPath(const std::string& path) {
    AddFoldersByPath({path});
}

CFolderTreeCtrl::NamesByParent CFolderTreeCtrl::GroupByParent(const std::vector<std::string>& paths,
                                                              std::vector<std::string>* alone) {
    NamesByParent groups;
    for (const std::string& path : paths) {
        const std::string trimmed = win::WithoutTrailingBackslashes(path);
        const size_t slash = win::FindLastChar(trimmed, '\\');
        const std::string name = slash == std::string::npos ? std::string() : trimmed.substr(slash + 1);
        if (name.empty() || name == "." || name == ".." || slash == 0 || trimmed[slash - 1] == '\\') {
            if (!trimmed.empty()) alone->push_back(path);
            continue;
        }
        groups[trimmed.substr(0, slash)].insert(name);
    }
    return groups;
}

void CFolderTreeCtrl::AddFoldersByPath(const std::vector<std::string>& paths) {
    if (!GetRootItem()) return;
    // Names without duplicates, grouped by parent folder. A path with no
    // parent to name (a drive) takes the walk of its own.
    std::vector<std::string> alone;
    for (const auto& group : GroupByParent(paths, &alone)) AddFoldersInParent(group.first, group.second);
    for (const std::string& path : alone) AddOneFolder(path);
}

void CFolderTreeCtrl::RemoveFoldersByPath(const std::vector<std::string>& paths, bool knownGone) {
    if (!GetRootItem()) return;
    std::vector<std::string> alone;
    for (const auto& group : GroupByParent(paths, &alone))
        RemoveFoldersInParent(group.first, group.second, knownGone);
    for (const std::string& path : alone) RefreshFolderByPath(win::WithoutTrailingBackslashes(path));
}

void CFolderTreeCtrl::RemoveFoldersInParent(const std::string& parentPath, const NameSet& names,
                                            bool knownGone) {
    const HTREEITEM item = LoadedItemOfPath(parentPath);
    const FolderItemData* itemData = item ? GetFolderData(item) : nullptr;
    if (!itemData || !itemData->folder || !GetChildItem(item)) {
        RefreshFolderByPath(parentPath);  // just its button to set, if anything
        return;
    }
    // A child is found by its label and confirmed by its parsing name, so
    // that only the named folders cost a call to the shell. A file-system
    // folder's label is its name; one shown under another (a name a
    // desktop.ini gives) is left to the next refresh. Whether a name is
    // still there comes from one listing of the folder: under Wine, looking
    // for a name that is gone reads the whole folder each time.
    const auto listed = !knownGone && names.size() > 2 ? win::NamesInFolder(parentPath) : std::nullopt;
    const NameSet present = listed ? NameSet(listed->begin(), listed->end()) : NameSet();
    auto exists = [&](const std::string& name) {
        if (knownGone) return false;
        return listed ? present.count(name) > 0 : win::PathExists(parentPath + "\\" + name);
    };
    NameSet left = names;
    std::vector<HTREEITEM> gone;
    for (HTREEITEM child = GetChildItem(item); child && !left.empty(); child = GetNextSiblingItem(child)) {
        const auto named = left.find(GetItemText(child));
        const FolderItemData* data = named == left.end() ? nullptr : GetFolderData(child);
        std::string name;
        if (!data || !(data->attributes & SFGAO_FILESYSTEM) ||
            !idlist::DisplayName(itemData->folder, data->relative, name, SHGDN_INFOLDER | SHGDN_FORPARSING) ||
            !win::EqualsNoCase(name, *named))
            continue;
        if (!exists(name)) gone.push_back(child);
        left.erase(named);
    }
    {
        std::optional<win::RedrawHeld> held;
        if (gone.size() > 1) held.emplace(hwnd_);
        for (HTREEITEM child : gone) DeleteKeepingSelection(child);
    }
    if (!GetChildItem(item) && ItemHasChildren(item)) SetChildrenFlag(item, 0);
}

void CFolderTreeCtrl::AddFoldersInParent(const std::string& parentPath, const NameSet& names) {
    win::ShellIdList parentList = AbsoluteListOf(parentPath, OwnerWindow());
    if (!parentList.Get()) {
        for (const std::string& name : names) AddOneFolder(parentPath + "\\" + name);
        return;
    }
    // Down to the parent's item; a level never loaded only gets its button,
    // once, and only when one of the folders is really there.
    HTREEITEM parent = GetRootItem();
    for (LPCITEMIDLIST id = parentList.Get(); parent;) {
        if (!IsExpandedOnce(parent)) {
            if (!ItemHasChildren(parent) &&
                std::any_of(names.begin(), names.end(), [&](const std::string& name) {
                    return win::PathExists(parentPath + "\\" + name);
                }))
                SetChildrenFlag(parent, 1);
            return;
        }
        if (!id->mkid.cb) break;
        win::ShellIdList one(::ILCloneFirst(id));
        if (!one.Get()) return;
        parent = FindChildByID(parent, one.Get());
        id = ::ILGetNext(id);
    }
    if (!parent) return;  // a level above the new folders is missing

    // One read of a folder costs less than parsing many names in it.
    NameSet left = names;
    if (names.size() > 1) SyncChildren(parent, &left);
    // What the read did not match (a short name, say) is parsed one by one.
    bool inserted = false;
    std::optional<win::RedrawHeld> held;
    if (left.size() > 1) held.emplace(hwnd_);
    for (const std::string& name : left)
        if (names.size() == 1 || win::FolderExists(parentPath + "\\" + name))
            inserted = AddChildIfMissing(parent, name) || inserted;
    if (inserted) {
        if (!ItemHasChildren(parent)) SetChildrenFlag(parent, 1);
        SortChildren(parent);
    }
}

bool CFolderTreeCtrl::AddChildIfMissing(HTREEITEM parent, const std::string& name) {
    const FolderItemData* data = GetFolderData(parent);
    if (!data) return false;
    win::ShellIdList id = idlist::Parse(data->folder, hwnd_, name);
    if (!id.Get() || FindChildByID(parent, id.Get())) return false;
    return InsertShellItem(data->absolute, id.Get(), data->folder, parent, nullptr) != nullptr;
}

bool CFolderTreeCtrl::SyncChildren(HTREEITEM item, NameSet* only) {
    const FolderItemData* data = GetFolderData(item);
    if (!data || !data->folder) return false;
    std::map<char, UINT> driveTypes;
    const ULONGLONG stamp = only ? 0 : ChildrenStamp(*data, driveTypes);
    IShellFolder* folder = data->folder;
    win::ComPtr<IEnumIDList> listing;
    if (FAILED(folder->EnumObjects(OwnerWindow(), kEnumFlags, listing.Put())) || !listing) return false;

    // The children as they are, found by label (their display name).
    struct Child {
        HTREEITEM item;
        const FolderItemData* data;
        bool seen;
    };
    std::vector<Child> children;
    std::unordered_multimap<std::string, size_t> byLabel;
    for (HTREEITEM child = GetChildItem(item); child; child = GetNextSiblingItem(child)) {
        byLabel.emplace(GetItemText(child), children.size());
        children.push_back({child, GetFolderData(child), false});
    }
    auto isChild = [&](const Child& child, LPCITEMIDLIST id) {
        return child.data && SameId(folder, child.data->relative, id);
    };

    struct Found {
        win::ShellIdList id;
        std::string label;
    };
    std::vector<Found> unmatched;
    win::ShellIdList id;
    while (listing->Next(1, id.Put(), nullptr) == S_OK) {
        ULONG attributes = kFilterAttributes;
        LPCITEMIDLIST one[] = {id.Get()};
        if (FAILED(folder->GetAttributesOf(1, one, &attributes)) || !(attributes & kFileSystemOrAncestor) ||
            !(attributes & SFGAO_FOLDER))
            continue;
        if (only) {
            std::string name;
            if (!idlist::DisplayName(folder, id.Get(), name, SHGDN_INFOLDER | SHGDN_FORPARSING) ||
                !only->erase(name))
                continue;
        }
        std::string label;
        if (!idlist::DisplayName(folder, id.Get(), label)) continue;
        Child* match = nullptr;
        const auto candidates = byLabel.equal_range(label);
        for (auto it = candidates.first; it != candidates.second && !match; ++it)
            if (!children[it->second].seen && isChild(children[it->second], id.Get()))
                match = &children[it->second];
        if (!match) {
            unmatched.push_back({std::move(id), std::move(label)});
            continue;
        }
        match->seen = true;
        // A folder not loaded yet shows a button as a fresh insertion would.
        const int button = attributes & SFGAO_HASSUBFOLDER ? 1 : 0;
        if (!only && !IsExpandedOnce(match->item) && ItemHasChildren(match->item) != (button != 0))
            SetChildrenFlag(match->item, button);
    }

    // The same item under a new label (a drive's volume name, a change of
    // case) keeps its state; only a bounded number of pairs is tried.
    constexpr size_t kMaxPairs = 1u << 16;
    size_t unseen = 0;
    for (const Child& child : children) unseen += child.seen ? 0 : 1;
    bool changed = false;
    for (Found& found : unmatched) {
        Child* same = nullptr;
        if (unseen && unmatched.size() * unseen <= kMaxPairs)
            for (Child& child : children)
                if (!child.seen && isChild(child, found.id.Get())) {
                    same = &child;
                    break;
                }
        if (same) {
            same->seen = true;
            --unseen;
            SetItemText(same->item, found.label);
            found.id.Reset();
            changed = true;
        }
    }
    size_t insertions = 0;
    for (const Found& found : unmatched) insertions += found.id.Get() ? 1 : 0;
    std::optional<win::RedrawHeld> held;
    if (insertions + (only ? 0 : unseen) > 1) held.emplace(hwnd_);
    if (!only)
        for (const Child& child : children)
            if (!child.seen) DeleteKeepingSelection(child.item);
    for (const Found& found : unmatched) {
        if (!found.id.Get()) continue;
        if (InsertShellItem(data->absolute, found.id.Get(), folder, item, nullptr)) changed = true;
    }

    if (GetChildItem(item)) {
        if (!ItemHasChildren(item)) SetChildrenFlag(item, 1);
        if (changed) SortChildren(item);
    } else if (!only && ItemHasChildren(item)) {
        SetChildrenFlag(item, 0);
    }
    if (!only) data->childrenRead = stamp;
    return true;
}

void CFolderTreeCtrl::DeleteKeepingSelection(HTREEITEM item) {
    // The tree would move the selection to a neighbour of the deleted item:
    // the root is what a fresh fill selects for a folder that is gone.
    for (HTREEITEM up = GetSelectedItem(); up; up = GetNextItem(up, TVGN_PARENT)) {
        if (up == item) {
            SelectItem(GetRootItem());
            break;
        }
    }
    DeleteItem(item);
}

void CFolderTreeCtrl::SetItemText(HTREEITEM item, const std::string& text) const {
    std::string copy = text;
    TVITEMA tvi = {};
    tvi.mask = TVIF_HANDLE | TVIF_TEXT;
    tvi.hItem = item;
    tvi.pszText = copy.data();
    ::SendMessageA(hwnd_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
}

void CFolderTreeCtrl::RefreshTree() {
    const HTREEITEM root = GetRootItem();
    if (!root) {
        FillTree();
        return;
    }
    SaveCurrentFolder();
    win::WaitCursor wait;
    NoCriticalErrorBoxes quiet;
    // Every folder whose children were read, parents first, since a parent
    // may drop a loaded child. (Walking every child to find them costs
    // Wine's tree view a look through all its items per message.)
    std::vector<std::pair<int, HTREEITEM>> byDepth;
    for (HTREEITEM item : loaded_) {
        int depth = 0;
        for (HTREEITEM up = GetNextItem(item, TVGN_PARENT); up; up = GetNextItem(up, TVGN_PARENT)) ++depth;
        byDepth.emplace_back(depth, item);
    }
    std::sort(byDepth.begin(), byDepth.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::map<char, UINT> driveTypes;
    for (const auto& [depth, item] : byDepth) {
        if (!loaded_.count(item)) continue;  // gone with its parent
        if (!IsExpandedOnce(item)) {
            loaded_.erase(item);
            continue;
        }
        // A folder unchanged on disk since its children were read keeps them.
        const FolderItemData* data = GetFolderData(item);
        const ULONGLONG stamp = data ? ChildrenStamp(*data, driveTypes) : 0;
        if (stamp && stamp == data->childrenRead) continue;
        // A folder that cannot be read now keeps what it showed.
        SyncChildren(item, nullptr);
    }
}

ULONGLONG CFolderTreeCtrl::ChildrenStamp(const FolderItemData& data, std::map<char, UINT>& driveTypes) {
    if (!(data.attributes & SFGAO_FILESYSTEM) || !data.absolute || !data.absolute->mkid.cb) return 0;
    const std::string path = PathOfList(data.absolute);
    if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return 0;
    const char letter = static_cast<char>(path[0] & ~0x20);
    auto type = driveTypes.find(letter);
    if (type == driveTypes.end())
        type = driveTypes.emplace(letter, ::GetDriveTypeA(path.substr(0, 3).c_str())).first;
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (type->second != DRIVE_FIXED || !::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info))
        return 0;
    return win::TimeNumber(info.ftLastWriteTime);
}

void CFolderTreeCtrl::AddOneFolder(const std::string& path) {
    HTREEITEM parent = GetRootItem();
    if (!parent) return;
    win::ShellIdList target = AbsoluteListOf(path, OwnerWindow());
    if (!target.Get() || !target.Get()->mkid.cb) return;

    for (LPCITEMIDLIST id = target.Get();;) {
        if (!IsExpandedOnce(parent)) {
            // Not loaded yet: the first expansion will find the folder.
            if (!ItemHasChildren(parent)) SetChildrenFlag(parent, 1);
            return;
        }
        win::ShellIdList one(::ILCloneFirst(id));
        if (!one.Get()) return;
        const HTREEITEM child = FindChildByID(parent, one.Get());
        const LPCITEMIDLIST next = ::ILGetNext(id);  // null past the end
        const bool last = !next || !next->mkid.cb;
        if (!child) {
            if (!last) return;  // a level above the new folder is missing
            break;
        }
        if (last) return;  // already in the tree
        parent = child;
        id = next;
    }

    const std::string trimmed = win::WithoutTrailingBackslashes(path);
    const size_t slash = win::FindLastChar(trimmed, '\\');
    const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    const bool hadButton = ItemHasChildren(parent);
    if (InsertChildByName(parent, name) && !hadButton) SetChildrenFlag(parent, 1);
}

HTREEITEM CFolderTreeCtrl::LoadedItemOfPath(const std::string& path) const {
    HTREEITEM item = GetRootItem();
    if (!item) return nullptr;
    win::ShellIdList target = AbsoluteListOf(path, OwnerWindow());
    if (!target.Get()) return nullptr;
    for (LPCITEMIDLIST id = target.Get(); item && id->mkid.cb; id = ::ILGetNext(id)) {
        win::ShellIdList one(::ILCloneFirst(id));
        item = one.Get() ? FindChildByID(item, one.Get()) : nullptr;
    }
    return item;
}

void CFolderTreeCtrl::RefreshFolderByPath(const std::string& path) {
    const HTREEITEM item = LoadedItemOfPath(path);
    if (!item) return;

    if (GetChildItem(item)) {
        const FolderItemData* itemData = GetFolderData(item);
        std::string base = path;
        win::EnsureTrailingBackslash(base);
        std::vector<HTREEITEM> gone;
        for (HTREEITEM child = GetChildItem(item); child; child = GetNextSiblingItem(child)) {
            const FolderItemData* data = GetFolderData(child);
            constexpr ULONG kDeletableFolder = SFGAO_CANDELETE | SFGAO_FOLDER;
            if (!data || (data->attributes & kDeletableFolder) != kDeletableFolder) continue;
            // A file-system child's path is the folder's path and its parsing
            // name: far cheaper than asking the shell for the path of its list.
            std::string name, childPath;
            if ((data->attributes & SFGAO_FILESYSTEM) && itemData &&
                idlist::DisplayName(itemData->folder, data->relative, name,
                                    SHGDN_INFOLDER | SHGDN_FORPARSING) &&
                !name.empty() && name.find_first_of("\\:") == std::string::npos)
                childPath = base + name;
            else
                childPath = PathOfList(data->absolute);
            if (!childPath.empty() && !win::PathExists(childPath)) gone.push_back(child);
        }
        std::optional<win::RedrawHeld> held;
        if (gone.size() > 1) held.emplace(hwnd_);
        for (HTREEITEM child : gone) DeleteKeepingSelection(child);
        if (!GetChildItem(item) && ItemHasChildren(item)) SetChildrenFlag(item, 0);
        SortChildren(item);
    } else if (ItemHasChildren(item)) {
        SetChildrenFlag(item, HasSubfolders(path));
    } else {
        SortChildren(item);
    }
}

void CFolderTreeCtrl::SyncDriveNode(const std::string& root) {
    const HTREEITEM desktop = GetRootItem();
    if (!desktop) return;
    win::ShellIdList computerList;
    if (FAILED(::SHGetSpecialFolderLocation(OwnerWindow(), CSIDL_DRIVES, computerList.Put())) ||
        !computerList.Get())
        return;
    const HTREEITEM computer = FindChildByID(desktop, computerList.Get());
    // Not loaded yet: its first expansion lists the drives as they are then.
    if (!computer || !IsExpandedOnce(computer)) return;

    HTREEITEM node = nullptr;
    for (HTREEITEM child = GetChildItem(computer); child && !node; child = GetNextSiblingItem(child)) {
        const FolderItemData* data = GetFolderData(child);
        if (data && win::EqualsNoCase(PathOfList(data->absolute), root)) node = child;
    }
    bool present = false;
    {
        NoCriticalErrorBoxes quiet;
        present = ::GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    if (node && !present) {
        DeleteItem(node);
    } else if (!node && present) {
        InsertChildByName(computer, root);
    }
}

int CFolderTreeCtrl::HasSubfolders(const std::string& path) {
    if (path.empty()) return 0;
    std::string pattern = path;
    win::EnsureTrailingBackslash(pattern);
    pattern += "*.*";
    if (pattern.size() >= MAX_PATH) return 0;
    WIN32_FIND_DATAA found = {};
    win::FindHandle find(::FindFirstFileA(pattern.c_str(), &found));
    if (!find) return 0;
    do {
        const auto* name = reinterpret_cast<const unsigned char*>(found.cFileName);
        // A drive root lists no "." entry: its first entry may be a real folder.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            _mbsicmp(name, reinterpret_cast<const unsigned char*>(".")) != 0 &&
            _mbsicmp(name, reinterpret_cast<const unsigned char*>("..")) != 0)
            return 1;
    } while (::FindNextFileA(find.Get(), &found));
    // A listing that ended early may have had subfolders still to come: the
    // branch keeps its button, and opening it lists it again.
    return ::GetLastError() == ERROR_NO_MORE_FILES ? 0 : 1;
}
