// The text service's key road: the key event sink runs the key filter, an eaten key runs in a key edit
// session on the context, and the session drives the engine and turns its answers into compositions,
// display attributes, committed text and window updates.
#include <algorithm>
#include <new>

#include "platform/os/broker.h"
#include "platform/os/key_sender.h"
#include "platform/os/program_start.h"
#include "platform/os/native_path.h"
#include "platform/os/system_info.h"
#include "textservice/engine/association.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/candidate_commit.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/command_words.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/engine_actions.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/punctuation.h"
#include "textservice/engine/query.h"
#include "textservice/engine/text_encoding.h"
#include "textservice/engine/word_building.h"
#include "textservice/tsf/candidate_ui_element.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/tsf/display_attributes.h"
#include "textservice/tsf/preserved_key_guids.h"
#include "textservice/tsf/single_interface_object.h"
#include "textservice/tsf/text_service.h"
#include "textservice/windows/ui_state.h"
#include "textservice/windows/ui_manager.h"

namespace lz {
namespace {

// The first key-down of the key held now, shared by every activation of the process.
TapMemory g_tap;

constexpr char16_t kKeyWordMark = u'键';
constexpr std::uint32_t kPairMilliseconds = 400;
constexpr int kOutputUnits = 256;
constexpr BYTE kVkCapital = 0x14;
constexpr BYTE kCapsLockScan = 0x38;

using SessionCallback = void (*)(TextService&, ITfContext*, TfEditCookie);

// One edit session carrying the function to run (the engine's work for a key, ending a composition).
class EditSession final : public SingleInterfaceObject<ITfEditSession, IID_ITfEditSession> {
 public:
  EditSession(TextService* service, ITfContext* context, SessionCallback callback)
      : service_(service), context_(context), callback_(callback) {
    service_->AddRef();
    context_->AddRef();
  }
  HRESULT STDMETHODCALLTYPE DoEditSession(TfEditCookie cookie) override {
    callback_(*service_, context_, cookie);
    return S_OK;
  }

