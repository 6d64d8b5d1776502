// Drag and drop on the frame lists: frames dragged from one list to the
// other run the button's own operation (add, move back, or copy with Ctrl),
// and frame files dropped from Explorer are copied (moved with Shift) into
// the list's folder by the same transfer. A drop records what to do and
// posts it to the window, so the operation runs after the drag loop; what
// refuses a drop before anything is touched is found inside the drop, so
// that the source is told the truth: nothing for a refused drop, and for a
// move, which this program makes itself, that nothing is left to delete.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <mbstring.h>

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "frames/FrameInfoCache.h"
#include "ops/FrameScan.h"
#include "resource.h"
#include "ui/FolderPath.h"
#include "ui/MainDlg.h"
#include "win/ComObject.h"
#include "win/DataObject.h"
#include "win/FileSystem.h"
#include "win/Links.h"
#include "win/Names.h"
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

// Keeps the first refusal a frame's check reports, for the whole drop.
class RefusalRecorder : public IOperationReporter {
public:
    RefusalRecorder(std::string& key, std::vector<std::string>& args) : key_(key), args_(args) {}
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override { return ReplaceAnswer::CancelAll; }
    void Fail(const char* key, const std::vector<std::string>& args) override {
        if (!key_.empty()) return;
        key_ = key;
        args_ = args;
    }
    using IOperationReporter::Fail;

private:
    std::string& key_;
    std::vector<std::string>& args_;
};

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
        *effect = window_ ? window_->AcceptDrop(onto_, data, keys, *effect) : DROPEFFECT_NONE;
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

std::string CZELMaintenanceDlg::DropFolder(ActiveList onto) const {
    return onto == ActiveList::kTarget ? app_.GetTargetFolder() : tree_.GetSelectedPath();
}

DWORD CZELMaintenanceDlg::DropEffect(ActiveList onto, IDataObject* data, DWORD keys, DWORD allowed) {
    // A disabled window has a dialog or message box open over it; a drop
    // taken but not yet run holds the window until it has.
    if (IsOperationRunning() || pendingDrop_ || !data || !::IsWindowEnabled(Handle())) return DROPEFFECT_NONE;
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
        if (DropFolder(onto).empty()) return DROPEFFECT_NONE;
        return Choose(keys & MK_SHIFT ? DROPEFFECT_MOVE : DROPEFFECT_COPY, allowed);
    }
    return DROPEFFECT_NONE;
}

DWORD CZELMaintenanceDlg::AcceptDrop(ActiveList onto, IDataObject* data, DWORD keys, DWORD allowed) {
    const DWORD wanted = DropEffect(onto, data, keys, allowed);
    if (wanted == DROPEFFECT_NONE) return DROPEFFECT_NONE;
    auto drop = std::make_unique<PendingDrop>();
    drop->onto = onto;
    drop->effect = wanted;
    DWORD told = wanted;
    DraggedFrames frames;
    if (ReadFrames(data, frames)) {
        // The window's own drag: its source deletes nothing whatever it hears.
        drop->from = frames.from;
        drop->items = std::move(frames.names);
    } else {
        drop->files = CheckFileDrop(onto, win::ReadFileDrop(data));
        const bool transfers = drop->files.Transfers();
        // A move is made here, so the source hears an optimized move: not
        // DROPEFFECT_MOVE, and "performed" none, so that it deletes nothing.
        // A refused drop did nothing at all.
        told = transfers && wanted == DROPEFFECT_COPY ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        win::SetDropEffect(data, win::kPerformedDropEffectFormat, told);
        win::SetDropEffect(data, win::kLogicalPerformedDropEffectFormat,
                           transfers ? wanted : DROPEFFECT_NONE);
        // Nothing to do and nothing to say.
        if (!transfers && drop->files.notFrames.empty() && drop->files.refusalKey.empty()) return told;
    }
    pendingDrop_ = std::move(drop);
    ::PostMessageA(Handle(), kRunDropMessage, 0, 0);
    return told;
}

