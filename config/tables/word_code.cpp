#include "config/tables/word_code.h"

#include <algorithm>
#include <vector>

#include "textservice/engine/word_building.h"

namespace lz {
namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// The code points of a word, a surrogate pair read as one; a broken pair reads as its unit.
std::vector<std::int32_t> CodePointsOf(const char16_t* text) {
  std::vector<std::int32_t> points;
  for (const char16_t* p = text; *p; ++p) {
    std::int32_t c = *p;
    if (IsHigh(p[0]) && IsLow(p[1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
      ++p;
    }
    points.push_back(c);
  }
  return points;
}

}  // namespace

int CountWordCharacters(const char16_t* text) {
  if (!text) return 0;
  int count = 0;
  for (int i = 0; i < kWordCountUnits && text[i]; ++i, ++count) {
    if (IsHigh(text[i])) {
      if (i + 1 >= kWordCountUnits || !IsLow(text[i + 1])) return -1;
      ++i;
    }
  }
  return count;
}

int BuildWordCode(const MappedFile* characters, const std::uint16_t* rule, const char16_t* word, char16_t* out,
                  int capacity) {
  if (!out || capacity <= 0) return 0;
  out[0] = 0;
  if (!characters || !characters->view || !rule || !word) return 0;
  const std::vector<std::int32_t> points = CodePointsOf(word);
  if (points.empty()) return 0;
  int n = 0;
  for (std::uint32_t i = 0; i < dme_block::kWordRuleTerms && rule[i] != 0; ++i) {
    const std::uint16_t term = rule[i];
    const int place = dme_block::TermCharacter(term);
    if (place < 1) continue;
    const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(place), points.size()) - 1;
    char16_t code[kCodeBufferUnits];
    const int units = CharacterIndexCode(characters, points[at], code);
    if (units == 0) continue;
    AppendCodePart(code, units, dme_block::TermCodePosition(term), dme_block::TermFromFront(term), out, n,
                   capacity - 1);
  }
  out[n] = 0;
  return n > 0 ? 1 : 0;
}

bool ReadWordRule(ByteView dme, int n, std::uint16_t (&rule)[dme_block::kWordRuleTerms]) {
  for (auto& term : rule) term = 0;
  if (n < 0 || n > dme_block::kMaxRuleLength) return false;
  const std::uint32_t offset = dme_block::RuleSlotOffset(static_cast<std::uint32_t>(n));
  if (!dme.Holds(offset, dme_block::kWordRuleSlotSize)) return false;
  for (std::uint32_t i = 0; i < dme_block::kWordRuleTerms; ++i) dme.ReadU16(offset + 2 * i, rule[i]);
  return true;
}

}  // namespace lz