 private:
  ~EditSession() override {
    context_->Release();
    service_->Release();
  }
  TextService* service_;
  ITfContext* context_;
  SessionCallback callback_;
};

bool IsNamedKey(const char16_t* text) { return text && text[0] == kKeyWordMark; }

int Length(const char16_t* text) {
  int n = 0;
  while (text && text[n]) ++n;
  return n;
}

void Append(char16_t* out, int capacity, const char16_t* text) {
  int n = Length(out);
  for (int i = 0; text && text[i] && n + 1 < capacity; ++i) out[n++] = text[i];
  out[n] = 0;
}

bool Same(const char16_t* a, const char16_t* b) {
  int i = 0;
  for (; a[i] && a[i] == b[i]; ++i) {
  }
  return a[i] == b[i];
}

std::uint32_t ImeU32(const EngineInstance* e, std::uint32_t offset) { return BlockU32(e->blocks.ime, offset); }

ITfRange* CompositionRange(ITfComposition* composition) {
  ITfRange* range = nullptr;
  if (!composition || FAILED(composition->GetRange(&range))) return nullptr;
  return range;
}

void SetSelectionTo(ITfContext* context, TfEditCookie cookie, ITfRange* range) {
  TF_SELECTION selection{};
  selection.range = range;
  selection.style.ase = TF_AE_END;
  selection.style.fInterimChar = FALSE;
  context->SetSelection(cookie, 1, &selection);
}

// The association key as text: the word the document already holds before the composition.
int AssociationText(const EngineInstance* e, char16_t* out, int capacity) {
  out[0] = 0;
  if (e->association_key[0] == 0) return 0;
  return TableStringToWide(out, capacity, e->association_key);
}

// The services of this thread, for the windows' commands, which name only the engine.
constexpr int kMaxServices = 16;
TextService* g_services[kMaxServices];

int DispatchUiCommand(EngineInstance* engine, int a, int b, int command) {
  for (TextService* service : g_services) {
    if (service && service->engine() == engine) return service->RunUiCommand(a, b, command);
  }
  return 0;
}

}  // namespace

void RegisterKeyService(TextService* service, bool active) {
  for (TextService*& slot : g_services) {
    if (active && !slot) {
      slot = service;
      SetUiCommandDispatcher(DispatchUiCommand);
      return;
    }
    if (!active && slot == service) slot = nullptr;
  }
}

HRESULT TextService::RequestSession(ITfContext* context, DWORD flags, SessionCallback callback) {
  if (!context) return E_INVALIDARG;
  // A request for the context whose session runs now runs inside it.
  if (session_context_ == context) {
    callback(*this, context, edit_cookie_);
    return S_OK;
  }
  auto* session = new (std::nothrow) EditSession(this, context, callback);
  if (!session) return E_OUTOFMEMORY;
  HRESULT result = E_FAIL;
  const HRESULT requested = context->RequestEditSession(client_id_, session, flags, &result);
  session->Release();
  return FAILED(requested) ? requested : result;
}

namespace {

// A member of the service as a session's function.
template <void (TextService::*Body)(ITfContext*, TfEditCookie)>
void InSession(TextService& service, ITfContext* context, TfEditCookie cookie) {
  (service.*Body)(context, cookie);
}

}  // namespace

// ---- composition pairs ----

int TextService::PairOf(ITfContext* context) const {
  for (int i = 0; i < kMaxCompositions; ++i) {
    if (context && composition_contexts_[i] == context) return i;
  }
  return -1;
}

bool TextService::IsComposing(ITfContext* context) const {
  const int pair = PairOf(context);
  return pair >= 0 && compositions_[pair] != nullptr;
}

void TextService::ForgetPair(int pair) {
  if (pair < 0) return;
  if (compositions_[pair]) compositions_[pair]->Release();
  if (composition_contexts_[pair]) composition_contexts_[pair]->Release();
  compositions_[pair] = nullptr;
  composition_contexts_[pair] = nullptr;
}

void TextService::EndPairComposition(int pair, TfEditCookie cookie) {
  if (pair < 0 || !compositions_[pair]) {
    ForgetPair(pair);
    return;
  }
  if (ITfRange* range = CompositionRange(compositions_[pair])) {
    ClearAttribute(composition_contexts_[pair], cookie, range);
    range->Release();
  }
  // An end the host refuses still leaves the pair free: nothing would ever end it later.
  compositions_[pair]->EndComposition(cookie);
  ForgetPair(pair);
}

bool TextService::StartComposition(ITfContext* context, TfEditCookie cookie) {
  int free_pair = -1;
  for (int i = 0; i < kMaxCompositions && free_pair < 0; ++i) {
    if (!composition_contexts_[i]) free_pair = i;
  }
  if (free_pair < 0) {
    // Every pair is taken: the oldest composition ends first, so that none is left without an owner.
    ITfContext* oldest = composition_contexts_[0];
    oldest->AddRef();
    RequestEndComposition(oldest);
    if (composition_contexts_[0] == oldest) ForgetPair(0);
    oldest->Release();
    free_pair = 0;
  }
  ITfInsertAtSelection* insert = nullptr;
  if (FAILED(context->QueryInterface(IID_ITfInsertAtSelection, reinterpret_cast<void**>(&insert)))) return false;
  ITfRange* range = nullptr;
  const HRESULT queried = insert->InsertTextAtSelection(cookie, TF_IAS_QUERYONLY, nullptr, 0, &range);
  insert->Release();
  if (FAILED(queried) || !range) return false;
  ITfContextComposition* compositions = nullptr;
  ITfComposition* composition = nullptr;
  if (SUCCEEDED(context->QueryInterface(IID_ITfContextComposition, reinterpret_cast<void**>(&compositions)))) {
    if (FAILED(compositions->StartComposition(cookie, range, static_cast<ITfCompositionSink*>(this), &composition))) {
      composition = nullptr;
    }
    compositions->Release();
  }
  if (composition) {
    context->AddRef();
    composition_contexts_[free_pair] = context;
    compositions_[free_pair] = composition;
    SetSelectionTo(context, cookie, range);
  }
  range->Release();
  return composition != nullptr;
}

void TextService::EndCompositionSession(ITfContext* context, TfEditCookie cookie) {
  if (engine_ && engine_->commit.text_length > 0 && engine_->commit.text[0]) {
    engine_->previous_commit = engine_->commit;
  }
  EndPairComposition(PairOf(context), cookie);
  EndCandidateUi();
  if (engine_) {
    engine_->candidate_count = 0;
    HideCandidateWindow(engine_);
  }
}

void TextService::RequestEndComposition(ITfContext* context) {
  if (engine_) ResetInput(engine_);
  if (!context) return;
  RequestSession(context, TF_ES_SYNC | TF_ES_READWRITE, InSession<&TextService::EndCompositionSession>);
}

void TextService::EndContextComposition(ITfContext* context, TfEditCookie cookie) {
  if (!context) context = edit_sink_context_;
  if (!context || !engine_) return;
  engine_->mode &= ~mode::kComposingAfterCommit;
  const int pair = PairOf(context);
  if (pair >= 0 && compositions_[pair]) {
    if (ITfRange* range = CompositionRange(compositions_[pair])) {
      range->SetText(cookie, 0, L"", 0);
      range->Release();
    }
  }
  ResetInput(engine_);
  EndCompositionSession(context, cookie);
}

// ---- the key filter and the sink ----

int TextService::Filter(ITfContext* context, WPARAM wparam, LPARAM lparam) {
  if (IsKeyboardDisabledOrEmpty()) return 0;
  if (!context || context != edit_sink_context_) return 0;
  if (!IsComposing(context) && composition_contexts_[0]) {
    ITfContext* stale = composition_contexts_[0];
    stale->AddRef();
    RequestEndComposition(stale);
    stale->Release();
  }
  if (!engine_) return 0;
  BYTE state[256] = {};
  GetKeyboardState(state);
  KeyEventFacts facts;
  facts.vk = static_cast<std::uint32_t>(wparam);
  facts.lparam = static_cast<std::uint32_t>(lparam);
  facts.tick = os::TickCount();
  facts.keys.shift = (state[VK_SHIFT] & 0x80) != 0;
  facts.keys.ctrl = (state[VK_CONTROL] & 0x80) != 0;
  facts.keys.alt = (state[VK_MENU] & 0x80) != 0;
  facts.keys.caps_toggled = (state[VK_CAPITAL] & 0x01) != 0;
  facts.composing = IsComposing(context);
  if ((engine_->mode & mode::kSoftKeyboard) && engine_->ui) {
    facts.soft_layout = engine_->ui->soft_keyboard.layout;
    facts.soft_character = SoftKeyboardCharacterFor(facts.vk, facts.keys.shift);
  }
  const int answer = KeyFilter(facts, engine_, g_tap, typed_);
  if (answer == key_filter::kPassEndingComposition) {
    RequestEndComposition(context);
    return 0;
  }
  return answer;
}

void TextService::RequestKeySession(ITfContext* context) {
  if (!engine_) return;
  HideTipWindow(engine_);
  if (!engine_->current_key.text) return;
  if (context) {
    // A host that cannot lock its document now gets the key later rather than losing it.
    if (RequestSession(context, TF_ES_SYNC | TF_ES_READWRITE, InSession<&TextService::KeyEditSession>) ==
        tsf::TF_E_SYNCHRONOUS) {
      RequestSession(context, TF_ES_ASYNC | TF_ES_READWRITE, InSession<&TextService::KeyEditSession>);
    }
  } else if (edit_sink_context_) {
    RequestSession(edit_sink_context_, TF_ES_READWRITE, InSession<&TextService::KeyEditSession>);
  }
}

void TextService::CapsLockPunctuationRule() {
  if (!engine_) return;
  if (ImeU32(engine_, ime_block::kImeFlags) & ime_block::kCapsLockEnglishPunctuation) {
    if (edit_sink_context_ && IsComposing(edit_sink_context_)) RequestEndComposition(edit_sink_context_);
    if (os::IsCapsLockOn()) {
      engine_->mode |= mode::kEnglishPunctuation;
    } else {
      engine_->mode &= ~mode::kEnglishPunctuation;
    }
    RefreshWindows();
    UpdateModeState();
  } else {
    RefreshWindows();
  }
}

HRESULT TextService::OnSetFocus(BOOL foreground) {
  if (!foreground && engine_ && candidate_ui_) HideCandidateWindow(engine_);
  return S_OK;
}

HRESULT TextService::OnTestKeyDown(ITfContext* context, WPARAM wparam, LPARAM lparam, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  if (skip_next_key_) {
    skip_next_key_ = false;
    pending_answer_.Drop();
    return S_OK;
  }
  const int pending = pending_answer_.Find(wparam, static_cast<std::uint32_t>(lparam), false);
  if (pending >= 0) {
    *eaten = pending == 1;
    return S_OK;
  }
  const int answer = Filter(context, wparam, lparam);
  pending_answer_.Store(wparam, static_cast<std::uint32_t>(lparam), answer);
  *eaten = answer == 1;
  if (!*eaten && wparam == VK_CAPITAL) CapsLockPunctuationRule();
  return S_OK;
}

HRESULT TextService::OnKeyDown(ITfContext* context, WPARAM wparam, LPARAM lparam, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  if (skip_next_key_) {
    skip_next_key_ = false;
    pending_answer_.Drop();
    return S_OK;
  }
  int answer = pending_answer_.Find(wparam, static_cast<std::uint32_t>(lparam), true);
  const bool tested = answer >= 0;
  if (!tested) answer = Filter(context, wparam, lparam);
  *eaten = answer == 1;
  if (*eaten) RequestKeySession(context);
  if (wparam == VK_CAPITAL) {
    if (last_function_result_ && *eaten) {
      // The key's function ran; Caps Lock itself goes back to how it was.
      skip_next_key_ = true;
      os::SendKeyEvent(kVkCapital, kCapsLockScan, os::kKeyEventUp);
      os::SendKeyEvent(kVkCapital, kCapsLockScan, 0);
    } else if (!tested) {
      CapsLockPunctuationRule();
    }
  }
  return S_OK;
}

HRESULT TextService::OnTestKeyUp(ITfContext* context, WPARAM wparam, LPARAM lparam, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  const int pending = pending_answer_.Find(wparam, static_cast<std::uint32_t>(lparam), false);
  if (pending >= 0) {
    *eaten = pending == 1;
    return S_OK;
  }
  const int answer = Filter(context, wparam, lparam);
  pending_answer_.Store(wparam, static_cast<std::uint32_t>(lparam), answer);
  if (answer == 1 && engine_) {
    if (engine_->current_key.functions & (key_function::kToggleIme | key_function::kToggleEnglish)) {
      key_up_handled_ = true;
      RequestKeySession(context);
    } else {
      key_up_pending_ = true;
    }
  }
  *eaten = answer == 1;
  return S_OK;
}

HRESULT TextService::OnKeyUp(ITfContext* context, WPARAM wparam, LPARAM lparam, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  const int pending = pending_answer_.Find(wparam, static_cast<std::uint32_t>(lparam), true);
  if (pending >= 0) {
    *eaten = pending == 1;
    if (*eaten && !key_up_handled_) RequestKeySession(context);
  } else {
    const int answer = Filter(context, wparam, lparam);
    *eaten = answer == 1;
    if (*eaten) RequestKeySession(context);
  }
  key_up_handled_ = false;
  key_up_pending_ = false;
  return S_OK;
}

HRESULT TextService::OnPreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  if (!engine_) return S_OK;
  pending_answer_.Drop();
  if (IsEqualGUID(guid, kFullWidthKeyGuid)) {
    SetFullWidth(!(engine_->mode & mode::kFullWidth));
    return S_OK;
  }
  if (IsEqualGUID(guid, kPunctuationKeyGuid)) {
    SetPunctuationMode(!(engine_->mode & mode::kEnglishPunctuation));
    return S_OK;
  }
  for (std::uint32_t i = 0; i < dme_block::kMaxCombinations; ++i) {
    if (!IsEqualGUID(guid, kCombinationKeyGuids[i])) continue;
    CombinationBinding binding;
    if (i >= CombinationCount(engine_->blocks.dme) || !ReadCombination(engine_->blocks.dme, i, binding)) return S_OK;
    SetCurrentKeyMask(binding.mask);
    RequestKeySession(context ? context : edit_sink_context_);
    *eaten = TRUE;
    return S_OK;
  }
  return S_OK;
}

