#include "tests/support/tsf_host.h"

#include <algorithm>
#include <cwctype>

namespace lz::test {
namespace {

bool Answer(void** out, REFIID riid, IUnknown* identity, std::initializer_list<std::pair<GUID, void*>> table) {
  if (IsEqualIID(riid, IID_IUnknown)) {
    *out = identity;
    return true;
  }
  for (const auto& [iid, pointer] : table) {
    if (IsEqualIID(riid, iid)) {
      *out = pointer;
      return true;
    }
  }
  *out = nullptr;
  return false;
}

}  // namespace

// ---- SinkList ----

SinkList::~SinkList() {
  for (AdvisedSink& s : sinks_) s.sink->Release();
}

HRESULT SinkList::Advise(REFIID riid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_INVALIDARG;
  if (std::none_of(accepted_.begin(), accepted_.end(), [&](const GUID& g) { return IsEqualIID(g, riid); })) {
    return CONNECT_E_CANNOTCONNECT;
  }
  IUnknown* typed = nullptr;
  if (FAILED(sink->QueryInterface(riid, reinterpret_cast<void**>(&typed)))) return E_NOINTERFACE;
  *cookie = next_cookie_++;
  sinks_.push_back(AdvisedSink{riid, typed, *cookie});
  return S_OK;
}

HRESULT SinkList::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->cookie == cookie) {
      IUnknown* sink = it->sink;
      sinks_.erase(it);
      sink->Release();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

int SinkList::CountOf(REFIID riid) const {
  return static_cast<int>(
      std::count_if(sinks_.begin(), sinks_.end(), [&](const AdvisedSink& s) { return IsEqualIID(s.iid, riid); }));
}

// ---- compartments ----

HRESULT HostCompartment::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, static_cast<ITfCompartment*>(this),
              {{IID_ITfCompartment, static_cast<ITfCompartment*>(this)}, {IID_ITfSource, static_cast<ITfSource*>(this)}})) {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT HostCompartment::SetValue(TfClientId, const VARIANT* value) {
  if (!value) return E_INVALIDARG;
  if (value->vt != VT_I4) return E_INVALIDARG;
  value_ = value->lVal;
  has_value_ = true;
  ++writes_;
  const GUID guid = guid_;
  sinks_.ForEach<ITfCompartmentEventSink>(IID_ITfCompartmentEventSink,
                                          [&](ITfCompartmentEventSink* sink) { sink->OnChange(guid); });
  return S_OK;
}

HRESULT HostCompartment::GetValue(VARIANT* value) {
  if (!value) return E_INVALIDARG;
  VariantInit(value);
  if (!has_value_) return S_FALSE;  // VT_EMPTY, as TSF answers for a compartment never set
  value->vt = VT_I4;
  value->lVal = value_;
  return S_OK;
}

CompartmentSet::~CompartmentSet() {
  for (auto& [guid, compartment] : compartments_) compartment->Release();
}

HostCompartment& CompartmentSet::Get(const GUID& guid) {
  for (auto& [g, compartment] : compartments_) {
    if (IsEqualGUID(g, guid)) return *compartment;
  }
  auto* compartment = new HostCompartment();
  compartment->SetGuid(guid);
  compartments_.emplace_back(guid, compartment);
  return *compartment;
}

HRESULT CompartmentSet::GetCompartment(REFGUID guid, ITfCompartment** out) {
  if (!out) return E_INVALIDARG;
  HostCompartment& compartment = Get(guid);
  compartment.AddRef();
  *out = &compartment;
  return S_OK;
}

int CompartmentSet::AdvisedSinks() const {
  int count = 0;
  for (const auto& [guid, compartment] : compartments_) count += static_cast<int>(compartment->sinks().sinks().size());
  return count;
}

int CompartmentSet::Referenced() const {
  int count = 0;
  for (const auto& [guid, compartment] : compartments_) count += compartment->references() != 1 ? 1 : 0;
  return count;
}

// ---- view, context, document ----

HRESULT HostView::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, this, {{IID_ITfContextView, static_cast<ITfContextView*>(this)}})) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT HostView::GetTextExt(TfEditCookie, ITfRange*, RECT* rect, BOOL* clipped) {
  if (!rect || !clipped) return E_INVALIDARG;
  *rect = text_extent;
  *clipped = FALSE;
  return S_OK;
}

