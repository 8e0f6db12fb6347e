#include "tests/support/fake_broker.h"

#include <new>

namespace lz::test {
namespace {

class BrokerObject final : public os::IImeBroker {
 public:
  explicit BrokerObject(FakeBroker& owner) : owner_(owner) {
    ++owner_.created;
    ++owner_.live;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_INVALIDARG;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, os::kImeBrokerIid)) {
      *out = static_cast<os::IImeBroker*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --references_;
    if (left == 0) {
      --owner_.live;
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved4() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved5() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved6() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LaunchProgram(LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show,
                                          INT_PTR* result) override {
    owner_.starts.push_back(BrokerStart{file ? file : L"", parameters ? parameters : L"", directory ? directory : L"", show});
    if (result) *result = owner_.start_result;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SendKey(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR) override {
    owner_.keys.push_back(BrokerKey{vk, scan, flags});
    if (owner_.replay_keys) keybd_event(vk, scan, flags, 0);
    return S_OK;
  }

 private:
  FakeBroker& owner_;
  LONG references_ = 1;
};

class BrokerFactory final : public IClassFactory {
 public:
  explicit BrokerFactory(FakeBroker& owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_INVALIDARG;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* broker = new (std::nothrow) BrokerObject(owner_);
    if (!broker) return E_OUTOFMEMORY;
    const HRESULT result = broker->QueryInterface(riid, out);
    broker->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  FakeBroker& owner_;
  LONG references_ = 1;
};

}  // namespace

FakeBroker::FakeBroker() : factory_(new BrokerFactory(*this)) {
  if (FAILED(CoRegisterClassObject(os::kImeBrokerClsid, factory_, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                   &registration_))) {
    registration_ = 0;
  }
}

FakeBroker::~FakeBroker() {
  if (registration_) CoRevokeClassObject(registration_);
  factory_->Release();
}

}  // namespace lz::test
