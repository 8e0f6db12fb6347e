// The query against a plain reference: every pass scans the whole table in its order, with no range
// search, no early stop and a stable sort by the ranking rules. Whatever the query does to be fast, it
// must list the same candidates in the same order, over generated tables, random codes and wildcards and
// random schemes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/query.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

using namespace code_table;
using test::RecordFlags;
using test::TableRecord;

constexpr char kWildcard = 'z';
constexpr char kCodeLetters[] = "abcdez";  // 'z' is also an ordinary code letter
constexpr char kCommandPrefix[] = "$lzcmd(";

struct Scheme {
  std::uint8_t words = 0, following = 0;
  std::uint32_t query_flags = 0;
  std::uint32_t ime_flags = ime_block::kSchemeMain;
  bool low_order_first = false;
  std::string wildcard_keys;
};

void Apply(const Scheme& s, const ConfigBlocks& b) {
  b.ime.WriteU32(ime_block::kImeFlags, s.ime_flags);
  b.ime.WriteU32(ime_block::kBehaviourFlags, s.low_order_first ? ime_block::kLowOrderFirst : 0);
  b.dme.WriteU32(dme_block::kQueryFlags, s.query_flags);
  b.dme.WriteU8(dme_block::kUniqueAutoCommitLength, 0);
  b.dme.WriteU8(dme_block::kEmptyCodeCommitLength, 0);
  b.dme.WriteU8(dme_block::kShowTableWordLength, s.words);
  b.dme.WriteU8(dme_block::kShowFollowingLength, s.following);
  b.dme.WriteU8(dme_block::kWildcardKey, static_cast<std::uint8_t>(kWildcard));
  for (std::uint32_t key = 0; key < dme_block::kKeyClassCount; ++key) {
    const bool stands_for = s.wildcard_keys.find(static_cast<char>(key)) != std::string::npos && key != 0;
    b.dme.WriteU8(dme_block::kKeyClasses + key, stands_for ? key_class::kWildcardStandsFor : 0);
  }
}

struct Listed {
  std::uint32_t offset;
  std::int32_t weight;
  std::uint8_t kind;
  bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Listed& l) {
  return out << "{" << l.offset << " w" << l.weight << " k" << int{l.kind} << "}";
}

using Key = std::vector<std::uint8_t>;

