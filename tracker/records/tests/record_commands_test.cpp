#include "tracker/records/record_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace tracker {
namespace {

RecordRow Counted(std::u16string content, std::u16string pass_text, std::optional<std::int64_t> pass) {
  RecordRow row;
  row.start_text = u"9:00:00";
  row.start_seconds = 32400;
  row.stop_text = u"10:00:00";
  row.stop_seconds = 36000;
  row.content = std::move(content);
  row.pass_text = std::move(pass_text);
  row.pass_seconds = pass;
  row.record_date = u"2026-12-10";
  row.weekday = 4;
  return row;
}

TEST(RecordCommands, StorePathBesideTheProgram) {
  EXPECT_EQ(RecordStorePath(u"C:\\Program Files\\Pendulo"), u"C:\\Program Files\\Pendulo\\Pendulo.db");
  EXPECT_EQ(RecordStorePath(u"C:\\"), u"C:\\Pendulo.db");
}

TEST(RecordCommands, SaveToRecordTable) {
  struct Case {
    const char* name;
    std::vector<RecordRow> rows;
    bool counting;
    bool store_refused;  // the file is not a record store
    bool saved;
    bool problem;
    std::size_t stored;
  };
  const std::vector<Case> cases = {
      {"saves", {Counted(u"Work", u"1:00:00", 3600)}, false, false, true, false, 1},
      {"empty list does nothing", {}, false, false, false, false, 0},
      {"counting does nothing", {Counted(u"Work", u"1:00:00", 3600)}, true, false, false, false, 0},
      {"unreadable pass", {Counted(u"Work", u"1:00:00", 3600), Counted(u"Study", u"an hour", std::nullopt)},
       false, false, false, true, 0},
      {"file is not a store", {Counted(u"Work", u"1:00:00", 3600)}, false, true, false, true, 0},
  };
  for (auto c : cases) {
    SCOPED_TRACE(c.name);
    lz::test::TempFolder folder;
    const auto path = folder.File("Pendulo.db");
    if (c.store_refused) lz::test::WriteFileBytes(folder.path() / "Pendulo.db", {'M', 'D', 'B'});
    records::RecordStore store;
    const auto outcome = SaveToRecordTable(c.rows, c.counting, store, path);
    EXPECT_EQ(outcome.saved, c.saved);
    EXPECT_EQ(!outcome.problem_text.empty(), c.problem);
    if (c.problem) {
      EXPECT_NE(outcome.problem_text.find(path), std::u16string::npos);
      EXPECT_EQ(outcome.memo_text, MemoTextOfRows(c.rows));
    } else {
      EXPECT_TRUE(outcome.memo_text.empty());
    }
    if (!c.store_refused && (c.saved || c.problem)) {
      EXPECT_EQ(store.FindIds({}).value().size(), c.stored);
    }
  }
}

TEST(RecordCommands, MessagesNameTheFileAndTheReason) {
  const std::u16string path = u"C:\\P\\Pendulo.db";
  for (const auto& text : {SaveProblemText(path, u"disk I/O error"), RecordTableProblemText(path, u"disk I/O error"),
                           FindProblemText(path, u"disk I/O error")}) {
    EXPECT_NE(text.find(path), std::u16string::npos);
    EXPECT_NE(text.find(u"disk I/O error"), std::u16string::npos);
    EXPECT_EQ(text.find(u"DAO"), std::u16string::npos);
  }
  EXPECT_NE(EditRefusedText(5, u"90 min").find(u"1:30:00"), std::u16string::npos);
}

}  // namespace
}  // namespace tracker
