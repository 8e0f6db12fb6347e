// tabletool as developers and tests run it: the real program, through its command line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dictionary_table.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/scheme_text.h"
#include "tools/tabletool/tests/tool_run.h"

namespace {

using lz::test::TempFolder;

using lz::tabletool::Tabletool;
using lz::tabletool::ToolRun;

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::vector<std::string>> Rows(const std::string& output) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::size_t start = 0, tab;
    while ((tab = line.find('\t', start)) != std::string::npos) {
      fields.push_back(line.substr(start, tab - start));
      start = tab + 1;
    }
    fields.push_back(line.substr(start));
    rows.push_back(fields);
  }
  return rows;
}

TEST(Tabletool, LookupPrintsExactlyTheWordsTheWubi86ListGivesForEachCode) {
  if (!std::filesystem::exists(WUBI86_LIST)) GTEST_SKIP() << "the wubi86 word list is not installed";
  TempFolder folder;
  const std::string table = (folder.path() / "wubi86.dmg").string();
  const ToolRun build = Tabletool("build " + table + " " + WUBI86_LIST);
  ASSERT_EQ(build.exit_code, 0) << build.output;
  EXPECT_NE(build.output.find("136753 records"), std::string::npos) << build.output;

  // What the list says: code -> sorted words.
  std::map<std::string, std::vector<std::string>> expected;
  std::ifstream list(WUBI86_LIST);
  std::string line;
  while (std::getline(list, line)) {
    if (line.empty() || line[0] == '#' || line.find('\t') == std::string::npos) continue;
    const auto fields = Rows(line)[0];
    expected[fields[1]].push_back(fields[0]);
  }
  ASSERT_EQ(expected.size() > 50000, true);

  std::map<std::string, std::vector<std::string>> found;
  std::vector<std::string> codes;
  for (const auto& [code, words] : expected) codes.push_back(code);
  constexpr std::size_t kPerRun = 4000;
  for (std::size_t i = 0; i < codes.size(); i += kPerRun) {
    std::string arguments = "lookup " + table;
    for (std::size_t k = i; k < std::min(codes.size(), i + kPerRun); ++k) arguments += " " + codes[k];
    const ToolRun lookup = Tabletool(arguments);
    ASSERT_EQ(lookup.exit_code, 0) << lookup.output.substr(0, 200);
    for (const auto& row : Rows(lookup.output)) {
      ASSERT_EQ(row.size(), 3u);
      found[row[0]].push_back(row[1]);
    }
  }
  for (auto& [code, words] : expected) std::sort(words.begin(), words.end());
  for (auto& [code, words] : found) std::sort(words.begin(), words.end());
  EXPECT_TRUE(found == expected);
  for (const auto& [code, words] : expected) {
    if (found[code] != words) {
      ADD_FAILURE() << "first difference at code " << code;
      break;
    }
  }
}

// The help menu offers the update check only for a main table its builder marked.
TEST(Tabletool, BuildMarksATableThatOffersTheUpdateCheckOnlyWhenAsked) {
  TempFolder folder;
  WriteText(folder.path() / "list.txt", "\xE5\xB7\xA5\ta\n");
  const std::string list = (folder.path() / "list.txt").string();
  const auto options_byte = [](const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(lz::code_table::kTableOptions);
    return in.get();
  };
  ASSERT_EQ(Tabletool("build " + (folder.path() / "plain.dmg").string() + " " + list).exit_code, 0);
  const ToolRun marked = Tabletool("build " + (folder.path() / "marked.dmg").string() + " " + list + " --update-check");
  ASSERT_EQ(marked.exit_code, 0) << marked.output;
  EXPECT_EQ(options_byte(folder.path() / "plain.dmg"), 0);
  EXPECT_EQ(options_byte(folder.path() / "marked.dmg"), lz::code_table::kOffersUpdateCheck);
  EXPECT_EQ(Tabletool("check " + (folder.path() / "marked.dmg").string()).exit_code, 0);
  EXPECT_NE(Tabletool("build " + (folder.path() / "x.dmg").string() + " " + list + " --update").exit_code, 0);
}

