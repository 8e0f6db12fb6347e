#include "installer/tsf_registration_win32.h"

#include <msctf.h>

#include <cstring>
#include <vector>

#include "installer/file_names.h"
#include "installer/profile_choice.h"
#include "installer/registry_entries_win32.h"
#include "installer/removal_rules.h"
#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/system_services.h"

namespace lz::installer {

// GUID_TFCAT_TIP_KEYBOARD, _DISPLAYATTRIBUTEPROVIDER, _TIPCAP_SECUREMODE, _TIPCAP_UIELEMENTENABLED,
// _TIPCAP_INPUTMODECOMPARTMENT, _TIPCAP_COMLESS, then _TIPCAP_IMMERSIVESUPPORT and _TIPCAP_SYSTRAYSUPPORT.
const GUID kTextServiceCategories[kAllCategoryCount] = {
    {0x34745C63, 0xB2F0, 0x4784, {0x8B, 0x67, 0x5E, 0x12, 0xC8, 0x70, 0x1A, 0x31}},
    {0x046B8C80, 0x1647, 0x40F7, {0x9B, 0x21, 0xB9, 0x3B, 0x81, 0xAA, 0xBC, 0x1B}},
    {0x49D2F9CE, 0x1F5E, 0x11D7, {0xA6, 0xD3, 0x00, 0x06, 0x5B, 0x84, 0x43, 0x5C}},
    {0x49D2F9CF, 0x1F5E, 0x11D7, {0xA6, 0xD3, 0x00, 0x06, 0x5B, 0x84, 0x43, 0x5C}},
    {0xCCF05DD7, 0x4A87, 0x11D7, {0xA6, 0xE2, 0x00, 0x06, 0x5B, 0x84, 0x43, 0x5C}},
    {0x364215D9, 0x75BC, 0x11D7, {0xA6, 0xEF, 0x00, 0x06, 0x5B, 0x84, 0x43, 0x5C}},
    {0x13A016DF, 0x560B, 0x46CD, {0x94, 0x7A, 0x4C, 0x3A, 0xF1, 0xE0, 0xE3, 0x5D}},
    {0x25504FB4, 0x7BAB, 0x4BC1, {0x9C, 0x69, 0xCF, 0x81, 0x89, 0x0F, 0x0E, 0xF5}},
};

namespace {

using os::U16Ptr;
using os::WidePtr;

constexpr GUID kClsidInputProcessorProfiles = {0x33C53A50, 0xF456, 0x4884, {0xB0, 0x49, 0x85, 0xFD, 0x64, 0x3E, 0xCF, 0xED}};
constexpr GUID kClsidCategoryMgr = {0xA4B544A1, 0x438D, 0x4B41, {0x93, 0x25, 0x86, 0x95, 0x23, 0xE2, 0xD6, 0xC7}};
constexpr GUID kIidInputProcessorProfiles = {0x1F02B6C5, 0x7842, 0x4EE6, {0x8A, 0x0B, 0x9A, 0x24, 0x18, 0x3A, 0x95, 0xCA}};
constexpr GUID kIidCategoryMgr = {0xC3ACEFB5, 0xF69D, 0x4905, {0x93, 0x8F, 0xFC, 0xAD, 0xCF, 0x4B, 0xE8, 0x30}};

constexpr std::u16string_view kClassesRoot = u"Software\\Classes\\CLSID";
constexpr std::u16string_view kTipRoot = u"SOFTWARE\\Microsoft\\CTF\\TIP";
constexpr std::u16string_view kClassName = u"lanzoTSF";
constexpr std::uint32_t kLanguageNameUnits = 64;
constexpr std::uint32_t kImeNameUnits = 64;

template <typename T>
struct ComPtr {
  ~ComPtr() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
  T* p = nullptr;
};

bool ToGuid(const std::u16string& text, GUID& out) {
  std::uint8_t bytes[16];
  if (!ParseClassIdentifier(text.c_str(), bytes)) return false;
  std::memcpy(&out, bytes, sizeof out);
  return true;
}

bool IsZero(const GUID& guid) {
  static const GUID zero{};
  return std::memcmp(&guid, &zero, sizeof guid) == 0;
}

std::u16string GuidText(const GUID& guid) {
  std::uint8_t bytes[16];
  std::memcpy(bytes, &guid, sizeof bytes);
  char16_t text[kClassIdentifierUnits];
  FormatClassIdentifier(bytes, text);
  return text;
}

Guid ToBytes(const GUID& guid) {
  Guid bytes;
  std::memcpy(bytes.data(), &guid, sizeof guid);
  return bytes;
}

GUID FromBytes(const Guid& bytes) {
  GUID guid;
  std::memcpy(&guid, bytes.data(), sizeof guid);
  return guid;
}

bool WriteClassKey(REGSAM view, const std::u16string& class_identifier, const std::u16string& library) {
  const std::u16string key = std::u16string(kClassesRoot) + u"\\" + class_identifier;
  std::vector<RegistryValue> name(1);
  name[0].text = kClassName;
  std::vector<RegistryValue> server(2);
  server[0].text = library;
  server[1].name = u"ThreadingModel";
  server[1].text = u"Apartment";
  return WriteMachineValues(view, key, name) && WriteMachineValues(view, key + u"\\InProcServer32", server);
}

bool CreateProfiles(ComPtr<ITfInputProcessorProfiles>& out) {
  return SUCCEEDED(CoCreateInstance(kClsidInputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                                    kIidInputProcessorProfiles, reinterpret_cast<void**>(&out.p)));
}

// The user's TIP key is made for the service's settings; once the last service's entry is gone, the
// empty key goes too (a key holding anything, value or subkey, stays).
void DeleteEmptyUserTipRoot() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, WidePtr(std::u16string(kTipRoot).c_str()), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return;
  }
  DWORD subkeys = 1, values = 1;
  const bool empty = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                      nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                     subkeys == 0 && values == 0;
  RegCloseKey(key);
  if (empty) RegDeleteKeyW(HKEY_CURRENT_USER, WidePtr(std::u16string(kTipRoot).c_str()));
}

}  // namespace

