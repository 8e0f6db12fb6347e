#include "textservice/engine/engine_actions.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/os/help_viewer.h"
#include "platform/os/broker.h"
#include "platform/os/key_sender.h"
#include "platform/os/message_box.h"
#include "platform/os/program_start.h"
#include "platform/os/system_info.h"
#include "textservice/engine/association.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/punctuation.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

using namespace code_table;

namespace {

constexpr std::size_t kInstallLocationUnits = 512;
constexpr std::uint8_t kVkBack = 0x08;

std::uint32_t ImeFlags(const EngineInstance* e) {
  std::uint32_t v = 0;
  e->blocks.ime.ReadU32(ime_block::kImeFlags, v);
  return v;
}

// Changes ime flags in config.dsc under its writer lock.
void UpdateImeFlags(EngineInstance* e, std::uint32_t set, std::uint32_t clear) {
  ScopedFileWrite write(e->files.config);
  if (!write.ok()) return;
  std::uint32_t flags = 0;
  if (!e->blocks.ime.ReadU32(ime_block::kImeFlags, flags)) return;
  e->blocks.ime.WriteU32(ime_block::kImeFlags, (flags & ~clear) | set);
}

void SetPunctuationForChinese(EngineInstance* e) {
  std::uint32_t state = 0;
  e->blocks.ime.ReadU32(ime_block::kInitialState, state);
  if (state & ime_block::kStateChinesePunctuation) {
    e->mode &= ~mode::kEnglishPunctuation;
  } else {
    e->mode |= mode::kEnglishPunctuation;
  }
}

std::u16string Utf16(const char* ascii) { return std::u16string(ascii, ascii + std::strlen(ascii)); }

// A word as a query value: its UTF-8 bytes, everything but the unreserved characters escaped, so a
// "&", "=", "#" or space in the word stays part of the value.
std::u16string EncodeQueryValue(std::u16string_view word) {
  std::uint8_t bytes[kTableStringBufferBytes * 4];
  const std::u16string text(word);
  const int n = WideToUtf8(text.c_str(), bytes, sizeof bytes);
  std::u16string out;
  constexpr char kHex[] = "0123456789ABCDEF";
  for (int i = 0; i < n; ++i) {
    const std::uint8_t b = bytes[i];
    const bool unreserved = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '-' ||
                            b == '_' || b == '.' || b == '~';
    if (unreserved) {
      out += static_cast<char16_t>(b);
    } else {
      out += u'%';
      out += static_cast<char16_t>(kHex[b >> 4]);
      out += static_cast<char16_t>(kHex[b & 0xF]);
    }
  }
  return out;
}

bool Inside(const MappedFile* table, const std::uint8_t* record) {
  return table && table->view && record >= table->view && record < table->view + table->size;
}

MappedFile* TableOf(const EngineInstance* e, const std::uint8_t* record) {
  for (MappedFile* table : {e->files.main, e->files.temp, e->files.engl, e->files.sysl}) {
    if (Inside(table, record)) return table;
  }
  return nullptr;
}

std::uint32_t FlagsOf(const std::uint8_t* record) {
  return static_cast<std::uint32_t>(record[0]) | static_cast<std::uint32_t>(record[1]) << 8 |
         static_cast<std::uint32_t>(record[2]) << 16 | static_cast<std::uint32_t>(record[3]) << 24;
}

bool SameGroup(const CandidateEntry& a, const CandidateEntry& b, const MappedFile* table) {
  return a.weight == b.weight && Inside(table, a.record) && Inside(table, b.record) &&
         ((FlagsOf(a.record) ^ FlagsOf(b.record)) & kFlagPinned) == 0;
}

// The record's code and text as "编码: ...\r\n词条: ..."; empty when the record cannot be read.
std::u16string CodeAndText(const MappedFile* table, const std::uint8_t* record) {
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  CodeTableRecord r;
  if (!ReadCodeTableRecord(view, static_cast<std::uint32_t>(record - table->view), false, r)) return {};
  char16_t code[kDecodedBufferUnits];
  char16_t text[kDecodedBufferUnits];
  if (RecordCode(r, code) < 0 || RecordText(r, text) < 0) return {};
  return std::u16string(u"编码: ") + code + u"\r\n词条: " + text;
}

std::u16string ClassLine(std::uint32_t record_class) {
  switch (record_class) {
    case kClassSystem: return u"分类: 主码表\r\n";
    case kClassUser: return u"分类: 用户码表\r\n";
    case kClassSecondary: return u"分类: 次显码表\r\n";
    case kClassAuxiliary: return u"分类: 辅助码表\r\n";
    default: return u"分类: 其它类型的码表\r\n";
  }
}

void ShowWordInformation(EngineInstance* e, void* owner, const PageItem& item, const MappedFile* table,
                         const std::uint8_t* record) {
  const std::uint32_t flags = FlagsOf(record);
  std::u16string text = (e->mode & mode::kSecondaryRetry)
                            ? u"当前检索码表: 次显码表  (可使用“码表切换键”切换至主码表)\r\n"
                            : u"当前检索码表: 主码表  (可使用“码表切换键”切换至次显码表)\r\n";
  text += CodeAndText(table, record);
  text += u"\r\n\r\n";
  text += (flags & kFlagPinned) ? u"是否固顶词条: 是\r\n" : u"是否固顶词条: 否\r\n";
  text += ClassLine(RecordClass(flags));
  const std::u16string caption = std::u16string(u"词条信息 - ") + item.text;
  os::ShowMessageBox(owner, text.c_str(), caption.c_str(), os::kBoxIconInformation);
}

// Order values and flag bits of the records of one group, changed in the mapped table in place.
void ChangeRecords(EngineInstance* e, int chosen, int command) {
  const CandidateEntry entry = e->candidates[chosen];
  MappedFile* table = TableOf(e, entry.record);
  if (!table) return;
  int start = chosen;
  while (start > 0 && SameGroup(e->candidates[start - 1], entry, table)) --start;
  int end = chosen;
  while (end + 1 < e->candidate_count && SameGroup(e->candidates[end + 1], entry, table)) ++end;

  ScopedFileWrite write(table);
  if (!write.ok()) return;
  // Taking the lock maps the table again when another process has grown it; the list then points into
  // a view that is gone and nothing may be written through it.
  if (DropStaleCandidates(e)) return;
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  const auto offset_of = [&](int i) { return static_cast<std::uint64_t>(e->candidates[i].record - table->view); };
  const auto flags_of = [&](int i) {
    std::uint32_t flags = 0;
    view.ReadU32(offset_of(i), flags);
    return flags;
  };
  const auto set_order = [&](int i, std::uint32_t order) {
    view.WriteU32(offset_of(i), (flags_of(i) & ((1u << kOrderShift) - 1)) | (order << kOrderShift));
  };
  const auto exchange = [&](int a, int b) {
    const std::uint32_t order_a = OrderValue(flags_of(a));
    set_order(a, OrderValue(flags_of(b)));
    set_order(b, order_a);
  };
  // Each member between the candidate and the target takes its neighbour's order value towards the
  // candidate; the candidate takes the target's.
  const auto rotate = [&](int target, int step) {
    const std::uint32_t target_order = OrderValue(flags_of(target));
    for (int i = target; i != chosen; i += step) set_order(i, OrderValue(flags_of(i + step)));
    set_order(chosen, target_order);
  };
  const std::uint32_t flags = flags_of(chosen);
  switch (command) {
    case menu_command::kUp:
      if (chosen > start) exchange(chosen - 1, chosen);
      break;
    case menu_command::kDown:
      if (chosen < end) exchange(chosen, chosen + 1);
      break;
    case menu_command::kToTop:
      if (chosen > start) rotate(start, 1);
      break;
    case menu_command::kToBottom:
      if (chosen < end) rotate(end, -1);
      break;
    case menu_command::kPin:
      view.WriteU32(offset_of(chosen), flags ^ kFlagPinned);
      NoteEntryChange(table);
      break;
    case menu_command::kClass: {
      const std::uint32_t next = RecordClass(flags) == kClassSecondary ? kClassSystem : kClassSecondary;
      view.WriteU32(offset_of(chosen), (flags & ~(kClassMask << kClassShift)) | (next << kClassShift));
      break;
    }
    case menu_command::kDelete:
      view.WriteU32(offset_of(chosen), flags | kFlagDeleted);
      break;
    default:
      break;
  }
}

// The main-table record of the last committed word, found again by its code and text; null when gone.
const std::uint8_t* FindLastWord(const EngineInstance* e, std::uint32_t& offset) {
  const MappedFile* main = e->files.main;
  const LastCommittedWord& word = e->last_word;
  if (word.kind != kind::kMain || !main || !main->view || word.code[0] == 0) return nullptr;
  TableRange range;
  if (FindCodeRange(main, range, word.code) <= 0) return nullptr;
  for (std::int32_t i = range.first; i < range.end; ++i) {
    CodeTableRecord r;
    if (!RecordAt(main, i, r)) continue;
    if (r.text_length == word.text[0] && std::memcmp(r.text, word.text + 1, r.text_length) == 0) {
      offset = r.offset;
      return main->view + r.offset;
    }
  }
  return nullptr;
}

}  // namespace

