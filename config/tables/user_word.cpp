#include "config/tables/user_word.h"

#include <algorithm>
#include <vector>

#include "config/tables/table_records.h"
#include "config/tables/word_code.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/text_encoding.h"

namespace lz::config {
namespace {

using namespace code_table;

constexpr char16_t kFirstKeypadKey = 0xFF0A;
constexpr char16_t kLastKeypadKey = 0xFF19;
constexpr std::uint32_t kOrderBits = kMaxOrderValue << kOrderShift;

bool IsCodeCharacter(char16_t c) {
  return (c >= 0x20 && c < 0x7F && c != u'#') || (c >= kFirstKeypadKey && c <= kLastKeypadKey);
}

std::u16string Cut(std::u16string_view text) {
  return std::u16string(text.substr(0, std::min<std::size_t>(text.size(), kUserWordTextUnits)));
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// Where each character starts (a pair is one character).
std::vector<std::size_t> CharacterStarts(std::u16string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i) {
    starts.push_back(i);
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) ++i;
  }
  return starts;
}

std::uint32_t ReadFlags(const TableRecordBuffer& r) {
  std::uint32_t flags = 0;
  ByteView{const_cast<std::uint8_t*>(r.bytes), r.size}.ReadU32(kRecordFlags, flags);
  return flags;
}

}  // namespace

std::u16string CheckUserWordInput(std::u16string_view word, std::u16string_view code) {
  if (word.empty()) return kEmptyWordText;
  if (code.empty()) return kEmptyCodeText;
  for (char16_t c : code) {
    if (!IsCodeCharacter(c)) return kCodeNotKeysText;
  }
  return {};
}

UserWordOutcome StoreUserWord(MappedFile* main_table, const UserWordRequest& request) {
  const std::u16string word = Cut(request.word), code = Cut(request.code);
  TableRecordBuffer record;
  if (!MakeTableRecord(code.c_str(), word.c_str(), CodeToTableString, record)) return UserWordOutcome::kInvalid;
  ScopedFileWrite write(main_table);
  if (!write.ok()) return UserWordOutcome::kFailed;
  const ByteView view{main_table->view, static_cast<std::uint32_t>(main_table->size)};
  const std::uint8_t* key = record.bytes + kRecordCodeLength;

  // A change: the record being changed must be there, and the new one must not be another stored record.
  CodeTableRecord old;
  const bool modify = request.position >= 0;
  if (modify && !RecordAt(main_table, request.position, old)) return UserWordOutcome::kFailed;
  int found = FindRecordPosition(CompareCodeAndText, main_table, key);
  if (found > 0) {
    CodeTableRecord stored;
    if (!RecordAt(main_table, found - 1, stored)) return UserWordOutcome::kFailed;
    const bool is_old = modify && stored.offset == old.offset;
    if (!(stored.flags & kFlagDeleted) && !is_old) return UserWordOutcome::kPresent;
  }
  if (modify) {
    if (RemoveTableRecords(main_table, {request.position}) != 1) return UserWordOutcome::kFailed;
    found = FindRecordPosition(CompareCodeAndText, main_table, key);
  }

  const std::uint32_t order = NextOrderValue(main_table, key[1]);
  if (found > 0) {
    // Only a deleted record is left to find: it comes back with the new order value and keeps its class.
    std::uint32_t at = 0, flags = 0;
    if (!RecordOffsetAt(main_table, found - 1, at) || !view.ReadU32(at, flags)) return UserWordOutcome::kFailed;
    flags = (flags & ~kOrderBits & ~kFlagDeleted) | ((order & kMaxOrderValue) << kOrderShift);
    if (request.pinned) flags |= kFlagPinned;
    view.WriteU32(at, flags);
    FlushMappedFile(main_table);
    return UserWordOutcome::kUndeleted;
  }
  std::uint32_t flags = ReadFlags(record);
  flags = (flags & ~(kClassMask << kClassShift)) | ((request.record_class & kClassMask) << kClassShift);
  if (OrderValue(flags) == 0) flags |= (order & kMaxOrderValue) << kOrderShift;
  if (request.pinned) flags |= kFlagPinned;
  ByteView{record.bytes, record.size}.WriteU32(kRecordFlags, flags);
  if (!TableAppendRecord(main_table, record.bytes, record.size)) return UserWordOutcome::kFailed;
  FlushMappedFile(main_table);
  return UserWordOutcome::kAdded;
}

const char16_t* UserWordOutcomeText(UserWordOutcome outcome) {
  switch (outcome) {
    case UserWordOutcome::kAdded:
      return u"";
    case UserWordOutcome::kUndeleted:
      return kUndeletedText;
    case UserWordOutcome::kPresent:
      return kPresentText;
    case UserWordOutcome::kInvalid:
      return kInvalidRecordText;
    case UserWordOutcome::kFailed:
      return kAddFailedText;
  }
  return kAddFailedText;
}

std::u16string ProposeWordCode(const MappedFile* characters, ByteView dme, std::u16string_view word) {
  const std::u16string text = Cut(word);
  const int n = CountWordCharacters(text.c_str());
  if (n < 1 || n > kMaxProposedWordCharacters || !characters) return {};
  std::uint16_t rule[dme_block::kWordRuleTerms];
  if (!ReadWordRule(dme, n, rule)) return {};
  char16_t code[kUserWordTextUnits + 1];
  if (!BuildWordCode(characters, rule, text.c_str(), code, kUserWordTextUnits + 1)) return {};
  return code;
}

std::u16string LastCharacters(std::u16string_view source, int n) {
  const std::vector<std::size_t> starts = CharacterStarts(source);
  if (n <= 0) return {};
  if (static_cast<std::size_t>(n) >= starts.size()) return std::u16string(source);
  return std::u16string(source.substr(starts[starts.size() - static_cast<std::size_t>(n)]));
}

int StepWordLength(std::u16string_view source, int n, int step) {
  n = std::clamp(n + step, 0, kMaxOnlineWordLength);
  return std::min(n, static_cast<int>(CharacterStarts(source).size()));
}

}  // namespace lz::config