int CategoryCountFor(const os::OsVersion& version) {
  return IsWindows8OrLater(version) ? kAllCategoryCount : kBaseCategoryCount;
}

void DeleteTipKey(const std::u16string& class_identifier) {
  GUID clsid;
  if (!ToGuid(class_identifier, clsid)) return;
  DeleteKeyTree(HKEY_CURRENT_USER, std::u16string(kTipRoot), class_identifier, 0);
  DeleteEmptyUserTipRoot();
  ComPtr<ITfInputProcessorProfiles> profiles;
  if (!CreateProfiles(profiles)) return;
  std::uint32_t language = 0;
  // LANGID is a number; a text reader gives nothing for it, so the profile's language comes from the
  // registry's DWORD when there is one.
  HKEY key;
  const std::u16string path = std::u16string(kProductRoot) + u"\\" + class_identifier;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(path.c_str()), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD value = 0, bytes = sizeof value, type = 0;
    if (RegQueryValueExW(key, L"LANGID", nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) == ERROR_SUCCESS &&
        type == REG_DWORD) {
      language = value;
    }
    RegCloseKey(key);
  }
  profiles->RemoveLanguageProfile(clsid, static_cast<LANGID>(language), clsid);
  profiles->Unregister(clsid);
  // The framework keeps its own record of the service under the machine's TIP key as well.
  for (REGSAM view : RegistryViews()) DeleteKeyTree(HKEY_LOCAL_MACHINE, std::u16string(kTipRoot), class_identifier, view);
}

void UnregisterCategories(const std::u16string& class_identifier) {
  GUID clsid;
  if (!ToGuid(class_identifier, clsid)) return;
  ComPtr<ITfCategoryMgr> categories;
  if (FAILED(CoCreateInstance(kClsidCategoryMgr, nullptr, CLSCTX_INPROC_SERVER, kIidCategoryMgr,
                              reinterpret_cast<void**>(&categories.p)))) {
    return;
  }
  for (const GUID& category : kTextServiceCategories) categories->UnregisterCategory(clsid, category, clsid);
}

