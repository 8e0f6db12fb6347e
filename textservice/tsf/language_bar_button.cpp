#include "textservice/tsf/language_bar_button.h"

#include <new>

#include "platform/os/native_path.h"
#include "platform/os/system_info.h"
#include "textservice/engine/settings_store.h"
#include "textservice/tsf/library_module.h"
#include "textservice/tsf/text_service.h"
#include "textservice/windows/ui_manager.h"

namespace lz {
namespace {

constexpr wchar_t kButtonText[] = L"中文/英文";
constexpr ULONG kButtonSort = 1;

// Where the menu's helper window goes when the view has no window: off the screen.
constexpr int kOffScreenClick = -1000;
constexpr int kOffScreenMenu = -1000000;
// The off-screen tip a menu hangs from has no close timer: it must outlive the menu.
constexpr int kMenuTipType = -1;

GUID ClassIdentifierOf(const EngineInstance* engine) {
  GUID guid{};
  if (engine && engine->blocks.soft.Holds(soft_block::kIdentifier, sizeof guid)) {
    CopyMemory(&guid, engine->blocks.soft.data + soft_block::kIdentifier, sizeof guid);
  }
  return guid;
}

}  // namespace

LangBarButton* LangBarButton::Create(TextService* service) {
  return new (std::nothrow) LangBarButton(service);
}

LangBarButton::LangBarButton(TextService* service) : service_(service) {
  service_->AddRef();
  LibraryObjectCreated();
  EngineInstance* engine = service_->engine();
  info_.clsidService = ClassIdentifierOf(engine);
  info_.guidItem = tsf::kGuidLbiInputMode;
  info_.dwStyle = ButtonStyleFor(engine ? engine->os_version : os::GetOsVersion());
  info_.ulSort = kButtonSort;
  lstrcpynW(info_.szDescription, kButtonText, TF_LBI_DESC_MAXLEN);
}

LangBarButton::~LangBarButton() {
  if (sink_) sink_->Release();
  if (service_) service_->Release();
  LibraryObjectDestroyed();
}

void LangBarButton::Detach() {
  if (service_) {
    TextService* service = service_;
    service_ = nullptr;
    service->Release();
  }
}

HRESULT LangBarButton::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  void* answer = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfLangBarItem) ||
      IsEqualIID(riid, tsf::kIidLangBarItemButton)) {
    answer = static_cast<ITfLangBarItemButton*>(this);
  } else if (IsEqualIID(riid, IID_ITfSource)) {
    answer = static_cast<ITfSource*>(this);
  }
  *out = answer;
  if (!answer) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG LangBarButton::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG LangBarButton::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT LangBarButton::GetInfo(TF_LANGBARITEMINFO* info) {
  if (!info) return E_INVALIDARG;
  *info = info_;
  return S_OK;
}

HRESULT LangBarButton::GetStatus(DWORD* status) {
  if (!status) return E_INVALIDARG;
  *status = status_;
  return S_OK;
}

HRESULT LangBarButton::Show(BOOL) { return E_NOTIMPL; }

HRESULT LangBarButton::GetTooltipString(BSTR* tooltip) {
  if (!tooltip) return E_INVALIDARG;
  char16_t text[kStatusTextUnits] = {};
  if (service_ && service_->engine()) FormatStatusText(service_->engine(), text);
  *tooltip = SysAllocString(os::WidePtr(text));
  return *tooltip ? S_OK : E_OUTOFMEMORY;
}

HRESULT LangBarButton::OnClick(tsf::TfLBIClick click, POINT, const RECT*) {
  if (!service_) return S_OK;
  EngineInstance* engine = service_->engine();
  if (!engine || (engine->mode & mode::kDisabled)) return S_OK;
  if (click == tsf::TF_LBI_CLK_RIGHT && !IsClassicLanguageBar(engine->os_version)) {
    POINT cursor{};
    GetCursorPos(&cursor);
    if (HWND owner = service_->FocusedViewWindow()) {
      TrackMainMenu(engine, owner, cursor);
    } else {
      DestroyTipWindow(engine);
      ShowTip(engine, kOffScreenClick, kOffScreenClick, kMenuTipType, u"");
      TrackMainMenu(engine, nullptr, cursor);
      DestroyTipWindow(engine);
    }
  } else if (click == tsf::TF_LBI_CLK_LEFT && !os::IsCapsLockOn()) {
    const bool to_chinese = (engine->mode & (mode::kEnglish | mode::kClosed)) != 0;
    service_->ToggleChinese(to_chinese);
  }
  return S_OK;
}

HRESULT LangBarButton::InitMenu(ITfMenu*) {
  // The program's own menu stands in for TSF's: E_FAIL keeps TSF from showing one of its own.
  if (!service_ || !service_->engine()) return E_FAIL;
  EngineInstance* engine = service_->engine();
  POINT cursor{};
  GetCursorPos(&cursor);
  if (HWND owner = service_->FocusedViewWindow()) {
    TrackMainMenu(engine, owner, cursor);
  } else {
    HideTipWindow(engine);
    DestroyTipWindow(engine);
    ShowTip(engine, kOffScreenMenu, kOffScreenMenu, kMenuTipType, u"");
    TrackMainMenu(engine, nullptr, cursor);
    HideTipWindow(engine);
    DestroyTipWindow(engine);
  }
  return E_FAIL;
}

HRESULT LangBarButton::OnMenuSelect(UINT) { return S_OK; }

HRESULT LangBarButton::GetIcon(HICON* icon) {
  if (!icon) return E_INVALIDARG;
  ModeState state = CurrentModeState();
  if (service_ && service_->engine()) {
    state = ModeStateFor({service_->IsKeyboardDisabledOrEmpty(), service_->IsImeOpen(), os::IsCapsLockOn(),
                          (service_->engine()->mode & mode::kEnglish) != 0});
  }
  const int id = ButtonIconFor(state);
  *icon = static_cast<HICON>(
      LoadImageW(LibraryModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  return *icon ? S_OK : E_FAIL;
}

HRESULT LangBarButton::GetText(BSTR* text) {
  if (!text) return E_INVALIDARG;
  *text = SysAllocString(kButtonText);
  return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT LangBarButton::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_INVALIDARG;
  if (!IsEqualIID(riid, IID_ITfLangBarItemSink)) return CONNECT_E_CANNOTCONNECT;
  if (sink_) return CONNECT_E_ADVISELIMIT;
  ITfLangBarItemSink* item_sink = nullptr;
  if (FAILED(sink->QueryInterface(IID_ITfLangBarItemSink, reinterpret_cast<void**>(&item_sink))) || !item_sink) {
    return E_NOINTERFACE;
  }
  sink_ = item_sink;
  *cookie = kLangBarSinkCookie;
  return S_OK;
}

HRESULT LangBarButton::UnadviseSink(DWORD cookie) {
  if (cookie != kLangBarSinkCookie || !sink_) return CONNECT_E_NOCONNECTION;
  sink_->Release();
  sink_ = nullptr;
  return S_OK;
}

void LangBarButton::Update(DWORD flags) {
  if (sink_) sink_->OnUpdate(flags);
}

void LangBarButton::SetHidden(bool hidden) {
  if (hidden) {
    status_ |= tsf::TF_LBI_STATUS_HIDDEN;
  } else {
    status_ &= ~tsf::TF_LBI_STATUS_HIDDEN;
  }
  Update(tsf::TF_LBI_STATUS | tsf::TF_LBI_ICON);
}

}  // namespace lz
