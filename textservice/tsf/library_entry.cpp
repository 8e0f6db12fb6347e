// The library entry: DllMain, the class factory singleton, the object count and the four exports.
#include <windows.h>

#include <new>

#include "textservice/tsf/library_module.h"
#include "textservice/settings/settings_pages_win32.h"
#include "textservice/tsf/text_service.h"
#include "textservice/windows/ui_manager.h"

namespace lz {
namespace {

HINSTANCE g_module = nullptr;
CRITICAL_SECTION g_lock;
volatile LONG g_object_count = -1;

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const CLSID& clsid) : clsid_(clsid) {}
  const CLSID& clsid() const { return clsid_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_INVALIDARG;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      LibraryObjectCreated();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The factory's references are the library's object count itself.
  ULONG STDMETHODCALLTYPE AddRef() override {
    LibraryObjectCreated();
    return 1;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    LibraryObjectDestroyed();
    return 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** out) override {
    return CreateTextService(riid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      LibraryObjectCreated();
    } else {
      LibraryObjectDestroyed();
    }
    return S_OK;
  }

 private:
  CLSID clsid_;
};

ClassFactory* volatile g_factory = nullptr;

// Created under the lock, tested before and after taking it.
ClassFactory* EnsureFactory() {
  if (g_factory) return g_factory;
  EnterCriticalSection(&g_lock);
  if (!g_factory) {
    wchar_t text[40];
    CLSID clsid{};
    if (LoadClassIdentifierText(text) && SUCCEEDED(IIDFromString(text, &clsid))) {
      g_factory = new (std::nothrow) ClassFactory(clsid);
    }
  }
  LeaveCriticalSection(&g_lock);
  return g_factory;
}

void FreeFactory() {
  EnterCriticalSection(&g_lock);
  delete g_factory;
  g_factory = nullptr;
  LeaveCriticalSection(&g_lock);
}

}  // namespace

HINSTANCE LibraryModule() { return g_module; }

void LibraryObjectCreated() { InterlockedIncrement(&g_object_count); }

void LibraryObjectDestroyed() {
  if (InterlockedDecrement(&g_object_count) < 0) FreeFactory();
}

bool LoadClassIdentifierText(wchar_t (&out)[40]) {
  return LoadStringW(g_module, 1, out, 40) > 0;
}

}  // namespace lz

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      lz::g_module = module;
      if (!InitializeCriticalSectionAndSpinCount(&lz::g_lock, 0)) return FALSE;
      lz::RegisterSkinClasses(module);
      break;
    case DLL_PROCESS_DETACH:
      DeleteCriticalSection(&lz::g_lock);
      lz::UnregisterSkinClasses(module);
      // At process exit the heap may already be gone; only an unload frees the pages' state.
      if (!reserved) lz::FreeSettingsPageState();
      break;
    default:
      break;
  }
  return TRUE;
}

HRESULT WINAPI LzDllGetClassObject(REFCLSID rclsid, REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!IsEqualIID(riid, IID_IClassFactory) && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_CLASSNOTAVAILABLE;
  lz::ClassFactory* factory = lz::EnsureFactory();
  if (!factory || !IsEqualCLSID(rclsid, factory->clsid())) return CLASS_E_CLASSNOTAVAILABLE;
  *out = static_cast<IClassFactory*>(factory);
  lz::LibraryObjectCreated();
  return S_OK;
}

HRESULT WINAPI LzDllCanUnloadNow() { return lz::g_object_count >= 0 ? S_FALSE : S_OK; }

// Registration is the setup program's work.
HRESULT WINAPI LzDllRegisterServer() { return S_OK; }
HRESULT WINAPI LzDllUnregisterServer() { return S_OK; }

}  // extern "C"
