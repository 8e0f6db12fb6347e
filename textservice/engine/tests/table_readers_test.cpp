// Readers of a table that other processes append to at the same time: opening the data set never fails
// and a look-up never misses a word that nobody touched, although entries move and the file grows under
// them.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/installed_engine.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/data_files.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/query.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

using test::RecordFlags;
using test::TableRecord;

constexpr int kUntouched = 300;
constexpr int kWriters = 4;
constexpr int kEachWriter = 1500;

// Three-letter codes "u??" that no appender writes, each with one word.
std::string UntouchedCode(int i) {
  return std::string("u") + static_cast<char>('a' + i / 26 % 26) + static_cast<char>('a' + i % 26);
}
std::string UntouchedWord(int i) { return "字" + std::to_string(i); }

std::string Utf8(const char16_t* text) {
  std::uint8_t buffer[kTableStringBufferBytes * 2];
  const int n = WideToUtf8(text, buffer, sizeof buffer);
  return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n > 0 ? n : 0));
}

// Whether typing the code lists the word.
bool Lists(EngineInstance* e, const std::string& code, const std::string& word) {
  e->key_count = 0;
  for (char k : code) e->keys[e->key_count++] = static_cast<char16_t>(k);
  e->cursor = e->key_count;
  QueryCandidates(e);
  for (int i = 0; i < e->candidate_count; ++i) {
    char16_t text[kPageTextUnits];
    CandidateText(e->candidates[i], e, text);
    if (Utf8(text) == word) return true;
  }
  return false;
}

TEST(TableReaders, FourAppendersNeverFailAnOpenOrHideAnUntouchedWord) {
  test::DataFolderContents contents;
  for (int i = 0; i < kUntouched; ++i) {
    contents.main.push_back({UntouchedCode(i), UntouchedWord(i), RecordFlags(code_table::kClassSystem, 1)});
  }
  contents.edit_blocks = [](ConfigBlocks& b) { b.ime.WriteU32(ime_block::kImeFlags, ime_block::kSchemeMain); };
  // No free gap: appends move the lowest records to the end of a growing file.
  contents.main_options.free_gap = 0;
  test::InstalledEngine engine(contents);
  ASSERT_NE(engine.get(), nullptr);
  const std::filesystem::path data = engine.folder().data();
  const std::u16string data_folder = data.u16string() + u"/";
  ASSERT_TRUE(Lists(engine.get(), UntouchedCode(0), UntouchedWord(0)));
  {
    DataFileSet files;
    ASSERT_EQ(OpenDataFiles(data_folder.c_str(), files), 1);
    CloseDataFiles(files);
  }
  const std::string main = (data / "main.dmg").string();
  const char* tags[kWriters] = {"p", "q", "r", "s"};
  test::ChildProcess writers[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    ASSERT_TRUE(test::StartChild({"append_records", main, tags[w], std::to_string(kEachWriter)}, writers[w]));
  }
  int failed_opens = 0, opens = 0, missing = 0, lookups = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  for (int round = 0; std::chrono::steady_clock::now() < deadline; ++round) {
    DataFileSet files;
    const int opened = OpenDataFiles(data_folder.c_str(), files);
    ++opens;
    failed_opens += opened ? 0 : 1;
    CloseDataFiles(files);
    for (int i = round % 7; i < kUntouched; i += 7) {
      ++lookups;
      missing += Lists(engine.get(), UntouchedCode(i), UntouchedWord(i)) ? 0 : 1;
    }
  }
  for (test::ChildProcess& writer : writers) EXPECT_EQ(test::WaitChild(writer), 0);
  EXPECT_EQ(failed_opens, 0) << "of " << opens;
  EXPECT_EQ(missing, 0) << "of " << lookups;
  EXPECT_GT(lookups, 0);

  // Readers that opened the file while it grew left it as the writers made it: whole, every append in it.
  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile((data / "main.dmg").u16string().c_str(), &table), 0);
  EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}), TableCheck::kValid);
  EXPECT_EQ(RecordCount(table), static_cast<std::uint32_t>(kUntouched + kWriters * kEachWriter));
  CloseMappedFile(table);
}

}  // namespace
}  // namespace lz