void DeleteClassKeys(const std::u16string& class_identifier) {
  if (class_identifier.empty()) return;
  for (REGSAM view : RegistryViews()) DeleteKeyTree(HKEY_LOCAL_MACHINE, std::u16string(kClassesRoot), class_identifier, view);
}

void MoveDefaultProfileAway(const std::u16string& class_identifier) {
  GUID ours;
  if (!ToGuid(class_identifier, ours)) return;
  ComPtr<ITfInputProcessorProfiles> profiles;
  if (!CreateProfiles(profiles)) return;

  std::vector<ProfileItem> items;
  const int layout_count = GetKeyboardLayoutList(0, nullptr);
  std::vector<HKL> layouts(layout_count > 0 ? layout_count : 0);
  if (!layouts.empty()) layouts.resize(GetKeyboardLayoutList(layout_count, layouts.data()));
  for (HKL layout : layouts) {
    ProfileItem item;
    item.language = LOWORD(reinterpret_cast<UINT_PTR>(layout));
    item.layout = reinterpret_cast<UINT_PTR>(layout);
    items.push_back(item);
  }
  LANGID* languages = nullptr;
  ULONG language_count = 0;
  std::vector<LanguageDefault> defaults;
  if (SUCCEEDED(profiles->GetLanguageList(&languages, &language_count)) && languages) {
    for (ULONG i = 0; i < language_count; ++i) {
      IEnumTfLanguageProfiles* found = nullptr;
      if (SUCCEEDED(profiles->EnumLanguageProfiles(languages[i], &found)) && found) {
        TF_LANGUAGEPROFILE profile;
        ULONG fetched = 0;
        while (found->Next(1, &profile, &fetched) == S_OK && fetched == 1) {
          BOOL enabled = FALSE;
          if (FAILED(profiles->IsEnabledLanguageProfile(profile.clsid, profile.langid, profile.guidProfile, &enabled)) ||
              !enabled) {
            continue;
          }
          ProfileItem item;
          item.is_text_service = true;
          item.language = profile.langid;
          item.clsid = ToBytes(profile.clsid);
          item.category = ToBytes(profile.catid);
          item.profile = ToBytes(profile.guidProfile);
          BSTR description = nullptr;
          if (SUCCEEDED(profiles->GetLanguageProfileDescription(profile.clsid, profile.langid, profile.guidProfile,
                                                                &description)) && description) {
            item.description = U16Ptr(description);
            SysFreeString(description);
          }
          items.push_back(item);
        }
        found->Release();
      }
      CLSID clsid;
      GUID profile_guid;
      if (SUCCEEDED(profiles->GetDefaultLanguageProfile(languages[i], kTextServiceCategories[0], &clsid, &profile_guid))) {
        defaults.push_back(LanguageDefault{languages[i], ToBytes(clsid), ToBytes(profile_guid)});
      }
    }
    CoTaskMemFree(languages);
  }
  // The list's groups: items of the language listed first come first, in the order the system gave them.
  std::vector<ProfileItem> grouped;
  std::vector<std::uint16_t> order;
  for (const ProfileItem& item : items) {
    bool known = false;
    for (std::uint16_t l : order) known = known || l == item.language;
    if (!known) order.push_back(item.language);
  }
  for (std::uint16_t l : order) {
    for (const ProfileItem& item : items) {
      if (item.language == l) grouped.push_back(item);
    }
  }

  HKL current = nullptr;
  SystemParametersInfoW(SPI_GETDEFAULTINPUTLANG, 0, &current, 0);
  const int chosen = ChooseNewDefaultProfile(grouped, reinterpret_cast<UINT_PTR>(current), defaults, ToBytes(ours));
  if (chosen < 0) return;
  const ProfileItem& item = grouped[chosen];
  HKL layout = reinterpret_cast<HKL>(static_cast<UINT_PTR>(item.layout));
  if (item.is_text_service) {
    wchar_t name[KL_NAMELENGTH];
    wsprintfW(name, L"%08x", static_cast<unsigned>(item.language));
    layout = LoadKeyboardLayoutW(name, KLF_SUBSTITUTE_OK | KLF_NOTELLSHELL);
    wchar_t assembly[64];
    wsprintfW(assembly, L"Software\\Microsoft\\CTF\\Assemblies\\0x%08x", static_cast<unsigned>(item.language));
    const std::u16string key = std::u16string(U16Ptr(assembly)) + u"\\" + GuidText(FromBytes(item.category));
    HKEY handle;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, WidePtr(key.c_str()), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                        nullptr) == ERROR_SUCCESS) {
      const std::u16string clsid = GuidText(FromBytes(item.clsid));
      const std::u16string profile = GuidText(FromBytes(item.profile));
      const DWORD layout_value = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(layout));
      RegSetValueExW(handle, L"Default", 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid.c_str()),
                     static_cast<DWORD>((clsid.size() + 1) * 2));
      RegSetValueExW(handle, L"Profile", 0, REG_SZ, reinterpret_cast<const BYTE*>(profile.c_str()),
                     static_cast<DWORD>((profile.size() + 1) * 2));
      RegSetValueExW(handle, L"KeyboardLayout", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&layout_value),
                     sizeof layout_value);
      RegCloseKey(handle);
    }
  }
  if (layout) SystemParametersInfoW(SPI_SETDEFAULTINPUTLANG, 0, &layout, 0);
}

