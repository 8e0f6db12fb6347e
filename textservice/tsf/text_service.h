#pragma once
// The text input processor that TSF creates through the class factory: it owns the engine instance of an
// activation, advises its sinks, preserves the hot keys, mirrors the modes in the compartments and keeps
// the language-bar button.
#include <windows.h>

#include "textservice/engine/engine_instance.h"
#include "textservice/tsf/activation_rules.h"
#include "textservice/tsf/key_filter.h"
#include "textservice/tsf/tsf_declarations.h"

namespace lz {

class LangBarButton;
class CandidateUiElement;

// The class factory's CreateInstance: a new text service asked for riid.
HRESULT CreateTextService(REFIID riid, void** out);

constexpr int kMaxCompositions = 5;
constexpr int kMaxPreservedKeys = 64 + 2;

enum AttributeIndex { kAttributeInput = 0, kAttributeConverted = 1, kAttributeNone = 2, kAttributeCount = 3 };

class TextService final : public ITfTextInputProcessorEx,
                          public ITfThreadMgrEventSink,
                          public ITfTextEditSink,
                          public ITfKeyEventSink,
                          public ITfCompositionSink,
                          public ITfDisplayAttributeProvider,
                          public ITfActiveLanguageProfileNotifySink,
                          public ITfThreadFocusSink,
                          public ITfFnReconversion,
                          public ITfFnConfigure,
                          public ITfCompartmentEventSink {
 public:
  TextService();
  TextService(const TextService&) = delete;
  TextService& operator=(const TextService&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ITfTextInputProcessor(Ex)
  HRESULT STDMETHODCALLTYPE Activate(ITfThreadMgr* thread_manager, TfClientId client_id) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;
  HRESULT STDMETHODCALLTYPE ActivateEx(ITfThreadMgr* thread_manager, TfClientId client_id, DWORD flags) override;

  // ITfThreadMgrEventSink
  HRESULT STDMETHODCALLTYPE OnInitDocumentMgr(ITfDocumentMgr* document) override;
  HRESULT STDMETHODCALLTYPE OnUninitDocumentMgr(ITfDocumentMgr* document) override;
  HRESULT STDMETHODCALLTYPE OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr* previous) override;
  HRESULT STDMETHODCALLTYPE OnPushContext(ITfContext* context) override;
  HRESULT STDMETHODCALLTYPE OnPopContext(ITfContext* context) override;

  // ITfTextEditSink
  HRESULT STDMETHODCALLTYPE OnEndEdit(ITfContext* context, TfEditCookie cookie, ITfEditRecord* record) override;

  // ITfKeyEventSink (the key filter handles keys)
  HRESULT STDMETHODCALLTYPE OnSetFocus(BOOL foreground) override;
  HRESULT STDMETHODCALLTYPE OnTestKeyDown(ITfContext* context, WPARAM wparam, LPARAM lparam, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE OnTestKeyUp(ITfContext* context, WPARAM wparam, LPARAM lparam, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE OnKeyDown(ITfContext* context, WPARAM wparam, LPARAM lparam, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE OnKeyUp(ITfContext* context, WPARAM wparam, LPARAM lparam, BOOL* eaten) override;
  HRESULT STDMETHODCALLTYPE OnPreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten) override;

  // ITfCompositionSink
  HRESULT STDMETHODCALLTYPE OnCompositionTerminated(TfEditCookie cookie, ITfComposition* composition) override;

  // ITfDisplayAttributeProvider
  HRESULT STDMETHODCALLTYPE EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) override;

  // ITfActiveLanguageProfileNotifySink
  HRESULT STDMETHODCALLTYPE OnActivated(REFCLSID clsid, REFGUID profile, BOOL activated) override;

  // ITfThreadFocusSink
  HRESULT STDMETHODCALLTYPE OnSetThreadFocus() override;
  HRESULT STDMETHODCALLTYPE OnKillThreadFocus() override;

  // ITfFunction (shared by both functions)
  HRESULT STDMETHODCALLTYPE GetDisplayName(BSTR* name) override;
  // ITfFnReconversion: reconversion is not offered.
  HRESULT STDMETHODCALLTYPE QueryRange(ITfRange* range, ITfRange** new_range, BOOL* convertable) override;
  HRESULT STDMETHODCALLTYPE GetReconversion(ITfRange* range, ITfCandidateList** list) override;
  HRESULT STDMETHODCALLTYPE Reconvert(ITfRange* range) override;
  // ITfFnConfigure
  HRESULT STDMETHODCALLTYPE Show(HWND parent, LANGID langid, REFGUID profile) override;

  // ITfCompartmentEventSink
  HRESULT STDMETHODCALLTYPE OnChange(REFGUID guid) override;

  // For the language-bar button and the windows.
  EngineInstance* engine() const { return engine_; }
  ITfThreadMgr* thread_manager() const { return thread_manager_; }
  ITfContext* edit_sink_context() const { return edit_sink_context_; }
  DWORD activation_flags() const { return activation_flags_; }
  TfGuidAtom attribute_atom(AttributeIndex index) const { return attribute_atoms_[index]; }

  // Compartments.
  bool IsKeyboardDisabledOrEmpty();
  bool IsImeOpen();
  void SetOpenCompartment(DWORD value);
  DWORD GetConversionCompartment();
  void SetConversionCompartment(DWORD value);

  // Engine flags 0x8 and 0x4 and the shared mode state from the compartments and Caps Lock.
  void UpdateModeState();
  // To Chinese (opening a closed input method) or to English, with the compartments following.
  void ToggleChinese(bool chinese);
  // The windows and the button show the current modes.
  void RefreshWindows();
  // The host window of the focused view, or null.
  HWND FocusedViewWindow();

  // ---- keys, compositions and commits (key_handling.cpp) ----
  // The key filter with the context's own checks first: 1 eat, 0 pass.
  int Filter(ITfContext* context, WPARAM wparam, LPARAM lparam);
  // Runs the key edit session for the current key: synchronously on the context, or asynchronously on
  // the edit-sink context when none is given.
  void RequestKeySession(ITfContext* context);
  // Resets the input and ends the context's composition in a session of its own (or in the running one).
  void RequestEndComposition(ITfContext* context);
  void KeyEditSession(ITfContext* context, TfEditCookie cookie);
  void EndCompositionSession(ITfContext* context, TfEditCookie cookie);
  // Clears the input and ends the context's composition with its text removed, as the clear-input key
  // does: a command of a window leaves nothing of the input behind in the document.
  void ClearInputSession(ITfContext* context, TfEditCookie cookie);
  // A switch to Chinese or to English from a window or a menu: the input in progress ends first, as it
  // does when a key switches.
  void SwitchLanguageSession(ITfContext* context, TfEditCookie cookie, bool chinese);
  bool IsComposing(ITfContext* context) const;
  int RunKeyFunctions(ITfContext* context, TfEditCookie cookie, std::uint64_t mask);
  // A command of a skinned window or a menu: 1 when handled, else 0.
  int RunUiCommand(int a, int b, int id);
  // Switches the on-screen keyboard to a layout (1..13) or off; a negative layout, or 0 when not chosen
  // explicitly, takes the remembered layout (none while the keyboard is on: the switch turns it off).
  void SelectSoftKeyboard(int layout, bool explicit_choice);
  // The character the on-screen keyboard's layout gives a virtual key (0 when none or the keyboard is off).
  char16_t SoftKeyboardCharacterFor(std::uint32_t virtual_key, bool shifted) const;
  void SetCurrentKeyMask(std::uint64_t mask);
  void ShowModeTip(const char16_t* text);
  void SetPunctuationMode(bool english);
  void SetFullWidth(bool on);

  // ---- the candidate-list UI element (key_handling.cpp) ----
  // The text's rectangle in the document window's client coordinates and the document window's screen
  // rectangle, which the own candidate window is placed by.
  const RECT& text_rect() const { return text_rect_; }
  const RECT& second_rect() const { return second_rect_; }
  void SetTextPosition(const RECT& text, const RECT& window) {
    text_rect_ = text;
    second_rect_ = window;
  }
  // Places the own candidate window under the saved text rectangle of the document window.
  void PlaceOwnCandidateWindow(HWND document);
  // Reads the text's place again in a synchronous read session, for the element's layout sink.
  void RequestTextExtentSession(ITfContext* context);
  // Ends the candidate-list UI element and lets it go.
  void EndCandidateUi();

 private:
  ~TextService();

  int PairOf(ITfContext* context) const;
  bool StartComposition(ITfContext* context, TfEditCookie cookie);
  void ForgetPair(int pair);
  void EndPairComposition(int pair, TfEditCookie cookie);
  void EndContextComposition(ITfContext* context, TfEditCookie cookie);
  void UpdateComposition(ITfContext* context, TfEditCookie cookie);
  void PlaceCandidateWindow(ITfContext* context, TfEditCookie cookie);
  void UpdateCompositionFor(ITfContext* context, TfEditCookie cookie, int query_result);
  void AppendAndQuery(ITfContext* context, TfEditCookie cookie, char16_t key);
  void OutputTypedKey(ITfContext* context, TfEditCookie cookie, const char16_t* text);
  int CommitCandidate(ITfContext* context, TfEditCookie cookie, int command);
  void OutputCommit(ITfContext* context, TfEditCookie cookie);
  void RepeatLastCommit(ITfContext* context, TfEditCookie cookie);
  void ReinputSession(ITfContext* context, TfEditCookie cookie);
  void WriteAtSelection(ITfContext* context, TfEditCookie cookie, const char16_t* text, int length);
  void ToggleOpen(ITfContext* context, TfEditCookie cookie, bool open);
  void EndComposingForModeSwitch(ITfContext* context, TfEditCookie cookie);
  void RunAsyncKeyMask(std::uint64_t mask);
  void CapsLockPunctuationRule();
  HRESULT RequestSession(ITfContext* context, DWORD flags, void (*callback)(TextService&, ITfContext*, TfEditCookie));

  bool AdviseSourceSink(IUnknown* source_owner, REFIID riid, IUnknown* sink, DWORD& cookie);
  void UnadviseSourceSink(IUnknown* source_owner, DWORD& cookie);
  void AdviseTextEditSink(ITfDocumentMgr* document);
  bool AdviseCompartmentSink();
  void UnadviseCompartmentSink();
  void RegisterAttributeAtoms();
  void PreserveHotKeys();
  void UnpreserveHotKeys();
  bool PreserveKey(const TF_PRESERVEDKEY& key, const GUID& guid, const wchar_t* description);
  bool AddLanguageBarButton();
  void RemoveLanguageBarButton();
  void DestroyWindows();
  void ShowWindowsAgain();
  bool ReadCompartment(IUnknown* owner, const GUID& guid, VARIANT& value);
  void WriteCompartment(IUnknown* owner, const GUID& guid, DWORD value);

  LONG references_ = 1;
  EngineInstance* engine_ = nullptr;
  RECT text_rect_{};
  RECT second_rect_{};
  DWORD activation_flags_ = 0;
  DWORD thread_manager_sink_cookie_ = TF_INVALID_COOKIE;
  ITfContext* edit_sink_context_ = nullptr;
  DWORD edit_sink_cookie_ = TF_INVALID_COOKIE;
  LangBarButton* button_ = nullptr;
  TfClientId client_id_ = TF_CLIENTID_NULL;
  DWORD thread_focus_sink_cookie_ = TF_INVALID_COOKIE;
  DWORD profile_sink_cookie_ = TF_INVALID_COOKIE;
  DWORD compartment_sink_cookie_ = TF_INVALID_COOKIE;
  bool key_sink_advised_ = false;
  TfGuidAtom attribute_atoms_[kAttributeCount] = {};
  ITfThreadMgr* thread_manager_ = nullptr;
  ITfComposition* compositions_[kMaxCompositions] = {};
  ITfContext* composition_contexts_[kMaxCompositions] = {};
  struct PreservedKey {
    TF_PRESERVEDKEY key;
    GUID guid;
  };
  PreservedKey preserved_[kMaxPreservedKeys] = {};
  int preserved_count_ = 0;

  // Key handling.
  PendingKeyAnswer pending_answer_;
  TypedKeyMemory typed_;
  bool skip_next_key_ = false;
  bool key_up_handled_ = false;
  bool key_up_pending_ = false;
  int last_function_result_ = 0;
  TfEditCookie edit_cookie_ = 0;
  // The context whose session runs now: requests for it run inside that session.
  ITfContext* session_context_ = nullptr;
  // While candidates are shown: the element that tells a host that draws them, or follows the text.
  CandidateUiElement* candidate_ui_ = nullptr;
  void FollowTextExtent(ITfContext* context, TfEditCookie cookie);
};

// Makes the service the one the windows' commands reach for its engine (or forgets it).
void RegisterKeyService(TextService* service, bool active);

// The mode state that the windows read (ModeState as a number).
ModeState CurrentModeState();

}  // namespace lz
