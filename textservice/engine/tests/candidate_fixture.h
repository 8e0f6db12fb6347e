#pragma once
// What the candidate-list tests share: a data folder with the ime settings a list depends on, typing
// keys into an engine, and reading its page back as UTF-8.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/query.h"
#include "textservice/engine/text_encoding.h"

namespace lz::test {

// The ime block fields a list depends on; main words only, nothing commits by itself.
struct ListSettings {
  std::uint32_t ime_flags = ime_block::kSchemeMain;
  std::uint32_t page_size = 5;
  std::uint32_t frequency = 0;  // ime +44 bits 0-1
  std::uint32_t behaviour = 0;  // ime +48
  std::uint8_t following = 0;   // dme +44: list longer codes from this length
  char english_lead = 0;        // dme +46
};

inline void ApplyListSettings(const ListSettings& s, ConfigBlocks& b) {
  b.ime.WriteU32(ime_block::kImeFlags, s.ime_flags);
  b.ime.WriteU32(ime_block::kCandidateOptions, (s.page_size << ime_block::kPageSizeShift) | s.frequency);
  b.ime.WriteU32(ime_block::kBehaviourFlags, s.behaviour);
  b.dme.WriteU8(dme_block::kUniqueAutoCommitLength, 0);
  b.dme.WriteU8(dme_block::kShowFollowingLength, s.following);
  b.dme.WriteU8(dme_block::kEnglishLeadKey, static_cast<std::uint8_t>(s.english_lead));
}

inline DataFolderContents ListFolder(const ListSettings& settings, std::vector<TableRecord> main,
                                     std::vector<TableRecord> temp = {}) {
  DataFolderContents contents;
  contents.main = std::move(main);
  contents.temp = std::move(temp);
  contents.edit_blocks = [settings](ConfigBlocks& b) { ApplyListSettings(settings, b); };
  return contents;
}

inline std::string Utf8(const char16_t* text) {
  std::uint8_t buffer[kTableStringBufferBytes * 4];
  const int n = WideToUtf8(text, buffer, sizeof buffer);
  return n < 0 ? std::string("<bad>") : std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

inline std::u16string Wide(const std::string& utf8) {
  char16_t units[kDecodedBufferUnits];
  Utf8ToWide(units, reinterpret_cast<const std::uint8_t*>(utf8.data()), static_cast<int>(utf8.size()));
  return units;
}

inline std::vector<std::string> PageTexts(const EngineInstance* e) {
  std::vector<std::string> texts;
  for (int i = 0; i < e->page_item_count; ++i) texts.push_back(Utf8(e->page[i].text));
  return texts;
}

// Types the keys one by one at the cursor, querying after each as the key handler does; the last result.
inline int Type(EngineInstance* e, const std::string& keys) {
  int result = 0;
  for (char k : keys) {
    AppendInputKey(e, static_cast<char16_t>(static_cast<unsigned char>(k)));
    result = QueryCandidates(e);
  }
  return result;
}

constexpr std::uint32_t SystemWord(std::uint32_t order, std::uint32_t bits = 0) {
  return RecordFlags(code_table::kClassSystem, order, bits);
}

}  // namespace lz::test
