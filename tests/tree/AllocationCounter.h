// Counts blocks of the shell (COM task) allocator that are still out, through
// the allocator's own spy interface.
#pragma once

#include <windows.h>
#include <objidl.h>

namespace tree_test {

class AllocationCounter : public IMallocSpy {
public:
    AllocationCounter() { registered_ = SUCCEEDED(::CoRegisterMallocSpy(this)); }
    ~AllocationCounter() {
        if (registered_) ::CoRevokeMallocSpy();
    }
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    bool Registered() const { return registered_; }
    long Outstanding() const { return outstanding_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IMallocSpy) {
            *out = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the stack of the test; the count is not ownership.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T size) override { return size; }
    STDMETHODIMP_(void*) PostAlloc(void* actual) override {
        if (actual) ++outstanding_;
        return actual;
    }
    STDMETHODIMP_(void*) PreFree(void* request, BOOL spyed) override {
        if (request && spyed) --outstanding_;
        return request;
    }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override {
        *newRequest = request;
        return size;
    }
    STDMETHODIMP_(void*) PostRealloc(void* actual, BOOL) override { return actual; }
    STDMETHODIMP_(void*) PreGetSize(void* request, BOOL) override { return request; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    STDMETHODIMP_(void*) PreDidAlloc(void* request, BOOL) override { return request; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}

private:
    bool registered_ = false;
    long outstanding_ = 0;
};

}  // namespace tree_test