// dict.dms from a list of words and explanations: the dictionary layout that the check and the readers
// know, with escaped line breaks turned into the entries' own.
TEST(Tabletool, BuildDictWritesTheDictionaryLayout) {
  TempFolder folder;
  WriteText(folder.path() / "dict.txt",
            "# word<TAB>explanation\n"
            "\xE4\xB8\xAD\tzhong1\\n \\n middle\\tcentre \\\\ end\n"  // 中
            "\xE5\x9B\xBD\tguo2\r\n");                                // 国
  const std::filesystem::path table = folder.path() / "dict.dms";
  const ToolRun built = Tabletool("build " + table.string() + " " + (folder.path() / "dict.txt").string() + " --dict");
  ASSERT_EQ(built.exit_code, 0) << built.output;
  EXPECT_NE(built.output.find("2 records"), std::string::npos) << built.output;
  const ToolRun checked = Tabletool("check " + table.string());
  EXPECT_EQ(checked.exit_code, 0) << checked.output;

  lz::MappedFile* file = nullptr;
  ASSERT_GT(lz::OpenMappedFile(table.u16string().c_str(), &file), 0);
  std::u16string text;
  EXPECT_TRUE(lz::FindDictionaryExplanation(file, u"\u4E2D", lz::kExplanationUnits, text));
  EXPECT_EQ(text, u"zhong1\r\n \r\n middle\tcentre \\ end");
  EXPECT_TRUE(lz::FindDictionaryExplanation(file, u"\u56FD", lz::kExplanationUnits, text));
  EXPECT_EQ(text, u"guo2");
  lz::CloseMappedFile(file);

  WriteText(folder.path() / "empty_word.txt", "\tno word\n");
  EXPECT_NE(Tabletool("build " + (folder.path() / "x.dms").string() + " " + (folder.path() / "empty_word.txt").string() +
                      " --dict")
                .exit_code,
            0);
}

TEST(Tabletool, BuildsFromAWordListAndKeepsTheWeightsRanks) {
  TempFolder folder;
  WriteText(folder.path() / "list.txt",
            "# a comment line\n"
            "header line without a tab\n"
            "\xE5\xB7\xA5\ta\t50\textra column\n"   // 工
            "\xE6\x88\x88\ta\t9000\n"                // 戈
            "\xE8\x8D\x89\ta\n"                      // 草, no weight
            "\xE4\xB8\xAD\tk\xEF\xBC\x93\t7\r\n");  // 中 with a full-width three in its code
  const std::string table = (folder.path() / "t.dmg").string();
  ASSERT_EQ(Tabletool("build " + table + " " + (folder.path() / "list.txt").string()).exit_code, 0);

  const ToolRun check = Tabletool("check " + table);
  EXPECT_EQ(check.exit_code, 0);
  EXPECT_NE(check.output.find("valid, 4 records, type 1"), std::string::npos) << check.output;

  const auto rows = Rows(Tabletool("lookup " + table + " a").output);
  ASSERT_EQ(rows.size(), 3u);
  std::map<std::string, unsigned long> order;
  for (const auto& row : rows) order[row[1]] = std::stoul(row[2], nullptr, 16) >> 11;
  EXPECT_GT(order["\xE6\x88\x88"], order["\xE5\xB7\xA5"]);
  EXPECT_GT(order["\xE5\xB7\xA5"], order["\xE8\x8D\x89"]);
  EXPECT_EQ(std::stoul(rows[0][2], nullptr, 16) >> 2 & 0x3F, 1u);  // system words

  const auto full_width = Rows(Tabletool("lookup " + table + " k\xEF\xBC\x93").output);
  ASSERT_EQ(full_width.size(), 1u);
  EXPECT_EQ(full_width[0][0], "k\xEF\xBC\x93");
  EXPECT_EQ(Rows(Tabletool("lookup " + table + " --prefix k").output).size(), 1u);
  EXPECT_EQ(Tabletool("lookup " + table + " zz").output, "");
}

