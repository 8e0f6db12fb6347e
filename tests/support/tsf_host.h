#pragma once
// Our own TSF host for driving the text-service library in a test: a thread manager with its keystroke,
// compartment and language-bar item managers, document managers each with one context over a UTF-16 text
// buffer (ranges that follow edits, the selection, compositions the host can end, the display-attribute
// property, edit sessions answered, nested or queued as TSF does), and records of everything the text
// service asks of them (advised sinks, preserved keys, compartment writes, language-bar updates,
// references held). Wine's msctf routes no keys to a text service and has no language-bar item manager,
// so tests use this host instead.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "textservice/tsf/tsf_declarations.h"

namespace lz::test {

// Reference counting shared by the host's objects: the host holds one reference of its own, so a count
// of 1 means the text service holds none.
class HostObject {
 public:
  LONG references() const { return references_; }

 protected:
  ULONG AddReference() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG ReleaseReference() { return static_cast<ULONG>(InterlockedDecrement(&references_)); }
  LONG references_ = 1;
};

// One advised sink of an ITfSource.
struct AdvisedSink {
  GUID iid;
  IUnknown* sink;  // the interface asked for, referenced
  DWORD cookie;
};

// The sinks of one ITfSource, with the cookies it hands out.
class SinkList {
 public:
  explicit SinkList(std::vector<GUID> accepted) : accepted_(std::move(accepted)) {}
  ~SinkList();
  HRESULT Advise(REFIID riid, IUnknown* sink, DWORD* cookie);
  HRESULT Unadvise(DWORD cookie);
  const std::vector<AdvisedSink>& sinks() const { return sinks_; }
  int CountOf(REFIID riid) const;
  template <typename T>
  void ForEach(REFIID riid, const std::function<void(T*)>& call) const {
    const std::vector<AdvisedSink> copy = sinks_;
    for (const AdvisedSink& s : copy) {
      if (IsEqualIID(s.iid, riid)) call(static_cast<T*>(s.sink));
    }
  }