// The reference query, for inputs without lead keys.
class Reference {
 public:
  explicit Reference(const MappedFile* table) {
    for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
      CodeTableRecord r;
      if (RecordAt(table, static_cast<std::int32_t>(i), r)) records_.push_back(r);
    }
  }
  void Use(const Scheme& scheme) { scheme_ = scheme; }

  std::vector<Listed> Run(const std::string& keys) {
    list_.clear();
    query_flags_ = scheme_.query_flags;
    ime_flags_ = scheme_.ime_flags;
    const Key raw(keys.begin(), keys.end());
    Key search = raw;
    for (auto& b : search) b = b == kWildcard ? kWildcardByte : b;
    if (scheme_.following && raw.size() >= scheme_.following) {
      query_flags_ |= query_flag::kListLongerCodes;
    } else {
      query_flags_ &= ~query_flag::kListLongerCodes;
    }
    if (std::find(search.begin(), search.end(), kWildcardByte) != search.end()) {
      const std::uint32_t saved = query_flags_;
      query_flags_ &= ~query_flag::kListLongerCodes;
      Pass(raw, false);
      query_flags_ = saved;
      ime_flags_ |= ime_block::kAlwaysSearchSecondary;
      query_flags_ |= query_flag::kWildcardMatching;
      if (search[0] != kWildcardByte) {
        Pass(search, true);
      } else if (search.size() > 1 || (query_flags_ & query_flag::kSingleKeyWildcard)) {
        for (int c = 0; c < 128; ++c) {
          if (scheme_.wildcard_keys.find(static_cast<char>(c)) == std::string::npos || c == 0) continue;
          Key replaced = search;
          replaced[0] = static_cast<std::uint8_t>(c);
          Pass(replaced, search.size() > 1);
        }
      }
      query_flags_ &= ~query_flag::kWildcardMatching;
      if (list_.empty() && (query_flags_ & query_flag::kListLongerCodes)) Pass(raw, true);
    } else {
      Pass(raw, (query_flags_ & query_flag::kListLongerCodes) != 0);
    }
    if (list_.size() >= 2) Sort();
    std::vector<Listed> out;
    for (const Entry& e : list_) out.push_back({e.record->offset, e.weight, e.kind});
    return out;
  }

 private:
  struct Entry {
    const CodeTableRecord* record;
    std::int32_t weight;
    std::uint8_t kind;
  };

  static bool Begins(const CodeTableRecord& r, const Key& key, std::size_t n) {
    return r.code_length >= n && std::memcmp(r.code, key.data(), n) == 0;
  }

  int Score(const CodeTableRecord& r, const Key& key) const {
    const auto n = static_cast<int>(key.size());
    const bool word = Utf8CharCount(r.text_length, r.text) > 1;
    const bool command = r.text_length >= 7 && std::memcmp(r.text, kCommandPrefix, 7) == 0;
    if (word && scheme_.words && n < scheme_.words && !command) return 0;
    if (query_flags_ & query_flag::kWildcardMatching) {
      if (n == 1 && (!(query_flags_ & query_flag::kSingleKeyWildcard) || r.code_length != 1)) return 0;
      if (r.code_length < n) return 0;
      for (int i = 0; i < n; ++i) {
        if (key[static_cast<std::size_t>(i)] != kWildcardByte && key[static_cast<std::size_t>(i)] != r.code[i]) return 0;
      }
      if ((query_flags_ & query_flag::kSingleCharacters) && word) return 0;
      return 64 - (r.code_length - n);
    }
    if (query_flags_ & query_flag::kListLongerCodes) {
      if (!Begins(r, key, key.size())) return 0;
      if (r.code_length == n) return 127;
      return (RecordClass(r.flags) == kClassAuxiliary && n > 2) ? 0 : 31;
    }
    return (r.code_length == n && Begins(r, key, key.size())) ? 127 : 0;
  }

  // One pass over the whole table: a record takes part when its code lies where the key says (before a
  // wildcard inside the key, as a prefix, or equal), scores, and finds room under its cap.
  void Pass(const Key& key, bool prefix) {
    const auto wildcard = std::find(key.begin() + 1, key.end(), kWildcardByte);
    for (const CodeTableRecord& r : records_) {
      const bool in_range = wildcard != key.end() ? Begins(r, key, static_cast<std::size_t>(wildcard - key.begin()))
                            : prefix             ? Begins(r, key, key.size())
                                                 : r.code_length == key.size() && Begins(r, key, key.size());
      if (!in_range) continue;
      const int score = Score(r, key);
      if (score <= 0) continue;
      const bool pinned_like = r.flags & (kFlagPinned | kFlagListedLikePinned);
      if (list_.size() >= (pinned_like ? std::size_t{kMaxPinnedMatches} : std::size_t{kMaxOrdinaryMatches})) continue;
      if (r.flags & kFlagDeleted) continue;
      if (ClassFilter(RecordClass(r.flags), QueryScope{ime_flags_, query_flags_, 0}, 0) != 0) continue;
      if (list_.size() >= static_cast<std::size_t>(kMaxCandidates)) continue;
      list_.push_back({&r, score, kind::kMain});
    }
  }

  void Sort() {
    const bool low_first = scheme_.low_order_first;
    std::stable_sort(list_.begin(), list_.end(), [low_first](const Entry& a, const Entry& b) {
      if (a.weight != b.weight) return static_cast<std::uint32_t>(a.weight) > static_cast<std::uint32_t>(b.weight);
      const bool pa = a.record->flags & kFlagPinned, pb = b.record->flags & kFlagPinned;
      if (pa != pb) return pa;
      const std::uint32_t oa = OrderValue(a.record->flags), ob = OrderValue(b.record->flags);
      if (oa != ob) return low_first ? oa < ob : oa > ob;
      return a.record->offset < b.record->offset;
    });
  }

  Scheme scheme_;
  std::vector<CodeTableRecord> records_;
  std::vector<Entry> list_;
  std::uint32_t query_flags_ = 0, ime_flags_ = 0;
};

std::string RandomCode(std::mt19937& random, std::size_t max_length) {
  std::string code(1 + random() % max_length, 'a');
  for (char& c : code) c = kCodeLetters[random() % (sizeof kCodeLetters - 1)];
  return code;
}

// A table of `count` records over a six-letter alphabet, so that wildcards and short prefixes pass the
// caps; `pinned_percent` of them pinned or listed like pinned; codes of 1 to `longest_code` letters.
std::vector<TableRecord> GeneratedTable(std::mt19937& random, int count, int pinned_percent,
                                        std::size_t longest_code = 4) {
  constexpr std::uint32_t kClasses[] = {kClassSystem, kClassSystem, kClassSystem, kClassUser, kClassSecondary,
                                        kClassAuxiliary, 0, kClassFirstCategory};
  std::vector<TableRecord> records;
  for (int i = 0; i < count; ++i) {
    std::string text;
    if (random() % 40 == 0) {
      text = "$lzcmd(x)";
    } else {
      for (std::uint32_t k = 0, n = 1 + static_cast<std::uint32_t>(random() % 3); k < n; ++k) text += k % 2 ? "\xE4\xB8\xAD" : "\xE6\x96\x87";
    }
    std::uint32_t bits = 0;
    if (static_cast<int>(random() % 100) < pinned_percent) bits |= random() % 2 ? kFlagPinned : kFlagListedLikePinned;
    if (random() % 30 == 0) bits |= kFlagDeleted;
    records.push_back({RandomCode(random, longest_code), text,
                       RecordFlags(kClasses[random() % std::size(kClasses)], static_cast<std::uint32_t>(random() % 40), bits)});
  }
  return records;
}