void UnregisterTextService(const std::u16string& class_identifier) {
  DeleteTipKey(class_identifier);
  MoveDefaultProfileAway(class_identifier);
  UnregisterCategories(class_identifier);
  DeleteClassKeys(class_identifier);
}

int RegisterTextService(const std::u16string& class_identifier, ByteView soft, const SystemFolders& folders,
                        const os::OsVersion& version) {
  GUID clsid;
  // A zero identifier would claim the class that every unconfigured payload carries.
  if (!ToGuid(class_identifier, clsid) || IsZero(clsid)) return 0;
  const std::u16string ime_name = ReadFieldText(soft, soft_block::kImeName, kImeNameUnits);
  if (!IsPlainFileName(ime_name)) return 0;

  DeleteTipKey(class_identifier);
  UnregisterCategories(class_identifier);
  MoveDefaultProfileAway(class_identifier);
  DeleteClassKeys(class_identifier);

  if (folders.native_system.empty()) return 0;
  const std::u16string native_library = LibraryPath(folders.native_system, ime_name);
  const std::u16string library32 =
      folders.wow64_system.empty() ? native_library : LibraryPath(folders.wow64_system, ime_name);
  const std::vector<REGSAM> views = RegistryViews();
  if (!WriteClassKey(views.front(), class_identifier, native_library)) return 0;
  if (views.size() > 1 && !WriteClassKey(views[1], class_identifier, library32)) return 0;

  ComPtr<ITfInputProcessorProfiles> profiles;
  if (!CreateProfiles(profiles)) return 0;
  std::uint32_t language_value = 0;
  soft.ReadU32(soft_block::kLanguageId, language_value);
  const LANGID language = static_cast<LANGID>(language_value);
  const std::u16string description = ReadFieldText(soft, soft_block::kLanguageName, kLanguageNameUnits);
  if (FAILED(profiles->Register(clsid)) ||
      FAILED(profiles->AddLanguageProfile(clsid, language, clsid, WidePtr(description.c_str()),
                                          static_cast<ULONG>(description.size()), WidePtr(library32.c_str()),
                                          static_cast<ULONG>(library32.size()), 0))) {
    return 0;
  }
  profiles->EnableLanguageProfileByDefault(clsid, language, clsid, TRUE);
  profiles->EnableLanguageProfile(clsid, language, clsid, TRUE);

  ComPtr<ITfCategoryMgr> categories;
  if (FAILED(CoCreateInstance(kClsidCategoryMgr, nullptr, CLSCTX_INPROC_SERVER, kIidCategoryMgr,
                              reinterpret_cast<void**>(&categories.p)))) {
    return 0;
  }
  const int count = CategoryCountFor(version);
  for (int i = 0; i < count; ++i) {
    if (FAILED(categories->RegisterCategory(clsid, kTextServiceCategories[i], clsid))) return 0;
  }
  return 1;
}

}  // namespace lz::installer
