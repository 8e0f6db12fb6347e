#pragma once
// The record search as data: the search window's choices become a list of conditions with bound
// values, and the store's totals of the found rows become the lines of the table window's totals box.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/records/record_store.h"

namespace tracker {

struct SearchForm {
  std::u16string date_from;  // "YYYY-MM-DD"
  std::u16string date_to;
  std::u16string weekday_from;  // the weekday boxes' texts, read by their numeric value
  std::u16string weekday_to;
  std::int64_t start_from = 0;  // seconds; bounds are inclusive to the second
  std::int64_t start_to = 0;
  std::int64_t stop_from = 0;
  std::int64_t stop_to = 0;
  std::int64_t pass_from = 0;
  std::int64_t pass_to = 0;
  std::vector<std::u16string> contents;  // the selected items of the value lists
  std::vector<std::u16string> remarks;
};

// The window's choices when it first loads: dates from 2004-02-21 to today, weekdays "0" to "6",
// times 0:00:01 to 23:59:59, the value lists with every item selected.
SearchForm DesignedSearchForm(std::u16string today, std::vector<std::u16string> contents,
                              std::vector<std::u16string> remarks);

// Every condition of the form, always all of them. A weekday box is read by its numeric value (blanks
// skipped, the longest leading decimal number, 0 without one) rounded down; nullopt when that lies
// outside a 16-bit integer (the search then fails as designed).
std::optional<records::RecordQuery> BuildSearchQuery(const SearchForm& form);

// "Record Number", "Maximum Pass", "Minimum Pass", "Total Pass" lines with H:MM:SS values; none when
// nothing was found.
std::vector<std::u16string> TotalsLines(const records::PassTotals& totals);

}  // namespace tracker
