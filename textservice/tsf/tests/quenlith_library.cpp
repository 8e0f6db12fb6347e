#include "textservice/tsf/tests/quenlith_library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/os/native_path.h"
#include "platform/os/system_info.h"
#include "tests/support/data_folder.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/product_class_identifier.h"

namespace lz::test {

std::wstring QuenlithPath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path.resize(path.find_last_of(L'\\') + 1);
  path += sizeof(void*) == 8 ? L"Quenlithx64.dll" : L"Quenlith.dll";
  return path;
}

CLSID ProductClsid() {
  CLSID clsid{};
  CLSIDFromString(LZ_PRODUCT_CLASS_IDENTIFIER_W, &clsid);
  return clsid;
}

QuenlithLibrary::QuenlithLibrary() {
  module_ = LoadLibraryW(QuenlithPath().c_str());
  EXPECT_NE(module_, nullptr) << "the library did not load";
  if (!module_) return;
  get_class_object_ = reinterpret_cast<decltype(get_class_object_)>(
      reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
  can_unload_now_ =
      reinterpret_cast<decltype(can_unload_now_)>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
}

QuenlithLibrary::~QuenlithLibrary() {
  if (module_) FreeLibrary(module_);
}

HRESULT QuenlithLibrary::GetClassObject(REFCLSID clsid, REFIID iid, void** out) const {
  return get_class_object_ ? get_class_object_(clsid, iid, out) : E_FAIL;
}

HRESULT QuenlithLibrary::CanUnloadNow() const { return can_unload_now_ ? can_unload_now_() : E_FAIL; }

ITfTextInputProcessorEx* QuenlithLibrary::NewService() const {
  IClassFactory* factory = nullptr;
  if (FAILED(GetClassObject(ProductClsid(), IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return nullptr;
  ITfTextInputProcessorEx* service = nullptr;
  factory->CreateInstance(nullptr, tsf::kIidTextInputProcessorEx, reinterpret_cast<void**>(&service));
  factory->Release();
  return service;
}

InstalledProduct::InstalledProduct(const std::function<void(ConfigBlocks&)>& edit)
    : InstalledProduct([&] {
        DataFolderContents contents;
        contents.edit_blocks = edit;
        contents.main = {{"a", "\xE5\xB7\xA5"}};
        return contents;
      }()) {}

InstalledProduct::InstalledProduct(DataFolderContents contents) {
  std::uint8_t id[16];
  ParseClassIdentifier(u"" LZ_PRODUCT_CLASS_IDENTIFIER, id);
  std::memcpy(contents.identifier, id, sizeof id);
  WriteDataFolder(folder_.path() / "data", contents);
  const std::u16string class_id = RegisterInputMethod(contents.identifier, folder_.path() / "data",
                                                      folder_.path() / "program");
  key_ = ImeRegistryKey(class_id);
}

InstalledProduct::InstalledProduct(const std::filesystem::path& folder) {
  std::uint8_t id[16];
  ParseClassIdentifier(u"" LZ_PRODUCT_CLASS_IDENTIFIER, id);
  std::filesystem::create_directories(folder_.path() / "data");
  for (const auto& file : std::filesystem::directory_iterator(folder)) {
    std::filesystem::copy_file(file.path(), folder_.path() / "data" / file.path().filename());
  }
  const std::u16string class_id = RegisterInputMethod(id, folder_.path() / "data", folder_.path() / "program");
  key_ = ImeRegistryKey(class_id);
}

InstalledProduct::~InstalledProduct() {
  for (const char16_t* value : {u"IMEName", u"InstallLocation", u"DataLocation"}) {
    os::DeleteMachineValue(key_.c_str(), value);
  }
}

void InstalledProduct::RemoveRegistryEntry() { os::DeleteMachineValue(key_.c_str(), u"IMEName"); }

bool RunsAsWindows10() { return os::GetOsVersion().major >= 10; }

}  // namespace lz::test