HRESULT TextService::OnCompositionTerminated(TfEditCookie cookie, ITfComposition* composition) {
  if (!engine_) return S_OK;
  if (engine_->mode & mode::kComposingAfterCommit) return S_OK;
  int pair = -1;
  for (int i = 0; i < kMaxCompositions; ++i) {
    if (composition && compositions_[i] == composition) pair = i;
  }
  if (pair < 0 || !composition_contexts_[pair]) {
    ResetInput(engine_);
  } else if (ImeU32(engine_, ime_block::kBehaviourFlags) & ime_block::kSpaceCommitsEnglish) {
    ITfContext* context = composition_contexts_[pair];
    context->AddRef();
    session_context_ = context;
    edit_cookie_ = cookie;
    CommitCandidate(context, cookie, key_function::kCommitEnglish);
    session_context_ = nullptr;
    // The host ends the composition itself: the pair is done.
    ForgetPair(PairOf(context));
    context->Release();
  } else {
    ResetInput(engine_);
    if (ITfRange* range = CompositionRange(composition)) {
      range->SetText(cookie, 0, L"", 0);
      ClearAttribute(composition_contexts_[pair], cookie, range);
      range->Release();
    }
    composition->EndComposition(cookie);
    ForgetPair(pair);
  }
  EndCandidateUi();
  engine_->candidate_count = 0;
  HideCandidateWindow(engine_);
  return S_OK;
}