int SetSimplifiedOutput(EngineInstance* e, bool on) {
  UpdateImeFlags(e, on ? ime_block::kSimplifiedOutput : 0, on ? 0 : ime_block::kSimplifiedOutput);
  return 1;
}

int SetTraditionalOutput(EngineInstance* e, bool on) {
  if (on) {
    UpdateImeFlags(e, ime_block::kTraditionalOutput, ime_block::kSimplifiedOutput);
  } else {
    UpdateImeFlags(e, 0, ime_block::kTraditionalOutput);
  }
  return 1;
}

// The punctuation output reads the instance's pair state, so that is what starts again; the shared
// config.dsc holds every process's scheme and is never written for one instance's typing.
void ResetPunctuationPairs(EngineInstance* e) { ResetPunctuationPairs(e->punctuation_pairs); }

int SetImeOpen(EngineInstance* e, bool open) {
  if (open) {
    e->mode &= ~(mode::kEnglish | mode::kClosed);
    SetPunctuationForChinese(e);
  } else {
    e->mode |= mode::kClosed | mode::kEnglishPunctuation;
    ResetPunctuationPairs(e);
  }
  return 1;
}

int SetChineseMode(EngineInstance* e, bool chinese) {
  if (chinese) {
    e->mode &= ~(mode::kClosed | mode::kEnglish);
    SetPunctuationForChinese(e);
  } else {
    e->mode |= mode::kEnglish | mode::kEnglishPunctuation;
    ResetPunctuationPairs(e);
  }
  return 1;
}

