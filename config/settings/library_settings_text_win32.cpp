#include "config/settings/library_settings_text_win32.h"

#include <new>
#include <string>

#include "platform/os/native_path.h"
#include "textservice/settings/settings_export.h"

namespace lz::config {
namespace {

// The portable operations carry no context: the table they call through is the thread's current one.
thread_local LzSettingsTextOps* t_table = nullptr;

int Read(ByteView block, std::u16string_view key, std::u16string_view value, int sub_kind) {
  if (!t_table || !t_table->read || !block.data) return 0;
  // The library takes zero-terminated texts.
  const std::u16string key_text(key), value_text(value);
  return t_table->read(block.data, os::WidePtr(key_text.c_str()), os::WidePtr(value_text.c_str()), sub_kind);
}

int Write(ByteView block, char16_t* buffer, int capacity, int sub_kind) {
  if (!t_table || !t_table->write || !block.data || !buffer || capacity <= 0) return 0;
  buffer[0] = 0;
  const int written = t_table->write(block.data, reinterpret_cast<wchar_t*>(buffer), capacity, sub_kind);
  buffer[capacity - 1] = 0;  // whatever the library did, the text ends inside the buffer
  return written;
}

void Free(SettingsTextOps* ops) {
  if (!ops) return;
  if (t_table && t_table->free) t_table->free(t_table);
  t_table = nullptr;
  delete ops;
}

}  // namespace

SettingsTextOps* NewLibrarySettingsTextOps(HMODULE library) {
  if (!library) return nullptr;
  const auto get = reinterpret_cast<LzItfGetObjectProc>(
      reinterpret_cast<void*>(GetProcAddress(library, kGetObjectExport)));
  void* table = nullptr;
  if (!get || get(kSettingsTextObject, &table) != 1 || !table) return nullptr;
  auto* ops = new (std::nothrow) SettingsTextOps{&Free, &Read, &Write};
  auto* library_table = static_cast<LzSettingsTextOps*>(table);
  if (!ops) {
    if (library_table->free) library_table->free(library_table);
    return nullptr;
  }
  if (t_table && t_table->free) t_table->free(t_table);
  t_table = library_table;
  return ops;
}

}  // namespace lz::config
