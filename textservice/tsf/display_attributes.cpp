#include "textservice/tsf/display_attributes.h"

#include <new>

#include "textservice/tsf/library_module.h"
#include "textservice/tsf/single_interface_object.h"

namespace lz {
namespace {

constexpr GUID kAttributeGuids[kDisplayAttributeCount] = {
    {0x63864826, 0x3efa, 0x4405, {0x86, 0x0b, 0xa7, 0xfe, 0xa6, 0x70, 0xe6, 0xf3}},
    {0x8bc7218b, 0xbe92, 0x4314, {0x9a, 0x22, 0x53, 0x42, 0x78, 0x17, 0xc4, 0x75}},
    {0x6eab0128, 0xba08, 0x46f0, {0xa2, 0x81, 0xe0, 0xa3, 0xc2, 0x25, 0x53, 0x70}},
};

constexpr const wchar_t* kAttributeNames[kDisplayAttributeCount] = {
    L"DisplayAttributeInput", L"DisplayAttributeConverted", L"DisplayAttributeNone"};

// Colour type 0 (TF_CT_NONE) leaves the host's colour; the converted attribute's white background and
// line keep their values with that type, as stored attributes always have.
constexpr TF_DA_COLOR kNoColour = {TF_CT_NONE, {0}};
constexpr TF_DA_COLOR kWhiteUnused = {TF_CT_NONE, {0xFFFFFF}};

const TF_DISPLAYATTRIBUTE kBuiltinAttributes[kDisplayAttributeCount] = {
    {kNoColour, kNoColour, TF_LS_DOT, FALSE, kNoColour, TF_ATTR_INPUT},
    {kNoColour, kWhiteUnused, TF_LS_SOLID, FALSE, kWhiteUnused, TF_ATTR_TARGET_CONVERTED},
    {kNoColour, kNoColour, TF_LS_DOT, FALSE, kNoColour, TF_ATTR_INPUT},
};

static_assert(sizeof(TF_DISPLAYATTRIBUTE) == 36, "the stored attribute is 36 bytes");

class DisplayAttributeInfo final : public SingleInterfaceObject<ITfDisplayAttributeInfo, IID_ITfDisplayAttributeInfo> {
 public:
  explicit DisplayAttributeInfo(int index) : index_(index) { LibraryObjectCreated(); }

  HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override {
    if (!guid) return E_INVALIDARG;
    *guid = kAttributeGuids[index_];
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override {
    if (!description) return E_INVALIDARG;
    *description = SysAllocString(kAttributeNames[index_]);
    return *description ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE GetAttributeInfo(TF_DISPLAYATTRIBUTE* attribute) override {
    if (!attribute) return E_INVALIDARG;
    TF_DISPLAYATTRIBUTE stored{};
    DWORD size = sizeof stored;
    DWORD type = 0;
    HKEY key = nullptr;
    bool read = false;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDisplayAttributeKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      read = RegQueryValueExW(key, kAttributeNames[index_], nullptr, &type, reinterpret_cast<BYTE*>(&stored),
                              &size) == ERROR_SUCCESS &&
             size == sizeof stored;
      RegCloseKey(key);
    }
    *attribute = read ? stored : kBuiltinAttributes[index_];
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetAttributeInfo(const TF_DISPLAYATTRIBUTE* attribute) override {
    if (!attribute) return E_INVALIDARG;
    return Store(*attribute);
  }
  HRESULT STDMETHODCALLTYPE Reset() override { return Store(kBuiltinAttributes[index_]); }

 private:
  ~DisplayAttributeInfo() override { LibraryObjectDestroyed(); }

  HRESULT Store(const TF_DISPLAYATTRIBUTE& attribute) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kDisplayAttributeKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      return E_FAIL;
    }
    const LONG result = RegSetValueExW(key, kAttributeNames[index_], 0, REG_BINARY,
                                       reinterpret_cast<const BYTE*>(&attribute), sizeof attribute);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? S_OK : E_FAIL;
  }