int ToggleInputScheme(EngineInstance* e) {
  const std::uint32_t flags = ImeFlags(e);
  const bool both = (flags & ime_block::kSchemeMain) && (flags & ime_block::kSchemeAuxiliary);
  UpdateImeFlags(e, ime_block::kSchemeMain | (both ? 0 : ime_block::kSchemeAuxiliary),
                 both ? ime_block::kSchemeAuxiliary : 0);
  return 1;
}

int HandleEditKey(int virtual_key, EngineInstance* e) {
  const int count = std::clamp(e->key_count, 0, kMaxInputKeys);
  int cursor = std::clamp(e->cursor, 0, count);
  switch (virtual_key) {
    case edit_key::kBack:
      if (cursor > 0) {
        std::memmove(&e->keys[cursor - 1], &e->keys[cursor], sizeof(char16_t) * static_cast<std::size_t>(count - cursor));
        e->keys[count - 1] = 0;
        e->key_count = count - 1;
        --cursor;
      }
      break;
    case edit_key::kDelete:
      if (cursor < count) {
        std::memmove(&e->keys[cursor], &e->keys[cursor + 1], sizeof(char16_t) * static_cast<std::size_t>(count - cursor - 1));
        e->keys[count - 1] = 0;
        e->key_count = count - 1;
      }
      break;
    case edit_key::kEnd: cursor = count; break;
    case edit_key::kHome: cursor = 0; break;
    case edit_key::kLeft: cursor = std::max(cursor - 1, 0); break;
    case edit_key::kRight: cursor = std::min(cursor + 1, count); break;
    default: return 0;
  }
  e->cursor = cursor;
  return RunQuery(e);
}