TEST(Tabletool, BadInputGetsAOneLineMessageAndWritesNothing) {
  struct Case {
    const char* name;
    std::string list;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"a line that is not UTF-8", "a\tb\n\xFF\xFE\tc\n", "list.txt:line 2: not UTF-8 text"},
      {"a word over 250 bytes", "ok\ta\n" + std::string(251, 'w') + "\tb\n", "list.txt:line 2: word over 250 bytes"},
      {"a code over 250 bytes", "w\t" + std::string(251, 'c') + "\n", "list.txt:line 1: code over 250 bytes"},
      {"a weight that is no number", "w\ta\tmany\n", "list.txt:line 1: weight \"many\" is not a number"},
      {"a weight that is not finite", "w\ta\tnan\n", "list.txt:line 1: weight \"nan\" is not a number"},
      {"an empty code", "w\t\t5\n", "list.txt:line 1: empty code"},
      {"a header that never closes", "---\ncolumns:\n  - text\n  - code\nw\ta\n", "list.txt:line 1: the header opened here"},
      {"a header without a code column", "---\ncolumns:\n  - text\n  - weight\n...\nw\t1\n",
       "list.txt:line 1: the header's columns name no code column"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    WriteText(folder.path() / "list.txt", c.list);
    const auto out = folder.path() / "out.dmg";
    const ToolRun run = Tabletool("build " + out.string() + " " + (folder.path() / "list.txt").string());
    EXPECT_NE(run.exit_code, 0);
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), std::filesystem::directory_iterator()), 1);
  }
  TempFolder folder;
  const ToolRun missing = Tabletool("build " + (folder.path() / "o.dmg").string() + " " + (folder.path() / "none.txt").string());
  EXPECT_NE(missing.exit_code, 0);
  EXPECT_NE(missing.output.find("none.txt: cannot be read"), std::string::npos);
}

