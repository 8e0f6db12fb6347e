#include "config/app/config_context.h"

#include <vector>

#include "platform/os/system_info.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/engine_instance.h"

namespace lz::config {
namespace {

std::u16string KeyOf(std::u16string_view class_id) {
  std::u16string key(kImeRegistryRoot);
  key += class_id;
  key += u'\\';
  return key;
}

bool ReadValue(std::u16string_view class_id, const char16_t* name, std::size_t units, std::u16string& out) {
  out.clear();
  std::vector<char16_t> buffer(units + 1, u'\0');
  if (!os::ReadMachineString(KeyOf(class_id).c_str(), name, buffer.data(), buffer.size())) return false;
  out = buffer.data();
  return true;
}

}  // namespace

std::u16string ReadDataLocation(std::u16string_view class_id) {
  std::u16string out;
  ReadValue(class_id, u"DataLocation", kDataLocationBytes / 2 - 1, out);
  return out;
}

bool ReadDisplayVersion(std::u16string_view class_id, std::u16string& out) {
  return ReadValue(class_id, u"DisplayVersion", kDisplayVersionBytes / 2 - 1, out);
}

bool ReadDisplayName(std::u16string_view class_id, std::u16string& out) {
  return ReadValue(class_id, u"DisplayName", kDisplayNameChars - 1, out);
}

bool IsPlainFileName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  for (char16_t c : name) {
    if (c < 0x20 || c == u'\\' || c == u'/' || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' ||
        c == u'>' || c == u'|') {
      return false;
    }
  }
  return true;
}

std::u16string SystemDllPath(std::u16string_view system_folder, std::u16string_view name) {
  if (system_folder.empty() || !IsPlainFileName(name)) return {};
  std::u16string path(system_folder);
  if (path.back() != u'\\') path += u'\\';
  path += name;
  path += u".dll";
  return path.size() <= kDllPathChars ? path : std::u16string();
}

std::array<std::uint32_t, kRecordClasses> CountRecordsByClass(const MappedFile* main_table) {
  std::array<std::uint32_t, kRecordClasses> counts{};
  if (!main_table || !main_table->view) return counts;
  const ByteView view{main_table->view, static_cast<std::uint32_t>(main_table->size)};
  const std::uint32_t records = RecordCount(main_table);
  for (std::uint32_t i = 0; i < records; ++i) {
    std::uint32_t offset = 0, flags = 0;
    if (!RecordOffsetAt(main_table, static_cast<std::int32_t>(i), offset)) continue;
    if (!view.ReadU32(offset + code_table::kRecordFlags, flags)) continue;
    ++counts[code_table::RecordClass(flags)];
  }
  return counts;
}

}  // namespace lz::config