HRESULT HostView::GetScreenExt(RECT* rect) {
  if (!rect) return E_INVALIDARG;
  *rect = RECT{0, 0, 800, 600};
  return S_OK;
}

HRESULT HostView::GetWnd(HWND* out) {
  if (!out) return E_INVALIDARG;
  *out = window;
  return S_OK;
}

HostContext::HostContext(HostThreadManager* owner)
    : owner_(owner), sinks_({IID_ITfTextEditSink, tsf::kIidTextLayoutSink}) {}

HRESULT HostContext::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, static_cast<ITfContext*>(this),
              {{IID_ITfContext, static_cast<ITfContext*>(this)},
               {IID_ITfSource, static_cast<ITfSource*>(this)},
               {IID_ITfCompartmentMgr, static_cast<ITfCompartmentMgr*>(this)}})) {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT HostContext::RequestEditSession(TfClientId, ITfEditSession* session, DWORD, HRESULT* session_result) {
  if (!session || !session_result) return E_INVALIDARG;
  *session_result = session->DoEditSession(1);
  return S_OK;
}

HRESULT HostContext::InWriteSession(TfClientId, BOOL* writing) {
  if (!writing) return E_INVALIDARG;
  *writing = FALSE;
  return S_OK;
}

HRESULT HostContext::GetActiveView(ITfContextView** view) {
  if (!view) return E_INVALIDARG;
  view_.AddRef();
  *view = &view_;
  return S_OK;
}

HRESULT HostContext::GetStatus(TF_STATUS* status) {
  if (!status) return E_INVALIDARG;
  *status = TF_STATUS{};
  return S_OK;
}

HRESULT HostDocument::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, this, {{IID_ITfDocumentMgr, static_cast<ITfDocumentMgr*>(this)}})) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT HostDocument::GetTop(ITfContext** context) {
  if (!context) return E_INVALIDARG;
  top_->AddRef();
  *context = top_;
  return S_OK;
}

// ---- language-bar item sink ----

HRESULT HostItemSink::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, this, {{IID_ITfLangBarItemSink, static_cast<ITfLangBarItemSink*>(this)}})) {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

// ---- thread manager ----

HostThreadManager::HostThreadManager()
    : sinks_({IID_ITfThreadMgrEventSink, IID_ITfActiveLanguageProfileNotifySink, IID_ITfThreadFocusSink,
              IID_ITfKeyTraceEventSink, IID_ITfUIElementSink}),
      context_(new HostContext(this)),
      document_(new HostDocument(context_)) {
  window_ = CreateWindowExW(0, L"STATIC", L"tsf host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  context_->view().window = window_;
}

HostThreadManager::~HostThreadManager() {
  if (key_sink_) key_sink_->Release();
  for (ITfLangBarItem* item : items_) item->Release();
  document_->Release();
  context_->Release();
  if (window_) DestroyWindow(window_);
}

HRESULT HostThreadManager::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, static_cast<ITfThreadMgr*>(this),
              {{IID_ITfThreadMgr, static_cast<ITfThreadMgr*>(this)},
               {IID_ITfSource, static_cast<ITfSource*>(this)},
               {IID_ITfKeystrokeMgr, static_cast<ITfKeystrokeMgr*>(this)},
               {IID_ITfCompartmentMgr, static_cast<ITfCompartmentMgr*>(this)},
               {IID_ITfLangBarItemMgr, static_cast<ITfLangBarItemMgr*>(this)}})) {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT HostThreadManager::GetFocus(ITfDocumentMgr** focus) {
  if (!focus) return E_INVALIDARG;
  *focus = nullptr;
  if (!focused_) return S_FALSE;
  document_->AddRef();
  *focus = document_;
  return S_OK;
}

HRESULT HostThreadManager::IsThreadFocus(BOOL* focus) {
  if (!focus) return E_INVALIDARG;
  *focus = thread_focus_;
  return S_OK;
}

HRESULT HostThreadManager::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) {
  if (IsEqualIID(riid, refuse_sink)) return E_FAIL;
  return sinks_.Advise(riid, sink, cookie);
}