Scheme RandomScheme(std::mt19937& random) {
  constexpr std::uint32_t kImeFlags[] = {ime_block::kSchemeMain, ime_block::kSchemeMain | ime_block::kSchemeAuxiliary,
                                         ime_block::kSchemeMain | ime_block::kAlwaysSearchSecondary,
                                         ime_block::kSchemeAuxiliary, 0};
  const char* kWildcardKeys[] = {"abcde", "abcdez", "ace", ""};
  Scheme s;
  s.words = static_cast<std::uint8_t>(random() % 2 ? 0 : 2 + random() % 2);
  s.following = static_cast<std::uint8_t>(random() % 2 ? 0 : 1 + random() % 3);
  if (random() % 2) s.query_flags |= query_flag::kSingleKeyWildcard;
  if (random() % 4 == 0) s.query_flags |= query_flag::kSingleCharacters;
  s.ime_flags = kImeFlags[random() % std::size(kImeFlags)];
  s.low_order_first = random() % 4 == 0;
  s.wildcard_keys = kWildcardKeys[random() % std::size(kWildcardKeys)];
  return s;
}

std::vector<Listed> EngineList(EngineInstance* e, const std::string& keys) {
  e->candidate_count = 0;  // no previous first candidate: the list is the query's own
  e->key_count = 0;
  for (char k : keys) e->keys[e->key_count++] = static_cast<char16_t>(k);
  e->cursor = e->key_count;
  QueryCandidates(e);
  std::vector<Listed> out;
  for (int i = 0; i < e->candidate_count; ++i) {
    const CandidateEntry& c = e->candidates[i];
    out.push_back({static_cast<std::uint32_t>(c.record - e->files.main->view), c.weight, c.kind});
  }
  return out;
}

TEST(QueryReference, ListsWhatAPlainScanListsInTheSameOrder) {
  constexpr int kQueries = 10000;
  struct TableCase {
    const char* what;
    int records;
    int pinned_percent;
    std::uint32_t type;
    std::size_t longest_code = 4;
  };
  const TableCase tables[] = {
      {"indexed, few pinned", 3000, 4, kTypeIndexed},
      {"plain, few pinned", 3000, 4, kTypePlain},
      {"indexed, mostly pinned", 3000, 70, kTypeIndexed},
      {"indexed, small", 300, 10, kTypeIndexed},
      // Ranges long enough that the positions of pinned records are looked up rather than read.
      {"indexed, large", 30000, 2, kTypeIndexed},
      // Codes as long as the longer inputs, so that these find records too.
      {"indexed, large, long codes", 30000, 2, kTypeIndexed, 7},
  };
  std::mt19937 random(20261210);
  int listed = 0, capped = 0;
  for (const TableCase& t : tables) {
    SCOPED_TRACE(t.what);
    test::DataFolderContents contents;
    contents.main = GeneratedTable(random, t.records, t.pinned_percent, t.longest_code);
    contents.main_options.type = t.type;
    test::InstalledEngine engine(contents);
    ASSERT_NE(engine.get(), nullptr);
    Reference reference(engine->files.main);
    for (int q = 0; q < kQueries / static_cast<int>(std::size(tables)); ++q) {
      const Scheme scheme = RandomScheme(random);
      Apply(scheme, engine->blocks);
      reference.Use(scheme);
      // Codes, codes with a wildcard anywhere, and wildcards alone, which pass the caps.
      std::string keys = RandomCode(random, 5);
      if (random() % 2 == 0) keys[random() % keys.size()] = kWildcard;
      if (random() % 4 == 0) keys[random() % keys.size()] = kWildcard;
      if (random() % 8 == 0) keys = std::string(1 + random() % 3, kWildcard);
      // Inputs longer than most or all codes, with wildcards in any position, up to the longest input.
      if (random() % 6 == 0 || random() % 200 == 0) {
        keys.assign(random() % 40 == 0 ? std::size_t{127} : 5 + random() % 4, kWildcard);
        const std::uint32_t letters_percent = static_cast<std::uint32_t>(random() % 3) * 40;
        for (char& k : keys) {
          if (random() % 100 < letters_percent) k = kCodeLetters[random() % (sizeof kCodeLetters - 1)];
        }
      }
      const auto expected = reference.Run(keys);
      const auto actual = EngineList(engine.get(), keys);
      ASSERT_EQ(actual, expected) << "keys " << keys << " query " << q;
      listed += !expected.empty();
      capped += expected.size() >= static_cast<std::size_t>(kMaxOrdinaryMatches);
    }
  }
  // The generated cases reach both the empty list and the caps often enough to mean something.
  EXPECT_GT(listed, kQueries / 4);
  EXPECT_GT(capped, kQueries / 100);
}

