#include "textservice/tsf/candidate_ui_element.h"

#include <cstring>
#include <new>

#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/settings_store.h"
#include "textservice/tsf/candidate_list_element.h"
#include "textservice/tsf/library_module.h"
#include "textservice/tsf/text_service.h"
#include "textservice/windows/ui_manager.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

constexpr std::uint32_t kLanguageNameUnits = 64;

TextRect ToTextRect(const RECT& r) { return TextRect{r.left, r.top, r.right, r.bottom}; }
RECT ToRect(const TextRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

ITfUIElementMgr* ElementManagerOf(TextService* service) {
  ITfThreadMgr* thread_manager = service ? service->thread_manager() : nullptr;
  ITfUIElementMgr* manager = nullptr;
  if (!thread_manager ||
      FAILED(thread_manager->QueryInterface(tsf::kIidUIElementMgr, reinterpret_cast<void**>(&manager)))) {
    return nullptr;
  }
  return manager;
}

}  // namespace

CandidateUiElement* CandidateUiElement::Create(TextService* service) {
  return new (std::nothrow) CandidateUiElement(service);
}

CandidateUiElement::CandidateUiElement(TextService* service) : service_(service) { LibraryObjectCreated(); }

CandidateUiElement::~CandidateUiElement() {
  if (range_) range_->Release();
  if (context_) context_->Release();
  LibraryObjectDestroyed();
}

HRESULT CandidateUiElement::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  void* answer = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, tsf::kIidUIElement) ||
      IsEqualIID(riid, tsf::kIidCandidateListUIElement) || IsEqualIID(riid, tsf::kIidCandidateListUIElementBehavior)) {
    answer = static_cast<ITfCandidateListUIElementBehavior*>(this);
  } else if (IsEqualIID(riid, tsf::kIidTextLayoutSink)) {
    answer = static_cast<ITfTextLayoutSink*>(this);
  }
  *out = answer;
  if (!answer) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG CandidateUiElement::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG CandidateUiElement::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// ---- what a host that draws reads ----

HRESULT CandidateUiElement::GetDescription(BSTR* description) {
  if (!description) return E_INVALIDARG;
  *description = nullptr;
  const EngineInstance* e = service_ ? service_->engine() : nullptr;
  if (!e) return S_OK;
  const std::u16string name = ReadFieldText(e->blocks.soft, soft_block::kLanguageName, kLanguageNameUnits);
  *description = SysAllocString(os::WidePtr(name.c_str()));
  return *description ? S_OK : E_OUTOFMEMORY;
}

HRESULT CandidateUiElement::GetGUID(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  *guid = GUID_NULL;
  const EngineInstance* e = service_ ? service_->engine() : nullptr;
  if (e) std::memcpy(guid, e->class_id, sizeof *guid);
  return S_OK;
}

HRESULT CandidateUiElement::Show(BOOL) { return S_OK; }

HRESULT CandidateUiElement::IsShown(BOOL* shown) {
  if (!shown) return E_INVALIDARG;
  *shown = show_own_window_;
  return S_OK;
}

HRESULT CandidateUiElement::GetUpdatedFlags(DWORD* flags) {
  if (!flags) return E_INVALIDARG;
  *flags = kElementUpdatedFlags;
  return S_OK;
}

HRESULT CandidateUiElement::GetDocumentMgr(ITfDocumentMgr** document) {
  if (!document) return E_INVALIDARG;
  *document = nullptr;
  return S_OK;
}

HRESULT CandidateUiElement::GetCount(UINT* count) {
  if (!count) return E_INVALIDARG;
  *count = ElementCount(service_ ? service_->engine() : nullptr);
  return S_OK;
}

HRESULT CandidateUiElement::GetSelection(UINT* index) {
  if (!index) return E_INVALIDARG;
  *index = ElementSelection(service_ ? service_->engine() : nullptr);
  return S_OK;
}

