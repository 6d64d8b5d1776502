#include "win/DataObject.h"

#include "win/ComObject.h"
#include "win/Names.h"
#include "win/Strings.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

namespace win {

namespace {

FORMATETC FormatOf(CLIPFORMAT format) {
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

HGLOBAL CopyToGlobal(const std::string& bytes) {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size() ? bytes.size() : 1);
    if (!memory) return nullptr;
    if (void* p = ::GlobalLock(memory)) {
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        ::GlobalUnlock(memory);
    }
    return memory;
}

class MemoryDataObject : public win::ComObject<IDataObject, &IID_IDataObject> {
public:
    explicit MemoryDataObject(std::vector<std::pair<CLIPFORMAT, std::string>> blocks)
        : blocks_(std::move(blocks)) {}

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!format || !medium) return E_INVALIDARG;
        const std::string* block = Find(*format);
        if (!block) return DV_E_FORMATETC;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = CopyToGlobal(*block);
        medium->pUnkForRelease = nullptr;
        return medium->hGlobal ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format && Find(*format) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override {
        if (!format || !medium) return E_INVALIDARG;
        if (format->dwAspect != DVASPECT_CONTENT || medium->tymed != TYMED_HGLOBAL || !medium->hGlobal)
            return DV_E_TYMED;
        std::string bytes;
        if (const void* p = ::GlobalLock(medium->hGlobal)) {
            bytes.assign(static_cast<const char*>(p), ::GlobalSize(medium->hGlobal));
            ::GlobalUnlock(medium->hGlobal);
        } else {
            return E_OUTOFMEMORY;
        }
        if (release) ::ReleaseStgMedium(medium);
        for (auto& block : blocks_) {
            if (block.first == format->cfFormat) {
                block.second = std::move(bytes);
                return S_OK;
            }
        }
        blocks_.emplace_back(format->cfFormat, std::move(bytes));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (direction != DATADIR_GET) return E_NOTIMPL;
        std::vector<FORMATETC> formats;
        for (const auto& block : blocks_) formats.push_back(FormatOf(block.first));
        return ::SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    const std::string* Find(const FORMATETC& format) const {
        if (!(format.tymed & TYMED_HGLOBAL) || format.dwAspect != DVASPECT_CONTENT) return nullptr;
        for (const auto& block : blocks_)
            if (block.first == format.cfFormat) return &block.second;
        return nullptr;
    }

    std::vector<std::pair<CLIPFORMAT, std::string>> blocks_;
};

}  // namespace

IDataObject* CreateMemoryDataObject(std::vector<std::pair<CLIPFORMAT, std::string>> blocks) {
    return new (std::nothrow) MemoryDataObject(std::move(blocks));
}

std::string MakeFileDropBlock(const std::vector<std::string>& paths) {
    // In UTF-16: a receiver reads an ANSI list in its own code page, which
    // need not be this process's.
    DROPFILES header = {};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::string& path : paths) {
        const std::wstring wide = ToWide(path);
        bytes.append(reinterpret_cast<const char*>(wide.c_str()), (wide.size() + 1) * sizeof(wchar_t));
    }
    bytes.append(sizeof(wchar_t), '\0');
    return bytes;
}

bool ReadDataBlock(IDataObject* data, CLIPFORMAT format, std::string& bytes) {
    if (!data) return false;
    FORMATETC wanted = FormatOf(format);
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&wanted, &medium))) return false;
    bool ok = false;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        if (const void* p = ::GlobalLock(medium.hGlobal)) {
            bytes.assign(static_cast<const char*>(p), ::GlobalSize(medium.hGlobal));
            ::GlobalUnlock(medium.hGlobal);
            ok = true;
        }
    }
    ::ReleaseStgMedium(&medium);
    return ok;
}

bool HasDataFormat(IDataObject* data, CLIPFORMAT format) {
    FORMATETC wanted = FormatOf(format);
    return data && data->QueryGetData(&wanted) == S_OK;
}

std::vector<std::string> ReadFileDrop(IDataObject* data) {
    std::vector<std::string> paths;
    if (!data) return paths;
    FORMATETC wanted = FormatOf(CF_HDROP);
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&wanted, &medium))) return paths;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        // Read as UTF-16, whichever way the list was written: the ANSI call
        // would give a best-fit look-alike of a name the code page lacks.
        HDROP drop = static_cast<HDROP>(medium.hGlobal);
        const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
            if (length == 0) continue;
            std::wstring wide(length + 1, L'\0');
            ::DragQueryFileW(drop, i, wide.data(), length + 1);
            wide.resize(length);
            std::string path;
            AnsiName(wide, path);
            paths.push_back(std::move(path));
        }
    }
    ::ReleaseStgMedium(&medium);
    return paths;
}

bool SetDropEffect(IDataObject* data, const char* formatName, DWORD effect) {
    if (!data) return false;
    FORMATETC format = FormatOf(static_cast<CLIPFORMAT>(::RegisterClipboardFormatA(formatName)));
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = CopyToGlobal(std::string(reinterpret_cast<const char*>(&effect), sizeof effect));
    if (!medium.hGlobal) return false;
    // The object keeps a copy; the memory stays ours, whatever the answer.
    const bool stored = SUCCEEDED(data->SetData(&format, &medium, FALSE));
    ::ReleaseStgMedium(&medium);
    return stored;
}

bool ReadDropEffect(IDataObject* data, const char* formatName, DWORD& effect) {
    std::string bytes;
    if (!ReadDataBlock(data, static_cast<CLIPFORMAT>(::RegisterClipboardFormatA(formatName)), bytes) ||
        bytes.size() < sizeof effect)
        return false;
    std::memcpy(&effect, bytes.data(), sizeof effect);
    return true;
}

}  // namespace win