// Whether any code is long enough for an input is kept between queries too; a longer code another process
// adds later is found.
TEST(QueryReference, AWildcardInputFindsALongerCodeAnotherProcessAddedSince) {
  std::mt19937 random(20261212);
  test::DataFolderContents contents;
  contents.main = GeneratedTable(random, 30000, 2);
  contents.main_options.type = kTypeIndexed;
  contents.main_options.free_gap = 4096;  // the new record fits without growing the file
  test::InstalledEngine engine(contents);
  ASSERT_NE(engine.get(), nullptr);
  Scheme scheme;
  scheme.wildcard_keys = "abcde";
  Apply(scheme, engine->blocks);
  const std::string keys = "azzzzz";
  ASSERT_TRUE(EngineList(engine.get(), keys).empty());

  MappedFile* other = nullptr;
  ASSERT_GT(OpenMappedFile((engine.folder().data() / "main.dmg").u16string().c_str(), &other), 0);
  TableRecordBuffer record;
  ASSERT_GT(MakeTableRecord(u"abcdeab", u"\u6587", nullptr, record), 0);
  const std::uint32_t flags = RecordFlags(kClassSystem, 1, 0);
  for (int i = 0; i < 4; ++i) record.bytes[i] = static_cast<std::uint8_t>(flags >> (8 * i));
  ASSERT_EQ(TableAppendRecord(other, record.bytes, record.size), 1);
  CloseMappedFile(other);

  Reference now(engine->files.main);
  now.Use(scheme);
  const auto after = EngineList(engine.get(), keys);
  EXPECT_EQ(after, now.Run(keys));
  EXPECT_EQ(after.size(), 1u);
}

// A wildcard list at the cap still takes pinned records from the rest of the table. Where they lie is
// kept between queries; a record another process pins later must not be missed because of that.
TEST(QueryReference, ACappedWildcardListTakesARecordAnotherProcessPinnedSince) {
  std::mt19937 random(20261211);
  test::DataFolderContents contents;
  contents.main = GeneratedTable(random, 30000, 0);
  contents.main_options.type = kTypeIndexed;
  test::InstalledEngine engine(contents);
  ASSERT_NE(engine.get(), nullptr);
  Scheme scheme;
  scheme.wildcard_keys = "abcdef";
  Apply(scheme, engine->blocks);
  Reference reference(engine->files.main);
  reference.Use(scheme);
  const std::string keys = "zz";
  const auto before = EngineList(engine.get(), keys);
  ASSERT_EQ(before, reference.Run(keys));
  ASSERT_EQ(before.size(), static_cast<std::size_t>(kMaxOrdinaryMatches));

  // Another process pins the last record of the table that matches and was not listed.
  MappedFile* other = nullptr;
  ASSERT_GT(OpenMappedFile((engine.folder().data() / "main.dmg").u16string().c_str(), &other), 0);
  std::uint32_t pinned_offset = 0;
  for (std::int32_t i = static_cast<std::int32_t>(RecordCount(other)) - 1; i >= 0 && !pinned_offset; --i) {
    CodeTableRecord record;
    std::uint32_t offset = 0;
    if (RecordOffsetAt(other, i, offset) && RecordAt(other, i, record) && record.code_length >= 2 &&
        !(record.flags & kFlagDeleted) && RecordClass(record.flags) == kClassSystem && record.text[0] != '$' &&
        record.code[0] != kWildcard) {
      pinned_offset = offset;
    }
  }
  ASSERT_NE(pinned_offset, 0u);
  {
    ScopedFileWrite write(other);
    ASSERT_TRUE(write.ok());
    const ByteView view{other->view, static_cast<std::uint32_t>(other->size)};
    std::uint32_t flags = 0;
    ASSERT_TRUE(view.ReadU32(pinned_offset, flags));
    view.WriteU32(pinned_offset, flags | kFlagPinned);
    NoteEntryChange(other);
  }
  CloseMappedFile(other);

  const auto after = EngineList(engine.get(), keys);
  Reference now(engine->files.main);
  now.Use(scheme);
  EXPECT_EQ(after, now.Run(keys));
  EXPECT_TRUE(std::any_of(after.begin(), after.end(), [&](const Listed& l) { return l.offset == pinned_offset; }));
}

}  // namespace
}  // namespace lz
