#pragma once
// The TSF interfaces, identifiers and constants that the mingw-w64 headers of Debian 12 lack, written from
// the documented interface definitions (method order and identifiers are those of the platform's
// interface definitions). Everything else comes from <msctf.h> and <ctfutb.h>.
#include <windows.h>

#include <msctf.h>
#include <ctfutb.h>
#include <olectl.h>

namespace lz::tsf {

// Identifiers. Constants of our own rather than the platform's extern names, so that nothing depends on
// which of them libuuid happens to carry.
inline constexpr GUID kIidTextInputProcessorEx = {
    0x6e4e2102, 0xf9cd, 0x433d, {0xb4, 0x96, 0x30, 0x3c, 0xe0, 0x3a, 0x65, 0x07}};
inline constexpr GUID kIidFunction = {0xdb593490, 0x098f, 0x11d3, {0x8d, 0xf0, 0x00, 0x10, 0x5a, 0x27, 0x99, 0xb5}};
inline constexpr GUID kIidFnConfigure = {
    0x88f567c6, 0x1757, 0x49f8, {0xa1, 0xb2, 0x89, 0x23, 0x4c, 0x1e, 0xef, 0xf9}};
inline constexpr GUID kIidFnReconversion = {
    0x4cea93c0, 0x0a58, 0x11d3, {0x8d, 0xf0, 0x00, 0x10, 0x5a, 0x27, 0x99, 0xb5}};
inline constexpr GUID kIidDisplayAttributeProvider = {
    0xfee47777, 0x163c, 0x4769, {0x99, 0x6a, 0x6e, 0x9c, 0x50, 0xad, 0x8f, 0x54}};
inline constexpr GUID kIidTextLayoutSink = {
    0x2af2d06a, 0xdd5b, 0x4927, {0xa0, 0xb4, 0x54, 0xf1, 0x9c, 0x91, 0xfa, 0xde}};
inline constexpr GUID kIidCandidateListUIElement = {
    0xea1ea138, 0x19df, 0x11d7, {0xa6, 0xd2, 0x00, 0x06, 0x5b, 0x84, 0x43, 0x5c}};
inline constexpr GUID kIidCandidateListUIElementBehavior = {
    0x85fad185, 0x58ce, 0x497a, {0x94, 0x60, 0x35, 0x53, 0x66, 0xb6, 0x4b, 0x9a}};
inline constexpr GUID kIidIntegratableCandidateListUIElement = {
    0xc7a6f54f, 0xb180, 0x416f, {0xb2, 0xbf, 0x7b, 0xf2, 0xe4, 0x68, 0x3d, 0x7b}};
inline constexpr GUID kIidUIElement = {0xea1ea137, 0x19df, 0x11d7, {0xa6, 0xd2, 0x00, 0x06, 0x5b, 0x84, 0x43, 0x5c}};
inline constexpr GUID kIidUIElementMgr = {
    0xea1ea135, 0x19df, 0x11d7, {0xa6, 0xd2, 0x00, 0x06, 0x5b, 0x84, 0x43, 0x5c}};
inline constexpr GUID kIidLangBarItemButton = {
    0x28c7f1d0, 0xde25, 0x11d2, {0xaf, 0xdd, 0x00, 0x10, 0x5a, 0x27, 0x99, 0xb5}};
inline constexpr GUID kGuidLbiInputMode = {
    0x2c77a81e, 0x41cc, 0x4178, {0xa3, 0xa7, 0x5f, 0x8a, 0x98, 0x75, 0x68, 0xe6}};
inline constexpr GUID kGuidCompartmentKeyboardInputModeConversion = {
    0xccf05dd8, 0x4a87, 0x11d7, {0xa6, 0xe2, 0x00, 0x06, 0x5b, 0x84, 0x43, 0x5c}};

// Conversion-mode compartment bits.
constexpr DWORD TF_CONVERSIONMODE_ALPHANUMERIC = 0x0000;
constexpr DWORD TF_CONVERSIONMODE_NATIVE = 0x0001;
constexpr DWORD TF_CONVERSIONMODE_KATAKANA = 0x0002;
constexpr DWORD TF_CONVERSIONMODE_FULLSHAPE = 0x0008;
constexpr DWORD TF_CONVERSIONMODE_ROMAN = 0x0010;
constexpr DWORD TF_CONVERSIONMODE_CHARCODE = 0x0020;
constexpr DWORD TF_CONVERSIONMODE_NOCONVERSION = 0x0100;
constexpr DWORD TF_CONVERSIONMODE_EUDC = 0x0200;
constexpr DWORD TF_CONVERSIONMODE_SYMBOL = 0x0400;
constexpr DWORD TF_CONVERSIONMODE_FIXED = 0x0800;

// Language-bar item styles, status bits, update flags and clicks.
constexpr DWORD TF_LBI_STYLE_HIDDENSTATUSCONTROL = 0x00000001;
constexpr DWORD TF_LBI_STYLE_SHOWNINTRAY = 0x00000002;
constexpr DWORD TF_LBI_STYLE_HIDEONNOOTHERITEMS = 0x00000004;
constexpr DWORD TF_LBI_STYLE_SHOWNINTRAYONLY = 0x00000008;
constexpr DWORD TF_LBI_STYLE_HIDDENBYDEFAULT = 0x00000010;
constexpr DWORD TF_LBI_STYLE_TEXTCOLORICON = 0x00000020;
constexpr DWORD TF_LBI_STYLE_BTN_BUTTON = 0x00010000;
constexpr DWORD TF_LBI_STYLE_BTN_MENU = 0x00020000;
constexpr DWORD TF_LBI_STYLE_BTN_TOGGLE = 0x00040000;
constexpr DWORD TF_LBI_STATUS_HIDDEN = 0x00000001;
constexpr DWORD TF_LBI_STATUS_DISABLED = 0x00000002;
constexpr DWORD TF_LBI_STATUS_BTN_TOGGLED = 0x00010000;
constexpr DWORD TF_LBI_ICON = 0x00000001;
constexpr DWORD TF_LBI_TEXT = 0x00000002;
constexpr DWORD TF_LBI_TOOLTIP = 0x00000004;
constexpr DWORD TF_LBI_BTNALL = 0x00010003;
constexpr DWORD TF_LBI_STATUS = 0x00010000;

enum TfLBIClick { TF_LBI_CLK_RIGHT = 1, TF_LBI_CLK_LEFT = 2 };
enum TfLayoutCode { TF_LC_CREATE = 0, TF_LC_CHANGE = 1, TF_LC_DESTROY = 2 };
enum TfIntegratableCandidateListSelectionStyle { STYLE_ACTIVE_SELECTION = 0, STYLE_IMPLIED_SELECTION = 1 };

// The UI element manager's "no element".
constexpr DWORD TF_INVALID_UIELEMENTID = static_cast<DWORD>(-1);

// Result codes of edit requests.
constexpr HRESULT TF_S_ASYNC = 0x00040300;
constexpr HRESULT TF_E_SYNCHRONOUS = static_cast<HRESULT>(0x80040208);
constexpr HRESULT TF_E_LOCKED = static_cast<HRESULT>(0x80040500);

}  // namespace lz::tsf

