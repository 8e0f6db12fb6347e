#include "textservice/tsf/text_service.h"

#include <new>

#include "platform/os/broker.h"
#include "platform/os/native_path.h"
#include "platform/os/system_info.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/data_files.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/engine_actions.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/settings_store.h"
#include "textservice/skin/builtin_skin_win32.h"
#include "textservice/tsf/display_attributes.h"
#include "textservice/tsf/language_bar_button.h"
#include "textservice/tsf/library_module.h"
#include "textservice/tsf/preserved_key_guids.h"
#include "textservice/windows/ui_manager.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

// Read by the windows without a lock: one word, written by the UI thread.
volatile LONG g_mode_state = static_cast<LONG>(ModeState::kChinese);

int CreateEngineUi(EngineInstance* engine) { return CreateUiState(engine, FindBuiltinSkin(LibraryModule())); }
void DestroyEngineUi(EngineInstance* engine) { DestroyUiState(engine); }

// The engine of an activation, identified by the library's own class identifier.
EngineInstance* NewEngine(EngineSetup& setup, wchar_t (&class_id)[40]) {
  if (!LoadClassIdentifierText(class_id)) return nullptr;
  setup.class_identifier = os::U16Ptr(class_id);
  setup.create_ui = CreateEngineUi;
  setup.destroy_ui = DestroyEngineUi;
  return CreateEngineInstance(setup);
}

void FreeEngine(EngineInstance*& engine) {
  if (!engine) return;
  EngineSetup setup;
  setup.destroy_ui = DestroyEngineUi;
  DestroyEngineInstance(engine, setup);
  engine = nullptr;
}

constexpr wchar_t kCombinationDescription[] = L"---";
constexpr UINT kVkSpace = 0x20;
constexpr UINT kVkPeriod = 0xBE;

template <typename T>
void ReleaseAndClear(T*& pointer) {
  if (pointer) {
    pointer->Release();
    pointer = nullptr;
  }
}

}  // namespace

ModeState CurrentModeState() { return static_cast<ModeState>(g_mode_state); }

HRESULT CreateTextService(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  auto* service = new (std::nothrow) TextService();
  if (!service) return E_OUTOFMEMORY;
  const HRESULT result = service->QueryInterface(riid, out);
  service->Release();
  return result;
}

TextService::TextService() { LibraryObjectCreated(); }

TextService::~TextService() {
  FreeEngine(engine_);
  LibraryObjectDestroyed();
}

HRESULT TextService::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  void* answer = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfTextInputProcessor) ||
      IsEqualIID(riid, tsf::kIidTextInputProcessorEx)) {
    answer = static_cast<ITfTextInputProcessorEx*>(this);
  } else if (IsEqualIID(riid, IID_ITfThreadMgrEventSink)) {
    answer = static_cast<ITfThreadMgrEventSink*>(this);
  } else if (IsEqualIID(riid, IID_ITfTextEditSink)) {
    answer = static_cast<ITfTextEditSink*>(this);
  } else if (IsEqualIID(riid, IID_ITfKeyEventSink)) {
    answer = static_cast<ITfKeyEventSink*>(this);
  } else if (IsEqualIID(riid, IID_ITfCompositionSink)) {
    answer = static_cast<ITfCompositionSink*>(this);
  } else if (IsEqualIID(riid, tsf::kIidDisplayAttributeProvider)) {
    answer = static_cast<ITfDisplayAttributeProvider*>(this);
  } else if (IsEqualIID(riid, IID_ITfActiveLanguageProfileNotifySink)) {
    answer = static_cast<ITfActiveLanguageProfileNotifySink*>(this);
  } else if (IsEqualIID(riid, IID_ITfThreadFocusSink)) {
    answer = static_cast<ITfThreadFocusSink*>(this);
  } else if (IsEqualIID(riid, tsf::kIidFnReconversion)) {
    answer = static_cast<ITfFnReconversion*>(this);
  } else if (IsEqualIID(riid, tsf::kIidFnConfigure)) {
    answer = static_cast<ITfFnConfigure*>(this);
  } else if (IsEqualIID(riid, IID_ITfCompartmentEventSink)) {
    answer = static_cast<ITfCompartmentEventSink*>(this);
  }
  *out = answer;
  if (!answer) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG TextService::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG TextService::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// ---- activation ----

