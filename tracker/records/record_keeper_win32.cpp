#include "tracker/records/record_keeper_win32.h"

#include "platform/os/message_box.h"
#include "platform/os/program_start.h"
#include "tracker/records/record_commands.h"

namespace tracker {
namespace {

constexpr std::uint32_t kBoxOk = 0;

}  // namespace

RecordKeeper::RecordKeeper(std::u16string program_folder, std::u16string today)
    : store_path_(RecordStorePath(program_folder)), table_(store_, store_path_, std::move(today)) {}

void RecordKeeper::OpenAtStartUp() { store_.Open(store_path_); }

std::u16string RecordKeeper::SaveToRecordTable(HWND owner, bool counting) {
  const SaveToRecordTableOutcome outcome = tracker::SaveToRecordTable(rows_, counting, store_, store_path_);
  if (outcome.saved) {
    table_.ShowAfterSave(owner);
    return {};
  }
  if (outcome.problem_text.empty()) return {};
  os::ShowMessageBox(owner, outcome.problem_text.c_str(), std::u16string(kSaveProblemTitle).c_str(), kBoxOk);
  os::StartProgram(std::u16string(kHelpPageAddress).c_str(), u"", u"");
  return outcome.memo_text;
}

bool RecordKeeper::ShowRecordTable(HWND owner) { return table_.OpenRecordTable(owner); }

}  // namespace tracker
