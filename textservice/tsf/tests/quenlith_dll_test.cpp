// The text-service library as TSF meets it: loading and unloading, the class factory and the object
// count, the text service's interfaces, activation on our own TSF host (sinks, hot keys, compartments,
// the language-bar button), deactivation, display attributes and the settings start of an unactivated
// service.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/import_patch.h"
#include "tests/support/tsf_host.h"
#include "textservice/engine/byte_view.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/product_class_identifier.h"
#include "textservice/tsf/tests/quenlith_library.h"

namespace lz::test {
namespace {

constexpr GUID kOtherClsid = {0x12345678, 0x1234, 0x1234, {0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34}};
constexpr GUID kConversion = tsf::kGuidCompartmentKeyboardInputModeConversion;
constexpr GUID kInputAttribute = {0x63864826, 0x3efa, 0x4405, {0x86, 0x0b, 0xa7, 0xfe, 0xa6, 0x70, 0xe6, 0xf3}};
constexpr GUID kConvertedAttribute = {0x8bc7218b, 0xbe92, 0x4314, {0x9a, 0x22, 0x53, 0x42, 0x78, 0x17, 0xc4, 0x75}};
constexpr GUID kNoneAttribute = {0x6eab0128, 0xba08, 0x46f0, {0xa2, 0x81, 0xe0, 0xa3, 0xc2, 0x25, 0x53, 0x70}};
constexpr GUID kFullWidthKey = {0xd6783545, 0x19aa, 0x4180, {0x88, 0x18, 0x2b, 0xca, 0xcd, 0xce, 0xc4, 0x11}};
constexpr GUID kPunctuationKey = {0x93cb16e7, 0x163c, 0x4d9b, {0x8e, 0x51, 0xe4, 0xa5, 0xf0, 0x70, 0xc1, 0x61}};
constexpr DWORD kImmersive = 0x40000000;
constexpr TfClientId kClient = 7;

template <typename T>
struct Ref {
  T* p = nullptr;
  Ref() = default;
  explicit Ref(T* pointer) : p(pointer) {}
  ~Ref() { reset(); }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : p(other.p) { other.p = nullptr; }
  void reset() {
    if (p) p->Release();
    p = nullptr;
  }
  T** out() {
    reset();
    return &p;
  }
  void** void_out() { return reinterpret_cast<void**>(out()); }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

// ---- the combinations a test folder binds ----

struct Combination {
  std::int32_t key_code;
  UINT modifiers;  // the TF_MOD bits the hot key is preserved with
};

const Combination kCombinations[] = {
    {key_code::kCtrl | key_code::kShift | 'K', TF_MOD_CONTROL | TF_MOD_SHIFT},
    {key_code::kLeftAlt | 'Q', TF_MOD_LALT},
    {key_code::kRightCtrl | key_code::kLeftShift | 0x70, TF_MOD_RCONTROL | TF_MOD_LSHIFT},
};

void BindCombinations(ConfigBlocks& blocks) {
  blocks.dme.WriteU8(dme_block::kCombinationCount, std::size(kCombinations));
  for (std::uint32_t i = 0; i < std::size(kCombinations); ++i) {
    blocks.dme.WriteU32(dme_block::CombinationOffset(i) + dme_block::kCombinationKeyCode,
                        static_cast<std::uint32_t>(kCombinations[i].key_code));
    blocks.dme.WriteU32(dme_block::CombinationOffset(i) + dme_block::kCombinationMask, key_function::kToggleEnglish);
  }
}

std::function<void(ConfigBlocks&)> ImeSettings(std::uint32_t ime36, std::uint32_t ime48, std::uint32_t ime56) {
  return [=](ConfigBlocks& blocks) {
    blocks.ime.WriteU32(ime_block::kImeFlags, ime36);
    blocks.ime.WriteU32(ime_block::kBehaviourFlags, ime48);
    blocks.ime.WriteU32(ime_block::kInitialState, ime56);
    BindCombinations(blocks);
  };
}

// ---- the button seen from outside ----

std::wstring Tooltip(ITfLangBarItem* item) {
  BSTR text = nullptr;
  if (FAILED(item->GetTooltipString(&text))) return L"(failed)";
  std::wstring result = text ? text : L"";
  SysFreeString(text);
  return result;
}

std::vector<std::uint8_t> IconPixels(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  BITMAP bitmap{};
  GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = bitmap.bmWidth;
  header.bmiHeader.biHeight = bitmap.bmHeight;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight * 4);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(bitmap.bmHeight), pixels.data(), &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return pixels;
}

// Which of the icons 102-106 the button shows (0 when none matches).
int ShownIcon(HMODULE module, ITfLangBarItemButton* button) {
  HICON icon = nullptr;
  if (FAILED(button->GetIcon(&icon))) return 0;
  const std::vector<std::uint8_t> shown = IconPixels(icon);
  DestroyIcon(icon);
  for (int id = 102; id <= 106; ++id) {
    HICON candidate =
        static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    const bool same = IconPixels(candidate) == shown;
    DestroyIcon(candidate);
    if (same) return id;
  }
  return 0;
}

void SetCapsLock(bool on) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CAPITAL] = on ? 1 : 0;
  SetKeyboardState(keys);
}