HRESULT HostThreadManager::AdviseKeyEventSink(TfClientId client, ITfKeyEventSink* sink, BOOL foreground) {
  if (!sink) return E_INVALIDARG;
  if (IsEqualIID(refuse_sink, IID_ITfKeyEventSink)) return E_FAIL;
  if (key_sink_) return CONNECT_E_ADVISELIMIT;
  sink->AddRef();
  key_sink_ = sink;
  key_client_ = client;
  key_sink_foreground_ = foreground != FALSE;
  return S_OK;
}

HRESULT HostThreadManager::UnadviseKeyEventSink(TfClientId client) {
  if (!key_sink_ || client != key_client_) return CONNECT_E_NOCONNECTION;
  key_sink_->Release();
  key_sink_ = nullptr;
  return S_OK;
}

HRESULT HostThreadManager::IsPreservedKey(REFGUID guid, const TF_PRESERVEDKEY* key, BOOL* registered) {
  if (!key || !registered) return E_INVALIDARG;
  *registered = std::any_of(preserved_.begin(), preserved_.end(), [&](const PreservedKeyRecord& r) {
    return IsEqualGUID(r.guid, guid) && r.key.uVKey == key->uVKey && r.key.uModifiers == key->uModifiers;
  });
  return S_OK;
}

HRESULT HostThreadManager::PreserveKey(TfClientId, REFGUID guid, const TF_PRESERVEDKEY* key, const WCHAR* description,
                                       ULONG length) {
  if (!key) return E_INVALIDARG;
  const bool taken = std::any_of(preserved_.begin(), preserved_.end(), [&](const PreservedKeyRecord& r) {
    return r.key.uVKey == key->uVKey && r.key.uModifiers == key->uModifiers;
  });
  if (taken) return TF_E_ALREADY_EXISTS;
  preserved_.push_back(PreservedKeyRecord{guid, *key, std::wstring(description ? description : L"", length)});
  return S_OK;
}

HRESULT HostThreadManager::UnpreserveKey(REFGUID guid, const TF_PRESERVEDKEY* key) {
  if (!key) return E_INVALIDARG;
  for (auto it = preserved_.begin(); it != preserved_.end(); ++it) {
    if (IsEqualGUID(it->guid, guid) && it->key.uVKey == key->uVKey && it->key.uModifiers == key->uModifiers) {
      preserved_.erase(it);
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT HostThreadManager::AddItem(ITfLangBarItem* item) {
  if (!item) return E_INVALIDARG;
  item->AddRef();
  items_.push_back(item);
  // Like the language bar itself, the host listens to the item.
  ITfSource* source = nullptr;
  DWORD cookie = TF_INVALID_COOKIE;
  if (SUCCEEDED(item->QueryInterface(IID_ITfSource, reinterpret_cast<void**>(&source)))) {
    source->AdviseSink(IID_ITfLangBarItemSink, static_cast<ITfLangBarItemSink*>(&item_sink_), &cookie);
    source->Release();
  }
  item_sink_cookies_.push_back(cookie);
  return S_OK;
}

HRESULT HostThreadManager::RemoveItem(ITfLangBarItem* item) {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] != item) continue;
    ITfSource* source = nullptr;
    if (SUCCEEDED(item->QueryInterface(IID_ITfSource, reinterpret_cast<void**>(&source)))) {
      source->UnadviseSink(item_sink_cookies_[i]);
      source->Release();
    }
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    item_sink_cookies_.erase(item_sink_cookies_.begin() + static_cast<std::ptrdiff_t>(i));
    item->Release();
    return S_OK;
  }
  return E_INVALIDARG;
}

HRESULT HostThreadManager::GetItemNum(ULONG* count) {
  if (!count) return E_INVALIDARG;
  *count = static_cast<ULONG>(items_.size());
  return S_OK;
}

void HostThreadManager::FocusDocument(bool focused) {
  const bool was = focused_;
  focused_ = focused;
  ITfDocumentMgr* now = focused ? document_ : nullptr;
  ITfDocumentMgr* before = was ? document_ : nullptr;
  sinks_.ForEach<ITfThreadMgrEventSink>(IID_ITfThreadMgrEventSink,
                                        [&](ITfThreadMgrEventSink* sink) { sink->OnSetFocus(now, before); });
}