// Words of the wubi86 list per code, in the order the engine ranks them: higher weight first, equal
// weights in byte order of the word.
std::map<std::string, std::vector<std::pair<double, std::string>>> Wubi86ByCode() {
  std::map<std::string, std::vector<std::pair<double, std::string>>> by_code;
  std::ifstream list(WUBI86_LIST);
  std::string line;
  while (std::getline(list, line)) {
    if (line.empty() || line[0] == '#' || line.find('\t') == std::string::npos) continue;
    const auto fields = Rows(line)[0];
    by_code[fields[1]].emplace_back(fields.size() > 2 && !fields[2].empty() ? std::stod(fields[2]) : 0.0, fields[0]);
  }
  for (auto& [code, words] : by_code) {
    std::stable_sort(words.begin(), words.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
  }
  return by_code;
}

TEST(Tabletool, QueryOfAWubi86CodePrintsItsWordsInOrder) {
  if (!std::filesystem::exists(WUBI86_LIST)) GTEST_SKIP() << "the wubi86 word list is not installed";
  TempFolder folder;
  const std::string dir = (folder.path() / "wubi").string();
  const ToolRun made = Tabletool("mkdata " + dir + " " + WUBI86_LIST);
  ASSERT_EQ(made.exit_code, 0) << made.output;
  const auto by_code = Wubi86ByCode();
  int checked = 0, index = 0;
  for (const auto& [code, words] : by_code) {
    if (index++ % 700 != 0 || code.find('z') != std::string::npos) continue;
    SCOPED_TRACE(code);
    const auto rows = Rows(Tabletool("query " + dir + " " + code).output);
    ASSERT_FALSE(rows.empty());
    ASSERT_EQ(rows[0][0], "result");
    std::vector<std::string> shown, expected;
    for (std::size_t i = 1; i < rows.size(); ++i) shown.push_back(rows[i][1]);
    for (std::size_t i = 0; i < std::min<std::size_t>(5, words.size()); ++i) expected.push_back(words[i].second);
    EXPECT_EQ(shown, expected);
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

TEST(Tabletool, QueryReadsTheSchemeOptionsOfMkdata) {
  TempFolder folder;
  WriteText(folder.path() / "list.txt", "A\ta\t9\nAB\tab\t8\nABC\tabc\t7\nABD\tabd\t6\nX\txyz\t1\n");
  const std::string list = (folder.path() / "list.txt").string();
  struct Case {
    const char* name;
    std::string options;
    std::string keys;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"defaults", "", "ab", "result\t2\n1\tAB\t\n"},
      {"longer codes listed", "--following 1", "a", "result\t2\n1\tA\t\n2\tAB\tb\n3\tABC\tbc\n4\tABD\tbd\n"},
      {"a page of two", "--following 1 --page 2", "a", "result\t2\n1\tA\t\n2\tAB\tb\n"},
      {"a unique code commits from length 3", "--unique 3", "abc", "result\t4\n1\tABC\t\n"},
      {"another wildcard key", "--wildcard q", "aqd", "result\t2\n1\tABD\tbd\n"},
      {"a lead key", "--extension-lead /", "/ab", "result\t2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = (folder.path() / "d").string();
    ASSERT_EQ(Tabletool("mkdata " + dir + " " + list + " " + c.options).exit_code, 0);
    EXPECT_EQ(Tabletool("query " + dir + " " + c.keys).output, c.expected);
  }
  EXPECT_NE(Tabletool("mkdata " + (folder.path() / "e").string() + " " + list + " --page 11").exit_code, 0);
  EXPECT_NE(Tabletool("mkdata " + (folder.path() / "e").string() + " " + list + " --colour red").exit_code, 0);
  EXPECT_NE(Tabletool("query " + (folder.path() / "none").string() + " ab").exit_code, 0);
}

// A data folder with association on, pages of five, and chosen words moving to the front of their equals.
void WriteCommitFolder(const std::filesystem::path& dir) {
  using lz::test::RecordFlags;
  constexpr std::uint32_t kSystem = lz::code_table::kClassSystem;
  lz::test::DataFolderContents contents;
  for (std::uint32_t i = 1; i <= 7; ++i) contents.main.push_back({"ab", "W" + std::to_string(i), RecordFlags(kSystem, 50 - i)});
  contents.main.push_back({"abc", "A", RecordFlags(kSystem, 30)});
  contents.main.push_back({"abc", "B", RecordFlags(kSystem, 20)});
  contents.main.push_back({"abc", "C", RecordFlags(kSystem, 10)});
  contents.main.push_back({"zg", "\xE4\xB8\xAD\xE5\x9B\xBD", RecordFlags(kSystem, 1)});  // 中国
  contents.sysl = std::vector<lz::test::TableRecord>{
      {"", "\xE4\xB8\xAD\xE5\x9B\xBD", RecordFlags(kSystem, 8)},                          // 中国
      {"", "\xE4\xB8\xAD\xE5\x9B\xBD\xE4\xBA\xBA", RecordFlags(kSystem, 9)},              // 中国人
      {"", "\xE4\xB8\xAD\xE5\x9B\xBD\xE4\xBA\xBA\xE6\xB0\x91", RecordFlags(kSystem, 5)},  // 中国人民
      {"", "\xE4\xB8\xAD\xE9\x97\xB4", RecordFlags(kSystem, 7)},                          // 中间
  };
  contents.edit_blocks = [](lz::ConfigBlocks& b) {
    b.ime.WriteU32(lz::ime_block::kImeFlags, lz::ime_block::kSchemeMain | lz::ime_block::kAssociation);
    b.ime.WriteU32(lz::ime_block::kCandidateOptions, (5u << lz::ime_block::kPageSizeShift) | lz::ime_block::kFrequencyToTop);
    b.dme.WriteU8(lz::dme_block::kUniqueAutoCommitLength, 0);
  };
  lz::test::WriteDataFolder(dir, contents);
}

TEST(Tabletool, QueryTurnsPagesCommitsAndAssociatesAsTheEngineDoes) {
  TempFolder folder;
  const std::string dir = (folder.path() / "d").string();
  WriteCommitFolder(dir);
  struct Case {
    const char* name;
    std::string arguments;
    std::string expected;
  };
  // In order: a commit changes the table for the runs after it.
  const std::vector<Case> cases = {
      {"the second page", "ab --page 2", "result\t2\n1\tW6\t\n2\tW7\t\n"},
      {"the third of three equals committed", "abc --commit 3", "result\t2\n1\tA\t\n2\tB\t\n3\tC\t\ncommit\tC\n"},
      {"it moved to the front in the table", "abc", "result\t2\n1\tC\t\n2\tA\t\n3\tB\t\n"},
      {"a place of the second page", "ab --page 2 --commit 2", "result\t2\n1\tW6\t\n2\tW7\t\ncommit\tW7\n"},
      {"the words that continue a commit", "zg --commit 1 --associate",
       "result\t2\n1\t\xE4\xB8\xAD\xE5\x9B\xBD\t\ncommit\t\xE4\xB8\xAD\xE5\x9B\xBD\nassociation\t2\n"
       "1\t\xE4\xB8\xAD\xE5\x9B\xBD\xE4\xBA\xBA\t\n2\t\xE4\xB8\xAD\xE5\x9B\xBD\xE4\xBA\xBA\xE6\xB0\x91\t\n"},
      {"W7 came first, and nothing continues it", "ab --commit 1 --associate",
       "result\t2\n1\tW7\t\n2\tW1\t\n3\tW2\t\n4\tW3\t\n5\tW4\t\ncommit\tW7\nassociation\t0\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = Tabletool("query " + dir + " " + c.arguments);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.output, c.expected);
  }
}

TEST(Tabletool, QueryRefusesPagesAndPlacesThatAreNotThere) {
  TempFolder folder;
  const std::string dir = (folder.path() / "d").string();
  WriteCommitFolder(dir);
  struct Case {
    const char* name;
    std::string arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"a page after the last", "ab --page 3", "there is no page 3"},
      {"an empty place", "ab --page 2 --commit 3", "place 3 of the page is empty"},
      {"a place beyond ten", "ab --commit 11", "--commit takes a number from 1 to 10"},
      {"page zero", "ab --page 0", "--page takes a number"},
      {"association without a commit", "ab --associate", "--associate lists what follows a commit"},
      {"an unknown option", "ab --frobnicate", "unknown option --frobnicate"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = Tabletool("query " + dir + " " + c.arguments);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
  }
  EXPECT_EQ(Tabletool("query " + dir + " abc").output, "result\t2\n1\tA\t\n2\tB\t\n3\tC\t\n")
      << "a refused run changes nothing";
}

// Two single characters, their codes in danzi.dmi, the rule that joins the first two code keys of each,
// and temporary words that are built and promoted.
void WriteWordBuildingFolder(const std::filesystem::path& dir) {
  using lz::test::RecordFlags;
  lz::test::DataFolderContents contents;
  contents.main = {{"zh", "\xE4\xB8\xAD", RecordFlags(lz::code_table::kClassSystem, 1)},   // 中
                   {"gu", "\xE5\x9B\xBD", RecordFlags(lz::code_table::kClassSystem, 1)}};  // 国
  contents.danzi = std::vector<lz::test::TableRecord>{{std::string("\xE4\xB8\xAD") + '\0', std::string("zh") + '\0', 0},
                                                      {std::string("\xE5\x9B\xBD") + '\0', std::string("gu") + '\0', 0}};
  contents.temp = std::vector<lz::test::TableRecord>{};
  contents.edit_blocks = [](lz::ConfigBlocks& b) {
    b.ime.WriteU32(lz::ime_block::kImeFlags, lz::ime_block::kSchemeMain | lz::ime_block::kTempWords |
                                                 lz::ime_block::kTempWordsSavedOnCommit);
    b.ime.WriteU32(lz::ime_block::kCandidateOptions, 5u << lz::ime_block::kPageSizeShift);
    lz::ReadWordRuleText(b.dme, u"P2", u"L1F1+L1F2+L2F1+L2F2");
  };
  lz::test::WriteDataFolder(dir, contents);
}

TEST(Tabletool, CommitsBuildWordsThatACommitPromotes) {
  TempFolder folder;
  const std::string dir = (folder.path() / "d").string();
  WriteWordBuildingFolder(dir);
  const std::string zhongguo = "\xE4\xB8\xAD\xE5\x9B\xBD";
  struct Case {
    const char* name;
    std::string arguments;
    std::string expected;  // the output, or its start for a lookup (the flags vary)
  };
  // In order: each run works on the tables the runs before it left.
  const std::vector<Case> cases = {
      {"two characters committed in one run", "query " + dir + " 'zh gu' --commit 1",
       "result\t2\n1\t\xE4\xB8\xAD\t\ncommit\t\xE4\xB8\xAD\nresult\t2\n1\t\xE5\x9B\xBD\t\ncommit\t\xE5\x9B\xBD\n"},
      {"the word they make is in temp.dmg", "lookup " + dir + "/temp.dmg zhgu", "zhgu\t" + zhongguo + "\t"},
      {"it is offered and committed", "query " + dir + " zhgu --commit 1",
       "result\t2\n1\t" + zhongguo + "\t\ncommit\t" + zhongguo + "\n"},
      {"then it is a user word of main.dmg", "lookup " + dir + "/main.dmg zhgu", "zhgu\t" + zhongguo + "\t"},
      {"and gone from temp.dmg", "lookup " + dir + "/temp.dmg zhgu", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = Tabletool(c.arguments);
    EXPECT_EQ(run.exit_code, 0);
    if (c.expected.empty()) EXPECT_EQ(run.output, "");
    else EXPECT_EQ(run.output.substr(0, c.expected.size()), c.expected);
  }
  // Class 2 (user word) in the record flags: bits 2-7.
  const std::string main_row = Tabletool("lookup " + dir + "/main.dmg zhgu").output;
  ASSERT_GE(main_row.size(), 9u);
  EXPECT_EQ((std::stoul(main_row.substr(main_row.size() - 9, 8), nullptr, 16) >> 2) & 0x3F, 2u) << main_row;
}

// The words a list gives for a code as (word, order value), in table order.
std::vector<std::pair<std::string, unsigned long>> BuiltWords(const std::string& list, const std::string& code) {
  TempFolder folder;
  WriteText(folder.path() / "list.txt", list);
  const std::string table = (folder.path() / "t.dmg").string();
  const ToolRun build = Tabletool("build " + table + " " + (folder.path() / "list.txt").string());
  EXPECT_EQ(build.exit_code, 0) << build.output;
  std::vector<std::pair<std::string, unsigned long>> words;
  for (const auto& row : Rows(Tabletool("lookup " + table + " " + code).output)) {
    words.emplace_back(row[1], std::stoul(row[2], nullptr, 16) >> 11);
  }
  return words;
}

TEST(Tabletool, BuildReadsTheColumnsARimeHeaderNames) {
  struct Case {
    const char* name;
    std::string list;
    std::vector<std::pair<std::string, unsigned long>> words;  // code "ab"
  };
  const std::string text_code_stem = "---\nname: t\ncolumns:\n  - text\n  - code\n  - stem\n...\n";
  const std::vector<Case> cases = {
      {"a stem column is no weight", text_code_stem + "x\tab\tab'gr\ny\tab\n", {{"x", 0}, {"y", 0}}},
      {"columns in another order", "# c\n---\ncolumns:\n- weight\n- code\n- text\n...\n5\tab\tx\n9\tab\ty\n",
       {{"x", 0}, {"y", 1}}},
      {"columns written inline", "---\ncolumns: [code, text]\n...\nab\tx\n", {{"x", 0}}},
      {"a weight in percent", "---\ncolumns:\n  - text\n  - code\n  - weight\n...\nx\tab\t90%\ny\tab\t10%\n",
       {{"x", 1}, {"y", 0}}},
      {"no header: text, code, weight", "x\tab\t1\ny\tab\t2\tstem\n", {{"x", 0}, {"y", 1}}},
      {"header lines are never entries", "---\nnote:\tab\ncolumns:\n  - text\n  - code\n...\nx\tab\n", {{"x", 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BuiltWords(c.list, "ab"), c.words);
  }
}

TEST(Tabletool, DebiansCangjie5ListBuildsAsItIs) {
  const char* list = "/usr/share/rime-data/cangjie5.dict.yaml";
  if (!std::filesystem::exists(list)) GTEST_SKIP() << "rime-data-cangjie5 is not installed";
  TempFolder folder;
  const std::string table = (folder.path() / "cangjie5.dmg").string();
  const ToolRun build = Tabletool("build " + table + " " + list);
  ASSERT_EQ(build.exit_code, 0) << build.output;
  EXPECT_EQ(Tabletool("check " + table).exit_code, 0);
  const auto rows = Rows(Tabletool("lookup " + table + " a").output);
  EXPECT_NE(std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r[1] == "\xE6\x97\xA5"; }), rows.end());  // 日
}

TEST(Tabletool, CheckRefusesABrokenTable) {
  TempFolder folder;
  WriteText(folder.path() / "list.txt", "w\tab\n");
  const auto table = folder.path() / "t.dmg";
  ASSERT_EQ(Tabletool("build " + table.string() + " " + (folder.path() / "list.txt").string()).exit_code, 0);
  std::filesystem::resize_file(table, std::filesystem::file_size(table) - 1);
  const ToolRun check = Tabletool("check " + table.string());
  EXPECT_EQ(check.exit_code, 1);
  EXPECT_NE(check.output.find("refused"), std::string::npos);
  EXPECT_NE(Tabletool("lookup " + table.string() + " ab").exit_code, 0);
  EXPECT_NE(Tabletool("check " + (folder.path() / "none.dmg").string()).exit_code, 0);
  EXPECT_EQ(Tabletool("frobnicate").exit_code, 2);
}

// What is no table or list gets a one-line message and exit code 1: never a success, a hang or an abort.
TEST(Tabletool, PathsThatAreNoFileAreRefusedClearly) {
  TempFolder folder;
  const std::string list = (folder.path() / "list.txt").string();
  WriteText(list, "w\tab\nv\tac\n");
  const std::string table = (folder.path() / "t.dmg").string();
  ASSERT_EQ(Tabletool("build " + table + " " + list).exit_code, 0);
  std::filesystem::create_directory(folder.path() / "x.dmg");
  ASSERT_EQ(mkfifo((folder.path() / "fifo.dmg").c_str(), 0666), 0);
  const std::string long_folder = (folder.path() / std::string(250, 'd')).string();

  struct Case {
    const char* name;
    std::string arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"output that is a folder", "build " + (folder.path() / "x.dmg").string() + " " + list, "x.dmg: cannot be written"},
      {"list that is a folder", "build " + (folder.path() / "o.dmg").string() + " " + folder.path().string(),
       "is a folder, not a file"},
      {"check of a folder", "check " + (folder.path() / "x.dmg").string(), "x.dmg: is a folder, not a file"},
      {"check of a FIFO", "check " + (folder.path() / "fifo.dmg").string(), "fifo.dmg: is not a regular file"},
      {"lookup in a FIFO", "lookup " + (folder.path() / "fifo.dmg").string() + " ab", "is not a regular file"},
      {"query of a folder whose main.dmg is a folder", "query " + folder.path().string() + " ab",
       "main.dmg: is a folder, not a file"},
      {"query of a folder too long for a path", "query " + long_folder + " ab", "longer than 259 characters"},
      {"lookup of a code over 250 bytes", "lookup " + table + " " + std::string(251, 'a'), "over 250 bytes"},
  };
  std::filesystem::create_directory(folder.path() / "main.dmg");
  // Outputs that exist and are no regular file are refused and left as they are.
  const std::filesystem::path data = folder.path() / "data";
  ASSERT_EQ(Tabletool("mkdata " + data.string() + " " + list).exit_code, 0);
  ASSERT_EQ(mkfifo((folder.path() / "out_fifo.dmg").c_str(), 0666), 0);
  std::filesystem::create_symlink("/dev/null", folder.path() / "null.dmg");
  std::filesystem::create_symlink(folder.path() / "nowhere" / "x.txt", folder.path() / "dangling.txt");
  const std::vector<Case> outputs = {
      {"build onto a FIFO", "build " + (folder.path() / "out_fifo.dmg").string() + " " + list,
       "out_fifo.dmg: is not a regular file"},
      {"build onto a device", "build " + (folder.path() / "null.dmg").string() + " " + list,
       "null.dmg: is not a regular file"},
      {"dictionary onto a device", "build " + (folder.path() / "null.dmg").string() + " " + list + " --dict",
       "null.dmg: is not a regular file"},
      {"export onto a device", "export " + data.string() + " " + (folder.path() / "null.dmg").string(),
       "null.dmg: is not a regular file"},
      {"export onto a FIFO", "export " + data.string() + " " + (folder.path() / "out_fifo.dmg").string(),
       "out_fifo.dmg: is not a regular file"},
      {"export through a link to nothing", "export " + data.string() + " " + (folder.path() / "dangling.txt").string(),
       "dangling.txt: is a link to nothing"},
  };
  std::vector<Case> all = cases;
  all.insert(all.end(), outputs.begin(), outputs.end());
  for (const Case& c : all) {
    SCOPED_TRACE(c.name);
    const ToolRun run = Tabletool(c.arguments);
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "x.dmg"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "o.dmg"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.dmg.partial"));
  EXPECT_TRUE(std::filesystem::is_fifo(folder.path() / "out_fifo.dmg"));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "null.dmg"));
  EXPECT_TRUE(std::filesystem::is_character_file(folder.path() / "null.dmg"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "nowhere"));
  const ToolRun longest = Tabletool("lookup " + table + " " + std::string(250, 'a'));
  EXPECT_EQ(longest.exit_code, 0) << longest.output;
}

// check also checks that the offset table is in order; lookups in a table out of order miss records.
TEST(Tabletool, CheckRefusesATableOutOfOrder) {
  TempFolder folder;
  WriteText(folder.path() / "list.txt", "w\tab\nv\tac\nu\tad\n");
  const auto table = folder.path() / "t.dmg";
  ASSERT_EQ(Tabletool("build " + table.string() + " " + (folder.path() / "list.txt").string()).exit_code, 0);
  std::fstream file(table, std::ios::in | std::ios::out | std::ios::binary);
  char first[4], last[4];
  file.seekg(lz::code_table::kOffsetTable);
  file.read(first, 4);
  file.seekg(lz::code_table::kOffsetTable + 8);
  file.read(last, 4);
  file.seekp(lz::code_table::kOffsetTable);
  file.write(last, 4);
  file.seekp(lz::code_table::kOffsetTable + 8);
  file.write(first, 4);
  file.close();
  const ToolRun check = Tabletool("check " + table.string());
  EXPECT_EQ(check.exit_code, 1);
  EXPECT_NE(check.output.find("refused: the offset table is not sorted by code"), std::string::npos) << check.output;
}

}  // namespace