// Another component (the system, another text service) writes a compartment and its sinks hear it.
void WriteAsAnotherClient(HostCompartment& compartment, LONG value) {
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = VT_I4;
  variant.lVal = value;
  compartment.SetValue(kClient + 1, &variant);
}

// ---- an activation on the host ----

struct Activation {
  QuenlithLibrary library;
  HostThreadManager host;
  Ref<ITfTextInputProcessorEx> service;
  HRESULT activated = E_FAIL;

  explicit Activation(DWORD flags = 0, bool activate = true) {
    service.p = library.NewService();
    if (service && activate) activated = service->ActivateEx(&host, kClient, flags);
  }
  ~Activation() {
    if (service && SUCCEEDED(activated)) service->Deactivate();
  }
  ITfLangBarItemButton* Button() const {
    if (host.items().empty()) return nullptr;
    return static_cast<ITfLangBarItemButton*>(host.items()[0]);
  }
};

// ---------------------------------------------------------------------------------------------------

std::vector<std::string> ExportNames(HMODULE module) {
  auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::vector<std::string> result;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) result.emplace_back(reinterpret_cast<const char*>(base + names[i]));
  return result;
}

bool SkinClassRegistered(HMODULE module) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  return GetClassInfoExW(module, L"MVLZSKIN_CAND", &info) != 0;
}

TEST(TestProgram, RunsAsTheWindowsVersionItsNameAsksFor) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const bool win10_copy = std::wstring(self).ends_with(L"_win10.exe");
  EXPECT_EQ(RunsAsWindows10(), win10_copy);
}

TEST(QuenlithLibrary, TwentyCyclesOfLoadActivateDeactivateReleaseAndUnloadLeaveNothingBehind) {
  InstalledProduct product;
  for (int cycle = 0; cycle < 20; ++cycle) {
    SCOPED_TRACE(cycle);
    HMODULE module = nullptr;
    {
      QuenlithLibrary library;
      module = library.module();
      ASSERT_NE(module, nullptr);
      EXPECT_EQ(ExportNames(module),
                (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                          "DllUnregisterServer", "LZITFGetObject"}));
      EXPECT_TRUE(SkinClassRegistered(module));
      EXPECT_EQ(library.CanUnloadNow(), S_OK);
      {
        HostThreadManager host;
        Ref<ITfTextInputProcessorEx> service(library.NewService());
        ASSERT_TRUE(service);
        EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
        ASSERT_EQ(service->ActivateEx(&host, kClient, 0), S_OK);
        EXPECT_EQ(service->Deactivate(), S_OK);
        service.reset();
        EXPECT_TRUE(host.NothingHeld());
      }
      EXPECT_EQ(library.CanUnloadNow(), S_OK);
    }
    EXPECT_EQ(GetModuleHandleW(QuenlithPath().c_str()), nullptr);
    EXPECT_FALSE(SkinClassRegistered(module));
  }
}

TEST(QuenlithLibrary, CanUnloadNowAnswersNoWhileAnyOfItsObjectsLives) {
  InstalledProduct product;
  QuenlithLibrary library;
  using Holder = std::function<void(Activation&, Ref<IUnknown>&)>;
  const std::pair<const char*, Holder> holders[] = {
      {"factory",
       [](Activation& a, Ref<IUnknown>& held) { a.library.GetClassObject(ProductClsid(), IID_IClassFactory, held.void_out()); }},
      {"service", [](Activation& a, Ref<IUnknown>& held) { a.service->QueryInterface(IID_IUnknown, held.void_out()); }},
      {"button", [](Activation& a, Ref<IUnknown>& held) { a.Button()->QueryInterface(IID_IUnknown, held.void_out()); }},
      {"attribute info",
       [](Activation& a, Ref<IUnknown>& held) {
         Ref<ITfDisplayAttributeProvider> provider;
         a.service->QueryInterface(tsf::kIidDisplayAttributeProvider, provider.void_out());
         provider->GetDisplayAttributeInfo(kInputAttribute, reinterpret_cast<ITfDisplayAttributeInfo**>(held.out()));
       }},
      {"enumerator",
       [](Activation& a, Ref<IUnknown>& held) {
         Ref<ITfDisplayAttributeProvider> provider;
         a.service->QueryInterface(tsf::kIidDisplayAttributeProvider, provider.void_out());
         provider->EnumDisplayAttributeInfo(reinterpret_cast<IEnumTfDisplayAttributeInfo**>(held.out()));
       }},
  };
  for (const auto& [name, hold] : holders) {
    SCOPED_TRACE(name);
    Ref<IUnknown> held;
    HRESULT while_held = E_FAIL;
    {
      Activation activation;
      ASSERT_EQ(activation.activated, S_OK);
      hold(activation, held);
      ASSERT_TRUE(held);
      activation.service->Deactivate();
      activation.activated = E_FAIL;
      activation.service.reset();
      while_held = activation.library.CanUnloadNow();
      held.reset();
      EXPECT_EQ(activation.library.CanUnloadNow(), S_OK);
    }
    EXPECT_EQ(while_held, S_FALSE);
  }
}