HRESULT TextService::Activate(ITfThreadMgr* thread_manager, TfClientId client_id) {
  return ActivateEx(thread_manager, client_id, 0);
}

HRESULT TextService::ActivateEx(ITfThreadMgr* thread_manager, TfClientId client_id, DWORD flags) {
  if (!thread_manager) return E_INVALIDARG;
  thread_manager_ = thread_manager;
  thread_manager_->AddRef();
  client_id_ = client_id;

  EngineSetup setup;
  wchar_t class_id[40];
  engine_ = NewEngine(setup, class_id);
  if (!engine_) {
    Deactivate();
    return E_FAIL;
  }

  const ActivationSettings settings{BlockU32(engine_->blocks.ime, ime_block::kImeFlags),
                                    BlockU32(engine_->blocks.ime, ime_block::kBehaviourFlags),
                                    BlockU32(engine_->blocks.ime, ime_block::kInitialState)};
  const InitialModes modes = InitialModesFor(engine_->os_version, settings, GetConversionCompartment());
  SetOpenCompartment(modes.open);
  SetConversionCompartment(modes.conversion);
  engine_->mode = (engine_->mode & ~(mode::kEnglish | mode::kFullWidth | mode::kEnglishPunctuation)) |
                  modes.engine_mode;
  engine_->current_key = CurrentKey{};

  activation_flags_ = StoredActivationFlags(flags);
  engine_->immersive = IsImmersiveActivation(flags) ? 1 : 0;
  os::SetBrokerSending(engine_->immersive != 0);

  const bool advised = [&] {
    if (!AdviseSourceSink(thread_manager_, IID_ITfThreadMgrEventSink,
                          static_cast<ITfThreadMgrEventSink*>(this), thread_manager_sink_cookie_)) {
      return false;
    }
    ITfDocumentMgr* focus = nullptr;
    if (SUCCEEDED(thread_manager_->GetFocus(&focus)) && focus) {
      AdviseTextEditSink(focus);
      focus->Release();
    }
    ITfKeystrokeMgr* keystrokes = nullptr;
    if (FAILED(thread_manager_->QueryInterface(IID_ITfKeystrokeMgr, reinterpret_cast<void**>(&keystrokes)))) {
      return false;
    }
    const HRESULT key_sink = keystrokes->AdviseKeyEventSink(client_id_, static_cast<ITfKeyEventSink*>(this), TRUE);
    keystrokes->Release();
    if (FAILED(key_sink)) return false;
    key_sink_advised_ = true;
    if (!AdviseSourceSink(thread_manager_, IID_ITfActiveLanguageProfileNotifySink,
                          static_cast<ITfActiveLanguageProfileNotifySink*>(this), profile_sink_cookie_)) {
      return false;
    }
    RegisterAttributeAtoms();
    if (!AdviseSourceSink(thread_manager_, IID_ITfThreadFocusSink, static_cast<ITfThreadFocusSink*>(this),
                          thread_focus_sink_cookie_)) {
      return false;
    }
    if (!AdviseCompartmentSink()) return false;
    PreserveHotKeys();
    UpdateModeState();
    return AddLanguageBarButton();
  }();
  if (!advised) {
    Deactivate();
    return E_FAIL;
  }
  RegisterKeyService(this, true);
  return S_OK;
}