void HostThreadManager::SetThreadFocus(bool focused) {
  thread_focus_ = focused;
  sinks_.ForEach<ITfThreadFocusSink>(IID_ITfThreadFocusSink, [&](ITfThreadFocusSink* sink) {
    if (focused) {
      sink->OnSetThreadFocus();
    } else {
      sink->OnKillThreadFocus();
    }
  });
}

bool HostThreadManager::PressPreservedKey(UINT vk, UINT modifiers, BOOL* eaten) {
  for (const PreservedKeyRecord& r : preserved_) {
    if (r.key.uVKey == vk && r.key.uModifiers == modifiers && key_sink_) {
      key_sink_->OnPreservedKey(context_, r.guid, eaten);
      return true;
    }
  }
  return false;
}

namespace {

UINT HeldModifiers() {
  UINT modifiers = 0;
  if (GetKeyState(VK_CONTROL) & 0x8000) modifiers |= TF_MOD_CONTROL;
  if (GetKeyState(VK_SHIFT) & 0x8000) modifiers |= TF_MOD_SHIFT;
  if (GetKeyState(VK_MENU) & 0x8000) modifiers |= TF_MOD_ALT;
  return modifiers;
}

}  // namespace

bool HostThreadManager::DeliverKey(UINT message, WPARAM vk, LPARAM lparam) {
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  BOOL eaten = FALSE;
  if (key_sink_) {
    if (down && PressPreservedKey(static_cast<UINT>(vk), HeldModifiers(), &eaten) && eaten) return true;
    eaten = FALSE;
    const auto test = [&](BOOL* out) {
      return down ? key_sink_->OnTestKeyDown(context_, vk, lparam, out) : key_sink_->OnTestKeyUp(context_, vk, lparam, out);
    };
    const auto handle = [&](BOOL* out) {
      return down ? key_sink_->OnKeyDown(context_, vk, lparam, out) : key_sink_->OnKeyUp(context_, vk, lparam, out);
    };
    switch (delivery) {
      case KeyDelivery::kTsfLike:
        test(&eaten);
        if (eaten) handle(&eaten);
        break;
      case KeyDelivery::kKeyDownOnly:
        handle(&eaten);
        break;
      case KeyDelivery::kTestDownTwice:
        test(&eaten);
        test(&eaten);
        if (eaten) handle(&eaten);
        break;
    }
  }
  if (eaten) return true;
  passed_keys.push_back(PassedKey{down ? static_cast<UINT>(WM_KEYDOWN) : static_cast<UINT>(WM_KEYUP), vk,
                                  static_cast<UINT>((lparam >> 16) & 0xFF)});
  if (down) {
    if (vk == VK_BACK) {
      if (!text.empty()) text.pop_back();
    } else if (const UINT character = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR) & 0xFFFF) {
      // MapVirtualKey gives letters in capitals; without Shift an edit control types them small.
      const bool shifted = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      const auto unit = static_cast<char16_t>(shifted ? character : std::towlower(static_cast<wint_t>(character)));
      text.push_back(unit);
    }
  }
  return false;
}

void HostThreadManager::TakeKeyboardFocus() {
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  SetForegroundWindow(window_);
  ::SetFocus(window_);
  PumpKeys(2);
}

int HostThreadManager::PumpKeys(int rounds) {
  int delivered = 0;
  for (int round = 0; round < rounds; ++round) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.hwnd == window_ && (message.message == WM_KEYDOWN || message.message == WM_KEYUP ||
                                      message.message == WM_SYSKEYDOWN || message.message == WM_SYSKEYUP)) {
        DeliverKey(message.message, message.wParam, message.lParam);
        ++delivered;
        continue;
      }
      DispatchMessageW(&message);
    }
  }
  return delivered;
}

int HostThreadManager::AdvisedSinkCount() const {
  return static_cast<int>(sinks_.sinks().size()) + static_cast<int>(context_->sinks().sinks().size()) +
         compartments_.AdvisedSinks() + context_->compartments().AdvisedSinks() + (key_sink_ ? 1 : 0);
}

bool HostThreadManager::NothingHeld() const {
  return references() == 1 && context_->references() == 1 && document_->references() == 1 &&
         context_->view().references() == 1 && item_sink_.references() == 1 && compartments_.Referenced() == 0 &&
         context_->compartments().Referenced() == 0 && items_.empty() && preserved_.empty();
}

}  // namespace lz::test
