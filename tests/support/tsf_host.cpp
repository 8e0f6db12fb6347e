#include "tests/support/tsf_host.h"

#include <algorithm>
#include <cwctype>

#include "textservice/tsf/single_interface_object.h"

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
    : owner_(owner), sinks_({IID_ITfTextEditSink, tsf::kIidTextLayoutSink}), attribute_property_(this) {}

HostContext::~HostContext() {
  for (HostComposition* c : compositions_) c->Finish();
  for (HostComposition* c : compositions_) delete c;
  for (HostComposition* c : ended_compositions_) delete c;
  for (const Request& r : waiting_) r.session->Release();
  // Ranges still held by someone outlive nothing: they forget the context.
  ranges_.clear();
}

HRESULT HostContext::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, static_cast<ITfContext*>(this),
              {{IID_ITfContext, static_cast<ITfContext*>(this)},
               {IID_ITfSource, static_cast<ITfSource*>(this)},
               {IID_ITfCompartmentMgr, static_cast<ITfCompartmentMgr*>(this)},
               {IID_ITfContextComposition, static_cast<ITfContextComposition*>(this)},
               {IID_ITfInsertAtSelection, static_cast<ITfInsertAtSelection*>(this)}})) {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT HostContext::RunSession(ITfEditSession* session, bool writes) {
  const bool outer_writes = session_writes_;
  const TfEditCookie outer_cookie = current_cookie_;
  ++session_depth_;
  session_writes_ = writes || (session_depth_ > 1 && outer_writes);
  current_cookie_ = next_cookie_++;
  ++edit_sessions_;
  const HRESULT result = session->DoEditSession(current_cookie_);
  --session_depth_;
  session_writes_ = outer_writes;
  current_cookie_ = outer_cookie;
  if (session_depth_ == 0) AfterEdit();
  return result;
}

void HostContext::AfterEdit() {
  // Requests made while a session ran come after it, in order.
  while (!waiting_.empty() && requests != EditRequests::kQueued) {
    const Request next = waiting_.front();
    waiting_.erase(waiting_.begin());
    RunSession(next.session, next.writes);
    next.session->Release();
  }
  if (session_depth_ == 0) NotifyEndEdit();
}

namespace {

// What changed in one edit, for the text-edit sinks.
class HostEditRecord final : public lz::SingleInterfaceObject<ITfEditRecord, IID_ITfEditRecord> {
 public:
  HostEditRecord(bool selection_changed, bool text_changed)
      : selection_changed_(selection_changed), text_changed_(text_changed) {}
  HRESULT STDMETHODCALLTYPE GetSelectionStatus(WINBOOL* changed) override {
    if (!changed) return E_INVALIDARG;
    *changed = selection_changed_ ? TRUE : FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTextAndPropertyUpdates(DWORD, const GUID**, ULONG, IEnumTfRanges** ranges) override {
    if (!ranges) return E_INVALIDARG;
    *ranges = nullptr;
    return E_NOTIMPL;
  }

 private:
  bool selection_changed_;
  bool text_changed_;
};

}  // namespace

void HostContext::NotifyEndEdit() {
  if (!selection_changed_ && !text_changed_) return;
  auto* record = new HostEditRecord(selection_changed_, text_changed_);
  selection_changed_ = false;
  text_changed_ = false;
  // The sinks read the document under a read lock of their own.
  ++session_depth_;
  session_writes_ = false;
  current_cookie_ = next_cookie_++;
  sinks_.ForEach<ITfTextEditSink>(IID_ITfTextEditSink, [&](ITfTextEditSink* sink) {
    sink->OnEndEdit(this, current_cookie_, record);
  });
  --session_depth_;
  current_cookie_ = 0;
  record->Release();
  if (session_depth_ == 0 && !waiting_.empty() && requests != EditRequests::kQueued) AfterEdit();
}

HRESULT HostContext::RequestEditSession(TfClientId, ITfEditSession* session, DWORD flags, HRESULT* session_result) {
  if (!session || !session_result) return E_INVALIDARG;
  const bool writes = (flags & TF_ES_READWRITE) == TF_ES_READWRITE;
  const bool sync = (flags & TF_ES_SYNC) != 0;
  if (sync && requests != EditRequests::kAnswered) {
    *session_result = tsf::TF_E_SYNCHRONOUS;
    return S_OK;
  }
  if (sync || (session_depth_ == 0 && requests == EditRequests::kAnswered && !(flags & TF_ES_ASYNC))) {
    *session_result = RunSession(session, writes);
    return S_OK;
  }
  if (session_depth_ == 0 && requests != EditRequests::kQueued) {
    *session_result = RunSession(session, writes);
    return S_OK;
  }
  session->AddRef();
  waiting_.push_back(Request{session, writes});
  *session_result = tsf::TF_S_ASYNC;
  return S_OK;
}

void HostContext::FireLayoutChange(tsf::TfLayoutCode code) {
  sinks_.ForEach<ITfTextLayoutSink>(tsf::kIidTextLayoutSink,
                                    [&](ITfTextLayoutSink* sink) { sink->OnLayoutChange(this, code, &view_); });
}

int HostContext::PumpRequests() {
  int ran = 0;
  while (!waiting_.empty() && session_depth_ == 0) {
    const Request next = waiting_.front();
    waiting_.erase(waiting_.begin());
    RunSession(next.session, next.writes);
    next.session->Release();
    ++ran;
  }
  return ran;
}

HRESULT HostContext::InWriteSession(TfClientId, BOOL* writing) {
  if (!writing) return E_INVALIDARG;
  *writing = session_depth_ > 0 && session_writes_;
  return S_OK;
}

HRESULT HostContext::GetSelection(TfEditCookie cookie, ULONG index, ULONG count, TF_SELECTION* selection,
                                  ULONG* fetched) {
  if (!selection || !fetched) return E_INVALIDARG;
  *fetched = 0;
  if (!ValidCookie(cookie)) return TF_E_NOLOCK;
  if (count == 0) return S_OK;
  if (index != 0 && index != static_cast<ULONG>(TF_DEFAULT_SELECTION)) return E_FAIL;
  selection[0].range = new HostRange(this, selection_start_, selection_end_);
  selection[0].style.ase = TF_AE_END;
  selection[0].style.fInterimChar = FALSE;
  *fetched = 1;
  return S_OK;
}

HRESULT HostContext::SetSelection(TfEditCookie cookie, ULONG count, const TF_SELECTION* selection) {
  if (!selection || count == 0) return E_INVALIDARG;
  if (!Writable(cookie)) return TF_E_NOLOCK;
  HostRange* range = Find(selection[0].range);
  if (!range) return E_INVALIDARG;
  selection_start_ = range->start;
  selection_end_ = range->end;
  selection_changed_ = true;
  return S_OK;
}

HRESULT HostContext::GetStart(TfEditCookie cookie, ITfRange** range) {
  if (!range) return E_INVALIDARG;
  *range = nullptr;
  if (!ValidCookie(cookie)) return TF_E_NOLOCK;
  *range = new HostRange(this, 0, 0);
  return S_OK;
}

HRESULT HostContext::GetEnd(TfEditCookie cookie, ITfRange** range) {
  if (!range) return E_INVALIDARG;
  *range = nullptr;
  if (!ValidCookie(cookie)) return TF_E_NOLOCK;
  const auto length = static_cast<LONG>(text_.size());
  *range = new HostRange(this, length, length);
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

HRESULT HostContext::GetProperty(REFGUID guid, ITfProperty** property) {
  if (!property) return E_INVALIDARG;
  *property = nullptr;
  if (!IsEqualGUID(guid, GUID_PROP_ATTRIBUTE)) return E_NOTIMPL;
  attribute_property_.AddRef();
  *property = &attribute_property_;
  return S_OK;
}

HRESULT HostContext::StartComposition(TfEditCookie cookie, ITfRange* range, ITfCompositionSink* sink,
                                      ITfComposition** composition) {
  if (!composition) return E_INVALIDARG;
  *composition = nullptr;
  if (!range) return E_INVALIDARG;
  if (!Writable(cookie)) return TF_E_NOLOCK;
  HostRange* from = Find(range);
  if (!from) return E_INVALIDARG;
  auto* made = new HostComposition(this, new HostRange(this, from->start, from->end), sink);
  compositions_.push_back(made);
  made->AddRef();
  *composition = made;
  return S_OK;
}

HRESULT HostContext::InsertTextAtSelection(TfEditCookie cookie, DWORD flags, const WCHAR* text, LONG length,
                                           ITfRange** range) {
  if (!range) return E_INVALIDARG;
  *range = nullptr;
  if (!Writable(cookie)) return TF_E_NOLOCK;
  if (flags & TF_IAS_QUERYONLY) {
    *range = new HostRange(this, selection_start_, selection_end_);
    return S_OK;
  }
  std::u16string inserted;
  if (text) {
    const auto* units = reinterpret_cast<const char16_t*>(text);
    inserted = length < 0 ? std::u16string(units) : std::u16string(units, static_cast<std::size_t>(length));
  }
  const LONG start = selection_start_;
  Replace(selection_start_, selection_end_, inserted);
  const LONG end = start + static_cast<LONG>(inserted.size());
  selection_start_ = selection_end_ = end;
  selection_changed_ = true;
  if (!(flags & TF_IAS_NOQUERY)) *range = new HostRange(this, start, end);
  return S_OK;
}

namespace {

// Where an anchor goes when [start, end) becomes `inserted` units: before the edit it stays, after it it
// moves by the change, inside it it goes to the edit's start (a start) or its new end (an end). Text
// inserted at a range's end goes into the range (start anchors keep backward gravity, end anchors
// forward), so a composition grows with the text written at it.
LONG Follow(LONG anchor, LONG start, LONG end, LONG inserted, bool is_end) {
  if (anchor < start || (anchor == start && !(is_end && start == end))) return anchor;
  if (anchor >= end) return anchor + inserted - (end - start);
  return is_end ? start + inserted : start;
}

}  // namespace

void HostContext::Replace(LONG start, LONG end, const std::u16string& inserted) {
  const auto length = static_cast<LONG>(text_.size());
  start = std::clamp<LONG>(start, 0, length);
  end = std::clamp<LONG>(end, start, length);
  const auto count = static_cast<LONG>(inserted.size());
  text_.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), inserted);
  for (HostRange* r : ranges_) {
    r->start = Follow(r->start, start, end, count, false);
    r->end = std::max(r->start, Follow(r->end, start, end, count, true));
  }
  selection_start_ = Follow(selection_start_, start, end, count, false);
  selection_end_ = std::max(selection_start_, Follow(selection_end_, start, end, count, true));
  for (AttributeSpan& span : spans_) {
    span.start = Follow(span.start, start, end, count, false);
    span.end = std::max(span.start, Follow(span.end, start, end, count, true));
  }
  spans_.erase(std::remove_if(spans_.begin(), spans_.end(), [](const AttributeSpan& s) { return s.start >= s.end; }),
               spans_.end());
  text_changed_ = true;
}

void HostContext::ResetText(const std::u16string& text) {
  text_ = text;
  selection_start_ = selection_end_ = static_cast<LONG>(text_.size());
  for (HostRange* r : ranges_) r->start = r->end = 0;
  spans_.clear();
}

void HostContext::TypeText(const std::u16string& text) {
  Replace(selection_start_, selection_end_, text);
  selection_start_ = selection_end_ = selection_start_ + static_cast<LONG>(text.size());
  selection_changed_ = true;
  if (session_depth_ == 0) NotifyEndEdit();
}

void HostContext::TypeBackspace() {
  if (selection_start_ != selection_end_) {
    Replace(selection_start_, selection_end_, u"");
  } else if (selection_start_ > 0) {
    Replace(selection_start_ - 1, selection_start_, u"");
  }
  selection_end_ = selection_start_;
  selection_changed_ = true;
  if (session_depth_ == 0) NotifyEndEdit();
}

std::u16string HostContext::CompositionText(std::size_t index) const {
  if (index >= compositions_.size()) return u"";
  const HostRange* r = compositions_[index]->range();
  return text_.substr(static_cast<std::size_t>(r->start), static_cast<std::size_t>(r->end - r->start));
}

namespace {

// The host's own write access for ending a composition: the owner's sink runs inside it.
class TerminateSession final : public ITfEditSession {
 public:
  TerminateSession(HostComposition* composition) : composition_(composition) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_INVALIDARG;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfEditSession)) {
      *out = static_cast<ITfEditSession*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE DoEditSession(TfEditCookie cookie) override {
    if (ITfCompositionSink* sink = composition_->sink()) {
      sink->AddRef();
      sink->OnCompositionTerminated(cookie, composition_);
      sink->Release();
    }
    return S_OK;
  }

 private:
  HostComposition* composition_;
};

}  // namespace

