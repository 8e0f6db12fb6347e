// LZITFGetObject: the tables through which other programs of the system use the library's settings
// pages and settings texts without the text-service framework.
#include "textservice/settings/settings_export.h"

#include <new>
#include <string_view>

#include "platform/os/native_path.h"
#include "textservice/engine/byte_view.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/settings_text.h"
#include "textservice/settings/settings_pages_win32.h"

namespace lz {
namespace {

// A block as its own header sizes it: every read and write of a caller's block stays inside it.
ByteView CallerBlock(void* block) {
  if (!block) return {};
  auto* bytes = static_cast<std::uint8_t*>(block);
  std::uint32_t size = 0;
  ByteView{bytes, 4}.ReadU32(config_store::kBlockSize, size);
  return ByteView{bytes, size};
}

std::u16string_view TextOf(const wchar_t* text) {
  return text ? std::u16string_view(os::U16Ptr(text)) : std::u16string_view();
}

bool IsSettingsSubKind(int subKind) { return subKind == kDmeSettings || subKind == kSkinSettings; }

void WINAPI FreeOps(void* table) { delete[] static_cast<void**>(table); }

HWND WINAPI SettingsDialogCreate(HWND parent, int page, void* settings) {
  try {
    return CreateSettingsPage(parent, page, settings);
  } catch (...) {
    return nullptr;
  }
}

int WINAPI SettingsDialogDestroy(int apply) {
  try {
    return DestroySettingsPage(apply);
  } catch (...) {
    return 0;
  }
}

int WINAPI SettingsTextReadSlot(void* block, const wchar_t* key, const wchar_t* value, int subKind) {
  if (!IsSettingsSubKind(subKind)) return subKind - 2;
  const ByteView view = CallerBlock(block);
  if (!view.data) return 0;
  try {
    return SettingsTextRead(view, TextOf(key), TextOf(value), subKind);
  } catch (...) {
    return 0;
  }
}

int WINAPI SettingsTextWriteSlot(void* block, wchar_t* buffer, int capacity, int subKind) {
  if (!IsSettingsSubKind(subKind)) return subKind - 2;
  const ByteView view = CallerBlock(block);
  if (!buffer || capacity <= 0) return 0;
  if (!view.data) {
    buffer[0] = 0;
    return 0;
  }
  try {
    return SettingsTextWrite(view, reinterpret_cast<char16_t*>(buffer), capacity, subKind);
  } catch (...) {
    buffer[0] = 0;
    return 0;
  }
}

// Every table is an array of pointer-sized slots freed by slot 0.
template <typename Table>
Table* NewTable(const Table& slots) {
  static_assert(sizeof(Table) % sizeof(void*) == 0);
  void** table = new (std::nothrow) void*[sizeof(Table) / sizeof(void*)];
  if (!table) return nullptr;
  return new (table) Table(slots);
}

}  // namespace
}  // namespace lz

extern "C" int WINAPI LzItfGetObject(unsigned kind, void** out) {
  using namespace lz;
  if (!out) return 0;
  switch (kind) {
    case kSettingsDialogObject:
      *out = NewTable(LzSettingsDialogOps{&FreeOps, &SettingsDialogCreate, &SettingsDialogDestroy});
      return 1;
    case kSettingsTextObject:
      *out = NewTable(LzSettingsTextOps{&FreeOps, &SettingsTextReadSlot, &SettingsTextWriteSlot});
      return 1;
    case kWordEngineObject:
      *out = nullptr;
      return 0;
    case kEmptyObject:
      *out = NewTable(LzEmptyOps{&FreeOps, nullptr});
      return 1;
    default:
      return 1;
  }
}