 private:
  std::vector<GUID> accepted_;
  std::vector<AdvisedSink> sinks_;
  DWORD next_cookie_ = 0x100;
};

// A compartment whose change sinks hear every SetValue (the setter's own and unchanged values too, as
// Wine's msctf does).
class HostCompartment final : public ITfCompartment, public ITfSource, public HostObject {
 public:
  HostCompartment() : sinks_({IID_ITfCompartmentEventSink}) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }
  HRESULT STDMETHODCALLTYPE SetValue(TfClientId client, const VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE GetValue(VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override {
    return sinks_.Advise(riid, sink, cookie);
  }
  HRESULT STDMETHODCALLTYPE UnadviseSink(DWORD cookie) override { return sinks_.Unadvise(cookie); }

  void SetGuid(const GUID& guid) { guid_ = guid; }
  // Set by the test without telling anyone (the state an application left behind).
  void Preset(LONG value) {
    value_ = value;
    has_value_ = true;
  }
  bool has_value() const { return has_value_; }
  LONG value() const { return value_; }
  int writes() const { return writes_; }
  const SinkList& sinks() const { return sinks_; }

 private:
  GUID guid_{};
  bool has_value_ = false;
  LONG value_ = 0;
  int writes_ = 0;
  SinkList sinks_;
};

// The compartments of one owner (the thread manager or a context), made on first use.
class CompartmentSet {
 public:
  ~CompartmentSet();
  HostCompartment& Get(const GUID& guid);
  HRESULT GetCompartment(REFGUID guid, ITfCompartment** out);
  int AdvisedSinks() const;
  // The compartments with more than the host's own reference.
  int Referenced() const;

 private:
  std::vector<std::pair<GUID, HostCompartment*>> compartments_;
};

class HostContext;
class HostThreadManager;

class HostView final : public ITfContextView, public HostObject {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }
  HRESULT STDMETHODCALLTYPE GetRangeFromPoint(TfEditCookie, const POINT*, DWORD, ITfRange**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetTextExt(TfEditCookie, ITfRange*, RECT* rect, BOOL* clipped) override;
  HRESULT STDMETHODCALLTYPE GetScreenExt(RECT* rect) override;
  HRESULT STDMETHODCALLTYPE GetWnd(HWND* window) override;

  HWND window = nullptr;
  RECT text_extent{100, 100, 120, 120};
};

class HostRange;
class HostComposition;

// GUID_PROP_ATTRIBUTE of a context: the display-attribute atoms over spans of its text.
struct AttributeSpan {
  LONG start;
  LONG end;
  LONG atom;
};

class HostAttributeProperty final : public ITfProperty, public HostObject {
 public:
  explicit HostAttributeProperty(HostContext* context) : context_(context) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }
  HRESULT STDMETHODCALLTYPE GetType(GUID* guid) override;
  HRESULT STDMETHODCALLTYPE EnumRanges(TfEditCookie, IEnumTfRanges**, ITfRange*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetValue(TfEditCookie cookie, ITfRange* range, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE GetContext(ITfContext** context) override;
  HRESULT STDMETHODCALLTYPE FindRange(TfEditCookie, ITfRange*, ITfRange**, TfAnchor) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetValueStore(TfEditCookie, ITfRange*, ITfPropertyStore*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetValue(TfEditCookie cookie, ITfRange* range, const VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE Clear(TfEditCookie cookie, ITfRange* range) override;

 private:
  HostContext* context_;
};

// How the context answers edit requests.
enum class EditRequests {
  kAnswered,       // synchronous ones at once (nested too); asynchronous ones at once when idle, else after
  kQueued,         // every request waits until the test pumps them (synchronous ones are refused)
  kSyncRefused,    // synchronous requests are refused (TF_E_SYNCHRONOUS), asynchronous ones answered
};

class HostContext final : public ITfContext,
                          public ITfSource,
                          public ITfCompartmentMgr,
                          public ITfContextComposition,
                          public ITfInsertAtSelection,
                          public HostObject {
 public:
  explicit HostContext(HostThreadManager* owner);
  ~HostContext();
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

  // ITfContext
  HRESULT STDMETHODCALLTYPE RequestEditSession(TfClientId client, ITfEditSession* session, DWORD flags,
                                               HRESULT* session_result) override;
  HRESULT STDMETHODCALLTYPE InWriteSession(TfClientId, BOOL* writing) override;
  HRESULT STDMETHODCALLTYPE GetSelection(TfEditCookie cookie, ULONG index, ULONG count, TF_SELECTION* selection,
                                         ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE SetSelection(TfEditCookie cookie, ULONG count, const TF_SELECTION* selection) override;
  HRESULT STDMETHODCALLTYPE GetStart(TfEditCookie cookie, ITfRange** range) override;
  HRESULT STDMETHODCALLTYPE GetEnd(TfEditCookie cookie, ITfRange** range) override;
  HRESULT STDMETHODCALLTYPE GetActiveView(ITfContextView** view) override;
  HRESULT STDMETHODCALLTYPE EnumViews(IEnumTfContextViews**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStatus(TF_STATUS* status) override;
  HRESULT STDMETHODCALLTYPE GetProperty(REFGUID guid, ITfProperty** property) override;
  HRESULT STDMETHODCALLTYPE GetAppProperty(REFGUID, ITfReadOnlyProperty**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TrackProperties(const GUID**, ULONG, const GUID**, ULONG, ITfReadOnlyProperty**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumProperties(IEnumTfProperties**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDocumentMgr(ITfDocumentMgr**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateRangeBackup(TfEditCookie, ITfRange*, ITfRangeBackup**) override { return E_NOTIMPL; }

  // ITfSource (text-edit and text-layout sinks)
  HRESULT STDMETHODCALLTYPE AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override {
    return sinks_.Advise(riid, sink, cookie);
  }
  HRESULT STDMETHODCALLTYPE UnadviseSink(DWORD cookie) override { return sinks_.Unadvise(cookie); }

  // ITfCompartmentMgr
  HRESULT STDMETHODCALLTYPE GetCompartment(REFGUID guid, ITfCompartment** out) override {
    return compartments_.GetCompartment(guid, out);
  }
  HRESULT STDMETHODCALLTYPE ClearCompartment(TfClientId, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumCompartments(IEnumGUID**) override { return E_NOTIMPL; }

  // ITfContextComposition
  HRESULT STDMETHODCALLTYPE StartComposition(TfEditCookie cookie, ITfRange* range, ITfCompositionSink* sink,
                                             ITfComposition** composition) override;
  HRESULT STDMETHODCALLTYPE EnumCompositions(IEnumITfCompositionView**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindComposition(TfEditCookie, ITfRange*, IEnumITfCompositionView**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE TakeOwnership(TfEditCookie, ITfCompositionView*, ITfCompositionSink*,
                                          ITfComposition**) override {
    return E_NOTIMPL;
  }

  // ITfInsertAtSelection
  HRESULT STDMETHODCALLTYPE InsertTextAtSelection(TfEditCookie cookie, DWORD flags, const WCHAR* text, LONG length,
                                                  ITfRange** range) override;
  HRESULT STDMETHODCALLTYPE InsertEmbeddedAtSelection(TfEditCookie, DWORD, IDataObject*, ITfRange**) override {
    return E_NOTIMPL;
  }

  CompartmentSet& compartments() { return compartments_; }
  const CompartmentSet& compartments() const { return compartments_; }
  const SinkList& sinks() const { return sinks_; }
  HostView& view() { return view_; }

  // ---- the document ----
  const std::u16string& text() const { return text_; }
  LONG selection_start() const { return selection_start_; }
  LONG selection_end() const { return selection_end_; }
  // Sets the text and puts the caret at its end, as an application's own edit (no session).
  void ResetText(const std::u16string& text);
  // What an edit control does with a key it receives: the text replaces the selection, a backspace takes
  // the unit before the caret. The text-edit sinks hear it.
  void TypeText(const std::u16string& text);
  void TypeBackspace();
  const std::vector<AttributeSpan>& spans() const { return spans_; }
  // The compositions started and not ended; their text.
  const std::vector<HostComposition*>& compositions() const { return compositions_; }
  std::u16string CompositionText(std::size_t index) const;
  // The host ends a composition itself (as an application does when it loses the focus): the owner's sink
  // hears OnCompositionTerminated inside a write session, then the composition is gone.
  void TerminateComposition(std::size_t index);
  // Makes EndComposition fail (the composition stays), as a host may refuse it.
  bool refuse_end_composition = false;
  // The document's layout changed (TF_LC_CHANGE) or its view goes (TF_LC_DESTROY): the text-layout sinks
  // hear it with the active view.
  void FireLayoutChange(tsf::TfLayoutCode code);

  // ---- edit requests ----
  EditRequests requests = EditRequests::kAnswered;
  // Runs the requests that wait; returns how many ran.
  int PumpRequests();
  int edit_sessions() const { return edit_sessions_; }
  bool InSession() const { return session_depth_ > 0; }

  // ---- used by the ranges and compositions ----
  bool ValidCookie(TfEditCookie cookie) const { return session_depth_ > 0 && cookie == current_cookie_; }
  bool Writable(TfEditCookie cookie) const { return ValidCookie(cookie) && session_writes_; }
  // Replaces [start, end) with the text; every range, the selection and the spans follow.
  void Replace(LONG start, LONG end, const std::u16string& text);
  void RangeCreated(HostRange* range) { ranges_.push_back(range); }
  void RangeDestroyed(HostRange* range);
  HostRange* Find(ITfRange* range) const;
  void CompositionEnded(HostComposition* composition);
  std::vector<AttributeSpan>& mutable_spans() { return spans_; }
  // Host objects that someone besides the host holds.
  bool NothingHeld() const;

 private:
  HRESULT RunSession(ITfEditSession* session, bool writes);
  void AfterEdit();
  void NotifyEndEdit();

  HostThreadManager* owner_;
  SinkList sinks_;
  CompartmentSet compartments_;
  HostView view_;
  HostAttributeProperty attribute_property_;
  std::u16string text_;
  LONG selection_start_ = 0;
  LONG selection_end_ = 0;
  bool selection_changed_ = false;
  bool text_changed_ = false;
  std::vector<HostRange*> ranges_;
  std::vector<AttributeSpan> spans_;
  std::vector<HostComposition*> compositions_;
  std::vector<HostComposition*> ended_compositions_;
  struct Request {
    ITfEditSession* session;
    bool writes;
  };
  std::vector<Request> waiting_;
  int session_depth_ = 0;
  bool session_writes_ = false;
  TfEditCookie current_cookie_ = 0;
  TfEditCookie next_cookie_ = 0x1000;
  int edit_sessions_ = 0;
};

// A span of a context's text; it follows edits of the text, as TSF's ranges do (backward gravity at its
// start, forward at its end).
class HostRange final : public ITfRange {
 public:
  HostRange(HostContext* context, LONG start, LONG end);
  ~HostRange();
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetText(TfEditCookie cookie, DWORD flags, WCHAR* text, ULONG capacity,
                                    ULONG* length) override;
  HRESULT STDMETHODCALLTYPE SetText(TfEditCookie cookie, DWORD flags, const WCHAR* text, LONG length) override;
  HRESULT STDMETHODCALLTYPE GetFormattedText(TfEditCookie, IDataObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetEmbedded(TfEditCookie, REFGUID, REFIID, IUnknown**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InsertEmbedded(TfEditCookie, DWORD, IDataObject*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShiftStart(TfEditCookie cookie, LONG requested, LONG* shifted, const TF_HALTCOND*) override;
  HRESULT STDMETHODCALLTYPE ShiftEnd(TfEditCookie cookie, LONG requested, LONG* shifted, const TF_HALTCOND*) override;
  HRESULT STDMETHODCALLTYPE ShiftStartToRange(TfEditCookie cookie, ITfRange* range, TfAnchor anchor) override;
  HRESULT STDMETHODCALLTYPE ShiftEndToRange(TfEditCookie cookie, ITfRange* range, TfAnchor anchor) override;
  HRESULT STDMETHODCALLTYPE ShiftStartRegion(TfEditCookie, TfShiftDir, WINBOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShiftEndRegion(TfEditCookie, TfShiftDir, WINBOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsEmpty(TfEditCookie cookie, WINBOOL* empty) override;
  HRESULT STDMETHODCALLTYPE Collapse(TfEditCookie cookie, TfAnchor anchor) override;
  HRESULT STDMETHODCALLTYPE IsEqualStart(TfEditCookie cookie, ITfRange* with, TfAnchor anchor, WINBOOL* equal) override;
  HRESULT STDMETHODCALLTYPE IsEqualEnd(TfEditCookie cookie, ITfRange* with, TfAnchor anchor, WINBOOL* equal) override;
  HRESULT STDMETHODCALLTYPE CompareStart(TfEditCookie cookie, ITfRange* with, TfAnchor anchor, LONG* result) override;
  HRESULT STDMETHODCALLTYPE CompareEnd(TfEditCookie cookie, ITfRange* with, TfAnchor anchor, LONG* result) override;
  HRESULT STDMETHODCALLTYPE AdjustForInsert(TfEditCookie cookie, ULONG, WINBOOL* ok) override;
  HRESULT STDMETHODCALLTYPE GetGravity(TfGravity* start, TfGravity* end) override;
  HRESULT STDMETHODCALLTYPE SetGravity(TfEditCookie, TfGravity, TfGravity) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Clone(ITfRange** clone) override;
  HRESULT STDMETHODCALLTYPE GetContext(ITfContext** context) override;

  LONG start;
  LONG end;

 private:
  bool AnchorOf(ITfRange* with, TfAnchor anchor, LONG& position) const;
  HostContext* context_;
  LONG references_ = 1;
};

// A composition of a context: its range and its owner's sink.
class HostComposition final : public ITfComposition, public HostObject {
 public:
  HostComposition(HostContext* context, HostRange* range, ITfCompositionSink* sink);
  ~HostComposition();
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }
  HRESULT STDMETHODCALLTYPE GetRange(ITfRange** range) override;
  HRESULT STDMETHODCALLTYPE ShiftStart(TfEditCookie cookie, ITfRange* start) override;
  HRESULT STDMETHODCALLTYPE ShiftEnd(TfEditCookie cookie, ITfRange* end) override;
  HRESULT STDMETHODCALLTYPE EndComposition(TfEditCookie cookie) override;

  HostRange* range() const { return range_; }
  ITfCompositionSink* sink() const { return sink_; }
  // Ended by its owner or by the host; the object lives on while anyone holds it.
  bool ended = false;
  void Finish();

 private:
  HostContext* context_;
  HostRange* range_;
  ITfCompositionSink* sink_;
};

class HostDocument final : public ITfDocumentMgr, public HostObject {
 public:
  explicit HostDocument(HostContext* top) : top_(top) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }
  HRESULT STDMETHODCALLTYPE CreateContext(TfClientId, DWORD, IUnknown*, ITfContext**, TfEditCookie*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Push(ITfContext*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Pop(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTop(ITfContext** context) override;
  HRESULT STDMETHODCALLTYPE GetBase(ITfContext** context) override { return GetTop(context); }
  HRESULT STDMETHODCALLTYPE EnumContexts(IEnumTfContexts**) override { return E_NOTIMPL; }

 private:
  HostContext* top_;
};

// How the keystroke manager hands a key to the key event sink: as TSF does (OnTestKeyDown, then
// OnKeyDown when the test said eaten), OnKeyDown alone, or OnTestKeyDown twice before OnKeyDown (as some
// hosts ask).
enum class KeyDelivery { kTsfLike, kKeyDownOnly, kTestDownTwice };

struct PassedKey {
  UINT message;  // WM_KEYDOWN or WM_KEYUP
  WPARAM vk;
  UINT scan;
};

struct PreservedKeyRecord {
  GUID guid;
  TF_PRESERVEDKEY key;
  std::wstring description;
};

// Records OnUpdate of the language-bar items the text service adds.
class HostItemSink final : public ITfLangBarItemSink, public HostObject {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }
  HRESULT STDMETHODCALLTYPE OnUpdate(DWORD flags) override {
    updates.push_back(flags);
    return S_OK;
  }
  std::vector<DWORD> updates;
};

// A call of the text service to the UI element manager.
struct UiElementCall {
  enum Kind { kBegin, kUpdate, kEnd } kind;
  DWORD id;
};

class HostThreadManager final : public ITfThreadMgr,
                                public ITfSource,
                                public ITfUIElementMgr,
                                public ITfKeystrokeMgr,
                                public ITfCompartmentMgr,
                                public ITfLangBarItemMgr,
                                public HostObject {
 public:
  HostThreadManager();
  ~HostThreadManager();
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

  // ITfThreadMgr
  HRESULT STDMETHODCALLTYPE Activate(TfClientId*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Deactivate() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateDocumentMgr(ITfDocumentMgr**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDocumentMgrs(IEnumTfDocumentMgrs**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFocus(ITfDocumentMgr** focus) override;
  HRESULT STDMETHODCALLTYPE SetFocus(ITfDocumentMgr*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AssociateFocus(HWND, ITfDocumentMgr*, ITfDocumentMgr**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsThreadFocus(BOOL* focus) override;
  HRESULT STDMETHODCALLTYPE GetFunctionProvider(REFCLSID, ITfFunctionProvider**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFunctionProviders(IEnumTfFunctionProviders**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetGlobalCompartment(ITfCompartmentMgr**) override { return E_NOTIMPL; }

  // ITfSource (thread-manager event, profile notify and thread-focus sinks)
  HRESULT STDMETHODCALLTYPE AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE UnadviseSink(DWORD cookie) override { return sinks_.Unadvise(cookie); }

  // ITfKeystrokeMgr
  HRESULT STDMETHODCALLTYPE AdviseKeyEventSink(TfClientId client, ITfKeyEventSink* sink, BOOL foreground) override;
  HRESULT STDMETHODCALLTYPE UnadviseKeyEventSink(TfClientId client) override;
  HRESULT STDMETHODCALLTYPE GetForeground(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TestKeyDown(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TestKeyUp(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE KeyDown(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE KeyUp(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPreservedKey(ITfContext*, const TF_PRESERVEDKEY*, GUID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsPreservedKey(REFGUID guid, const TF_PRESERVEDKEY* key, BOOL* registered) override;
  HRESULT STDMETHODCALLTYPE PreserveKey(TfClientId client, REFGUID guid, const TF_PRESERVEDKEY* key,
                                        const WCHAR* description, ULONG length) override;
  HRESULT STDMETHODCALLTYPE UnpreserveKey(REFGUID guid, const TF_PRESERVEDKEY* key) override;
  HRESULT STDMETHODCALLTYPE SetPreservedKeyDescription(REFGUID, const WCHAR*, ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPreservedKeyDescription(REFGUID, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SimulatePreservedKey(ITfContext*, REFGUID, BOOL*) override { return E_NOTIMPL; }

  // ITfCompartmentMgr
  HRESULT STDMETHODCALLTYPE GetCompartment(REFGUID guid, ITfCompartment** out) override {
    return compartments_.GetCompartment(guid, out);
  }
  HRESULT STDMETHODCALLTYPE ClearCompartment(TfClientId, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumCompartments(IEnumGUID**) override { return E_NOTIMPL; }

  // ITfLangBarItemMgr
  HRESULT STDMETHODCALLTYPE EnumItems(IEnumTfLangBarItems**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItem(REFGUID, ITfLangBarItem**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddItem(ITfLangBarItem* item) override;
  HRESULT STDMETHODCALLTYPE RemoveItem(ITfLangBarItem* item) override;
  HRESULT STDMETHODCALLTYPE AdviseItemSink(ITfLangBarItemSink*, DWORD*, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnadviseItemSink(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItemFloatingRect(DWORD, REFGUID, RECT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItemsStatus(ULONG, const GUID*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItemNum(ULONG* count) override;
  HRESULT STDMETHODCALLTYPE GetItems(ULONG, ITfLangBarItem**, TF_LANGBARITEMINFO*, DWORD*, ULONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE AdviseItemsSink(ULONG, ITfLangBarItemSink**, const GUID*, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE UnadviseItemsSink(ULONG, DWORD*) override { return E_NOTIMPL; }

  // ITfUIElementMgr: a host that draws the candidates itself keeps each begun element until its end.
  HRESULT STDMETHODCALLTYPE BeginUIElement(ITfUIElement* element, BOOL* show, DWORD* id) override;
  HRESULT STDMETHODCALLTYPE UpdateUIElement(DWORD id) override;
  HRESULT STDMETHODCALLTYPE EndUIElement(DWORD id) override;
  HRESULT STDMETHODCALLTYPE GetUIElement(DWORD id, ITfUIElement** element) override;
  HRESULT STDMETHODCALLTYPE EnumUIElements(IEnumTfUIElements**) override { return E_NOTIMPL; }

  // ---- what the test drives and reads ----
  // Focus moves to the document (or to none) and the thread-manager event sinks hear it.
  void FocusDocument(bool focused);
  // Thread focus is lost or gained and the thread-focus sinks hear it.
  void SetThreadFocus(bool focused);
  // Delivers a preserved key to the key event sink; false when no preserved key matches.
  bool PressPreservedKey(UINT vk, UINT modifiers, BOOL* eaten);
  // One key message to the key event sink: a preserved key goes to OnPreservedKey, others as `delivery`
  // says. A key not eaten is logged and edits the document's text like an edit control. True when eaten.
  bool DeliverKey(UINT message, WPARAM vk, LPARAM lparam);
  // Gives the host window the keyboard focus, so that typed keys (SendInput, or the library's
  // keybd_event) arrive in its message queue.
  void TakeKeyboardFocus();
  // Takes the key messages that arrived for the host window in `rounds` short waits and delivers them;
  // returns how many were delivered.
  int PumpKeys(int rounds);
  // Takes key messages until the key (down or up) has come through the queue (now or before), for at
  // most `rounds` short waits; false when it never came. Keys the library types itself arrive late.
  bool PumpKeysUntil(WPARAM vk, bool up, int rounds);
  HWND window() const { return window_; }
  KeyDelivery delivery = KeyDelivery::kTsfLike;
  std::vector<PassedKey> passed_keys;
  // The document's text, as passed keys and the text service edited it.
  const std::u16string& text() const { return context_->text(); }

  CompartmentSet& compartments() { return compartments_; }
  const SinkList& sinks() const { return sinks_; }
  // The focused document's context (the first document's until the focus moves).
  HostContext& context() { return *context_; }
  HostDocument& document() { return *document_; }
  // Another document with one context, as another field or application; returns its index (the first
  // document is 0).
  int AddDocument();
  // The focus moves to that document and the thread-manager event sinks hear it; keys go to its context.
  void FocusDocumentAt(int index);
  HostContext& context(int index) { return *contexts_.at(static_cast<std::size_t>(index)); }
  int DocumentCount() const { return static_cast<int>(contexts_.size()); }
  // Ends every composition still open in any context (as the application does when its fields close);
  // their owners' sinks hear it.
  void TerminateAllCompositions();
  HostItemSink& item_sink() { return item_sink_; }
  const std::vector<PreservedKeyRecord>& preserved() const { return preserved_; }
  ITfKeyEventSink* key_sink() const { return key_sink_; }
  bool key_sink_foreground() const { return key_sink_foreground_; }
  const std::vector<ITfLangBarItem*>& items() const { return items_; }
  // The UI element manager's answer: the host draws the candidates (the text service shows no window of
  // its own), or lets the input method draw them.
  bool host_draws_candidates = false;
  const std::vector<UiElementCall>& element_calls() const { return element_calls_; }
  void ClearElementCalls() { element_calls_.clear(); }
  // The element begun and not yet ended (referenced by the host), or null.
  ITfUIElement* live_element() const { return live_elements_.empty() ? nullptr : live_elements_.back().second; }
  // Makes AdviseSink of this kind fail (E_FAIL), to test a failed activation.
  GUID refuse_sink = GUID_NULL;

  // The sinks advised on the host right now, of every kind.
  int AdvisedSinkCount() const;
  // True when no host object is referenced by anyone but the host.
  bool NothingHeld() const;

 private:
  SinkList sinks_;
  CompartmentSet compartments_;
  HostContext* context_;
  HostDocument* document_;
  std::vector<HostContext*> contexts_;
  std::vector<HostDocument*> documents_;
  HostItemSink item_sink_;
  bool focused_ = true;
  bool thread_focus_ = true;
  ITfKeyEventSink* key_sink_ = nullptr;
  TfClientId key_client_ = 0;
  bool key_sink_foreground_ = false;
  std::vector<PreservedKeyRecord> preserved_;
  std::vector<ITfLangBarItem*> items_;
  std::vector<DWORD> item_sink_cookies_;
  HWND window_ = nullptr;
  std::vector<PassedKey> pumped_keys_;  // every key the queue gave, eaten or passed
  std::vector<UiElementCall> element_calls_;
  std::vector<std::pair<DWORD, ITfUIElement*>> live_elements_;
  DWORD next_element_id_ = 1;
};

}  // namespace lz::test