void HostContext::TerminateComposition(std::size_t index) {
  if (index >= compositions_.size()) return;
  HostComposition* composition = compositions_[index];
  TerminateSession session(composition);
  HRESULT result = S_OK;
  const EditRequests before = requests;
  requests = EditRequests::kAnswered;
  RequestEditSession(0, &session, TF_ES_SYNC | TF_ES_READWRITE, &result);
  requests = before;
  if (!composition->ended) CompositionEnded(composition);
}

void HostContext::CompositionEnded(HostComposition* composition) {
  const auto it = std::find(compositions_.begin(), compositions_.end(), composition);
  if (it == compositions_.end()) return;
  compositions_.erase(it);
  composition->Finish();
  ended_compositions_.push_back(composition);
}

void HostContext::RangeDestroyed(HostRange* range) {
  const auto it = std::find(ranges_.begin(), ranges_.end(), range);
  if (it != ranges_.end()) ranges_.erase(it);
}

HostRange* HostContext::Find(ITfRange* range) const {
  for (HostRange* r : ranges_) {
    if (static_cast<ITfRange*>(r) == range) return r;
  }
  return nullptr;
}

bool HostContext::NothingHeld() const {
  if (references() != 1 || view_.references() != 1 || attribute_property_.references() != 1) return false;
  for (const HostComposition* c : compositions_) {
    if (c->references() != 1) return false;
  }
  for (const HostComposition* c : ended_compositions_) {
    if (c->references() != 1) return false;
  }
  // The live compositions' own ranges are the host's; any other live range is held by someone.
  return ranges_.size() == compositions_.size();
}

