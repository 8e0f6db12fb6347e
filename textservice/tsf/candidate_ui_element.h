#pragma once
// The candidate-list UI element: while candidates are shown, hosts that draw the candidates themselves
// (full-screen programs, immersive hosts) read the current page from it through the UI element manager;
// when the input method draws its own window, the element follows the text's position through a
// text-layout sink, so that the candidate window stays under the composition.
#include <windows.h>

#include "textservice/tsf/tsf_declarations.h"

namespace lz {

class TextService;

class CandidateUiElement final : public ITfCandidateListUIElementBehavior, public ITfTextLayoutSink {
 public:
  // Null when memory runs out.
  static CandidateUiElement* Create(TextService* service);
  CandidateUiElement(const CandidateUiElement&) = delete;
  CandidateUiElement& operator=(const CandidateUiElement&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ITfUIElement
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override;
  HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override;
  HRESULT STDMETHODCALLTYPE Show(BOOL show) override;
  HRESULT STDMETHODCALLTYPE IsShown(BOOL* shown) override;
  // ITfCandidateListUIElement
  HRESULT STDMETHODCALLTYPE GetUpdatedFlags(DWORD* flags) override;
  HRESULT STDMETHODCALLTYPE GetDocumentMgr(ITfDocumentMgr** document) override;
  HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetSelection(UINT* index) override;
  HRESULT STDMETHODCALLTYPE GetString(UINT index, BSTR* text) override;
  HRESULT STDMETHODCALLTYPE GetPageIndex(UINT* index, UINT size, UINT* page_count) override;
  HRESULT STDMETHODCALLTYPE SetPageIndex(UINT* index, UINT page_count) override;
  HRESULT STDMETHODCALLTYPE GetCurrentPage(UINT* page) override;
  // ITfCandidateListUIElementBehavior
  HRESULT STDMETHODCALLTYPE SetSelection(UINT index) override;
  HRESULT STDMETHODCALLTYPE Finalize() override;
  HRESULT STDMETHODCALLTYPE Abort() override;
  // ITfTextLayoutSink
  HRESULT STDMETHODCALLTYPE OnLayoutChange(ITfContext* context, tsf::TfLayoutCode code, ITfContextView* view) override;

  // Asks the UI element manager whether the input method shows its own window; when it does, follows
  // the context's layout and reads where the text is. E_FAIL when the layout sink cannot be advised
  // (everything is ended then).
  HRESULT Begin(ITfContext* context, TfEditCookie cookie, ITfRange* range);
  // The candidates changed: a host that draws hears it (the own window is placed by the caller).
  void Update();
  // The candidates are gone: the host's element or the own window ends; the sink and context go.
  void End();
  // The service lets the element go: from now on it answers as one without an engine.
  void Detach() { service_ = nullptr; }
  bool ShowsOwnWindow() const { return show_own_window_ != FALSE; }
  // The text-extent session's body: reads the text's place and moves the window when it moved enough.
  void FollowTextExtent(TfEditCookie cookie);

 private:
  explicit CandidateUiElement(TextService* service);
  ~CandidateUiElement();
  void ReadTextPosition(TfEditCookie cookie, bool initial);

  LONG references_ = 1;
  DWORD element_id_ = tsf::TF_INVALID_UIELEMENTID;
  BOOL show_own_window_ = TRUE;
  TextService* service_;
  ITfRange* range_ = nullptr;
  ITfContext* context_ = nullptr;
  DWORD layout_cookie_ = TF_INVALID_COOKIE;
};

}  // namespace lz
