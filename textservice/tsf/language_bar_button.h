#pragma once
// The input-mode button on the language bar: it shows the mode (icon, text, tooltip), takes clicks, and
// tells its one advised sink when it changes.
#include <windows.h>

#include "textservice/tsf/tsf_declarations.h"

namespace lz {

class TextService;

class LangBarButton final : public ITfLangBarItemButton, public ITfSource {
 public:
  // Null when it cannot be made. The button holds a reference on its service until Detach.
  static LangBarButton* Create(TextService* service);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ITfLangBarItem
  HRESULT STDMETHODCALLTYPE GetInfo(TF_LANGBARITEMINFO* info) override;
  HRESULT STDMETHODCALLTYPE GetStatus(DWORD* status) override;
  HRESULT STDMETHODCALLTYPE Show(BOOL show) override;
  HRESULT STDMETHODCALLTYPE GetTooltipString(BSTR* tooltip) override;
  // ITfLangBarItemButton
  HRESULT STDMETHODCALLTYPE OnClick(tsf::TfLBIClick click, POINT point, const RECT* area) override;
  HRESULT STDMETHODCALLTYPE InitMenu(ITfMenu* menu) override;
  HRESULT STDMETHODCALLTYPE OnMenuSelect(UINT id) override;
  HRESULT STDMETHODCALLTYPE GetIcon(HICON* icon) override;
  HRESULT STDMETHODCALLTYPE GetText(BSTR* text) override;
  // ITfSource
  HRESULT STDMETHODCALLTYPE AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE UnadviseSink(DWORD cookie) override;

  // Tells the advised sink (TF_LBI_* flags).
  void Update(DWORD flags);
  // Thread focus: hidden or shown again, and the sink told.
  void SetHidden(bool hidden);
  // The service lets go of the button: the button lets go of the service.
  void Detach();

 private:
  explicit LangBarButton(TextService* service);
  ~LangBarButton();

  LONG references_ = 1;
  TF_LANGBARITEMINFO info_{};
  DWORD status_ = 0;
  ITfLangBarItemSink* sink_ = nullptr;
  TextService* service_;
};

// The cookie of the one sink.
constexpr DWORD kLangBarSinkCookie = 0x0FAB0FA2;

}  // namespace lz