HRESULT TextService::Deactivate() {
  RegisterKeyService(this, false);
  // Every composition left is ended (or at least released): the host must get all of them back.
  for (int pair = 0; pair < kMaxCompositions; ++pair) {
    if (!composition_contexts_[pair]) continue;
    ITfContext* context = composition_contexts_[pair];
    context->AddRef();
    RequestEndComposition(context);
    if (composition_contexts_[pair] == context) ForgetPair(pair);
    context->Release();
  }
  EndCandidateUi();
  DestroyWindows();
  if (edit_sink_context_) {
    UnadviseSourceSink(edit_sink_context_, edit_sink_cookie_);
    ReleaseAndClear(edit_sink_context_);
  }
  if (thread_manager_) {
    UnadviseSourceSink(thread_manager_, thread_focus_sink_cookie_);
    UnadviseSourceSink(thread_manager_, thread_manager_sink_cookie_);
    UnadviseSourceSink(thread_manager_, profile_sink_cookie_);
    UnadviseCompartmentSink();
    RemoveLanguageBarButton();
    if (key_sink_advised_) {
      ITfKeystrokeMgr* keystrokes = nullptr;
      if (SUCCEEDED(thread_manager_->QueryInterface(IID_ITfKeystrokeMgr, reinterpret_cast<void**>(&keystrokes)))) {
        keystrokes->UnadviseKeyEventSink(client_id_);
        keystrokes->Release();
      }
      key_sink_advised_ = false;
    }
    UnpreserveHotKeys();
  }
  for (int i = 0; i < kMaxCompositions; ++i) {
    ReleaseAndClear(compositions_[i]);
    ReleaseAndClear(composition_contexts_[i]);
  }
  ReleaseAndClear(thread_manager_);
  client_id_ = TF_CLIENTID_NULL;
  if (engine_) os::SetBrokerSending(false);
  FreeEngine(engine_);
  return S_OK;
}

bool TextService::AdviseSourceSink(IUnknown* source_owner, REFIID riid, IUnknown* sink, DWORD& cookie) {
  UnadviseSourceSink(source_owner, cookie);
  ITfSource* source = nullptr;
  if (FAILED(source_owner->QueryInterface(IID_ITfSource, reinterpret_cast<void**>(&source)))) return false;
  const HRESULT result = source->AdviseSink(riid, sink, &cookie);
  source->Release();
  if (FAILED(result)) {
    cookie = TF_INVALID_COOKIE;
    return false;
  }
  return true;
}

void TextService::UnadviseSourceSink(IUnknown* source_owner, DWORD& cookie) {
  if (cookie == TF_INVALID_COOKIE || !source_owner) return;
  ITfSource* source = nullptr;
  if (SUCCEEDED(source_owner->QueryInterface(IID_ITfSource, reinterpret_cast<void**>(&source)))) {
    source->UnadviseSink(cookie);
    source->Release();
  }
  cookie = TF_INVALID_COOKIE;
}

void TextService::AdviseTextEditSink(ITfDocumentMgr* document) {
  if (edit_sink_context_) {
    UnadviseSourceSink(edit_sink_context_, edit_sink_cookie_);
    ReleaseAndClear(edit_sink_context_);
  }
  if (!document) return;
  ITfContext* context = nullptr;
  if (FAILED(document->GetTop(&context)) || !context) return;
  edit_sink_context_ = context;
  AdviseSourceSink(edit_sink_context_, IID_ITfTextEditSink, static_cast<ITfTextEditSink*>(this), edit_sink_cookie_);
}

bool TextService::AdviseCompartmentSink() {
  UnadviseCompartmentSink();
  ITfCompartmentMgr* compartments = nullptr;
  if (FAILED(thread_manager_->QueryInterface(IID_ITfCompartmentMgr, reinterpret_cast<void**>(&compartments)))) {
    return false;
  }
  ITfCompartment* open_close = nullptr;
  const HRESULT got = compartments->GetCompartment(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, &open_close);
  compartments->Release();
  if (FAILED(got) || !open_close) return false;
  const bool advised = AdviseSourceSink(open_close, IID_ITfCompartmentEventSink,
                                        static_cast<ITfCompartmentEventSink*>(this), compartment_sink_cookie_);
  open_close->Release();
  return advised;
}

