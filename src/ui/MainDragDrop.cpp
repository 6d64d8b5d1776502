// Drag and drop on the frame lists: frames dragged from one list to the
// other run the button's own operation (add, move back, or copy with Ctrl),
// and frame files dropped from Explorer are copied (moved with Shift) into
// the list's folder by the same transfer. A drop only records what to do
// and posts it to the window, so the operation runs after the drag loop.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <mbstring.h>

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "frames/FrameInfoCache.h"
#include "resource.h"
#include "ui/MainDlg.h"
#include "win/ComObject.h"
#include "win/DataObject.h"
#include "win/FileSystem.h"
#include "win/Strings.h"

namespace {

using ActiveList = CZELMaintenanceDlg::ActiveList;

// What the private format carries: the window and list dragged from, that
// list's folder and the frame file names.
struct DraggedFrames {
    HWND window = nullptr;
    ActiveList from = ActiveList::kNone;
    std::string folder;
    std::vector<std::string> names;
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string FramesBlock(HWND window, ActiveList from, const std::string& folder,
                        const std::vector<std::string>& names) {
    std::string text = std::to_string(reinterpret_cast<UINT_PTR>(window)) + "\n" +
                       (from == ActiveList::kSource ? "1" : "2") + "\n" + folder;
    for (const std::string& name : names) text += "\n" + name;
    return text;
}

bool ReadFrames(IDataObject* data, DraggedFrames& frames) {
    std::string bytes;
    if (!win::ReadDataBlock(data, static_cast<CLIPFORMAT>(CZELMaintenanceDlg::FramesClipboardFormat()),
                            bytes))
        return false;
    bytes.resize(std::strlen(bytes.c_str()));  // the block may be padded
    const std::vector<std::string> lines = SplitLines(bytes);
    if (lines.size() < 4 || (lines[1] != "1" && lines[1] != "2")) return false;
    frames.window =
        reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(lines[0].c_str(), nullptr, 10)));
    frames.from = lines[1] == "1" ? ActiveList::kSource : ActiveList::kTarget;
    frames.folder = lines[2];
    for (size_t i = 3; i < lines.size(); ++i)
        if (!lines[i].empty()) frames.names.push_back(lines[i]);
    return !frames.names.empty();
}

bool IsFrameFileName(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return dot != std::string::npos && dot > 0 &&
           _mbsicmp(reinterpret_cast<const unsigned char*>(name.c_str() + dot),
                    reinterpret_cast<const unsigned char*>(".usd")) == 0;
}

DWORD Choose(DWORD wanted, DWORD allowed) {
    if (allowed & wanted) return wanted;
    return DROPEFFECT_NONE;
}

// A stack of up to three thumbnails of the dragged frames.
HIMAGELIST MakeDragImage(const CListCtrlZEL& list, const std::vector<int>& items) {
    HIMAGELIST thumbnails = FrameThumbnailList();
    if (!thumbnails) return nullptr;
    HIMAGELIST image = nullptr;
    int stacked = 0;
    for (int item : items) {
        const FrameInfo* info = GetFrameInfo(list.GetItemPath(item));
        if (!info || info->imageIndex < 0) continue;
        HIMAGELIST next =
            image ? ImageList_Merge(image, 0, thumbnails, info->imageIndex, 8 * stacked, 8 * stacked)
                  : ImageList_Merge(thumbnails, info->imageIndex, thumbnails, info->imageIndex, 0, 0);
        if (!next) break;
        if (image) ImageList_Destroy(image);
        image = next;
        if (++stacked == 3) break;
    }
    return image;
}

class CFrameDropSource : public win::ComObject<IDropSource, &IID_IDropSource> {
public:
    explicit CFrameDropSource(HWND window) : window_(window) {}
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        if (!(keys & MK_LBUTTON)) return DRAGDROP_S_DROP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override {
        // The image is drawn over the main window, relative to its frame.
        POINT cursor;
        RECT frame;
        ::GetCursorPos(&cursor);
        ::GetWindowRect(window_, &frame);
        ImageList_DragMove(cursor.x - frame.left, cursor.y - frame.top);
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

private:
    HWND window_;
};

}  // namespace