CZELMaintenanceDlg::FileDrop CZELMaintenanceDlg::CheckFileDrop(ActiveList onto,
                                                               const std::vector<std::string>& paths) const {
    FileDrop drop;
    drop.destFolder = DropFolder(onto);
    if (drop.destFolder.empty()) return drop;
    win::EnsureTrailingBackslash(drop.destFolder);
    RefusalRecorder refuse(drop.refusalKey, drop.refusalArgs);

    // Frame files grouped by the folder they come from, in the order dropped.
    for (const std::string& path : paths) {
        size_t slash = win::FindLastChar(path, '\\');
        const size_t forward = path.find_last_of('/');
        if (forward != std::string::npos && (slash == std::string::npos || forward > slash)) slash = forward;
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        // A frame whose own name the program cannot reach is refused as such
        // a name in a list is; any other name it cannot reach is no frame.
        if (slash != std::string::npos && IsFrameFileName(name) && !win::IsReachablePath(path)) {
            refuse.Fail("ERR_NAME_UNUSABLE",
                        {path, NameProblemText(path.find('?') != std::string::npos
                                                   ? win::NameProblem::kNotInCodePage
                                                   : win::NameProblem::kReservedDevice)});
            continue;
        }
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        const bool frame = slash != std::string::npos && win::FitsPath(path) && IsFrameFileName(name) &&
                           attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (!frame) {
            drop.notFrames.push_back(name);
            continue;
        }
        const std::string folder = path.substr(0, slash + 1);
        auto group = drop.groups.begin();
        while (group != drop.groups.end() && !win::EqualsNoCase(group->first, folder)) ++group;
        if (group == drop.groups.end()) group = drop.groups.insert(drop.groups.end(), {folder, {}});
        group->second.push_back(name);
    }
    // Frames dropped where they already are stay as they are.
    for (auto group = drop.groups.begin(); group != drop.groups.end();) {
        if (win::EqualsNoCase(group->first, drop.destFolder) || IsSameFile(group->first, drop.destFolder))
            group = drop.groups.erase(group);
        else
            ++group;
    }
    if (!drop.refusalKey.empty()) return drop;
    // Each frame listed as the transfer lists it: one that is or holds a
    // link, or holds a name the program cannot reach, refuses the drop, as
    // it refuses the batch of an operation.
    std::vector<std::string> allNames;
    for (const auto& [folder, names] : drop.groups) {
        const win::LinkCheck links(folder);
        for (const std::string& name : names)
            if (ReportRefusal(ScanFrame(folder, name, &links), refuse)) return drop;
        allNames.insert(allNames.end(), names.begin(), names.end());
    }
    if (onto == ActiveList::kTarget && app_.GetLayoutAdditionTo() == kTargetMemoryCard && !allNames.empty()) {
        if (IsCardMissing())
            refuse.Fail("ERR_CARD_NOT_PRESENT");
        else if (!CardHasRoomFor(allNames))
            refuse.Fail("ERR_ZELLIT2_OVER_MAX_NUM");
    }
    return drop;
}

void CZELMaintenanceDlg::RunPendingDrop() {
    std::unique_ptr<PendingDrop> drop = std::move(pendingDrop_);
    if (!drop || IsOperationRunning() || !::IsWindowEnabled(Handle())) return;
    if (drop->from != ActiveList::kNone)
        DropFrames(drop->from, drop->items, drop->effect == DROPEFFECT_COPY);
    else
        DropFiles(drop->onto, drop->files, drop->effect == DROPEFFECT_MOVE);
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

void CZELMaintenanceDlg::DropFiles(ActiveList onto, const FileDrop& drop, bool move) {
    if (!drop.notFrames.empty()) {
        std::string notFrames;
        for (size_t i = 0; i < drop.notFrames.size() && i < 10; ++i) notFrames += "\n" + drop.notFrames[i];
        if (drop.notFrames.size() > 10) notFrames += "\n...";
        // A note on what was left alone, not an error: the frames among them go on.
        AppMessageBox(GetLangString("ERR_DROP_NOT_FRAME") + notFrames, MB_OK | MB_ICONINFORMATION);
    }
    if (drop.refusalKey == "ERR_CARD_NOT_PRESENT") {
        // Said as every operation says it, with the card's list emptied.
        CheckCardPresent();
        return;
    }
    if (!drop.refusalKey.empty()) {
        AppMessageBox(ReportText(drop.refusalKey.c_str(), drop.refusalArgs), MB_OK | MB_ICONHAND);
        return;
    }
    if (drop.groups.empty() || !app_.EnsureLumadexClosed()) return;
    std::vector<std::string> allNames;
    for (const auto& group : drop.groups)
        allNames.insert(allNames.end(), group.second.begin(), group.second.end());
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
        for (const auto& [folder, names] : drop.groups) {
            std::string from = folder;
            std::string to = drop.destFolder;
            if (!transfer_.TransferFrames(from, to, names, move ? TransferMode::Move : TransferMode::Copy,
                                          reporter, transferred))
                break;
        }
    }
    AfterTransfer(transferred, std::string());
    if (move) {
        std::vector<std::string> left;
        for (const auto& [folder, names] : drop.groups) {
            const std::vector<std::string> companions = CompanionFolders(folder, names);
            left.insert(left.end(), companions.begin(), companions.end());
        }
        tree_.RemoveFoldersByPath(left);
    }
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