void TextService::UnadviseCompartmentSink() {
  if (compartment_sink_cookie_ == TF_INVALID_COOKIE || !thread_manager_) return;
  ITfCompartmentMgr* compartments = nullptr;
  if (SUCCEEDED(thread_manager_->QueryInterface(IID_ITfCompartmentMgr, reinterpret_cast<void**>(&compartments)))) {
    ITfCompartment* open_close = nullptr;
    if (SUCCEEDED(compartments->GetCompartment(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, &open_close)) && open_close) {
      UnadviseSourceSink(open_close, compartment_sink_cookie_);
      open_close->Release();
    }
    compartments->Release();
  }
  compartment_sink_cookie_ = TF_INVALID_COOKIE;
}

void TextService::RegisterAttributeAtoms() {
  ITfCategoryMgr* categories = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfCategoryMgr,
                              reinterpret_cast<void**>(&categories)))) {
    return;
  }
  for (int i = 0; i < kAttributeCount; ++i) {
    TfGuidAtom atom = TF_INVALID_GUIDATOM;
    if (SUCCEEDED(categories->RegisterGUID(DisplayAttributeGuid(i), &atom))) attribute_atoms_[i] = atom;
  }
  categories->Release();
}

// ---- hot keys ----

bool TextService::PreserveKey(const TF_PRESERVEDKEY& key, const GUID& guid, const wchar_t* description) {
  if (preserved_count_ >= kMaxPreservedKeys) return false;
  ITfKeystrokeMgr* keystrokes = nullptr;
  if (FAILED(thread_manager_->QueryInterface(IID_ITfKeystrokeMgr, reinterpret_cast<void**>(&keystrokes)))) {
    return false;
  }
  const HRESULT result = keystrokes->PreserveKey(client_id_, guid, &key, description,
                                                 static_cast<ULONG>(lstrlenW(description)));
  keystrokes->Release();
  if (FAILED(result)) return false;
  preserved_[preserved_count_++] = PreservedKey{key, guid};
  return true;
}

void TextService::UnpreserveHotKeys() {
  if (!thread_manager_ || preserved_count_ == 0) {
    preserved_count_ = 0;
    return;
  }
  ITfKeystrokeMgr* keystrokes = nullptr;
  if (SUCCEEDED(thread_manager_->QueryInterface(IID_ITfKeystrokeMgr, reinterpret_cast<void**>(&keystrokes)))) {
    for (int i = 0; i < preserved_count_; ++i) keystrokes->UnpreserveKey(preserved_[i].guid, &preserved_[i].key);
    keystrokes->Release();
  }
  preserved_count_ = 0;
}

void TextService::PreserveHotKeys() {
  if (!engine_ || !thread_manager_ || !engine_->blocks.dme.data) return;
  UnpreserveHotKeys();
  const std::uint32_t ime_flags = BlockU32(engine_->blocks.ime, ime_block::kImeFlags);
  if ((ime_flags & ime_block::kNoCombinationKeys) || IsKeyboardDisabledOrEmpty() || !IsImeOpen()) return;
  const std::uint32_t count = CombinationCount(engine_->blocks.dme);
  for (std::uint32_t i = 0; i < count && i < dme_block::kMaxCombinations; ++i) {
    CombinationBinding binding;
    if (!ReadCombination(engine_->blocks.dme, i, binding)) continue;
    const TF_PRESERVEDKEY key{static_cast<UINT>(binding.key_code & key_code::kVirtualKeyMask),
                              PreservedKeyModifiers(binding.key_code)};
    PreserveKey(key, kCombinationKeyGuids[i], kCombinationDescription);
  }
  PreserveKey(TF_PRESERVEDKEY{kVkSpace, TF_MOD_SHIFT}, kFullWidthKeyGuid, L"");
  PreserveKey(TF_PRESERVEDKEY{kVkPeriod, TF_MOD_CONTROL}, kPunctuationKeyGuid, L"");
}

// ---- compartments ----

bool TextService::ReadCompartment(IUnknown* owner, const GUID& guid, VARIANT& value) {
  VariantInit(&value);
  if (!owner) return false;
  ITfCompartmentMgr* compartments = nullptr;
  if (FAILED(owner->QueryInterface(IID_ITfCompartmentMgr, reinterpret_cast<void**>(&compartments)))) return false;
  ITfCompartment* compartment = nullptr;
  bool read = false;
  if (SUCCEEDED(compartments->GetCompartment(guid, &compartment)) && compartment) {
    read = SUCCEEDED(compartment->GetValue(&value));
    compartment->Release();
  }
  compartments->Release();
  return read;
}