// Registered on one frame list; asks the main window what a drop would do.
class CFrameDropTarget : public win::ComObject<IDropTarget, &IID_IDropTarget> {
public:
    CFrameDropTarget(CZELMaintenanceDlg& window, ActiveList onto) : window_(&window), onto_(onto) {}
    // The window is going away: later calls refuse every drop.
    void Detach() { window_ = nullptr; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        data_.Reset();
        if (data) {
            data->AddRef();
            *data_.Put() = data;
        }
        *effect = Effect(keys, *effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        *effect = Effect(keys, *effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        data_.Reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        data_.Reset();
        *effect = window_ ? window_->DropEffect(onto_, data, keys, *effect) : DROPEFFECT_NONE;
        if (*effect != DROPEFFECT_NONE) window_->AcceptDrop(onto_, data, keys, *effect);
        return S_OK;
    }

private:
    DWORD Effect(DWORD keys, DWORD allowed) {
        return window_ && data_ ? window_->DropEffect(onto_, data_.Get(), keys, allowed) : DROPEFFECT_NONE;
    }

    CZELMaintenanceDlg* window_;
    ActiveList onto_;
    win::ComPtr<IDataObject> data_;
};

CZELMaintenanceDlg::~CZELMaintenanceDlg() {
    RevokeDropTargets();
    // The window may go without WM_DESTROY reaching this object.
    UnregisterDriveNotifications();
}

UINT CZELMaintenanceDlg::FramesClipboardFormat() {
    static const UINT format = ::RegisterClipboardFormatA("Quillet Tool frames");
    return format;
}

IDropTarget* CZELMaintenanceDlg::DropTarget(ActiveList list) const {
    return list == ActiveList::kSource ? sourceDropTarget_.Get() : targetDropTarget_.Get();
}

void CZELMaintenanceDlg::RegisterDropTargets() {
    for (ActiveList list : {ActiveList::kSource, ActiveList::kTarget}) {
        win::ComPtr<IDropTarget>& target =
            list == ActiveList::kSource ? sourceDropTarget_ : targetDropTarget_;
        if (target) continue;
        *target.Put() = new CFrameDropTarget(*this, list);
        // Without OLE the lists simply take no drops.
        if (FAILED(::RegisterDragDrop(ListOf(list).Handle(), target.Get()))) {
            static_cast<CFrameDropTarget*>(target.Get())->Detach();
            target.Reset();
        }
    }
}

void CZELMaintenanceDlg::RevokeDropTargets() {
    for (ActiveList list : {ActiveList::kSource, ActiveList::kTarget}) {
        win::ComPtr<IDropTarget>& target =
            list == ActiveList::kSource ? sourceDropTarget_ : targetDropTarget_;
        if (!target) continue;
        if (::IsWindow(ListOf(list).Handle())) ::RevokeDragDrop(ListOf(list).Handle());
        static_cast<CFrameDropTarget*>(target.Get())->Detach();
        target.Reset();
    }
    pendingDrop_.reset();
}

DWORD CZELMaintenanceDlg::DropEffect(ActiveList onto, IDataObject* data, DWORD keys, DWORD allowed) {
    // A disabled window has a dialog or message box open over it.
    if (IsOperationRunning() || !data || !::IsWindowEnabled(Handle())) return DROPEFFECT_NONE;
    DraggedFrames frames;
    if (ReadFrames(data, frames)) {
        // Only this window's own lists, from one to the other, as they are now.
        if (frames.window != Handle() || frames.from == onto) return DROPEFFECT_NONE;
        if (!win::EqualsNoCase(ListOf(frames.from).Folder(), frames.folder)) return DROPEFFECT_NONE;
        if (keys & MK_CONTROL)
            return ListOf(onto).GetFolder().empty() ? DROPEFFECT_NONE : Choose(DROPEFFECT_COPY, allowed);
        // Moving back needs a file-system folder in the tree, as its button does.
        if (onto == ActiveList::kSource && tree_.IsSelectedFileSystem() == 0) return DROPEFFECT_NONE;
        return Choose(DROPEFFECT_MOVE, allowed);
    }
    if (win::HasDataFormat(data, CF_HDROP)) {
        const std::string folder =
            onto == ActiveList::kTarget ? app_.GetTargetFolder() : tree_.GetSelectedPath();
        if (folder.empty()) return DROPEFFECT_NONE;
        return Choose(keys & MK_SHIFT ? DROPEFFECT_MOVE : DROPEFFECT_COPY, allowed);
    }
    return DROPEFFECT_NONE;
}

void CZELMaintenanceDlg::AcceptDrop(ActiveList onto, IDataObject* data, DWORD, DWORD effect) {
    auto drop = std::make_unique<PendingDrop>();
    drop->onto = onto;
    drop->effect = effect;
    DraggedFrames frames;
    if (ReadFrames(data, frames)) {
        drop->from = frames.from;
        drop->items = std::move(frames.names);
    } else {
        drop->items = win::ReadFileDrop(data);
    }
    if (drop->items.empty()) return;
    pendingDrop_ = std::move(drop);
    ::PostMessageA(Handle(), kRunDropMessage, 0, 0);
}

void CZELMaintenanceDlg::RunPendingDrop() {
    std::unique_ptr<PendingDrop> drop = std::move(pendingDrop_);
    if (!drop || IsOperationRunning() || !::IsWindowEnabled(Handle())) return;
    if (drop->from != ActiveList::kNone)
        DropFrames(drop->from, drop->items, drop->effect == DROPEFFECT_COPY);
    else
        DropFiles(drop->onto, drop->items, drop->effect == DROPEFFECT_MOVE);
}

void CZELMaintenanceDlg::DropFrames(ActiveList from, const std::vector<std::string>& names, bool copy) {
    CListCtrlZEL& list = ListOf(from);
    if (activeList_ != from) {
        ::SetFocus(list.Handle());
        if (activeList_ != from) OnListFocus(from);
    }
    // Exactly the dragged frames are selected, so the button's operation
    // takes those.
    list.SetAllSelected(false);
    for (int i = 0; i < list.GetItemCount(); ++i) {
        const std::string name = list.GetItemFileName(i);
        for (const std::string& dragged : names) {
            if (name.empty() || !win::EqualsNoCase(name, dragged)) continue;
            LVITEMA state = {};
            state.stateMask = LVIS_SELECTED;
            state.state = LVIS_SELECTED;
            ::SendMessageA(list.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(&state));
        }
    }
    UpdateCommandButtons();
    const UINT command = copy ? ID_EDIT_COPY : from == ActiveList::kSource ? ID_EDIT_ADD : ID_EDIT_MOVE_BACK;
    ::SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void CZELMaintenanceDlg::DropFiles(ActiveList onto, const std::vector<std::string>& paths, bool move) {
    std::string destFolder = onto == ActiveList::kTarget ? app_.GetTargetFolder() : tree_.GetSelectedPath();
    if (destFolder.empty()) return;
    win::EnsureTrailingBackslash(destFolder);

    // Frame files grouped by the folder they come from, in the order dropped.
    std::vector<std::pair<std::string, std::vector<std::string>>> groups;
    std::vector<std::string> allNames;
    std::string notFrames;
    int notFrameCount = 0;
    for (const std::string& path : paths) {
        const size_t slash = path.find_last_of("\\/");
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        const bool frame = slash != std::string::npos && win::FitsPath(path) && IsFrameFileName(name) &&
                           attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (!frame) {
            if (++notFrameCount <= 10) notFrames += "\n" + name;
            continue;
        }
        const std::string folder = path.substr(0, slash + 1);
        auto group = groups.begin();
        while (group != groups.end() && !win::EqualsNoCase(group->first, folder)) ++group;
        if (group == groups.end()) group = groups.insert(groups.end(), {folder, {}});
        group->second.push_back(name);
    }
    if (notFrameCount > 0) {
        if (notFrameCount > 10) notFrames += "\n...";
        AppMessageBox(GetLangString("ERR_DROP_NOT_FRAME") + notFrames, MB_OK | MB_ICONHAND);
    }
    // Frames dropped where they already are stay as they are.
    for (auto group = groups.begin(); group != groups.end();) {
        if (win::EqualsNoCase(group->first, destFolder) || IsSameFile(group->first, destFolder)) {
            group = groups.erase(group);
        } else {
            allNames.insert(allNames.end(), group->second.begin(), group->second.end());
            ++group;
        }
    }
    if (groups.empty() || !app_.EnsureLumadexClosed()) return;
    if (onto == ActiveList::kTarget && app_.GetLayoutAdditionTo() == kTargetMemoryCard &&
        !PrepareMemoryCard(allNames))
        return;

    OperationScope running(*this);
    std::vector<std::string> transferred;
    {
        const char* operation = !move                         ? "TITLE_PROGRESS_COPY"
                                : onto == ActiveList::kTarget ? "TITLE_PROGRESS_ADD"
                                                              : "TITLE_PROGRESS_MOVE_BACK";
        CWindowReporter reporter = MakeReporter(operation);
        for (auto& [folder, names] : groups) {
            std::string from = folder;
            std::string to = destFolder;
            if (!transfer_.TransferFrames(from, to, names, move ? TransferMode::Move : TransferMode::Copy,
                                          reporter, transferred))
                break;
        }
    }
    AfterTransfer(transferred, std::string());
    if (move)
        for (const auto& group : groups)
            tree_.RefreshFolderByPath(win::WithoutTrailingBackslashes(group.first));
}

void CZELMaintenanceDlg::OnBeginDrag(ActiveList from) {
    if (IsOperationRunning()) return;
    CListCtrlZEL& list = ListOf(from);
    if (RefuseUnusableSelection(list)) return;
    const std::vector<int> items = list.GetSelectedItems();
    std::vector<std::string> names;
    for (int item : items) {
        std::string name = list.GetItemFileName(item);
        if (!name.empty()) names.push_back(std::move(name));
    }
    if (names.empty()) return;
    const auto format = static_cast<CLIPFORMAT>(FramesClipboardFormat());
    win::ComPtr<IDataObject> data;
    *data.Put() = win::CreateMemoryDataObject({{format, FramesBlock(Handle(), from, list.Folder(), names)}});
    win::ComPtr<IDropSource> source;
    *source.Put() = new CFrameDropSource(Handle());
    if (!data || !source) return;

    HIMAGELIST image = MakeDragImage(list, items);
    if (image) {
        int width = 0, height = 0;
        ImageList_GetIconSize(image, &width, &height);
        POINT cursor;
        RECT frame;
        ::GetCursorPos(&cursor);
        ::GetWindowRect(Handle(), &frame);
        ImageList_BeginDrag(image, 0, width / 2, height / 2);
        ImageList_DragEnter(Handle(), cursor.x - frame.left, cursor.y - frame.top);
    }
    DWORD effect = DROPEFFECT_NONE;
    ::DoDragDrop(data.Get(), source.Get(), DROPEFFECT_MOVE | DROPEFFECT_COPY, &effect);
    if (image) {
        ImageList_DragLeave(Handle());
        ImageList_EndDrag();
        ImageList_Destroy(image);
    }
}
