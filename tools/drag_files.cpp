// A drag source in a process of its own, for the drop tests: offers a
// CF_HDROP of the given paths with the given effects through DoDragDrop,
// drops it at a screen point, and writes what the target answered. With
// delete-on-move it then does what a source does when it hears a move that
// it must complete itself: when the effect says move, and the performed
// effect (if the target set one) says move too, it deletes the files it
// offered.
//   drag_files <out> <x> <y> copy|move|copy+move none|shift|ctrl keep|delete-on-move <path>...
// <out> gets one line:
//   result=<hex> effect=<n> performed=<n or -> logical=<n or -> deleted=<count>
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "win/ComObject.h"
#include "win/DataObject.h"
#include "win/Handles.h"

namespace {

// Hovers for a few of the drag loop's ticks, so that the target under the
// cursor is entered and asked, then drops there.
class HoverThenDrop : public win::ComObject<IDropSource, &IID_IDropSource> {
public:
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
        if (escape) return DRAGDROP_S_CANCEL;
        return ++asked_ > kHoverTicks ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    static constexpr int kHoverTicks = 5;
    int asked_ = 0;
};

DWORD EffectsNamed(const char* text) {
    if (std::strcmp(text, "copy") == 0) return DROPEFFECT_COPY;
    if (std::strcmp(text, "move") == 0) return DROPEFFECT_MOVE;
    return DROPEFFECT_COPY | DROPEFFECT_MOVE;
}

// The drag loop reads the keys from this thread's keyboard state.
void HoldKey(const char* key) {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    if (std::strcmp(key, "shift") == 0) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    if (std::strcmp(key, "ctrl") == 0) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    ::SetKeyboardState(state);
}

std::string EffectText(IDataObject* data, const char* format) {
    DWORD effect = 0;
    return win::ReadDropEffect(data, format, effect) ? std::to_string(effect) : "-";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 8) {
        std::fprintf(
            stderr,
            "usage: drag_files <out> <x> <y> copy|move|copy+move none|shift|ctrl keep|delete-on-move "
            "<path>...\n");
        return 2;
    }
    const char* out = argv[1];
    const int x = std::atoi(argv[2]);
    const int y = std::atoi(argv[3]);
    const DWORD allowed = EffectsNamed(argv[4]);
    const bool deleteOnMove = std::strcmp(argv[6], "delete-on-move") == 0;
    const std::vector<std::string> paths(argv + 7, argv + argc);

    if (FAILED(::OleInitialize(nullptr))) return 3;
    win::ComPtr<IDataObject> data;
    *data.Put() = win::CreateMemoryDataObject({{CF_HDROP, win::MakeFileDropBlock(paths)}});
    win::ComPtr<IDropSource> source;
    *source.Put() = new HoverThenDrop;
    ::SetCursorPos(x, y);
    HoldKey(argv[5]);
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = ::DoDragDrop(data.Get(), source.Get(), allowed, &effect);

    DWORD performed = 0;
    const bool performedSet = win::ReadDropEffect(data.Get(), win::kPerformedDropEffectFormat, performed);
    int deleted = 0;
    if (deleteOnMove && result == DRAGDROP_S_DROP && (effect & DROPEFFECT_MOVE) &&
        (!performedSet || (performed & DROPEFFECT_MOVE))) {
        for (const std::string& path : paths)
            if (::DeleteFileA(path.c_str())) ++deleted;
    }
    FILE* file = std::fopen(out, "w");
    if (!file) return 4;
    std::fprintf(file, "result=%08lx effect=%lu performed=%s logical=%s deleted=%d\n",
                 static_cast<unsigned long>(result), static_cast<unsigned long>(effect),
                 EffectText(data.Get(), win::kPerformedDropEffectFormat).c_str(),
                 EffectText(data.Get(), win::kLogicalPerformedDropEffectFormat).c_str(), deleted);
    std::fclose(file);
    data.Reset();
    source.Reset();
    ::OleUninitialize();
    return 0;
}