// ---- ranges ----

HostRange::HostRange(HostContext* context, LONG start_at, LONG end_at) : start(start_at), end(end_at), context_(context) {
  context_->RangeCreated(this);
}

HostRange::~HostRange() { context_->RangeDestroyed(this); }

HRESULT HostRange::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITfRange)) {
    *out = static_cast<ITfRange*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG HostRange::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT HostRange::GetText(TfEditCookie cookie, DWORD flags, WCHAR* text, ULONG capacity, ULONG* length) {
  if (!length) return E_INVALIDARG;
  *length = 0;
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  const std::u16string& all = context_->text();
  const ULONG count = std::min<ULONG>(capacity, static_cast<ULONG>(end - start));
  if (text) std::copy_n(all.data() + start, count, reinterpret_cast<char16_t*>(text));
  *length = count;
  if (flags & TF_TF_MOVESTART) start += static_cast<LONG>(count);
  return S_OK;
}

HRESULT HostRange::SetText(TfEditCookie cookie, DWORD, const WCHAR* text, LONG length) {
  if (!context_->Writable(cookie)) return TF_E_NOLOCK;
  std::u16string inserted;
  if (text) {
    const auto* units = reinterpret_cast<const char16_t*>(text);
    inserted = length < 0 ? std::u16string(units) : std::u16string(units, static_cast<std::size_t>(length));
  }
  const LONG at = start;
  context_->Replace(start, end, inserted);
  start = at;
  end = at + static_cast<LONG>(inserted.size());
  return S_OK;
}

HRESULT HostRange::ShiftStart(TfEditCookie cookie, LONG requested, LONG* shifted, const TF_HALTCOND*) {
  if (!shifted) return E_INVALIDARG;
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  const LONG target = std::clamp<LONG>(start + requested, 0, static_cast<LONG>(context_->text().size()));
  *shifted = target - start;
  start = target;
  if (end < start) end = start;
  return S_OK;
}

HRESULT HostRange::ShiftEnd(TfEditCookie cookie, LONG requested, LONG* shifted, const TF_HALTCOND*) {
  if (!shifted) return E_INVALIDARG;
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  const LONG target = std::clamp<LONG>(end + requested, 0, static_cast<LONG>(context_->text().size()));
  *shifted = target - end;
  end = target;
  if (start > end) start = end;
  return S_OK;
}

bool HostRange::AnchorOf(ITfRange* with, TfAnchor anchor, LONG& position) const {
  const HostRange* other = context_->Find(with);
  if (!other) return false;
  position = anchor == TF_ANCHOR_START ? other->start : other->end;
  return true;
}

HRESULT HostRange::ShiftStartToRange(TfEditCookie cookie, ITfRange* range, TfAnchor anchor) {
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  LONG position = 0;
  if (!AnchorOf(range, anchor, position)) return E_INVALIDARG;
  start = position;
  if (end < start) end = start;
  return S_OK;
}

HRESULT HostRange::ShiftEndToRange(TfEditCookie cookie, ITfRange* range, TfAnchor anchor) {
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  LONG position = 0;
  if (!AnchorOf(range, anchor, position)) return E_INVALIDARG;
  end = position;
  if (start > end) start = end;
  return S_OK;
}

HRESULT HostRange::IsEmpty(TfEditCookie cookie, WINBOOL* empty) {
  if (!empty) return E_INVALIDARG;
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  *empty = start == end;
  return S_OK;
}

HRESULT HostRange::Collapse(TfEditCookie cookie, TfAnchor anchor) {
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  if (anchor == TF_ANCHOR_START) {
    end = start;
  } else {
    start = end;
  }
  return S_OK;
}

HRESULT HostRange::IsEqualStart(TfEditCookie cookie, ITfRange* with, TfAnchor anchor, WINBOOL* equal) {
  LONG result = 0;
  if (!equal) return E_INVALIDARG;
  const HRESULT hr = CompareStart(cookie, with, anchor, &result);
  *equal = SUCCEEDED(hr) && result == 0;
  return hr;
}

HRESULT HostRange::IsEqualEnd(TfEditCookie cookie, ITfRange* with, TfAnchor anchor, WINBOOL* equal) {
  LONG result = 0;
  if (!equal) return E_INVALIDARG;
  const HRESULT hr = CompareEnd(cookie, with, anchor, &result);
  *equal = SUCCEEDED(hr) && result == 0;
  return hr;
}

HRESULT HostRange::CompareStart(TfEditCookie cookie, ITfRange* with, TfAnchor anchor, LONG* result) {
  if (!result) return E_INVALIDARG;
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  LONG position = 0;
  if (!AnchorOf(with, anchor, position)) return E_INVALIDARG;
  *result = start < position ? -1 : (start > position ? 1 : 0);
  return S_OK;
}

HRESULT HostRange::CompareEnd(TfEditCookie cookie, ITfRange* with, TfAnchor anchor, LONG* result) {
  if (!result) return E_INVALIDARG;
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  LONG position = 0;
  if (!AnchorOf(with, anchor, position)) return E_INVALIDARG;
  *result = end < position ? -1 : (end > position ? 1 : 0);
  return S_OK;
}

HRESULT HostRange::AdjustForInsert(TfEditCookie cookie, ULONG, WINBOOL* ok) {
  if (!ok) return E_INVALIDARG;
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  *ok = TRUE;
  return S_OK;
}

HRESULT HostRange::GetGravity(TfGravity* start_gravity, TfGravity* end_gravity) {
  if (!start_gravity || !end_gravity) return E_INVALIDARG;
  *start_gravity = TF_GRAVITY_BACKWARD;
  *end_gravity = TF_GRAVITY_FORWARD;
  return S_OK;
}

HRESULT HostRange::Clone(ITfRange** clone) {
  if (!clone) return E_INVALIDARG;
  *clone = new HostRange(context_, start, end);
  return S_OK;
}

HRESULT HostRange::GetContext(ITfContext** context) {
  if (!context) return E_INVALIDARG;
  context_->AddRef();
  *context = context_;
  return S_OK;
}

// ---- compositions ----

HostComposition::HostComposition(HostContext* context, HostRange* range, ITfCompositionSink* sink)
    : context_(context), range_(range), sink_(sink) {
  if (sink_) sink_->AddRef();
}

HostComposition::~HostComposition() { Finish(); }

void HostComposition::Finish() {
  ended = true;
  if (sink_) {
    sink_->Release();
    sink_ = nullptr;
  }
  if (range_) {
    range_->Release();
    range_ = nullptr;
  }
}

HRESULT HostComposition::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, this, {{IID_ITfComposition, static_cast<ITfComposition*>(this)}})) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT HostComposition::GetRange(ITfRange** range) {
  if (!range) return E_INVALIDARG;
  *range = nullptr;
  if (ended || !range_) return E_UNEXPECTED;
  return range_->Clone(range);
}

