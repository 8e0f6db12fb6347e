#pragma once
// The IUnknown of the library's small COM objects that answer one interface besides IUnknown (the display
// attribute information and its enumerator, the edit session): an interlocked reference count, and the
// object deleted when the last reference goes.
#include <windows.h>

namespace lz {

template <class Interface, const IID& kInterfaceId>
class SingleInterfaceObject : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_INVALIDARG;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kInterfaceId)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  SingleInterfaceObject() = default;
  // Only Release ends an object; what it holds goes in the derived destructor.
  virtual ~SingleInterfaceObject() = default;

 private:
  LONG references_ = 1;
};

}  // namespace lz
