#include "platform/dialogs/web_view_win32.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>

namespace lz::dialogs {
namespace {

constexpr wchar_t kHostClass[] = L"LzWebViewHost";

// The page's window: the control's own window lives inside it, so the dialog moves one child with its id.
ATOM RegisterHostClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW type{};
    type.cbSize = sizeof(type);
    type.lpfnWndProc = DefWindowProcW;
    type.hInstance = GetModuleHandleW(nullptr);
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    type.lpszClassName = kHostClass;
    return RegisterClassExW(&type);
  }();
  return atom;
}

// The address an event carries: a text, possibly behind a reference to a variant.
std::wstring_view VariantText(const VARIANT& value) {
  const VARIANT* v = &value;
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
  if (v->vt == VT_BSTR && v->bstrVal) return {v->bstrVal, SysStringLen(v->bstrVal)};
  if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal && *v->pbstrVal) return {*v->pbstrVal, SysStringLen(*v->pbstrVal)};
  return {};
}

}  // namespace

// One object is the client site, the in-place site, the in-place frame and the event sink. The control holds
// it while it is embedded; the view holds one reference and forgets the listener when it lets go.
class BrowserSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDispatch {
 public:
  BrowserSite(HWND host, WebViewListener* listener) : host_(host), listener_(listener) {}

  void Forget() {
    host_ = nullptr;
    listener_ = nullptr;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
      *out = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (of both the site and the frame)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = host_;
    return host_ ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return host_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                             RECT* clip, OLEINPLACEFRAMEINFO* info) override {
    if (frame) {
      *frame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
    }
    if (document) *document = nullptr;
    RECT box{};
    if (host_) GetClientRect(host_, &box);
    if (position) *position = box;
    if (clip) *clip = box;
    if (info) {
      info->cb = sizeof(*info);
      info->fMDIApp = FALSE;
      info->hwndFrame = host_ ? GetAncestor(host_, GA_ROOT) : nullptr;
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow: the page gets no tool space of ours.
  HRESULT STDMETHODCALLTYPE GetBorder(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // IOleInPlaceFrame: no menus merged, keys stay the dialog's.
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDispatch: the control's DWebBrowserEvents2.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (!listener_) return S_OK;
    // Arguments arrive last first: the address is the second of each event's list.
    const auto address = [parameters]() -> std::wstring_view {
      if (!parameters || !parameters->rgvarg || parameters->cArgs < 2) return {};
      return VariantText(parameters->rgvarg[parameters->cArgs - 2]);
    };
    switch (id) {
      case DISPID_BEFORENAVIGATE2:
        listener_->OnBeforeNavigate(address());
        break;
      case DISPID_DOCUMENTCOMPLETE:
        listener_->OnDocumentComplete();
        break;
      case DISPID_NAVIGATEERROR:
        listener_->OnNavigateError(address());
        break;
      default:
        break;
    }
    return S_OK;
  }

 private:
  ~BrowserSite() = default;

  LONG references_ = 1;
  HWND host_;
  WebViewListener* listener_;
};

std::unique_ptr<BrowserWebView> BrowserWebView::Create(HWND parent, const RECT& box, int id,
                                                       WebViewListener* listener) {
  std::unique_ptr<BrowserWebView> view(new BrowserWebView());
  if (!view->Start(parent, box, id, listener)) return nullptr;
  return view;
}

bool BrowserWebView::Start(HWND parent, const RECT& box, int id, WebViewListener* listener) {
  if (!parent || !RegisterHostClass()) return false;
  host_ = CreateWindowExW(0, kHostClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, box.left, box.top,
                          box.right - box.left, box.bottom - box.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (!host_) return false;
  site_ = new BrowserSite(host_, listener);
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              reinterpret_cast<void**>(&object_))) ||
      FAILED(object_->SetClientSite(static_cast<IOleClientSite*>(site_)))) {
    Destroy();
    return false;
  }
  RECT inside{};
  GetClientRect(host_, &inside);
  if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site_), 0, host_,
                             &inside)) ||
      FAILED(object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser_)))) {
    Destroy();
    return false;
  }
  // Without events the page still shows; only the title and the address reports are missing.
  IConnectionPointContainer* points = nullptr;
  if (SUCCEEDED(object_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)))) {
    if (SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &events_)) &&
        FAILED(events_->Advise(static_cast<IDispatch*>(site_), &cookie_))) {
      events_->Release();
      events_ = nullptr;
      cookie_ = 0;
    }
    points->Release();
  }
  return true;
}

BrowserWebView::~BrowserWebView() { Destroy(); }

bool BrowserWebView::Navigate(std::wstring_view address) {
  if (!browser_) return false;
  BSTR text = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
  if (!text) return false;
  VARIANT empty;
  VariantInit(&empty);
  const HRESULT result = browser_->Navigate(text, &empty, &empty, &empty, &empty);
  SysFreeString(text);
  return SUCCEEDED(result);
}

std::wstring BrowserWebView::LocationName() {
  if (!browser_) return {};
  BSTR name = nullptr;
  std::wstring text;
  if (browser_->get_LocationName(&name) == S_OK && name) text.assign(name, SysStringLen(name));
  if (name) SysFreeString(name);
  return text;
}

void BrowserWebView::Resize(const RECT& box) {
  if (!host_) return;
  MoveWindow(host_, box.left, box.top, box.right - box.left, box.bottom - box.top, TRUE);
  if (!object_) return;
  IOleInPlaceObject* in_place = nullptr;
  if (SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&in_place)))) {
    RECT inside{};
    GetClientRect(host_, &inside);
    in_place->SetObjectRects(&inside, &inside);
    in_place->Release();
  }
}

void BrowserWebView::Destroy() {
  if (events_) {
    events_->Unadvise(cookie_);
    events_->Release();
    events_ = nullptr;
    cookie_ = 0;
  }
  if (browser_) {
    browser_->Release();
    browser_ = nullptr;
  }
  if (object_) {
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    object_->Release();
    object_ = nullptr;
  }
  if (site_) {
    site_->Forget();
    site_->Release();
    site_ = nullptr;
  }
  if (host_) {
    DestroyWindow(host_);
    host_ = nullptr;
  }
}

IUnknown* BrowserWebView::site() const { return site_ ? static_cast<IOleClientSite*>(site_) : nullptr; }

IDispatch* BrowserWebView::event_sink() const { return site_ ? static_cast<IDispatch*>(site_) : nullptr; }

std::unique_ptr<WebView> CreateBrowserWebView(HWND parent, const RECT& box, int id, WebViewListener* listener) {
  return BrowserWebView::Create(parent, box, id, listener);
}

}  // namespace lz::dialogs