void TextService::WriteCompartment(IUnknown* owner, const GUID& guid, DWORD value) {
  if (!owner) return;
  ITfCompartmentMgr* compartments = nullptr;
  if (FAILED(owner->QueryInterface(IID_ITfCompartmentMgr, reinterpret_cast<void**>(&compartments)))) return;
  ITfCompartment* compartment = nullptr;
  if (SUCCEEDED(compartments->GetCompartment(guid, &compartment)) && compartment) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_I4;
    variant.lVal = static_cast<LONG>(value);
    compartment->SetValue(client_id_, &variant);
    compartment->Release();
  }
  compartments->Release();
}

bool TextService::IsKeyboardDisabledOrEmpty() {
  if (!thread_manager_) return true;
  ITfDocumentMgr* focus = nullptr;
  if (FAILED(thread_manager_->GetFocus(&focus)) || !focus) return true;
  ITfContext* context = nullptr;
  const HRESULT got = focus->GetTop(&context);
  focus->Release();
  if (FAILED(got) || !context) return true;
  bool answer = false;
  VARIANT value;
  if (ReadCompartment(context, GUID_COMPARTMENT_KEYBOARD_DISABLED, value) && value.vt == VT_I4) {
    answer = value.lVal != 0;
  }
  if (ReadCompartment(context, GUID_COMPARTMENT_EMPTYCONTEXT, value) && value.vt == VT_I4) {
    answer = value.lVal != 0;
  }
  context->Release();
  return answer;
}

bool TextService::IsImeOpen() {
  VARIANT value;
  return ReadCompartment(thread_manager_, GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, value) && value.vt == VT_I4 &&
         value.lVal != 0;
}

void TextService::SetOpenCompartment(DWORD value) {
  WriteCompartment(thread_manager_, GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, value);
}

DWORD TextService::GetConversionCompartment() {
  VARIANT value;
  if (!ReadCompartment(thread_manager_, tsf::kGuidCompartmentKeyboardInputModeConversion, value)) return 0;
  return value.vt == VT_I4 ? static_cast<DWORD>(value.lVal) : 0;
}

void TextService::SetConversionCompartment(DWORD value) {
  WriteCompartment(thread_manager_, tsf::kGuidCompartmentKeyboardInputModeConversion, value);
}

void TextService::UpdateModeState() {
  if (!engine_) return;
  engine_->mode &= ~(mode::kDisabled | mode::kClosed);
  const ModeInputs inputs{IsKeyboardDisabledOrEmpty(), IsImeOpen(), os::IsCapsLockOn(),
                          (engine_->mode & mode::kEnglish) != 0};
  const ModeState state = ModeStateFor(inputs);
  if (state == ModeState::kDisabled) engine_->mode |= mode::kDisabled;
  if (state == ModeState::kClosed) engine_->mode |= mode::kClosed;
  InterlockedExchange(&g_mode_state, static_cast<LONG>(state));
}

void TextService::ToggleChinese(bool chinese) {
  if (!engine_) return;
  DWORD conversion = GetConversionCompartment();
  if (chinese) {
    if (!IsImeOpen()) SetOpenCompartment(1);
    SetChineseMode(engine_, true);
    conversion = (conversion & ~tsf::TF_CONVERSIONMODE_NOCONVERSION) | tsf::TF_CONVERSIONMODE_NATIVE;
  } else {
    SetChineseMode(engine_, false);
    conversion = (conversion | tsf::TF_CONVERSIONMODE_NOCONVERSION) & ~tsf::TF_CONVERSIONMODE_NATIVE;
  }
  SetConversionCompartment(conversion);
  UpdateModeState();
  RefreshWindows();
}

