// The IUnknown part of a COM object of ours that offers one interface:
// reference counting from 1 (the creator's reference) and QueryInterface for
// IUnknown and that interface. The object deletes itself at the last Release.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace win {

template <typename Interface, const IID* InterfaceId>
class ComObject : public Interface {
public:
    virtual ~ComObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == *InterfaceId) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

private:
    ULONG references_ = 1;
};

}  // namespace win