// Only handed around by pointer here.
struct ITfMenu;
struct ITfCandidateList;

#ifndef TF_CLIENTID_NULL
#define TF_CLIENTID_NULL 0
#endif
#ifndef TF_INVALID_GUIDATOM
#define TF_INVALID_GUIDATOM 0
#endif

struct ITfFunction : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetDisplayName(BSTR* name) = 0;
};

struct ITfTextInputProcessorEx : public ITfTextInputProcessor {
  virtual HRESULT STDMETHODCALLTYPE ActivateEx(ITfThreadMgr* thread_manager, TfClientId client_id, DWORD flags) = 0;
};

struct ITfFnConfigure : public ITfFunction {
  virtual HRESULT STDMETHODCALLTYPE Show(HWND parent, LANGID langid, REFGUID profile) = 0;
};

struct ITfFnReconversion : public ITfFunction {
  virtual HRESULT STDMETHODCALLTYPE QueryRange(ITfRange* range, ITfRange** new_range, BOOL* convertable) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetReconversion(ITfRange* range, ITfCandidateList** list) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reconvert(ITfRange* range) = 0;
};

struct ITfDisplayAttributeProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDisplayAttributeInfo(REFGUID guid, ITfDisplayAttributeInfo** out) = 0;
};

struct ITfTextLayoutSink : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnLayoutChange(ITfContext* context, lz::tsf::TfLayoutCode code,
                                                   ITfContextView* view) = 0;
};

struct ITfCandidateListUIElement : public ITfUIElement {
  virtual HRESULT STDMETHODCALLTYPE GetUpdatedFlags(DWORD* flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDocumentMgr(ITfDocumentMgr** document) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSelection(UINT* index) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetString(UINT index, BSTR* text) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPageIndex(UINT* index, UINT size, UINT* page_count) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPageIndex(UINT* index, UINT page_count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPage(UINT* page) = 0;
};

struct ITfCandidateListUIElementBehavior : public ITfCandidateListUIElement {
  virtual HRESULT STDMETHODCALLTYPE SetSelection(UINT index) = 0;
  virtual HRESULT STDMETHODCALLTYPE Finalize() = 0;
  virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
};

struct ITfIntegratableCandidateListUIElement : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetIntegrationStyle(GUID style) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSelectionStyle(lz::tsf::TfIntegratableCandidateListSelectionStyle* style) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnKeyDown(WPARAM wparam, LPARAM lparam, BOOL* eaten) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowCandidateNumbers(BOOL* show) = 0;
  virtual HRESULT STDMETHODCALLTYPE FinalizeExactCompositionString() = 0;
};

struct ITfLangBarItemButton : public ITfLangBarItem {
  virtual HRESULT STDMETHODCALLTYPE OnClick(lz::tsf::TfLBIClick click, POINT point, const RECT* area) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitMenu(ITfMenu* menu) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnMenuSelect(UINT id) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIcon(HICON* icon) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetText(BSTR* text) = 0;
};