int LaunchConfig(void*, const char16_t* arguments, EngineInstance* e) {
  std::u16string key = kImeRegistryRoot;
  key += e->class_id_text;
  key += u"\\";
  char16_t folder[kInstallLocationUnits] = {};
  if (!os::ReadMachineString(key.c_str(), u"InstallLocation", folder, kInstallLocationUnits)) folder[0] = 0;
  std::u16string file = folder;
  if (!file.empty() && file.back() != u'\\') file += u'\\';
  file += u"config.exe";
  const std::u16string parameters = std::u16string(u"/n ") + e->class_id_text + u" " + (arguments ? arguments : u"");
  os::StartProgram(file.c_str(), parameters.c_str(), u"");
  return 1;
}

int OpenHelp(int height, EngineInstance* e, const char16_t* topic, int width) {
  const std::u16string folder = e->install_folder;
  const std::u16string page = topic ? topic : u"";
  if (width >= 1 && height >= 1) {
    char sizes[64];
    std::snprintf(sizes, sizeof sizes, " /showurlCX %d /showurlCY %d", width, height);
    const std::u16string arguments = u"/showurl 'mk:@MSITStore:" + folder + u"main.chm::/" + page + u"'" + Utf16(sizes);
    return LaunchConfig(nullptr, arguments.c_str(), e);
  }
  const std::u16string file = folder + u"main.chm";
  if (!page.empty()) {
    os::ShowHelpTopic(file.c_str(), page.c_str());
  } else {
    os::StartProgram(file.c_str(), u"", u"");
  }
  return 1;
}

int CandidateMenuCommand(EngineInstance* e, void* owner, int slot, int command) {
  if (command < menu_command::kUp || command > menu_command::kOnlineLookup) return 1;
  if (DropStaleCandidates(e)) return 1;
  if (slot < 0 || slot >= e->page_item_count || slot >= kMaxPageItems) return 1;
  const PageItem& item = e->page[slot];
  if (command == menu_command::kOnlineLookup) {
    const std::u16string address = kOnlineDictionaryPage + EncodeQueryValue(item.text);
    os::StartProgram(address.c_str(), u"", u"");
    return 1;
  }
  const int chosen = item.candidate;
  if (chosen < 0 || chosen >= e->candidate_count) return 1;
  const std::uint8_t* record = e->candidates[chosen].record;
  const MappedFile* table = TableOf(e, record);
  if (!table) return 1;
  if (command == menu_command::kInformation) {
    ShowWordInformation(e, owner, item, table, record);
  } else {
    ChangeRecords(e, chosen, command);
  }
  return 1;
}

int ConfirmDeleteLastWord(EngineInstance* e, void* owner) {
  std::uint32_t offset = 0;
  const std::uint8_t* record = FindLastWord(e, offset);
  if (!record) return 1;
  const bool deleted = FlagsOf(record) & kFlagDeleted;
  std::u16string text = CodeAndText(e->files.main, record);
  text += deleted ? u"\r\n\r\n该词条已被删除，是否取消删除?" : u"\r\n\r\n是否删除这个词条?";
  if (os::ShowMessageBox(owner, text.c_str(), u"操作提示", os::kBoxIconQuestion | os::kBoxYesNo) != os::kAnswerYes) {
    return 1;
  }
  MappedFile* main = e->files.main;
  ScopedFileWrite write(main);
  if (!write.ok()) return 1;
  // The table may have been mapped again under the lock: find the record afresh.
  if (!FindLastWord(e, offset)) return 1;
  const ByteView view{main->view, static_cast<std::uint32_t>(main->size)};
  std::uint32_t flags = 0;
  if (view.ReadU32(offset, flags)) view.WriteU32(offset, deleted ? (flags & ~kFlagDeleted) : (flags | kFlagDeleted));
  return 1;
}