void TextService::RefreshWindows() {
  if (!engine_) return;
  if (button_) button_->Update(tsf::TF_LBI_STATUS | tsf::TF_LBI_ICON);
  const std::uint32_t ime_flags = BlockU32(engine_->blocks.ime, ime_block::kImeFlags);
  if (activation_flags_ || (ime_flags & ime_block::kHideStatusWindow)) return;
  // Past the classic language bar the system shows a closed input method itself.
  if (!IsClassicLanguageBar(engine_->os_version) && !IsImeOpen()) {
    HideStatusWindow(engine_);
    return;
  }
  EnsureStatusWindow(engine_);
  RefreshStatusWindow(engine_);
}

HWND TextService::FocusedViewWindow() {
  if (!edit_sink_context_) return nullptr;
  ITfContextView* view = nullptr;
  if (FAILED(edit_sink_context_->GetActiveView(&view)) || !view) return nullptr;
  HWND window = nullptr;
  if (FAILED(view->GetWnd(&window))) window = nullptr;
  view->Release();
  return window;
}

// ---- language-bar button ----

bool TextService::AddLanguageBarButton() {
  RemoveLanguageBarButton();
  if (!engine_) return false;
  HideStatusWindow(engine_);
  DestroyStatusWindow(engine_);
  ITfLangBarItemMgr* items = nullptr;
  if (FAILED(thread_manager_->QueryInterface(IID_ITfLangBarItemMgr, reinterpret_cast<void**>(&items)))) {
    return false;
  }
  button_ = LangBarButton::Create(this);
  if (!button_) {
    items->Release();
    return false;
  }
  items->AddItem(button_);
  items->Release();
  const std::uint32_t ime_flags = BlockU32(engine_->blocks.ime, ime_block::kImeFlags);
  if (!activation_flags_ && !(ime_flags & ime_block::kHideStatusWindow)) {
    if (!IsClassicLanguageBar(engine_->os_version) && !IsImeOpen()) return true;
    EnsureStatusWindow(engine_);
    ShowStatusWindow(engine_);
  }
  return true;
}

void TextService::RemoveLanguageBarButton() {
  if (button_) {
    ITfLangBarItemMgr* items = nullptr;
    if (thread_manager_ &&
        SUCCEEDED(thread_manager_->QueryInterface(IID_ITfLangBarItemMgr, reinterpret_cast<void**>(&items)))) {
      items->RemoveItem(button_);
      items->Release();
    }
    button_->Detach();
    button_->Release();
    button_ = nullptr;
  }
  if (engine_) {
    HideStatusWindow(engine_);
    DestroyStatusWindow(engine_);
  }
}

// ---- windows ----

void TextService::DestroyWindows() {
  if (!engine_) return;
  DestroyDictionaryWindow(engine_);
  DestroyCandidateWindow(engine_);
  HideStatusWindow(engine_);
  DestroyStatusWindow(engine_);
  HideSoftKeyboardWindow(engine_);
  DestroySoftKeyboardWindow(engine_);
  HideTipWindow(engine_);
  DestroyTipWindow(engine_);
}

void TextService::ShowWindowsAgain() {
  if (!engine_) return;
  if (!activation_flags_) {
    const std::uint32_t ime_flags = BlockU32(engine_->blocks.ime, ime_block::kImeFlags);
    if (!(ime_flags & ime_block::kHideStatusWindow)) ShowStatusWindow(engine_);
  }
}

// ---- sinks ----

HRESULT TextService::OnInitDocumentMgr(ITfDocumentMgr*) { return S_OK; }
HRESULT TextService::OnUninitDocumentMgr(ITfDocumentMgr*) { return S_OK; }
HRESULT TextService::OnPushContext(ITfContext*) { return S_OK; }
HRESULT TextService::OnPopContext(ITfContext*) { return S_OK; }