TEST(QuenlithLibrary, GetClassObjectAnswersOnlyForItsOwnClassAndFactoryInterfaces) {
  QuenlithLibrary library;
  struct Case {
    const char* name;
    CLSID clsid;
    IID iid;
    HRESULT expected;
  } cases[] = {
      {"own, IClassFactory", ProductClsid(), IID_IClassFactory, S_OK},
      {"own, IUnknown", ProductClsid(), IID_IUnknown, S_OK},
      {"own, other", ProductClsid(), IID_ITfThreadMgr, CLASS_E_CLASSNOTAVAILABLE},
      {"other, IClassFactory", kOtherClsid, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {"other, IUnknown", kOtherClsid, IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
      {"other, other", kOtherClsid, IID_ITfThreadMgr, CLASS_E_CLASSNOTAVAILABLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(library.GetClassObject(c.clsid, c.iid, &out), c.expected);
    if (c.expected == S_OK) {
      ASSERT_NE(out, nullptr);
      EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
      static_cast<IUnknown*>(out)->Release();
    } else {
      EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
  }
}

TEST(TextService, AnswersIUnknownAndTwelveInterfacesAndNothingElse) {
  QuenlithLibrary library;
  Ref<ITfTextInputProcessorEx> service(library.NewService());
  ASSERT_TRUE(service);
  const struct {
    const char* name;
    IID iid;
    bool answered;
  } cases[] = {
      {"IUnknown", IID_IUnknown, true},
      {"ITfTextInputProcessor", IID_ITfTextInputProcessor, true},
      {"ITfTextInputProcessorEx", tsf::kIidTextInputProcessorEx, true},
      {"ITfThreadMgrEventSink", IID_ITfThreadMgrEventSink, true},
      {"ITfTextEditSink", IID_ITfTextEditSink, true},
      {"ITfKeyEventSink", IID_ITfKeyEventSink, true},
      {"ITfCompositionSink", IID_ITfCompositionSink, true},
      {"ITfDisplayAttributeProvider", tsf::kIidDisplayAttributeProvider, true},
      {"ITfActiveLanguageProfileNotifySink", IID_ITfActiveLanguageProfileNotifySink, true},
      {"ITfThreadFocusSink", IID_ITfThreadFocusSink, true},
      {"ITfFnReconversion", tsf::kIidFnReconversion, true},
      {"ITfFnConfigure", tsf::kIidFnConfigure, true},
      {"ITfCompartmentEventSink", IID_ITfCompartmentEventSink, true},
      {"ITfFunction", tsf::kIidFunction, false},
      {"ITfLangBarItemButton", tsf::kIidLangBarItemButton, false},
      {"IClassFactory", IID_IClassFactory, false},
      {"ITfSource", IID_ITfSource, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    void* out = reinterpret_cast<void*>(1);
    const HRESULT result = service->QueryInterface(c.iid, &out);
    if (c.answered) {
      EXPECT_EQ(result, S_OK);
      ASSERT_NE(out, nullptr);
      static_cast<IUnknown*>(out)->Release();
    } else {
      EXPECT_EQ(result, E_NOINTERFACE);
      EXPECT_EQ(out, nullptr);
    }
  }
  EXPECT_EQ(service->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
  // Every interface of the object leads back to one identity.
  Ref<IUnknown> identity, via_sink;
  service->QueryInterface(IID_IUnknown, identity.void_out());
  Ref<ITfThreadFocusSink> sink;
  service->QueryInterface(IID_ITfThreadFocusSink, sink.void_out());
  sink->QueryInterface(IID_IUnknown, via_sink.void_out());
  EXPECT_EQ(identity.p, via_sink.p);
}

TEST(TextService, WithoutAnEngineHasNoDisplayName) {
  QuenlithLibrary library;
  Ref<ITfTextInputProcessorEx> service(library.NewService());
  Ref<ITfFnConfigure> configure;
  ASSERT_EQ(service->QueryInterface(tsf::kIidFnConfigure, configure.void_out()), S_OK);
  BSTR name = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(configure->GetDisplayName(&name), E_FAIL);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(configure->GetDisplayName(nullptr), E_INVALIDARG);
}

// ---- activation ----

TEST(Activation, AdvisesSixSinksAndDeactivationGivesEverythingBack) {
  InstalledProduct product(ImeSettings(0, 0, 0));
  Activation activation;
  ASSERT_EQ(activation.activated, S_OK);
  const HostThreadManager& host = activation.host;
  EXPECT_EQ(host.sinks().CountOf(IID_ITfThreadMgrEventSink), 1);
  EXPECT_EQ(host.sinks().CountOf(IID_ITfActiveLanguageProfileNotifySink), 1);
  EXPECT_EQ(host.sinks().CountOf(IID_ITfThreadFocusSink), 1);
  EXPECT_EQ(activation.host.context().sinks().CountOf(IID_ITfTextEditSink), 1);
  EXPECT_NE(host.key_sink(), nullptr);
  EXPECT_TRUE(host.key_sink_foreground());
  EXPECT_EQ(activation.host.compartments().Get(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE).sinks().sinks().size(), 1u);
  EXPECT_EQ(host.AdvisedSinkCount(), 6);
  EXPECT_EQ(host.items().size(), 1u);

  EXPECT_EQ(activation.service->Deactivate(), S_OK);
  activation.activated = E_FAIL;
  EXPECT_EQ(host.AdvisedSinkCount(), 0);
  EXPECT_TRUE(host.NothingHeld());
}

TEST(Activation, TheTextEditSinkFollowsTheDocumentFocus) {
  InstalledProduct product;
  Activation activation;
  ASSERT_EQ(activation.activated, S_OK);
  HostContext& context = activation.host.context();
  EXPECT_EQ(context.sinks().CountOf(IID_ITfTextEditSink), 1);
  activation.host.FocusDocument(false);
  EXPECT_EQ(context.sinks().CountOf(IID_ITfTextEditSink), 0);
  EXPECT_EQ(context.references(), 1);
  activation.host.FocusDocument(true);
  EXPECT_EQ(context.sinks().CountOf(IID_ITfTextEditSink), 1);
  activation.host.FocusDocument(true);
  EXPECT_EQ(context.sinks().CountOf(IID_ITfTextEditSink), 1);
}

void Type(UINT vk) {
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(vk);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

TEST(Activation, KeysTheServiceDoesNotTakeReachTheDocument) {
  InstalledProduct product;
  for (KeyDelivery delivery : {KeyDelivery::kTsfLike, KeyDelivery::kKeyDownOnly, KeyDelivery::kTestDownTwice}) {
    SCOPED_TRACE(static_cast<int>(delivery));
    Activation activation;
    ASSERT_EQ(activation.activated, S_OK);
    activation.host.delivery = delivery;
    activation.host.TakeKeyboardFocus();
    Type('A');
    Type(VK_BACK);
    Type('B');
    activation.host.PumpKeys(10);
    ASSERT_EQ(activation.host.passed_keys.size(), 6u);
    EXPECT_EQ(activation.host.passed_keys[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(activation.host.passed_keys[0].vk, static_cast<WPARAM>('A'));
    EXPECT_EQ(activation.host.passed_keys[0].scan, MapVirtualKeyW('A', MAPVK_VK_TO_VSC));
    EXPECT_EQ(activation.host.passed_keys[1].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(activation.host.text(), u"b");
  }
}

TEST(Activation, ImmersiveAndOtherHostStylesActivateAlike) {
  InstalledProduct product;
  for (DWORD flags : {kImmersive, DWORD{0x4}, DWORD{0x40000004}}) {
    SCOPED_TRACE(flags);
    Activation activation(flags);
    EXPECT_EQ(activation.activated, S_OK);
    EXPECT_EQ(activation.host.AdvisedSinkCount(), 6);
  }
}

TEST(Activation, FailsWithoutTheRegistryEntryAndAdvisesNothing) {
  InstalledProduct product;
  product.RemoveRegistryEntry();
  Activation activation;
  EXPECT_EQ(activation.activated, E_FAIL);
  EXPECT_EQ(activation.host.AdvisedSinkCount(), 0);
  EXPECT_TRUE(activation.host.NothingHeld());
}

TEST(Activation, AFailedAdviseUndoesWhatWasDone) {
  InstalledProduct product;
  Activation activation(0, false);
  activation.host.refuse_sink = IID_ITfThreadFocusSink;
  EXPECT_EQ(activation.service->ActivateEx(&activation.host, kClient, 0), E_FAIL);
  EXPECT_EQ(activation.host.AdvisedSinkCount(), 0);
  EXPECT_TRUE(activation.host.NothingHeld());
}

TEST(Activation, PreservesTheFixedHotKeysAndEachCombination) {
  InstalledProduct product(ImeSettings(0, 0, 0));
  Activation activation;
  ASSERT_EQ(activation.activated, S_OK);
  const auto& preserved = activation.host.preserved();
  ASSERT_EQ(preserved.size(), std::size(kCombinations) + 2);
  for (std::size_t i = 0; i < std::size(kCombinations); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(preserved[i].key.uVKey, static_cast<UINT>(kCombinations[i].key_code & 0xFF));
    EXPECT_EQ(preserved[i].key.uModifiers, kCombinations[i].modifiers);
    EXPECT_EQ(preserved[i].description, L"---");
  }
  // Every combination has an identifier of its own.
  for (std::size_t i = 0; i < preserved.size(); ++i) {
    for (std::size_t j = i + 1; j < preserved.size(); ++j) EXPECT_FALSE(IsEqualGUID(preserved[i].guid, preserved[j].guid));
  }
  const PreservedKeyRecord& shift_space = preserved[std::size(kCombinations)];
  EXPECT_EQ(shift_space.key.uVKey, static_cast<UINT>(VK_SPACE));
  EXPECT_EQ(shift_space.key.uModifiers, static_cast<UINT>(TF_MOD_SHIFT));
  EXPECT_TRUE(IsEqualGUID(shift_space.guid, kFullWidthKey));
  const PreservedKeyRecord& ctrl_period = preserved[std::size(kCombinations) + 1];
  EXPECT_EQ(ctrl_period.key.uVKey, static_cast<UINT>(VK_OEM_PERIOD));
  EXPECT_EQ(ctrl_period.key.uModifiers, static_cast<UINT>(TF_MOD_CONTROL));
  EXPECT_TRUE(IsEqualGUID(ctrl_period.guid, kPunctuationKey));
}

TEST(Activation, PreservesNothingWithoutCombinationKeysOrWhileClosed) {
  {
    InstalledProduct product(ImeSettings(ime_block::kNoCombinationKeys, 0, 0));
    Activation activation;
    ASSERT_EQ(activation.activated, S_OK);
    EXPECT_TRUE(activation.host.preserved().empty());
  }
  {
    InstalledProduct product(ImeSettings(0, 0, 0));
    Activation activation;
    ASSERT_EQ(activation.activated, S_OK);
    ASSERT_FALSE(activation.host.preserved().empty());
    // Closing from outside: the service hears the compartment and gives its keys back.
    HostCompartment& open = activation.host.compartments().Get(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE);
    WriteAsAnotherClient(open, 0);
    EXPECT_TRUE(activation.host.preserved().empty());
    WriteAsAnotherClient(open, 1);
    EXPECT_EQ(activation.host.preserved().size(), std::size(kCombinations) + 2);
  }
}

TEST(Activation, StartsTheCompartmentsAndModesFromTheVersionTheSettingsAndTheConversionBefore) {
  const bool win10 = RunsAsWindows10();
  struct Case {
    std::uint32_t ime36, ime48, ime56;
    LONG conversion_before;
    LONG open_61, conversion_61;
    const wchar_t* tooltip_61;
    LONG open_10, conversion_10;
    const wchar_t* tooltip_10;
  } cases[] = {
      {0, 0, 0, 0, 1, 0x1, L"当前状态：中文，半角，英文标点", 1, 0x1, L"当前状态：中文，半角，英文标点"},
      {0, 0, 0, 0x409, 1, 0x409, L"当前状态：中文，全角，中文标点", 1, 0x409, L"当前状态：中文，全角，中文标点"},
      {0, 0x100, 0x500, 0x1, 1, 0x500, L"当前状态：英文，半角，中文标点", 1, 0x401, L"当前状态：中文，半角，中文标点"},
      {0, 0x100, 0x8, 0x400, 1, 0x9, L"当前状态：中文，全角，英文标点", 1, 0x9, L"当前状态：中文，全角，英文标点"},
      {0x100, 0, 0, 0x400, 1, 0x401, L"当前状态：中文，半角，中文标点", 0, 0x401, L"当前状态：关闭，半角，中文标点"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "ime36 " << c.ime36 << " ime48 " << c.ime48 << " ime56 " << c.ime56
                                    << " before " << c.conversion_before);
    InstalledProduct product(ImeSettings(c.ime36, c.ime48, c.ime56));
    Activation activation(0, false);
    activation.host.compartments().Get(kConversion).Preset(c.conversion_before);
    ASSERT_EQ(activation.service->ActivateEx(&activation.host, kClient, 0), S_OK);
    activation.activated = S_OK;
    EXPECT_EQ(activation.host.compartments().Get(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE).value(),
              win10 ? c.open_10 : c.open_61);
    EXPECT_EQ(activation.host.compartments().Get(kConversion).value(), win10 ? c.conversion_10 : c.conversion_61);
    ASSERT_NE(activation.Button(), nullptr);
    EXPECT_EQ(Tooltip(activation.Button()), win10 ? c.tooltip_10 : c.tooltip_61);
  }
}

// ---- the language-bar button ----

TEST(LanguageBarButton, DescribesItselfForTheVersion) {
  InstalledProduct product;
  Activation activation;
  ASSERT_EQ(activation.activated, S_OK);
  ITfLangBarItemButton* button = activation.Button();
  ASSERT_NE(button, nullptr);
  TF_LANGBARITEMINFO info{};
  ASSERT_EQ(button->GetInfo(&info), S_OK);
  EXPECT_TRUE(IsEqualGUID(info.clsidService, ProductClsid()));
  EXPECT_TRUE(IsEqualGUID(info.guidItem, tsf::kGuidLbiInputMode));
  EXPECT_EQ(info.dwStyle, RunsAsWindows10() ? 0x10002u : 0x30002u);
  EXPECT_EQ(info.ulSort, 1u);
  EXPECT_STREQ(info.szDescription, L"中文/英文");
  BSTR text = nullptr;
  ASSERT_EQ(button->GetText(&text), S_OK);
  EXPECT_STREQ(text, L"中文/英文");
  SysFreeString(text);
  EXPECT_EQ(button->Show(TRUE), E_NOTIMPL);
  {
    // InitMenu tracks the program's own menu: a second thread finds it and closes it with Esc.
    std::atomic<bool> menu_seen{false};
    std::thread dismiss([&menu_seen] {
      for (int i = 0; i < 400; ++i) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (menu && IsWindowVisible(menu)) {
          menu_seen = true;
          PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
          return;
        }
        Sleep(25);
      }
    });
    EXPECT_EQ(button->InitMenu(nullptr), E_FAIL);
    dismiss.join();
    EXPECT_TRUE(menu_seen);
  }
  DWORD status = 1;
  ASSERT_EQ(button->GetStatus(&status), S_OK);
  EXPECT_EQ(status, 0u);
  // The interfaces of the button.
  for (const IID& iid : {IID_IUnknown, IID_ITfLangBarItem, tsf::kIidLangBarItemButton, IID_ITfSource}) {
    Ref<IUnknown> answer;
    EXPECT_EQ(button->QueryInterface(iid, answer.void_out()), S_OK);
  }
  Ref<IUnknown> none;
  EXPECT_EQ(button->QueryInterface(IID_ITfThreadMgr, none.void_out()), E_NOINTERFACE);
}

TEST(LanguageBarButton, ShowsTheIconOfEachState) {
  InstalledProduct product;
  Activation activation;
  ASSERT_EQ(activation.activated, S_OK);
  ITfLangBarItemButton* button = activation.Button();
  HostCompartment& open = activation.host.compartments().Get(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE);
  HostCompartment& disabled = activation.host.context().compartments().Get(GUID_COMPARTMENT_KEYBOARD_DISABLED);
  SetCapsLock(false);
  EXPECT_EQ(ShownIcon(activation.library.module(), button), 103);
  button->OnClick(tsf::TF_LBI_CLK_LEFT, POINT{}, nullptr);
  EXPECT_EQ(ShownIcon(activation.library.module(), button), 102);
  SetCapsLock(true);
  EXPECT_EQ(ShownIcon(activation.library.module(), button), 104);
  SetCapsLock(false);
  open.Preset(0);
  EXPECT_EQ(ShownIcon(activation.library.module(), button), 105);
  disabled.Preset(1);
  EXPECT_EQ(ShownIcon(activation.library.module(), button), 106);
  disabled.Preset(0);
  activation.host.context().compartments().Get(GUID_COMPARTMENT_EMPTYCONTEXT).Preset(1);
  EXPECT_EQ(ShownIcon(activation.library.module(), button), 106);
}

TEST(LanguageBarButton, LeftClickFlipsChineseAndEnglishButNotWithCapsLock) {
  InstalledProduct product;
  Activation activation;
  ASSERT_EQ(activation.activated, S_OK);
  ITfLangBarItemButton* button = activation.Button();
  HostCompartment& conversion = activation.host.compartments().Get(kConversion);
  SetCapsLock(false);
  EXPECT_EQ(Tooltip(button), L"当前状态：中文，半角，英文标点");
  EXPECT_EQ(button->OnClick(tsf::TF_LBI_CLK_LEFT, POINT{}, nullptr), S_OK);
  EXPECT_EQ(Tooltip(button), L"当前状态：英文，半角，英文标点");
  EXPECT_EQ(conversion.value() & 0x101, 0x100);
  SetCapsLock(true);
  button->OnClick(tsf::TF_LBI_CLK_LEFT, POINT{}, nullptr);
  EXPECT_EQ(conversion.value() & 0x101, 0x100);
  SetCapsLock(false);
  button->OnClick(tsf::TF_LBI_CLK_LEFT, POINT{}, nullptr);
  EXPECT_TRUE(Tooltip(button).starts_with(L"当前状态：中文"));
  EXPECT_EQ(conversion.value() & 0x101, 0x1);
  // A closed input method opens on the way to Chinese.
  HostCompartment& open = activation.host.compartments().Get(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE);
  WriteAsAnotherClient(open, 0);
  EXPECT_TRUE(Tooltip(button).starts_with(L"当前状态：关闭"));
  button->OnClick(tsf::TF_LBI_CLK_LEFT, POINT{}, nullptr);
  EXPECT_EQ(open.value(), 1);
  EXPECT_TRUE(Tooltip(button).starts_with(L"当前状态：中文"));
}

TEST(LanguageBarButton, ThreadFocusLossAndGainEachSendOneUpdate) {
  InstalledProduct product;
  Activation activation;
  ASSERT_EQ(activation.activated, S_OK);
  std::vector<DWORD>& updates = activation.host.item_sink().updates;
  updates.clear();
  activation.host.SetThreadFocus(false);
  EXPECT_EQ(updates, std::vector<DWORD>{0x10001});
  DWORD status = 0;
  activation.Button()->GetStatus(&status);
  EXPECT_EQ(status, static_cast<DWORD>(tsf::TF_LBI_STATUS_HIDDEN));
  updates.clear();
  activation.host.SetThreadFocus(true);
  EXPECT_EQ(updates, std::vector<DWORD>{0x10001});
  activation.Button()->GetStatus(&status);
  EXPECT_EQ(status, 0u);
}

TEST(LanguageBarButton, TakesOneItemSinkUnderItsOwnCookie) {
  InstalledProduct product;
  Activation activation;
  ASSERT_EQ(activation.activated, S_OK);
  Ref<ITfSource> source;
  ASSERT_EQ(activation.Button()->QueryInterface(IID_ITfSource, source.void_out()), S_OK);
  // The host's own sink is advised already (cookie 0x0FAB0FA2).
  HostItemSink second;
  DWORD cookie = 0;
  EXPECT_EQ(source->AdviseSink(IID_ITfLangBarItemSink, &second, &cookie), CONNECT_E_ADVISELIMIT);
  EXPECT_EQ(source->AdviseSink(IID_ITfThreadFocusSink, &second, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(source->UnadviseSink(0x1234), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(source->UnadviseSink(0x0FAB0FA2), S_OK);
  EXPECT_EQ(source->UnadviseSink(0x0FAB0FA2), CONNECT_E_NOCONNECTION);
  HostCompartment not_a_sink;
  EXPECT_EQ(source->AdviseSink(IID_ITfLangBarItemSink, static_cast<ITfCompartment*>(&not_a_sink), &cookie),
            E_NOINTERFACE);
  EXPECT_EQ(source->AdviseSink(IID_ITfLangBarItemSink, &second, &cookie), S_OK);
  EXPECT_EQ(cookie, 0x0FAB0FA2u);
  EXPECT_EQ(source->UnadviseSink(cookie), S_OK);
}

// ---- display attributes ----

class DisplayAttributes : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Lanzo Text Service");
    service_.p = library_.NewService();
    ASSERT_EQ(service_->QueryInterface(tsf::kIidDisplayAttributeProvider, provider_.void_out()), S_OK);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Lanzo Text Service"); }

  static void Store(const wchar_t* name, const std::vector<BYTE>& bytes) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Lanzo Text Service", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExW(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
  }
  static std::vector<BYTE> Stored(const wchar_t* name) {
    std::vector<BYTE> bytes(64);
    DWORD size = static_cast<DWORD>(bytes.size());
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Lanzo Text Service", name, RRF_RT_REG_BINARY, nullptr,
                     bytes.data(), &size) != ERROR_SUCCESS) {
      return {};
    }
    bytes.resize(size);
    return bytes;
  }
  Ref<ITfDisplayAttributeInfo> Info(const GUID& guid) {
    Ref<ITfDisplayAttributeInfo> info;
    provider_->GetDisplayAttributeInfo(guid, info.out());
    return info;
  }

  QuenlithLibrary library_;
  Ref<ITfTextInputProcessorEx> service_;
  Ref<ITfDisplayAttributeProvider> provider_;
};

TEST_F(DisplayAttributes, RegistryValuesOfExactly36BytesOverrideTheBuiltInLook) {
  TF_DISPLAYATTRIBUTE builtin{};
  ASSERT_EQ(Info(kInputAttribute)->GetAttributeInfo(&builtin), S_OK);
  EXPECT_EQ(builtin.lsStyle, TF_LS_DOT);
  EXPECT_EQ(builtin.bAttr, TF_ATTR_INPUT);
  EXPECT_EQ(builtin.crText.type, TF_CT_NONE);
  for (std::size_t size : {35u, 36u, 37u}) {
    SCOPED_TRACE(size);
    std::vector<BYTE> bytes(size, 0);
    bytes[0] = 1;  // crText.type TF_CT_SYSCOLOR
    bytes[16] = TF_LS_SQUIGGLE;  // lsStyle
    Store(L"DisplayAttributeInput", bytes);
    TF_DISPLAYATTRIBUTE read{};
    ASSERT_EQ(Info(kInputAttribute)->GetAttributeInfo(&read), S_OK);
    EXPECT_EQ(read.lsStyle, size == 36 ? TF_LS_SQUIGGLE : TF_LS_DOT);
  }
}

TEST_F(DisplayAttributes, SetAndResetStoreThirtySixBytes) {
  Ref<ITfDisplayAttributeInfo> converted = Info(kConvertedAttribute);
  TF_DISPLAYATTRIBUTE look{};
  ASSERT_EQ(converted->GetAttributeInfo(&look), S_OK);
  EXPECT_EQ(look.lsStyle, TF_LS_SOLID);
  EXPECT_EQ(look.bAttr, TF_ATTR_TARGET_CONVERTED);
  EXPECT_EQ(look.crBk.cr, 0xFFFFFFu);
  look.lsStyle = TF_LS_DASH;
  ASSERT_EQ(converted->SetAttributeInfo(&look), S_OK);
  std::vector<BYTE> stored = Stored(L"DisplayAttributeConverted");
  ASSERT_EQ(stored.size(), 36u);
  EXPECT_EQ(std::memcmp(stored.data(), &look, 36), 0);
  ASSERT_EQ(converted->Reset(), S_OK);
  stored = Stored(L"DisplayAttributeConverted");
  ASSERT_EQ(stored.size(), 36u);
  TF_DISPLAYATTRIBUTE reset{};
  std::memcpy(&reset, stored.data(), 36);
  EXPECT_EQ(reset.lsStyle, TF_LS_SOLID);
  EXPECT_EQ(converted->SetAttributeInfo(nullptr), E_INVALIDARG);

  BSTR description = nullptr;
  ASSERT_EQ(converted->GetDescription(&description), S_OK);
  EXPECT_STREQ(description, L"DisplayAttributeConverted");
  SysFreeString(description);
  GUID guid{};
  ASSERT_EQ(converted->GetGUID(&guid), S_OK);
  EXPECT_TRUE(IsEqualGUID(guid, kConvertedAttribute));
}

TEST_F(DisplayAttributes, EveryOneOfTheThreeIsFoundByItsGuidAndNoOtherIs) {
  EXPECT_TRUE(Info(kInputAttribute));
  EXPECT_TRUE(Info(kConvertedAttribute));
  EXPECT_TRUE(Info(kNoneAttribute));
  Ref<ITfDisplayAttributeInfo> none;
  EXPECT_EQ(provider_->GetDisplayAttributeInfo(kOtherClsid, none.out()), E_INVALIDARG);
  EXPECT_FALSE(none);
  EXPECT_EQ(provider_->GetDisplayAttributeInfo(kInputAttribute, nullptr), E_INVALIDARG);
  EXPECT_EQ(provider_->EnumDisplayAttributeInfo(nullptr), E_INVALIDARG);
}

GUID GuidOf(ITfDisplayAttributeInfo* info) {
  GUID guid{};
  info->GetGUID(&guid);
  info->Release();
  return guid;
}

TEST_F(DisplayAttributes, TheEnumeratorOffersInputAndConvertedSkipsAndClones) {
  Ref<IEnumTfDisplayAttributeInfo> enumerator;
  ASSERT_EQ(provider_->EnumDisplayAttributeInfo(enumerator.out()), S_OK);
  ITfDisplayAttributeInfo* infos[3] = {};
  ULONG fetched = 9;
  EXPECT_EQ(enumerator->Next(3, infos, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_TRUE(IsEqualGUID(GuidOf(infos[0]), kInputAttribute));
  EXPECT_TRUE(IsEqualGUID(GuidOf(infos[1]), kConvertedAttribute));
  EXPECT_EQ(infos[2], nullptr);
  EXPECT_EQ(enumerator->Next(1, infos, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(enumerator->Next(0, infos, &fetched), S_OK);

  ASSERT_EQ(enumerator->Reset(), S_OK);
  EXPECT_EQ(enumerator->Skip(1), S_OK);
  Ref<IEnumTfDisplayAttributeInfo> clone;
  ASSERT_EQ(enumerator->Clone(clone.out()), S_OK);
  // One asked for, no count wanted.
  ASSERT_EQ(clone->Next(1, infos, nullptr), S_OK);
  EXPECT_TRUE(IsEqualGUID(GuidOf(infos[0]), kConvertedAttribute));
  ASSERT_EQ(enumerator->Next(1, infos, &fetched), S_OK);
  EXPECT_TRUE(IsEqualGUID(GuidOf(infos[0]), kConvertedAttribute));

  ASSERT_EQ(enumerator->Reset(), S_OK);
  EXPECT_EQ(enumerator->Skip(2), S_OK);
  EXPECT_EQ(enumerator->Next(1, infos, &fetched), S_FALSE);
  ASSERT_EQ(enumerator->Reset(), S_OK);
  EXPECT_EQ(enumerator->Skip(3), S_FALSE);
  EXPECT_EQ(enumerator->Next(1, infos, &fetched), S_FALSE);
}

// ---- settings start ----

struct RecordedStart {
  std::wstring file;
  std::wstring parameters;
};
std::vector<RecordedStart> g_starts;

HINSTANCE WINAPI RecordShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR parameters, LPCWSTR, INT) {
  g_starts.push_back(RecordedStart{file ? file : L"", parameters ? parameters : L""});
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

TEST(Configure, AnUnactivatedServiceStartsConfigOnceAndKeepsNoEngine) {
  InstalledProduct product;
  QuenlithLibrary library;
  ASSERT_NE(PatchImport(library.module(), "shell32.dll", "ShellExecuteW", reinterpret_cast<void*>(&RecordShellExecute)),
            nullptr);
  g_starts.clear();
  Ref<ITfTextInputProcessorEx> service(library.NewService());
  Ref<ITfFnConfigure> configure;
  ASSERT_EQ(service->QueryInterface(tsf::kIidFnConfigure, configure.void_out()), S_OK);
  EXPECT_EQ(configure->Show(nullptr, 0x804, GUID_NULL), S_OK);
  ASSERT_EQ(g_starts.size(), 1u);
  EXPECT_TRUE(g_starts[0].file.ends_with(L"\\config.exe")) << std::string(g_starts[0].file.begin(), g_starts[0].file.end());
  EXPECT_TRUE(g_starts[0].parameters.starts_with(L"/n " LZ_PRODUCT_CLASS_IDENTIFIER_W));
  // The engine made for the start went with it: the service still has none.
  BSTR name = nullptr;
  EXPECT_EQ(configure->GetDisplayName(&name), E_FAIL);

  // An activated service starts nothing, and names its language.
  HostThreadManager host;
  ASSERT_EQ(service->ActivateEx(&host, kClient, 0), S_OK);
  ASSERT_EQ(configure->GetDisplayName(&name), S_OK);
  EXPECT_NE(name, nullptr);
  SysFreeString(name);
  g_starts.clear();
  EXPECT_EQ(configure->Show(nullptr, 0x804, GUID_NULL), S_OK);
  EXPECT_TRUE(g_starts.empty());
  service->Deactivate();
}

}  // namespace
}  // namespace lz::test