HRESULT HostComposition::ShiftStart(TfEditCookie cookie, ITfRange* start) {
  if (ended || !range_) return E_UNEXPECTED;
  return range_->ShiftStartToRange(cookie, start, TF_ANCHOR_START);
}

HRESULT HostComposition::ShiftEnd(TfEditCookie cookie, ITfRange* end) {
  if (ended || !range_) return E_UNEXPECTED;
  return range_->ShiftEndToRange(cookie, end, TF_ANCHOR_END);
}

HRESULT HostComposition::EndComposition(TfEditCookie cookie) {
  if (ended) return E_UNEXPECTED;
  if (!context_->Writable(cookie)) return TF_E_NOLOCK;
  if (context_->refuse_end_composition) return E_FAIL;
  context_->CompositionEnded(this);
  return S_OK;
}

// ---- the attribute property ----

HRESULT HostAttributeProperty::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, this,
              {{IID_ITfProperty, static_cast<ITfProperty*>(this)},
               {IID_ITfReadOnlyProperty, static_cast<ITfReadOnlyProperty*>(this)}})) {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT HostAttributeProperty::GetType(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  *guid = GUID_PROP_ATTRIBUTE;
  return S_OK;
}

HRESULT HostAttributeProperty::GetValue(TfEditCookie cookie, ITfRange* range, VARIANT* value) {
  if (!value) return E_INVALIDARG;
  VariantInit(value);
  if (!context_->ValidCookie(cookie)) return TF_E_NOLOCK;
  const HostRange* r = context_->Find(range);
  if (!r) return E_INVALIDARG;
  for (const AttributeSpan& span : context_->spans()) {
    if (span.start <= r->start && r->end <= span.end) {
      value->vt = VT_I4;
      value->lVal = span.atom;
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT HostAttributeProperty::GetContext(ITfContext** context) {
  if (!context) return E_INVALIDARG;
  context_->AddRef();
  *context = context_;
  return S_OK;
}

HRESULT HostAttributeProperty::SetValue(TfEditCookie cookie, ITfRange* range, const VARIANT* value) {
  if (!value || value->vt != VT_I4) return E_INVALIDARG;
  if (!context_->Writable(cookie)) return TF_E_NOLOCK;
  const HostRange* r = context_->Find(range);
  if (!r) return E_INVALIDARG;
  Clear(cookie, range);
  if (r->start < r->end) context_->mutable_spans().push_back(AttributeSpan{r->start, r->end, value->lVal});
  return S_OK;
}

HRESULT HostAttributeProperty::Clear(TfEditCookie cookie, ITfRange* range) {
  if (!context_->Writable(cookie)) return TF_E_NOLOCK;
  std::vector<AttributeSpan>& spans = context_->mutable_spans();
  if (!range) {
    spans.clear();
    return S_OK;
  }
  const HostRange* r = context_->Find(range);
  if (!r) return E_INVALIDARG;
  spans.erase(std::remove_if(spans.begin(), spans.end(),
                             [&](const AttributeSpan& s) { return s.start < r->end && r->start < s.end; }),
              spans.end());
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
  contexts_.push_back(context_);
  documents_.push_back(document_);
  window_ = CreateWindowExW(0, L"STATIC", L"tsf host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  context_->view().window = window_;
}

HostThreadManager::~HostThreadManager() {
  if (key_sink_) key_sink_->Release();
  for (const auto& live : live_elements_) live.second->Release();
  for (ITfLangBarItem* item : items_) item->Release();
  for (HostDocument* document : documents_) document->Release();
  for (HostContext* context : contexts_) context->Release();
  if (window_) DestroyWindow(window_);
}

HRESULT HostThreadManager::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  if (!Answer(out, riid, static_cast<ITfThreadMgr*>(this),
              {{IID_ITfThreadMgr, static_cast<ITfThreadMgr*>(this)},
               {IID_ITfSource, static_cast<ITfSource*>(this)},
               {IID_ITfKeystrokeMgr, static_cast<ITfKeystrokeMgr*>(this)},
               {IID_ITfCompartmentMgr, static_cast<ITfCompartmentMgr*>(this)},
               {IID_ITfLangBarItemMgr, static_cast<ITfLangBarItemMgr*>(this)},
               {tsf::kIidUIElementMgr, static_cast<ITfUIElementMgr*>(this)}})) {
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
      context_->TypeBackspace();
    } else if (vk == VK_RETURN) {
      context_->TypeText(u"\r\n");
    } else if (const UINT character = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR) & 0xFFFF) {
      // MapVirtualKey gives letters in capitals; an edit control types them as Shift and Caps Lock say.
      const bool shifted = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      const bool caps = (GetKeyState(VK_CAPITAL) & 0x1) != 0;
      const bool letter = character >= 'A' && character <= 'Z';
      const bool capital = letter ? (shifted != caps) : true;
      const auto unit = static_cast<char16_t>(capital ? character : std::towlower(static_cast<wint_t>(character)));
      context_->TypeText(std::u16string(1, unit));
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
        const bool up = message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
        pumped_keys_.push_back(PassedKey{up ? static_cast<UINT>(WM_KEYUP) : static_cast<UINT>(WM_KEYDOWN),
                                         message.wParam, static_cast<UINT>((message.lParam >> 16) & 0xFF)});
        ++delivered;
        continue;
      }
      DispatchMessageW(&message);
    }
  }
  return delivered;
}

bool HostThreadManager::PumpKeysUntil(WPARAM vk, bool up, int rounds) {
  const UINT message = up ? static_cast<UINT>(WM_KEYUP) : static_cast<UINT>(WM_KEYDOWN);
  const auto came = [&] {
    return std::any_of(pumped_keys_.begin(), pumped_keys_.end(),
                       [&](const PassedKey& k) { return k.vk == vk && k.message == message; });
  };
  for (int round = 0; round < rounds && !came(); ++round) PumpKeys(1);
  return came();
}

int HostThreadManager::AdvisedSinkCount() const {
  int count = static_cast<int>(sinks_.sinks().size()) + compartments_.AdvisedSinks() + (key_sink_ ? 1 : 0);
  for (const HostContext* context : contexts_) {
    count += static_cast<int>(context->sinks().sinks().size()) + context->compartments().AdvisedSinks();
  }
  return count;
}

HRESULT HostThreadManager::BeginUIElement(ITfUIElement* element, BOOL* show, DWORD* id) {
  if (!element || !show || !id) return E_INVALIDARG;
  *show = host_draws_candidates ? FALSE : TRUE;
  *id = next_element_id_++;
  element->AddRef();
  live_elements_.emplace_back(*id, element);
  element_calls_.push_back(UiElementCall{UiElementCall::kBegin, *id});
  return S_OK;
}

HRESULT HostThreadManager::UpdateUIElement(DWORD id) {
  element_calls_.push_back(UiElementCall{UiElementCall::kUpdate, id});
  for (const auto& live : live_elements_) {
    if (live.first == id) return S_OK;
  }
  return E_INVALIDARG;
}

HRESULT HostThreadManager::EndUIElement(DWORD id) {
  element_calls_.push_back(UiElementCall{UiElementCall::kEnd, id});
  for (auto it = live_elements_.begin(); it != live_elements_.end(); ++it) {
    if (it->first != id) continue;
    ITfUIElement* element = it->second;
    live_elements_.erase(it);
    element->Release();
    return S_OK;
  }
  return E_INVALIDARG;
}

HRESULT HostThreadManager::GetUIElement(DWORD id, ITfUIElement** element) {
  if (!element) return E_INVALIDARG;
  *element = nullptr;
  for (const auto& live : live_elements_) {
    if (live.first != id) continue;
    *element = live.second;
    live.second->AddRef();
    return S_OK;
  }
  return E_INVALIDARG;
}

bool HostThreadManager::NothingHeld() const {
  for (std::size_t i = 0; i < contexts_.size(); ++i) {
    if (!contexts_[i]->NothingHeld() || documents_[i]->references() != 1 ||
        contexts_[i]->compartments().Referenced() != 0) {
      return false;
    }
  }
  return references() == 1 && item_sink_.references() == 1 && compartments_.Referenced() == 0 && items_.empty() &&
         preserved_.empty();
}

void HostThreadManager::TerminateAllCompositions() {
  for (HostContext* context : contexts_) {
    context->refuse_end_composition = false;
    while (!context->compositions().empty()) context->TerminateComposition(0);
  }
}

int HostThreadManager::AddDocument() {
  auto* context = new HostContext(this);
  context->view().window = window_;
  contexts_.push_back(context);
  documents_.push_back(new HostDocument(context));
  return static_cast<int>(contexts_.size()) - 1;
}

void HostThreadManager::FocusDocumentAt(int index) {
  ITfDocumentMgr* before = focused_ ? document_ : nullptr;
  context_ = contexts_.at(static_cast<std::size_t>(index));
  document_ = documents_.at(static_cast<std::size_t>(index));
  focused_ = true;
  ITfDocumentMgr* now = document_;
  sinks_.ForEach<ITfThreadMgrEventSink>(IID_ITfThreadMgrEventSink,
                                        [&](ITfThreadMgrEventSink* sink) { sink->OnSetFocus(now, before); });
}

}  // namespace lz::test