void TextService::SetCurrentKeyMask(std::uint64_t mask) {
  if (!engine_) return;
  static constexpr char16_t kNoText[] = u"";
  CurrentKey& key = engine_->current_key;
  key.index = 0;
  key.functions = mask;
  key.text = kNoText;
  key.saved_index = 0;
  key.saved_functions = 0;
  key.saved_text = nullptr;
}

// ---- the key edit session ----

void TextService::KeyEditSession(ITfContext* context, TfEditCookie cookie) {
  EngineInstance* e = engine_;
  if (!e) return;
  ITfContext* const outer_context = session_context_;
  const TfEditCookie outer_cookie = edit_cookie_;
  session_context_ = context;
  edit_cookie_ = cookie;
  if (!(e->mode & mode::kComposingAfterCommit)) e->association_key[0] = 0;

  CurrentKey& key = e->current_key;
  const char16_t* text = key.text ? key.text : u"";
  // A layout other than the PC keyboard's types its own character for the key.
  if ((e->mode & mode::kSoftKeyboard) && e->ui && e->ui->soft_keyboard.layout > 1 &&
      !(key.functions & key_function::kClearInput)) {
    const char16_t typed = SoftKeyboardCharacterFor(key.index & 0xFF, (GetKeyState(VK_SHIFT) & 0x8000) != 0);
    if (typed != 0 && typed != u' ') {
      const bool composing = IsComposing(context);
      e->commit = CommitRecord{};
      e->commit.text[0] = typed;
      e->commit.text_length = 1;
      e->commit.action = commit_action::kTypedText;
      SaveLastCommit(1, e, nullptr);
      OutputCommit(context, cookie);
      if (composing) {
        ResetInput(e);
        EndCompositionSession(context, cookie);
      }
      session_context_ = outer_context;
      edit_cookie_ = outer_cookie;
      return;
    }
  }
  bool classify = false;
  if (IsNamedKey(text)) {
    last_function_result_ = RunKeyFunctions(context, cookie, key.functions);
  } else if (!key.reinput) {
    const bool english = (e->mode & (mode::kEnglish | mode::kTemporaryEnglish)) != 0;
    bool as_english = english;
    if (text[0] && !english) {
      std::uint8_t lead = 0;
      e->blocks.dme.ReadU8(dme_block::kEnglishLeadKey, lead);
      if ((ImeU32(e, ime_block::kImeFlags) & ime_block::kCapitalStartsEnglish) && text[0] >= u'A' &&
          text[0] <= u'Z' && !os::IsCapsLockOn() && !(e->key_count > 0 && lead && e->keys[0] == lead)) {
        if (e->key_count > 0) {
          CommitCandidate(context, cookie, key_function::kCommitFirst);
          EndContextComposition(context, cookie);
        }
        e->mode |= mode::kTemporaryEnglish;
        as_english = true;
      } else {
        classify = true;
      }
    }
    if (!classify) {
      if (as_english) {
        if (e->mode & mode::kComposingAfterCommit) EndContextComposition(context, cookie);
        switch (ClassifyKeyEnglish(e)) {
          case english_key::kTyped:
            AppendAndQuery(context, cookie, text[0]);
            break;
          case english_key::kFunction:
            if (!RunKeyFunctions(context, cookie, key.functions)) OutputTypedKey(context, cookie, text);
            break;
          case english_key::kPassed:
            OutputTypedKey(context, cookie, text);
            break;
          default:
            break;
        }
      } else {
        RunKeyFunctions(context, cookie, key.functions);
      }
    }
  } else {
    ReinputSession(context, cookie);
    if (key.saved_text) {
      key.index = key.saved_index;
      key.functions = key.saved_functions;
      key.text = key.saved_text;
      key.saved_index = 0;
      key.saved_functions = 0;
      key.saved_text = nullptr;
      text = key.text;
      classify = true;
    }
  }

  if (classify) {
    const char16_t c = text[0];
    const bool after_commit = (e->mode & mode::kComposingAfterCommit) != 0;
    switch (ClassifyKey(c, e)) {
      case key_action::kCode:
        if (after_commit) {
          EndContextComposition(context, cookie);
          e->commit.action = 0;
        }
        AppendAndQuery(context, cookie, c);
        break;
      case key_action::kCommitThenHandle:
        if (key.functions && RunKeyFunctions(context, cookie, key.functions)) break;
        if (!after_commit) {
          AppendAndQuery(context, cookie, c);
        } else {
          if (IsComposing(context)) {
            EndContextComposition(context, cookie);
            e->commit.action = 0;
          }
          OutputTypedKey(context, cookie, text);
        }
        break;
      case key_action::kOutputText:
        OutputTypedKey(context, cookie, text);
        break;
      case key_action::kCommit:
        CommitCandidate(context, cookie, e->candidate_count ? 0 : static_cast<int>(key_function::kCommitEnglish));
        break;
      default: {
        const std::uint32_t space_rule = ImeU32(e, ime_block::kBehaviourFlags) & ime_block::kSpaceMask;
        if (e->key_count > 0 && e->candidate_count == 0 && c == u' ' && space_rule) {
          if (space_rule & ime_block::kSpaceCommitsEnglish) {
            CommitCandidate(context, cookie, key_function::kCommitEnglish);
          } else if (space_rule & ime_block::kSpaceDefault) {
            OutputTypedKey(context, cookie, u" ");
          } else {
            EndContextComposition(context, cookie);
          }
          break;
        }
        if (RunKeyFunctions(context, cookie, key.functions)) break;
        const bool commits_on_key = (ImeU32(e, ime_block::kImeFlags) & ime_block::kCommitOnNonCodeKey) != 0;
        if (e->candidate_count == 0 || !commits_on_key) {
          if (IsComposing(context) && e->key_count > 0) {
            if (space_rule & ime_block::kSpaceCommitsEnglish) {
              AppendInputKey(e, c);
              BuildCompositionString(e);
              e->candidate_count = 0;
              e->page_item_count = 0;
              UpdateComposition(context, cookie);
              PlaceCandidateWindow(context, cookie);
            } else if (space_rule & ime_block::kSpaceDefault) {
              OutputTypedKey(context, cookie, text);
            } else if (space_rule & ime_block::kSpaceClears) {
              ResetInput(e);
              OutputTypedKey(context, cookie, text);
            }
          } else {
            OutputTypedKey(context, cookie, text);
          }
        } else {
          OutputTypedKey(context, cookie, text);
        }
        break;
      }
    }
  }
  session_context_ = outer_context;
  edit_cookie_ = outer_cookie;
}