int QueryEnglish(EngineInstance* e) {
  e->candidate_count = 0;
  std::uint8_t lead = 0;
  e->blocks.dme.ReadU8(dme_block::kEnglishLeadKey, lead);
  const int count = std::clamp(e->key_count, 0, kMaxInputKeys);
  const int skipped = (lead != 0 && count >= 1 && e->keys[0] == lead && (e->mode & mode::kTemporaryEnglish)) ? 1 : 0;
  const std::u16string keys(e->keys + skipped, e->keys + count);
  SetAssociationKey(e, keys.c_str());
  const int found = AssociationQuery(
      e, association_option::kEnglish | association_option::kEqualKeys | association_option::kCloseness);
  SetAssociationKey(e, u"");
  FinishQuery(e);
  return found;
}

namespace {

constexpr char16_t kNonCharacterKeyMark = u'键';
// Functions that a key takes into the engine while there is input.
constexpr std::uint64_t kInputFunctions = 0xFF0E4;

bool IsCharacterKey(const char16_t* text) { return text && text[0] && text[0] != kNonCharacterKeyMark; }

bool IsSingle(const char16_t* text, char16_t low, char16_t high) {
  return text && text[0] >= low && text[0] <= high && !text[1];
}

}  // namespace

int ClassifyKeyEnglish(EngineInstance* e) {
  CurrentKey& key = e->current_key;
  const char16_t* text = key.text;
  if (IsSingle(text, u'a', u'z') || IsSingle(text, u'A', u'Z')) return english_key::kTyped;
  if (e->key_count <= 0) return english_key::kPassed;
  if (IsSingle(text, u' ', u' ')) {
    const bool list_matches = e->candidate_count == 0 || e->page_item_count == 0 ||
                              e->key_count >= static_cast<int>(std::u16string_view(e->page[0].text).size());
    if (!(e->mode & mode::kTemporaryEnglish) && list_matches) return english_key::kPassed;
    key.functions = key_function::kCommit;
    return english_key::kFunction;
  }
  if (IsSingle(text, u'0', u'9')) {
    if (!e->files.engl) return english_key::kTyped;
    const unsigned n = text[0] == u'0' ? 10u : static_cast<unsigned>(text[0] - u'0');
    if (e->page_item_count >= static_cast<int>(n)) {
      key.functions = key_function::kCommit | (std::uint64_t{n} << key_function::kNumberShift);
    }
    return key.functions ? english_key::kFunction : english_key::kPassed;
  }
  return IsCharacterKey(text) ? english_key::kTyped : english_key::kPassed;
}

int IsKeyForEngine(const EngineInstance* e, const CurrentKey& key) {
  const bool character = IsCharacterKey(key.text);
  if (e->mode & mode::kEnglish) {
    if (character && ((e->mode & mode::kFullWidth) || !(e->mode & mode::kEnglishPunctuation))) return 1;
    if (!e->files.engl || !e->files.engl->view) return 0;
  }
  if (e->key_count > 0) {
    if (key.functions & kInputFunctions) return 1;
  } else if (key.functions & (key_function::kRepeatInput | key_function::kUndoInput)) {
    return e->previous_commit.text_length > 0 ? 1 : 0;
  }
  return character ? 1 : 0;
}

int SendBackspaces(EngineInstance* e, int n) {
  e->current_key.reinput = 1;
  const os::KeyActionScope action;
  for (int i = 0; i < n; ++i) {
    os::SendKeyEvent(kVkBack, 0, 0);
    os::SendKeyEvent(kVkBack, 0, os::kKeyEventUp);
  }
  os::SendKeyEvent(kErasureDoneKey, 0, 0);
  os::SendKeyEvent(kErasureDoneKey, 0, os::kKeyEventUp);
  return 0;
}

}  // namespace lz
