// Explanations read from dict.dms: what the dictionary window and the configuration program's
// dictionary show for a word, and what a broken record costs (its explanation, never a read past the
// file).
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dictionary_table.h"
#include "textservice/engine/table_builder.h"

namespace lz {
namespace {

// A one-record dict.dms holding `key` and `explanation`, then changed by `edit` (given the bytes and the
// record's offset).
std::vector<std::uint8_t> OneEntryTable(const std::string& key, const std::string& explanation,
                                        const std::function<void(std::vector<std::uint8_t>&, std::uint32_t)>& edit) {
  std::vector<std::uint8_t> bytes;
  TableBuildOptions options;
  options.name = "dict";
  EXPECT_TRUE(BuildDictionaryTable({{key, explanation}}, options, bytes));
  std::uint32_t offset = 0;
  ReadRecordOffset({bytes.data(), static_cast<std::uint32_t>(bytes.size())}, 0, offset);
  if (edit) edit(bytes, offset);
  return bytes;
}

struct Lookup {
  bool found = false;
  std::u16string text;
};

// Looks the word up in a table file made of the bytes, as the windows do.
Lookup LookUp(const std::vector<std::uint8_t>& bytes, const char16_t* word, std::size_t limit) {
  test::TempFolder folder;
  test::WriteFileBytes(folder.path() / "dict.dms", bytes);
  MappedFile* table = nullptr;
  Lookup answer;
  if (OpenMappedFile(folder.File("dict.dms").c_str(), &table) <= 0) return answer;
  answer.found = FindDictionaryExplanation(table, word, limit, answer.text);
  CloseMappedFile(table);
  return answer;
}

void SetOrderValue(std::vector<std::uint8_t>& bytes, std::uint32_t offset, std::uint32_t order) {
  const std::uint32_t flags = order << code_table::kOrderShift;
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(flags >> (8 * i));
}

struct ExplanationCase {
  const char* name;
  std::string explanation;
  std::function<void(std::vector<std::uint8_t>&, std::uint32_t)> edit;
  std::size_t limit;
  bool found;
  std::u16string expected;
};

const std::string kZhong = "\xE4\xB8\xAD";  // 中

class Explanations : public ::testing::TestWithParam<ExplanationCase> {};

TEST_P(Explanations, AreReadWithinTheRecordAndTheFile) {
  const ExplanationCase& c = GetParam();
  const Lookup got = LookUp(OneEntryTable(kZhong, c.explanation, c.edit), u"中", c.limit);
  EXPECT_EQ(got.found, c.found);
  EXPECT_EQ(got.text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    DictTable, Explanations,
    ::testing::Values(
        ExplanationCase{"plain", "zhong1 middle", nullptr, kExplanationUnits, true, u"zhong1 middle"},
        ExplanationCase{"flags shorter than the key give an empty explanation", "zhong1 middle",
                        [](std::vector<std::uint8_t>& b, std::uint32_t at) { SetOrderValue(b, at, 2); },
                        kExplanationUnits, true, u""},
        ExplanationCase{"an explanation past the file's end is cut at the end", "zhong1 middle",
                        [](std::vector<std::uint8_t>& b, std::uint32_t at) { SetOrderValue(b, at, 4 + 13 + 500); },
                        kExplanationUnits, true, u"zhong1 middle"},
        ExplanationCase{"40961 characters keep 40960", std::string(40961, 'x'), nullptr, kExplanationUnits, true,
                        std::u16string(40960, u'x')},
        ExplanationCase{"the letters' look-up keeps 512", std::string(600, 'y'), nullptr, kFallbackExplanationUnits,
                        true, std::u16string(512, u'y')},
        ExplanationCase{"broken UTF-8 reads as U+FFFD", "a\xE4\xB8" "b\xFF", nullptr, kExplanationUnits, true,
                        u"a\uFFFDb\uFFFD"},
        ExplanationCase{"a pair is not cut in half", "a\xF0\x9F\x98\x80", nullptr, 2, true, u"a"}),
    [](const ::testing::TestParamInfo<ExplanationCase>& param_info) {
      std::string name;
      for (const char* c = param_info.param.name; *c; ++c) {
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
      }
      return name;
    });

TEST(DictTable, AWordNotInTheTableIsNotFound) {
  const Lookup got = LookUp(OneEntryTable(kZhong, "zhong1", nullptr), u"国", kExplanationUnits);
  EXPECT_FALSE(got.found);
  EXPECT_EQ(got.text, u"");
}

TEST(DictTable, ARecordWhoseHeadLiesPastTheViewIsNotRead) {
  const std::vector<std::uint8_t> bytes = OneEntryTable(kZhong, "zhong1", nullptr);
  std::uint32_t offset = 0;
  const ByteView view{const_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size())};
  ReadRecordOffset(view, 0, offset);
  std::u16string text = u"left over";
  EXPECT_FALSE(ReadDictionaryExplanation(view, static_cast<std::uint32_t>(bytes.size()) - 3, kExplanationUnits, text));
  EXPECT_EQ(text, u"");
  EXPECT_TRUE(ReadDictionaryExplanation(view, offset, kExplanationUnits, text));
  EXPECT_EQ(text, u"zhong1");
}

}  // namespace
}  // namespace lz
