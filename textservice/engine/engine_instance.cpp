#include "textservice/engine/engine_instance.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/punctuation.h"

namespace lz {
namespace {

#ifdef _WIN32
constexpr char16_t kPathSeparator = u'\\';
#else
constexpr char16_t kPathSeparator = u'/';
#endif

// The last commit as the ime block keeps it for config and the "last" macro.
using ime_block::kLastCommitCode;
using ime_block::kLastCommitCodeUnits;
using ime_block::kLastCommitText;
using ime_block::kLastCommitTextUnits;
using ime_block::kRecentText;
using ime_block::kRecentTextUnits;

constexpr std::int64_t kBootStampStep = 256;

std::size_t Length(const char16_t* s) {
  std::size_t n = 0;
  while (s[n]) ++n;
  return n;
}

// Copies a text into a buffer of `capacity` units, cut, always terminated.
void CopyText(char16_t* out, std::size_t capacity, std::u16string_view text) {
  const std::size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), n * sizeof(char16_t));
  out[n] = 0;
}

void Append(char16_t* out, std::size_t capacity, std::u16string_view text) {
  const std::size_t used = Length(out);
  if (used + 1 < capacity) CopyText(out + used, capacity - used, text);
}

bool ReadRegistryValue(const char16_t* key, const char16_t* name, char16_t* out, std::size_t capacity) {
  return os::ReadMachineString(key, name, out, capacity);
}

void StoreHostName(EngineInstance* e) {
  char16_t path[kMaxPathUnits * 2];
  if (os::HostProgramPath(path, std::size(path))) HostNameFromPath(path, e->host_name);
}

bool ReadRegistryEntry(EngineInstance* e) {
  char16_t key[kMaxPathUnits];
  CopyText(key, std::size(key), kImeRegistryRoot);
  Append(key, std::size(key), e->class_id_text);
  Append(key, std::size(key), u"\\");
  if (!ReadRegistryValue(key, u"IMEName", e->ime_name, kImeNameUnits)) return false;
  // A trailing separator is added when missing; the room for it is kept.
  if (!ReadRegistryValue(key, u"InstallLocation", e->install_folder, kMaxPathUnits - 1)) return false;
  const std::size_t n = Length(e->install_folder);
  if (n > 0 && e->install_folder[n - 1] != u'\\' && e->install_folder[n - 1] != u'/') {
    e->install_folder[n] = kPathSeparator;
    e->install_folder[n + 1] = 0;
  }
  return ReadRegistryValue(key, u"DataLocation", e->data_location, kMaxPathUnits);
}

bool MainTableMatches(const EngineInstance* e) {
  CodeTableHeader header;
  const ByteView view{e->files.main->view, static_cast<std::uint32_t>(e->files.main->size)};
  return ReadCodeTableHeader(view, header) && header.format_number == code_table::kFormat &&
         std::memcmp(header.identifier, e->class_id, 16) == 0;
}

bool SoftBlockMatches(const EngineInstance* e) {
  return e->blocks.soft.Holds(soft_block::kIdentifier, 16) &&
         std::memcmp(e->blocks.soft.data + soft_block::kIdentifier, e->class_id, 16) == 0;
}

std::int64_t StoredBootStamp(ByteView ime) {
  std::uint32_t low = 0, high = 0;
  ime.ReadU32(ime_block::kBootStamp, low);
  ime.ReadU32(ime_block::kBootStamp + 4, high);
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

void ClearTempTableOnNewBoot(EngineInstance* e, std::int64_t stamp) {
  if (!e->files.temp || !(BlockU32(e->blocks.ime, ime_block::kImeFlags) & ime_block::kTempWordsClearedAtBoot)) return;
  if (SameBoot(stamp, StoredBootStamp(e->blocks.ime))) return;
  if (!ClearTable(e->files.temp)) return;
  ScopedFileWrite write(e->files.config);
  if (!write.ok()) return;
  const auto bits = static_cast<std::uint64_t>(stamp);
  e->blocks.ime.WriteU32(ime_block::kBootStamp, static_cast<std::uint32_t>(bits));
  e->blocks.ime.WriteU32(ime_block::kBootStamp + 4, static_cast<std::uint32_t>(bits >> 32));
}

// The soft block's name of a class (0 main scheme, 3 secondary table, 4 auxiliary scheme).
std::u16string ClassName(const EngineInstance* e, std::uint32_t index) {
  return ReadFieldText(e->blocks.soft, soft_block::kClassNames + index * soft_block::kClassNameUnits * 2,
                       soft_block::kClassNameUnits);
}

}  // namespace

void HostNameFromPath(const char16_t* path, char16_t* out) {
  const char16_t* name = path;
  for (const char16_t* p = path; *p; ++p) {
    if (*p == u'\\' || *p == u'/') name = p + 1;
  }
  std::size_t n = 0;
  for (; name[n] && n + 1 < kHostNameUnits; ++n) {
    const char16_t c = name[n];
    out[n] = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
  }
  out[n] = 0;
}

std::int64_t BootStampFrom(std::int64_t seconds_since_1970, std::uint64_t milliseconds_since_boot) {
  const std::int64_t boot = seconds_since_1970 - static_cast<std::int64_t>(milliseconds_since_boot / 1000);
  return boot & ~static_cast<std::int64_t>(kBootStampStep - 1);
}

