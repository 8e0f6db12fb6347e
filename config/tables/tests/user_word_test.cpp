// The user-word dialog's decisions over main.dmg: adding, finding it there, bringing a deleted record
// back, changing a record, the code checks, the proposed codes and the online word length.
#include "config/tables/user_word.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/tables/table_records.h"
#include "tests/support/code_table_builder.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

using namespace code_table;
using test::RecordFlags;
using test::TableRecord;

struct Word {
  std::string code, text;
  std::uint32_t flags;
  bool operator==(const Word&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Word& w) {
  return out << w.code << "/" << w.text << "/" << std::hex << w.flags;
}

std::vector<Word> Words(const MappedFile* table) {
  std::vector<Word> out;
  for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
    CodeTableRecord r;
    if (!RecordAt(table, static_cast<std::int32_t>(i), r)) continue;
    out.push_back({std::string(reinterpret_cast<const char*>(r.code), r.code_length),
                   std::string(reinterpret_cast<const char*>(r.text), r.text_length), r.flags});
  }
  return out;
}

bool Finds(const MappedFile* table, const std::string& code, const std::string& text) {
  std::uint8_t key[1 + kMaxStringBytes] = {static_cast<std::uint8_t>(code.size())};
  std::copy(code.begin(), code.end(), key + 1);
  TableRange range;
  FindCodeRange(table, range, key);
  for (std::int32_t i = range.first; i < range.end; ++i) {
    CodeTableRecord r;
    if (RecordAt(table, i, r) && std::string(reinterpret_cast<const char*>(r.text), r.text_length) == text) return true;
  }
  return false;
}

const std::vector<TableRecord> kStored = {
    {"khlg", "中国", RecordFlags(kClassSystem, 5)},
    {"nakh", "民中", RecordFlags(kClassSecondary, 3, kFlagDeleted)},
    {"wwna", "人民", RecordFlags(kClassUser, 2)},
};

class UserWordTest : public ::testing::Test {
 protected:
  MappedFile* Open(const std::vector<TableRecord>& records, std::uint32_t gap = 4096) {
    test::TableOptions options;
    options.type = kTypeIndexed;
    options.free_gap = gap;
    const std::string name = "t" + std::to_string(opened_.size()) + ".dmg";
    test::WriteFileBytes(folder_.path() / name, test::BuildCodeTable(records, options));
    MappedFile* file = nullptr;
    EXPECT_GT(OpenMappedFile(folder_.File(name).c_str(), &file), 0);
    opened_.push_back(file);
    return file;
  }
  void TearDown() override {
    for (MappedFile* f : opened_) CloseMappedFile(f);
  }
  test::TempFolder folder_;
  std::vector<MappedFile*> opened_;
};

TEST_F(UserWordTest, StoringAWordHasTheseOutcomes) {
  struct Case {
    const char* name;
    UserWordRequest request;
    UserWordOutcome outcome;
    std::vector<Word> after;  // empty: the stored words unchanged
  };
  // A word stored now takes the next order value of its first key, above those the table was built with
  // (民中 3 under "n", 人民 2 under "w").
  const Case cases[] = {
      {"added", {u"民国", u"nalg", 2, false, -1}, UserWordOutcome::kAdded,
       {{"khlg", "中国", RecordFlags(kClassSystem, 5)},
        {"nakh", "民中", RecordFlags(kClassSecondary, 3, kFlagDeleted)},
        {"nalg", "民国", RecordFlags(kClassUser, 4)},
        {"wwna", "人民", RecordFlags(kClassUser, 2)}}},
      {"added pinned", {u"民国", u"nalg", 2, true, -1}, UserWordOutcome::kAdded,
       {{"khlg", "中国", RecordFlags(kClassSystem, 5)},
        {"nakh", "民中", RecordFlags(kClassSecondary, 3, kFlagDeleted)},
        {"nalg", "民国", RecordFlags(kClassUser, 4, kFlagPinned)},
        {"wwna", "人民", RecordFlags(kClassUser, 2)}}},
      {"present", {u"中国", u"khlg", 2, false, -1}, UserWordOutcome::kPresent, {}},
      // A deleted record comes back with a new order value and keeps its class.
      {"deleted comes back", {u"民中", u"nakh", 2, false, -1}, UserWordOutcome::kUndeleted,
       {{"khlg", "中国", RecordFlags(kClassSystem, 5)},
        {"nakh", "民中", RecordFlags(kClassSecondary, 4)},
        {"wwna", "人民", RecordFlags(kClassUser, 2)}}},
      {"no record of an over-long word", {std::u16string(200, u'中'), u"ab", 2, false, -1}, UserWordOutcome::kInvalid, {}},
      // A change to a word that is there keeps the old word.
      {"change refused", {u"中国", u"khlg", 2, false, 2}, UserWordOutcome::kPresent, {}},
      {"change", {u"人们", u"wwwu", 2, false, 2}, UserWordOutcome::kAdded,
       {{"khlg", "中国", RecordFlags(kClassSystem, 5)},
        {"nakh", "民中", RecordFlags(kClassSecondary, 3, kFlagDeleted)},
        {"wwwu", "人们", RecordFlags(kClassUser, 3)}}},
      {"change of the pin only", {u"人民", u"wwna", 2, true, 2}, UserWordOutcome::kAdded,
       {{"khlg", "中国", RecordFlags(kClassSystem, 5)},
        {"nakh", "民中", RecordFlags(kClassSecondary, 3, kFlagDeleted)},
        {"wwna", "人民", RecordFlags(kClassUser, 3, kFlagPinned)}}},
      {"change of a position outside", {u"人们", u"wwwu", 2, false, 9}, UserWordOutcome::kFailed, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MappedFile* table = Open(kStored);
    const std::vector<Word> before = Words(table);
    EXPECT_EQ(StoreUserWord(table, c.request), c.outcome);
    EXPECT_EQ(Words(table), c.after.empty() ? before : c.after);
    for (const Word& w : Words(table)) EXPECT_TRUE(Finds(table, w.code, w.text)) << w;
    EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}, {}), TableCheck::kValid);
  }
}

