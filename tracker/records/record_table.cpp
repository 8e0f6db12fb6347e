#include "tracker/records/record_table.h"

#include "tracker/records/time_text.h"

namespace tracker {

std::optional<std::int64_t> JumpTarget(Jump jump, std::int64_t count) {
  switch (jump) {
    case Jump::kBeginning:
      if (count > 0) return 0;
      break;
    case Jump::kEnd:
      if (count > 0) return count - 1;
      break;
    case Jump::kMiddle:
      if (count > 2) return count / 2;
      break;
    case Jump::kQuarter:
      if (count > 3) return count / 4;
      break;
    case Jump::kThreeQuarter:
      // Three quarters of the count, rounded down: (N / 4) * 3 taken as a real number.
      if (count > 3) return count * 3 / 4;
      break;
  }
  return std::nullopt;
}

records::Sort HeaderSort::Click(records::Column column) {
  records::Sort sort{column, last_ascending};
  last_ascending = !last_ascending;
  return sort;
}

std::u16string CellText(const records::StoredRecord& row, records::Column column) {
  switch (column) {
    case records::Column::kRecordDate:
      return row.record_date;
    case records::Column::kWeekday: {
      const std::string digits = std::to_string(row.weekday);
      return std::u16string(digits.begin(), digits.end());
    }
    case records::Column::kStart:
      return FormatClockSeconds(row.start);
    case records::Column::kStop:
      return FormatClockSeconds(row.stop);
    case records::Column::kContent:
      return row.content;
    case records::Column::kPass:
      return FormatClockSeconds(row.pass);
    case records::Column::kRemark:
      return row.remark;
  }
  return {};
}

std::optional<records::Value> ReadCellEdit(records::Column column, std::u16string_view text) {
  switch (column) {
    case records::Column::kRecordDate:
      if (IsIsoDate(text)) return std::u16string(text);
      break;
    case records::Column::kWeekday:
      if (text.size() == 1 && text[0] >= u'0' && text[0] <= u'6') return std::int64_t{text[0] - u'0'};
      break;
    case records::Column::kStart:
    case records::Column::kStop:
    case records::Column::kPass:
      if (auto seconds = ParseClockSeconds(text, column != records::Column::kPass)) return *seconds;
      break;
    case records::Column::kContent:
    case records::Column::kRemark:
      return std::u16string(text);
  }
  return std::nullopt;
}

}  // namespace tracker