  int index_;
};

class DisplayAttributeEnum final
    : public SingleInterfaceObject<IEnumTfDisplayAttributeInfo, IID_IEnumTfDisplayAttributeInfo> {
 public:
  explicit DisplayAttributeEnum(int index) : index_(index) { LibraryObjectCreated(); }

  HRESULT STDMETHODCALLTYPE Clone(IEnumTfDisplayAttributeInfo** out) override {
    if (!out) return E_INVALIDARG;
    *out = new (std::nothrow) DisplayAttributeEnum(index_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, ITfDisplayAttributeInfo** infos, ULONG* fetched) override {
    if (count == 0) {
      if (fetched) *fetched = 0;
      return S_OK;
    }
    // A null count pointer is allowed when one object is asked for.
    if (!infos || (!fetched && count != 1)) return E_INVALIDARG;
    ULONG made = 0;
    while (made < count && index_ < kEnumeratedDisplayAttributes) {
      auto* info = new (std::nothrow) DisplayAttributeInfo(index_);
      if (!info) {
        if (fetched) *fetched = made;
        return E_OUTOFMEMORY;
      }
      infos[made++] = info;
      ++index_;
    }
    if (fetched) *fetched = made;
    return made == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    index_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    // Moves count places; past the end it stops there and says so.
    const ULONG left = static_cast<ULONG>(kEnumeratedDisplayAttributes - index_);
    if (count > left) {
      index_ = kEnumeratedDisplayAttributes;
      return S_FALSE;
    }
    index_ += static_cast<int>(count);
    return S_OK;
  }

 private:
  ~DisplayAttributeEnum() override { LibraryObjectDestroyed(); }

  int index_;
};

}  // namespace

const GUID& DisplayAttributeGuid(int index) { return kAttributeGuids[index]; }
const TF_DISPLAYATTRIBUTE& BuiltinDisplayAttribute(int index) { return kBuiltinAttributes[index]; }
const wchar_t* DisplayAttributeName(int index) { return kAttributeNames[index]; }

HRESULT CreateDisplayAttributeEnum(IEnumTfDisplayAttributeInfo** out) {
  if (!out) return E_INVALIDARG;
  *out = new (std::nothrow) DisplayAttributeEnum(0);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateDisplayAttributeInfoFor(REFGUID guid, ITfDisplayAttributeInfo** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  for (int i = 0; i < kDisplayAttributeCount; ++i) {
    if (IsEqualGUID(guid, kAttributeGuids[i])) {
      *out = new (std::nothrow) DisplayAttributeInfo(i);
      return *out ? S_OK : E_OUTOFMEMORY;
    }
  }
  return E_INVALIDARG;
}

namespace {

// Runs change on the context's display-attribute property; 1 when it succeeded.
template <class Change>
int ChangeAttributeProperty(ITfContext* context, ITfRange* range, Change change) {
  if (!context || !range) return 0;
  ITfProperty* property = nullptr;
  if (FAILED(context->GetProperty(GUID_PROP_ATTRIBUTE, &property)) || !property) return 0;
  const HRESULT result = change(property);
  property->Release();
  return SUCCEEDED(result) ? 1 : 0;
}

}  // namespace

int ApplyAttribute(ITfContext* context, TfEditCookie cookie, ITfRange* range, TfGuidAtom atom, TfGuidAtom input_atom) {
  return ChangeAttributeProperty(context, range, [&](ITfProperty* property) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = static_cast<LONG>(atom ? atom : input_atom);
    return property->SetValue(cookie, range, &value);
  });
}

int ClearAttribute(ITfContext* context, TfEditCookie cookie, ITfRange* range) {
  return ChangeAttributeProperty(context, range,
                                 [&](ITfProperty* property) { return property->Clear(cookie, range); });
}

}  // namespace lz