HRESULT TextService::OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr*) {
  if (engine_) {
    ReopenResizedTables(engine_->files);
    PreserveHotKeys();
    ReloadSkinIfChanged(engine_);
    if (focus) {
      UpdateCandidateWindow(engine_, true);
      if (SoftKeyboardLayoutSelected(engine_)) ShowSoftKeyboardWindow(engine_);
      ShowWindowsAgain();
      ResetPunctuationPairs(engine_);
    } else {
      HideCandidateWindow(engine_);
      HideSoftKeyboardWindow(engine_);
      DestroySoftKeyboardWindow(engine_);
    }
  }
  AdviseTextEditSink(focus);
  return S_OK;
}

HRESULT TextService::OnEndEdit(ITfContext* context, TfEditCookie cookie, ITfEditRecord* record) {
  if (!context || !record) return S_OK;
  BOOL selection_changed = FALSE;
  if (SUCCEEDED(record->GetSelectionStatus(&selection_changed)) && selection_changed && compositions_[0]) {
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (SUCCEEDED(context->GetSelection(cookie, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) && fetched == 1) {
      ITfRange* composed = nullptr;
      if (SUCCEEDED(compositions_[0]->GetRange(&composed)) && composed) {
        LONG start = 0;
        LONG end = 0;
        if (SUCCEEDED(selection.range->CompareStart(cookie, composed, TF_ANCHOR_START, &start)) &&
            SUCCEEDED(selection.range->CompareEnd(cookie, composed, TF_ANCHOR_END, &end)) && (start < 0 || end > 0)) {
          RequestEndComposition(context);
        }
        composed->Release();
      }
      selection.range->Release();
    }
  }
  IEnumTfRanges* updates = nullptr;
  if (SUCCEEDED(record->GetTextAndPropertyUpdates(TF_GTP_INCL_TEXT, nullptr, 0, &updates)) && updates) {
    updates->Release();
  }
  return S_OK;
}

HRESULT TextService::EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) {
  return CreateDisplayAttributeEnum(out);
}

HRESULT TextService::GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) {
  return CreateDisplayAttributeInfoFor(guid, out);
}

HRESULT TextService::OnActivated(REFCLSID, REFGUID, BOOL) { return S_OK; }

HRESULT TextService::OnSetThreadFocus() {
  if (button_) button_->SetHidden(false);
  ShowWindowsAgain();
  return S_OK;
}

HRESULT TextService::OnKillThreadFocus() {
  if (button_) button_->SetHidden(true);
  if (engine_ && !activation_flags_) HideStatusWindow(engine_);
  if (edit_sink_context_ && IsComposing(edit_sink_context_)) RequestEndComposition(edit_sink_context_);
  return S_OK;
}

HRESULT TextService::GetDisplayName(BSTR* name) {
  if (!name) return E_INVALIDARG;
  *name = nullptr;
  if (!engine_) return E_FAIL;
  const std::u16string language = ReadFieldText(engine_->blocks.soft, soft_block::kLanguageName, 64);
  *name = SysAllocString(os::WidePtr(language.c_str()));
  return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT TextService::QueryRange(ITfRange*, ITfRange**, BOOL*) { return S_OK; }
HRESULT TextService::GetReconversion(ITfRange*, ITfCandidateList**) { return S_OK; }
HRESULT TextService::Reconvert(ITfRange*) { return S_OK; }

HRESULT TextService::Show(HWND parent, LANGID, REFGUID) {
  if (engine_) return S_OK;
  // Only an unactivated service starts the settings program; the engine made for the start goes with it.
  EngineSetup setup;
  wchar_t class_id[40];
  EngineInstance* engine = NewEngine(setup, class_id);
  if (!engine) return S_OK;
  LaunchConfig(parent, u"", engine);
  FreeEngine(engine);
  return S_OK;
}

HRESULT TextService::OnChange(REFGUID guid) {
  if (!engine_ || !IsEqualGUID(guid, GUID_COMPARTMENT_KEYBOARD_OPENCLOSE)) return S_OK;
  engine_->mode &= ~mode::kComposingAfterCommit;
  engine_->mode &= ~mode::kEnglish;
  UpdateModeState();
  RefreshWindows();
  PreserveHotKeys();
  ResetPunctuationPairs(engine_);
  return S_OK;
}

}  // namespace lz