std::int64_t SystemBootStamp() { return BootStampFrom(os::SecondsSince1970(), os::MillisecondsSinceBoot()); }

bool SameBoot(std::int64_t a, std::int64_t b) {
  const std::int64_t difference = a > b ? a - b : b - a;
  return difference <= kBootStampStep;
}

EngineInstance* CreateEngineInstance(const EngineSetup& setup) {
  auto* e = new (std::nothrow) EngineInstance{};
  if (!e) return nullptr;
  e->os_version = os::GetOsVersion();
  StoreHostName(e);
  const bool ok = [&] {
    if (!setup.class_identifier || Length(setup.class_identifier) >= kClassIdentifierUnits) return false;
    CopyText(e->class_id_text, kClassIdentifierUnits, setup.class_identifier);
    if (!ParseClassIdentifier(e->class_id_text, e->class_id)) return false;
    if (!ReadRegistryEntry(e)) return false;
    if (!OpenDataFiles(e->data_location, e->files)) return false;
    if (!MainTableMatches(e)) return false;
    const ByteView store{e->files.config->view, static_cast<std::uint32_t>(e->files.config->size)};
    if (!FindConfigBlocks(store, e->blocks) || !SoftBlockMatches(e)) return false;
    ClearTempTableOnNewBoot(e, setup.boot_stamp ? setup.boot_stamp() : SystemBootStamp());
    ResetPunctuationPairs(e->punctuation_pairs);
    return !setup.create_ui || setup.create_ui(e) == 1;
  }();
  if (!ok) {
    DestroyEngineInstance(e, setup);
    return nullptr;
  }
  return e;
}

void DestroyEngineInstance(EngineInstance* instance, const EngineSetup& setup) {
  if (!instance) return;
  if (instance->ui && setup.destroy_ui) setup.destroy_ui(instance);
  instance->ui = nullptr;
  instance->blocks = ConfigBlocks{};
  CloseDataFiles(instance->files);
  delete instance;
}

void SaveLastCommit(int save_mode, EngineInstance* e, const char16_t* input_code) {
  if (save_mode != 1 || !e->blocks.ime.data) return;
  ScopedFileWrite write(e->files.config);
  if (!write.ok()) return;
  const ByteView ime = e->blocks.ime;
  if (e->commit.action == commit_action::kTypedText) {
    WriteFieldText(ime, kRecentText, kRecentTextUnits, u"");
  } else {
    char16_t text[kCommitTextUnits];
    CopyText(text, std::min<std::size_t>(kCommitTextUnits, std::min<std::uint32_t>(e->commit.text_length, 254) + 1),
             e->commit.text);
    WriteFieldText(ime, kLastCommitText, kLastCommitTextUnits, text);
    WriteFieldText(ime, kLastCommitCode, kLastCommitCodeUnits, input_code ? input_code : u"");
    // The run of recent texts keeps what fits; the field cuts the rest.
    WriteFieldText(ime, kRecentText, kRecentTextUnits, ReadFieldText(ime, kRecentText, kRecentTextUnits) + text);
  }
  e->previous_commit = e->commit;
}

int FormatStatusText(const EngineInstance* e, char16_t* out) {
  out[0] = 0;
  const auto add = [&](std::u16string_view text) { Append(out, kStatusTextUnits, text); };
  if (e->mode & mode::kDisabled) {
    add(u"当前状态：禁用");
  } else if (e->mode & mode::kClosed) {
    add(u"当前状态：关闭");
  } else if (os::IsCapsLockOn()) {
    add(u"当前状态：大写");
  } else if (e->mode & mode::kEnglish) {
    add(u"当前状态：英文");
  } else {
    add(u"当前状态：中文");
  }
  add(e->mode & mode::kFullWidth ? u"，全角" : u"，半角");
  add(e->mode & mode::kEnglishPunctuation ? u"，英文标点" : u"，中文标点");

  const std::uint32_t ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  if (e->files.traditional) {
    add(ime_flags & ime_block::kTraditionalOutput ? u"，繁体\r\n" : u"，简体\r\n");
  } else if (e->files.simplified) {
    add(ime_flags & ime_block::kSimplifiedOutput ? u"，简体\r\n" : u"，繁体\r\n");
  }

  std::u16string main_name = ClassName(e, 0);
  const std::u16string auxiliary = ClassName(e, code_table::kClassAuxiliary);
  const std::u16string secondary = ClassName(e, code_table::kClassSecondary);
  if (main_name.empty()) main_name = u"主码表";
  if (!auxiliary.empty()) {
    add(u"输入方案：");
    const bool with_main = ime_flags & ime_block::kSchemeMain;
    const bool with_auxiliary = ime_flags & ime_block::kSchemeAuxiliary;
    if (with_main == with_auxiliary) {
      add(main_name);
      add(u"+");
      add(auxiliary);
    } else {
      add(with_main ? std::u16string_view(main_name) : std::u16string_view(auxiliary));
    }
  }
  if (!secondary.empty()) {
    if (ime_flags & ime_block::kAlwaysSearchSecondary) {
      add(u"，检索");
    } else if (ime_flags & ime_block::kSearchSecondaryWhenEmpty) {
      add(u"，空候选时检索");
    } else {
      add(u"，不检索");
    }
    add(secondary);
  }
  return static_cast<int>(Length(out));
}

}  // namespace lz
