#pragma once
// The texts and outcomes of the record commands (Save to Record Table, Record Table, Find, Delete All,
// a refused cell edit), so that the windows only show what these return. The failure messages keep
// the designed titles and flow and name the record file and the store's own error.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/records/record_store.h"
#include "tracker/records/record_list.h"

namespace tracker {

constexpr std::u16string_view kRecordStoreFileName = u"Pendulo.db";
// The program's questions-and-answers page, opened when a save fails.
constexpr std::u16string_view kHelpPageAddress = u"https://pendulo.sourceforge.io/brevia/faq.html";

constexpr std::u16string_view kSaveProblemTitle = u"Save to Record Table Problem";
constexpr std::u16string_view kRecordTableProblemTitle = u"Record Table Problem";
constexpr std::u16string_view kFindProblemTitle = u"Find Problem";
constexpr std::u16string_view kDeleteAllTitle = u"Delete All Current Records";
constexpr std::u16string_view kDeleteAllQuestion = u"Are you sure of deleting all current records?";
constexpr std::u16string_view kEditRefusedTitle = u"Enable Update";

// The record file beside the program.
std::u16string RecordStorePath(std::u16string_view program_folder);

std::u16string SaveProblemText(std::u16string_view store_path, std::u16string_view error);
std::u16string RecordTableProblemText(std::u16string_view store_path, std::u16string_view error);
std::u16string FindProblemText(std::u16string_view store_path, std::u16string_view error);
// A cell edit that does not read: what the column takes.
std::u16string EditRefusedText(int column_index, std::u16string_view text);

// Save to Record Table, apart from the windows: saved, or the failure message and the memo text that
// holds every row (the failure path shows the message, opens the help page and inserts the text).
struct SaveToRecordTableOutcome {
  bool saved = false;
  std::u16string problem_text;
  std::u16string memo_text;
};
// Nothing happens (saved false, no texts) when the list is empty or a count runs.
SaveToRecordTableOutcome SaveToRecordTable(std::span<RecordRow> rows, bool counting, records::RecordStore& store,
                                           std::u16string_view store_path);

}  // namespace tracker