void TextService::ReinputSession(ITfContext* context, TfEditCookie cookie) {
  EngineInstance* e = engine_;
  if (IsComposing(context) || StartComposition(context, cookie)) {
    const int pair = PairOf(context);
    if (ITfRange* range = CompositionRange(compositions_[pair])) {
      range->SetText(cookie, 0, L"", 0);
      range->Release();
    }
  }
  WriteAtSelection(context, cookie, e->previous_commit.text, static_cast<int>(e->previous_commit.text_length));
  ResetInput(e);
  EndCompositionSession(context, cookie);
  e->commit = e->previous_commit;
  SaveLastCommit(1, e, nullptr);
  SaveLastCommit(1, e, nullptr);
}

void TextService::WriteAtSelection(ITfContext* context, TfEditCookie cookie, const char16_t* text, int length) {
  TF_SELECTION selection{};
  ULONG fetched = 0;
  if (FAILED(context->GetSelection(cookie, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) || fetched != 1 ||
      !selection.range) {
    return;
  }
  selection.range->SetText(cookie, 0, os::WidePtr(text), length);
  selection.range->Collapse(cookie, TF_ANCHOR_END);
  SetSelectionTo(context, cookie, selection.range);
  selection.range->Release();
}

void TextService::AppendAndQuery(ITfContext* context, TfEditCookie cookie, char16_t key) {
  AppendInputKey(engine_, key);
  UpdateCompositionFor(context, cookie, RunQuery(engine_));
}

void TextService::UpdateCompositionFor(ITfContext* context, TfEditCookie cookie, int result) {
  EngineInstance* e = engine_;
  switch (result) {
    case query_result::kClear:
      EndContextComposition(context, cookie);
      break;
    case query_result::kCommitFirst:
      FinishQuery(e);
      CommitCandidate(context, cookie, key_function::kCommitFirst);
      break;
    case query_result::kPushAndPassKey: {
      // The previous first candidate goes out; the key that pushed it starts the next input.
      const char16_t key = e->key_count > 0 ? e->keys[e->key_count - 1] : 0;
      FinishQuery(e);
      CommitCandidate(context, cookie, candidate_command::kFirstPlace);
      if (key) AppendAndQuery(context, cookie, key);
      break;
    }
    case query_result::kPushAndKeepKey:
      OutputTypedKey(context, cookie, e->current_key.text ? e->current_key.text : u"");
      break;
    default:
      UpdateComposition(context, cookie);
      PlaceCandidateWindow(context, cookie);
      break;
  }
}

void TextService::UpdateComposition(ITfContext* context, TfEditCookie cookie) {
  EngineInstance* e = engine_;
  if (!IsComposing(context) && !StartComposition(context, cookie)) return;
  const int pair = PairOf(context);
  ITfRange* range = CompositionRange(compositions_[pair]);
  if (!range) return;
  range->SetText(cookie, 0, L"", 0);
  const bool embedded = (ImeU32(e, ime_block::kImeFlags) & ime_block::kInlineMask) || activation_flags_;
  const bool after_commit = (e->mode & mode::kComposingAfterCommit) != 0;
  if (!embedded || after_commit) {
    // The code shows in the candidate window; the document holds one space where the word will go. After
    // a commit the document already holds the word that association continues.
    range->SetText(cookie, 0, L" ", 1);
    ITfRange* caret = nullptr;
    if (SUCCEEDED(range->Clone(&caret)) && caret) {
      caret->Collapse(cookie, TF_ANCHOR_END);
      SetSelectionTo(context, cookie, caret);
      caret->Release();
    }
    ApplyAttribute(context, cookie, range, attribute_atoms_[kAttributeConverted], attribute_atoms_[kAttributeInput]);
  } else {
    const int length = std::max(0, std::min(e->composition_length, kCompositionUnits));
    range->SetText(cookie, 0, os::WidePtr(e->composition), length);
    ITfRange* caret = nullptr;
    if (SUCCEEDED(range->Clone(&caret)) && caret) {
      caret->Collapse(cookie, TF_ANCHOR_END);
      LONG moved = 0;
      const LONG back = std::clamp(e->composition_length - e->composition_cursor, 0, length);
      if (back > 0) {
        caret->ShiftStart(cookie, -back, &moved, nullptr);
        caret->Collapse(cookie, TF_ANCHOR_START);
      }
      SetSelectionTo(context, cookie, caret);
      caret->Release();
    }
    ApplyAttribute(context, cookie, range, attribute_atoms_[kAttributeInput], attribute_atoms_[kAttributeInput]);
  }
  range->Release();
}

void TextService::PlaceCandidateWindow(ITfContext* context, TfEditCookie cookie) {
  const int pair = PairOf(context);
  if (pair < 0 || !compositions_[pair]) return;
  ITfRange* range = CompositionRange(compositions_[pair]);
  if (!range) return;
  if (!candidate_ui_) {
    // The host's answer decides, for the element's whole life, whether the host or the own window shows
    // the candidates.
    candidate_ui_ = CandidateUiElement::Create(this);
    if (candidate_ui_ && FAILED(candidate_ui_->Begin(context, cookie, range))) EndCandidateUi();
  } else {
    candidate_ui_->Update();
  }
  if (!candidate_ui_) {
    // No element to follow the text: its place is read here, for this key.
    RECT text{};
    RECT window{};
    HWND document = nullptr;
    ITfContextView* view = nullptr;
    if (SUCCEEDED(context->GetActiveView(&view)) && view) {
      BOOL clipped = FALSE;
      if (FAILED(view->GetTextExt(cookie, range, &text, &clipped))) text = RECT{};
      if (FAILED(view->GetWnd(&document))) document = nullptr;
      view->Release();
    }
    if (document) {
      GetWindowRect(document, &window);
      POINT corners[2] = {{text.left, text.top}, {text.right, text.bottom}};
      ScreenToClient(document, &corners[0]);
      ScreenToClient(document, &corners[1]);
      text = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    }
    SetTextPosition(text, window);
    range->Release();
    PlaceOwnCandidateWindow(document);
    return;
  }
  range->Release();
  if (!candidate_ui_->ShowsOwnWindow()) return;
  HWND document = nullptr;
  ITfContextView* view = nullptr;
  if (SUCCEEDED(context->GetActiveView(&view)) && view) {
    if (FAILED(view->GetWnd(&document))) document = nullptr;
    view->Release();
  }
  PlaceOwnCandidateWindow(document);
}

void TextService::PlaceOwnCandidateWindow(HWND document) {
  EngineInstance* e = engine_;
  if (!e || (ImeU32(e, ime_block::kImeFlags) & ime_block::kHideCandidateWindow)) return;
  constexpr LONG kCaretWidth = 41;
  constexpr LONG kCaretHeight = 21;
  constexpr LONG kCaretDrop = 2;
  constexpr LONG kBelowWindowTop = 20;
  POINT at{text_rect_.left, text_rect_.top};
  LONG width = text_rect_.right - text_rect_.left;
  LONG height = text_rect_.bottom - text_rect_.top;
  if (!e->immersive && document) {
    RECT client{};
    GetClientRect(document, &client);
    POINT caret{};
    // A text place outside the window (a host that does not know it) falls back to the system caret.
    if (!PtInRect(&client, at) && GetCaretPos(&caret)) {
      at = caret;
      width = kCaretWidth;
      height = kCaretHeight;
    }
  }
  at.y += kCaretDrop;
  if (document) ClientToScreen(document, &at);
  if (document && at.y < second_rect_.top) at.y = second_rect_.top + kBelowWindowTop;
  MoveCandidateWindow(e, RECT{at.x, at.y, at.x + width, at.y + height});
  UpdateCandidateWindow(e, false);
  ShowCandidateWindow(e);
}

void TextService::EndCandidateUi() {
  if (!candidate_ui_) return;
  CandidateUiElement* element = candidate_ui_;
  candidate_ui_ = nullptr;
  element->End();
  element->Detach();
  element->Release();
}

void TextService::FollowTextExtent(ITfContext*, TfEditCookie cookie) {
  if (candidate_ui_) candidate_ui_->FollowTextExtent(cookie);
}

void TextService::RequestTextExtentSession(ITfContext* context) {
  RequestSession(context, TF_ES_SYNC | TF_ES_READ, InSession<&TextService::FollowTextExtent>);
}

// ---- output ----

void TextService::OutputTypedKey(ITfContext* context, TfEditCookie cookie, const char16_t* text) {
  EngineInstance* e = engine_;
  const bool composing = IsComposing(context);
  if (composing && e->key_count > 0 && !(e->mode & mode::kComposingAfterCommit)) {
    NavigateCandidates(candidate_command::kHighlighted, e);
  } else {
    e->commit.text_length = 0;
    e->commit.text[0] = 0;
  }
  char16_t c = text ? text[0] : 0;
  if (c && c < 32) c = static_cast<char16_t>(c + 32);
  const std::uint32_t now = os::TickCount();
  const ByteView ime = e->blocks.ime;
  const auto entry_text_length = [&](char16_t key) {
    if (key >= ime_block::kPunctuationCount) return 0;
    int n = 0;
    std::uint16_t unit = 0;
    const std::uint32_t at = ime_block::PunctuationOffset(key) + ime_block::kPunctuationText;
    while (n < static_cast<int>(ime_block::kPunctuationPairUnits) && ime.ReadU16(at + 2u * n, unit) && unit) ++n;
    return n;
  };
  const auto entry_kind = [&](char16_t key) {
    std::uint16_t kind = 0;
    if (key < ime_block::kPunctuationCount) ime.ReadU16(ime_block::PunctuationOffset(key), kind);
    return kind;
  };

  if (c && typed_.pair_key == c && now - typed_.pair_tick < kPairMilliseconds) {
    // The second press takes the first press's translation back and leaves the key itself.
    const int erase = entry_text_length(c);
    typed_.pair_key = 0;
    e->previous_commit = CommitRecord{};
    e->previous_commit.action = commit_action::kTypedText;
    e->previous_commit.text[0] = c;
    e->previous_commit.text_length = 1;
    if (composing) EndContextComposition(context, cookie);
    SendBackspaces(e, erase);
    return;
  }

  char16_t out[kOutputUnits] = {};
  const char16_t typed[2] = {c, 0};
  if (!c) {
    out[0] = 0;
  } else if (!(e->mode & (mode::kEnglish | mode::kTemporaryEnglish | mode::kEnglishPunctuation))) {
    const std::uint16_t kind = entry_kind(c);
    if (kind == ime_block::kPunctuationSmart) {
      char16_t entry[ime_block::kPunctuationPairUnits + 1] = {};
      const int n = entry_text_length(c);
      for (int i = 0; i < n; ++i) {
        std::uint16_t unit = 0;
        ime.ReadU16(ime_block::PunctuationOffset(c) + ime_block::kPunctuationText + 2u * i, unit);
        entry[i] = unit;
      }
      if (!Same(entry, u"《〈") && !Same(entry, u"〉》") && !Same(entry, typed)) {
        typed_.pair_key = c;
        typed_.pair_tick = now;
      }
    }
    BYTE state[256] = {};
    GetKeyboardState(state);
    TranslatePunctuation(out, kOutputUnits, ime, e->punctuation_pairs, typed, (state[VK_SHIFT] & 0x80) != 0);
    if (!out[0]) Append(out, kOutputUnits, typed);
  } else {
    Append(out, kOutputUnits, text);
  }
  if (e->mode & mode::kFullWidth) ToFullWidth(out);

  char16_t commit[kCommitTextUnits] = {};
  const int held = std::min<int>(static_cast<int>(e->commit.text_length), kCommitTextUnits - 1);
  for (int i = 0; i < held; ++i) commit[i] = e->commit.text[i];
  Append(commit, kCommitTextUnits, out);
  const int length = Length(commit);
  for (int i = 0; i <= length; ++i) e->commit.text[i] = commit[i];
  e->commit.text_length = static_cast<std::uint32_t>(length);
  e->association_key[0] = 0;
  e->commit.action = commit_action::kTypedText;
  SaveLastCommit(1, e, nullptr);
  e->commit.action = commit_action::kText;
  OutputCommit(context, cookie);
  if (composing) {
    ResetInput(e);
    EndCompositionSession(context, cookie);
  }
}

int TextService::CommitCandidate(ITfContext* context, TfEditCookie cookie, int command) {
  EngineInstance* e = engine_;
  if (!e) return 0;
  const bool after_commit = (e->mode & mode::kComposingAfterCommit) != 0;
  if (NavigateCandidates(command, e) < kInputCommitted) return 0;
  if (e->commit.action == command_action::kNewKey) {
    ResetInput(e);
    for (int i = 0; i < kMaxInputKeys && e->command_text[i]; ++i) AppendInputKey(e, e->command_text[i]);
    UpdateCompositionFor(context, cookie, RunQuery(e));
    return 1;
  }
  if (command != static_cast<int>(key_function::kCommitEnglish)) {
    CandidateIndexForCommand(command, e);
    AfterCommit(e, command);
  }
  // Association continues the word the document holds already: only the part after it goes in.
  if (after_commit && (e->commit.action & commit_action::kText)) {
    char16_t held[kCommitTextUnits] = {};
    const int held_length = AssociationText(e, held, kCommitTextUnits);
    int same = 0;
    while (same < held_length && e->commit.text[same] == held[same]) ++same;
    char16_t whole[kCommitTextUnits] = {};
    Append(whole, kCommitTextUnits, e->commit.text);
    if (same == held_length && held_length > 0) {
      const int rest = static_cast<int>(e->commit.text_length) - same;
      for (int i = 0; i <= rest; ++i) e->commit.text[i] = e->commit.text[same + i];
      e->commit.text_length = static_cast<std::uint32_t>(std::max(rest, 0));
    }
    OutputCommit(context, cookie);
    SetAssociationKey(e, whole);
  } else {
    OutputCommit(context, cookie);
    if (e->commit.action & commit_action::kText) SetAssociationKey(e, e->commit.text);
  }
  if (e->commit.action & commit_action::kText) SaveLastCommit(1, e, e->keys);

  const char16_t* key_text = e->current_key.text;
  if (command == static_cast<int>(key_function::kCommitFirstAndKey) && IsNamedKey(key_text)) {
    const auto vk = static_cast<std::uint8_t>(e->current_key.index & 0xFF);
    ResetInput(e);
    EndCompositionSession(context, cookie);
    os::SendKeyEvent(vk, 0, 0);
    os::SendKeyEvent(vk, 0, os::kKeyEventUp);
    return 1;
  }
  e->mode &= ~mode::kComposingAfterCommit;
  EndCompositionSession(context, cookie);
  if (AssociateAfterCommit(e) > 0) {
    if (StartComposition(context, cookie)) {
      e->mode |= mode::kComposingAfterCommit;
      FinishQuery(e);
      UpdateComposition(context, cookie);
      PlaceCandidateWindow(context, cookie);
    } else {
      ResetInput(e);
    }
  } else {
    ResetInput(e);
  }
  return 1;
}

void TextService::OutputCommit(ITfContext* context, TfEditCookie cookie) {
  EngineInstance* e = engine_;
  const int pair = PairOf(context);
  if (pair >= 0 && compositions_[pair]) {
    if (ITfRange* range = CompositionRange(compositions_[pair])) {
      range->SetText(cookie, 0, L"", 0);
      range->Release();
    }
  }
  const std::uint32_t action = e->commit.action;
  if (action & commit_action::kText) {
    const int length = std::min<int>(static_cast<int>(e->commit.text_length), kCommitTextUnits - 1);
    WriteAtSelection(context, cookie, e->commit.text, length);
  }
  if (!(action & 0x2000)) return;
  if ((action & command_action::kConfig) == command_action::kConfig) {
    LaunchConfig(nullptr, e->command_text, e);
  } else if ((action & command_action::kSet) == command_action::kSet) {
    ReloadSkinIfChanged(e);
  } else if ((action & command_action::kRun) == command_action::kRun) {
    os::StartProgram(e->command_text, u"", u"");
  }
  RefreshWindows();
}

void TextService::RepeatLastCommit(ITfContext* context, TfEditCookie cookie) {
  EngineInstance* e = engine_;
  if (e->previous_commit.text_length == 0) return;
  e->commit = e->previous_commit;
  SaveLastCommit(1, e, nullptr);
  const bool started = IsComposing(context) || StartComposition(context, cookie);
  WriteAtSelection(context, cookie, e->commit.text,
                   std::min<int>(static_cast<int>(e->commit.text_length), kCommitTextUnits - 1));
  if (started) EndCompositionSession(context, cookie);
}

}  // namespace lz