TEST_F(UserWordTest, AnAddWithoutFreeGapGrowsTheTable) {
  MappedFile* table = Open(kStored, 0);
  const std::int32_t size = table->size;
  EXPECT_EQ(StoreUserWord(table, {u"民中", u"nakh", 2, false, -1}), UserWordOutcome::kUndeleted);
  EXPECT_EQ(StoreUserWord(table, {u"民国", u"nalg", 2, false, -1}), UserWordOutcome::kAdded);
  EXPECT_GT(table->size, size);
  EXPECT_TRUE(Finds(table, "nalg", "民国"));
}

TEST_F(UserWordTest, AHeapCopyIsRefused) {
  test::TableOptions options;
  options.type = kTypeIndexed;
  test::WriteFileBytes(folder_.path() / "copy.dmg", test::BuildCodeTable(kStored, options));
  MappedFile* copy = nullptr;
  ASSERT_GT(ReadWholeFile(&copy, folder_.File("copy.dmg").c_str()), 0);
  opened_.push_back(copy);
  EXPECT_EQ(StoreUserWord(copy, {u"民国", u"nalg", 2, false, -1}), UserWordOutcome::kFailed);
  EXPECT_EQ(RemoveTableRecords(copy, {0}), 0);
  EXPECT_EQ(RecordCount(copy), 3u);
}

TEST(UserWordInput, CodesOfKeyboardKeysOnly) {
  struct Case {
    std::u16string word, code, error;
  };
  const Case cases[] = {
      {u"中国", u"khlg", u""},
      {u"", u"khlg", kEmptyWordText},
      {u"中国", u"", kEmptyCodeText},
      {u"中国", u"０９＊", u""},          // full-width keypad keys
      {u"中国", u"a,.;'/-=[]", u""},
      {u"中国", u"ab中", kCodeNotKeysText},
      {u"中国", u"ab#删", kCodeNotKeysText},  // a tag would make the word a deleted record
      {u"中国", u"ab\t", kCodeNotKeysText},
      {u"中国", u"ab\u00e9", kCodeNotKeysText},
      {u"中国", u"ａ", kCodeNotKeysText},    // full-width letters are no keys
  };
  for (const Case& c : cases) EXPECT_EQ(CheckUserWordInput(c.word, c.code), c.error) << std::string(c.code.begin(), c.code.end());
}

TEST_F(UserWordTest, ProposedCodesCoverOneToTwentyNineCharacters) {
  std::vector<std::uint8_t> store = NewConfigStore(test::kTestIdentifier);
  ConfigBlocks blocks;
  FindConfigBlocks({store.data(), static_cast<std::uint32_t>(store.size())}, blocks);
  for (int n = 2; n <= 30; ++n) {
    std::u16string key = u"P";
    for (char c : std::to_string(n)) key += static_cast<char16_t>(c);
    ReadWordRuleText(blocks.dme, key, n == 2 ? u"L1F1+L1F2+L2F1+L2F2" : u"L1F1+L2F1+L3F1+R1F1");
  }
  test::TableOptions options;
  options.type = kTypePlain;
  test::WriteFileBytes(folder_.path() / "danzi.dmi",
                       test::BuildCodeTable({{std::string("中") + '\0', std::string("khk") + '\0', 0},
                                             {std::string("国") + '\0', std::string("lgyi") + '\0', 0}},
                                            options));
  MappedFile* danzi = nullptr;
  ASSERT_GT(OpenMappedFile(folder_.File("danzi.dmi").c_str(), &danzi), 0);
  opened_.push_back(danzi);
  EXPECT_EQ(ProposeWordCode(danzi, blocks.dme, u"中国"), u"khlg");
  EXPECT_EQ(ProposeWordCode(danzi, blocks.dme, std::u16string(29, u'中')), u"kkkk");
  EXPECT_EQ(ProposeWordCode(danzi, blocks.dme, std::u16string(30, u'中')), u"");
  EXPECT_EQ(ProposeWordCode(danzi, blocks.dme, u"中\xD800国"), u"");
  EXPECT_EQ(ProposeWordCode(danzi, blocks.dme, u""), u"");
}

TEST(UserWordOnline, TheWordIsTheLastCharactersOfTheSource) {
  const std::u16string source = u"我们的𠀀中国";  // six characters, one of them a pair
  EXPECT_EQ(LastCharacters(source, 2), u"中国");
  EXPECT_EQ(LastCharacters(source, 3), u"𠀀中国");
  EXPECT_EQ(LastCharacters(source, 0), u"");
  EXPECT_EQ(LastCharacters(source, 9), source);
  struct Case {
    int n, step, expected;
  };
  for (const Case c : {Case{2, +1, 3}, Case{6, +1, 6}, Case{1, -1, 0}, Case{0, -1, 0}, Case{30, +1, 6}}) {
    EXPECT_EQ(StepWordLength(source, c.n, c.step), c.expected) << c.n << " " << c.step;
  }
  EXPECT_EQ(StepWordLength(std::u16string(40, u'中'), 30, +1), 30);
}

}  // namespace
}  // namespace lz::config