HRESULT CandidateUiElement::GetString(UINT index, BSTR* text) {
  if (!text) return E_INVALIDARG;
  *text = nullptr;
  const EngineInstance* e = service_ ? service_->engine() : nullptr;
  if (!e) return E_FAIL;
  *text = SysAllocString(os::WidePtr(ElementString(e, index)));
  return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT CandidateUiElement::GetPageIndex(UINT* index, UINT size, UINT* page_count) {
  if (!page_count) return E_INVALIDARG;
  static_assert(sizeof(UINT) == sizeof(std::uint32_t));
  *page_count = ElementPageIndex(service_ ? service_->engine() : nullptr, reinterpret_cast<std::uint32_t*>(index),
                                 index ? size : 0);
  return S_OK;
}

HRESULT CandidateUiElement::SetPageIndex(UINT*, UINT) { return E_NOTIMPL; }

HRESULT CandidateUiElement::GetCurrentPage(UINT* page) {
  if (!page) return E_INVALIDARG;
  *page = ElementCurrentPage(service_ ? service_->engine() : nullptr);
  return S_OK;
}

HRESULT CandidateUiElement::SetSelection(UINT) { return S_OK; }
HRESULT CandidateUiElement::Finalize() { return S_OK; }
HRESULT CandidateUiElement::Abort() { return S_OK; }

// ---- the element's life ----

HRESULT CandidateUiElement::Begin(ITfContext* context, TfEditCookie cookie, ITfRange* range) {
  End();
  show_own_window_ = TRUE;
  if (ITfUIElementMgr* manager = ElementManagerOf(service_)) {
    if (element_id_ == tsf::TF_INVALID_UIELEMENTID) {
      BOOL show = TRUE;
      DWORD id = tsf::TF_INVALID_UIELEMENTID;
      if (SUCCEEDED(manager->BeginUIElement(static_cast<ITfUIElement*>(this), &show, &id))) {
        element_id_ = id;
        show_own_window_ = show ? TRUE : FALSE;
        // A host that lets the input method draw has nothing to follow.
        if (show_own_window_) {
          manager->EndUIElement(element_id_);
        } else {
          manager->UpdateUIElement(element_id_);
        }
      }
    }
    manager->Release();
  }
  if (!show_own_window_) return S_OK;
  if (!context || !range) return E_FAIL;
  context_ = context;
  context_->AddRef();
  range_ = range;
  range_->AddRef();
  ITfSource* source = nullptr;
  HRESULT advised = E_FAIL;
  if (SUCCEEDED(context_->QueryInterface(IID_ITfSource, reinterpret_cast<void**>(&source))) && source) {
    advised = source->AdviseSink(tsf::kIidTextLayoutSink, static_cast<ITfTextLayoutSink*>(this), &layout_cookie_);
    source->Release();
  }
  if (FAILED(advised)) {
    layout_cookie_ = TF_INVALID_COOKIE;
    End();
    return E_FAIL;
  }
  ReadTextPosition(cookie, true);
  return S_OK;
}

void CandidateUiElement::Update() {
  if (show_own_window_ || element_id_ == tsf::TF_INVALID_UIELEMENTID) return;
  if (ITfUIElementMgr* manager = ElementManagerOf(service_)) {
    manager->UpdateUIElement(element_id_);
    manager->Release();
  }
}

void CandidateUiElement::End() {
  if (show_own_window_) {
    if (EngineInstance* e = service_ ? service_->engine() : nullptr) {
      DestroyDictionaryWindow(e);
      DestroyCandidateWindow(e);
    }
  } else if (element_id_ != tsf::TF_INVALID_UIELEMENTID) {
    if (ITfUIElementMgr* manager = ElementManagerOf(service_)) {
      manager->EndUIElement(element_id_);
      manager->Release();
    }
  }
  element_id_ = tsf::TF_INVALID_UIELEMENTID;
  if (range_) {
    range_->Release();
    range_ = nullptr;
  }
  if (context_) {
    ITfContext* context = context_;
    context_ = nullptr;
    if (layout_cookie_ != TF_INVALID_COOKIE) {
      ITfSource* source = nullptr;
      if (SUCCEEDED(context->QueryInterface(IID_ITfSource, reinterpret_cast<void**>(&source))) && source) {
        source->UnadviseSink(layout_cookie_);
        source->Release();
      }
      layout_cookie_ = TF_INVALID_COOKIE;
    }
    context->Release();
  }
}

HRESULT CandidateUiElement::OnLayoutChange(ITfContext* context, tsf::TfLayoutCode code, ITfContextView*) {
  if (!context || context != context_) return S_OK;
  if (code == tsf::TF_LC_CHANGE) {
    if (service_ && service_->engine()) service_->RequestTextExtentSession(context);
  } else if (code == tsf::TF_LC_DESTROY) {
    End();
  }
  return S_OK;
}

void CandidateUiElement::ReadTextPosition(TfEditCookie cookie, bool initial) {
  if (!service_ || !context_ || !range_) return;
  if (initial) service_->SetTextPosition(RECT{}, RECT{});
  ITfContextView* view = nullptr;
  if (FAILED(context_->GetActiveView(&view)) || !view) return;
  HWND document = nullptr;
  if (FAILED(view->GetWnd(&document))) document = nullptr;
  RECT text{};
  BOOL clipped = FALSE;
  const bool read = SUCCEEDED(view->GetTextExt(cookie, range_, &text, &clipped));
  view->Release();
  if (!read && !initial) return;
  RECT window{};
  if (document) {
    GetWindowRect(document, &window);
    if (read) {
      POINT corners[2] = {{text.left, text.top}, {text.right, text.bottom}};
      ScreenToClient(document, &corners[0]);
      ScreenToClient(document, &corners[1]);
      text = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    }
  }
  if (initial) {
    service_->SetTextPosition(read ? text : RECT{}, window);
    return;
  }
  SavedTextPosition saved{ToTextRect(service_->text_rect()), ToTextRect(service_->second_rect())};
  const EngineInstance* e = service_->engine();
  const HWND candidate = e && e->ui ? static_cast<HWND>(e->ui->candidate.window) : nullptr;
  const bool replace = FollowTextPosition(saved, ToTextRect(text), ToTextRect(window), candidate && IsWindowVisible(candidate));
  service_->SetTextPosition(ToRect(saved.text), ToRect(saved.window));
  if (replace) service_->PlaceOwnCandidateWindow(document);
}

void CandidateUiElement::FollowTextExtent(TfEditCookie cookie) { ReadTextPosition(cookie, false); }

}  // namespace lz
