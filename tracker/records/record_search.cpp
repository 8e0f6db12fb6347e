#include "tracker/records/record_search.h"

#include <cmath>
#include <cstdlib>

#include "tracker/records/time_text.h"

namespace tracker {
namespace {

constexpr std::u16string_view kFirstDate = u"2004-02-21";
constexpr std::int64_t kFirstSecond = 1;       // 0:00:01
constexpr std::int64_t kLastSecond = 86399;    // 23:59:59
constexpr double kSmallestWeekday = -32768.0;  // the weekday is a 16-bit number
constexpr double kGreatestWeekday = 32767.0;

std::u16string Decimal(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::vector<records::Value> Values(const std::vector<std::u16string>& texts) {
  return std::vector<records::Value>(texts.begin(), texts.end());
}

// The numeric value of a weekday box's text.
double WeekdayBoxValue(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  std::string number;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) number += static_cast<char>(text[i++]);
  bool digits = false;
  while (i < text.size() && IsDigit(text[i])) number += static_cast<char>(text[i++]), digits = true;
  if (i < text.size() && text[i] == u'.') {
    number += '.';
    ++i;
    while (i < text.size() && IsDigit(text[i])) number += static_cast<char>(text[i++]), digits = true;
  }
  if (!digits) return 0.0;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    std::string exponent = "e";
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) exponent += static_cast<char>(text[j++]);
    bool exponent_digits = false;
    while (j < text.size() && IsDigit(text[j])) exponent += static_cast<char>(text[j++]), exponent_digits = true;
    if (exponent_digits) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

}  // namespace

SearchForm DesignedSearchForm(std::u16string today, std::vector<std::u16string> contents,
                              std::vector<std::u16string> remarks) {
  SearchForm form;
  form.date_from = kFirstDate;
  form.date_to = std::move(today);
  form.weekday_from = u"0";
  form.weekday_to = u"6";
  form.start_from = form.stop_from = form.pass_from = kFirstSecond;
  form.start_to = form.stop_to = form.pass_to = kLastSecond;
  form.contents = std::move(contents);
  form.remarks = std::move(remarks);
  return form;
}

std::optional<records::RecordQuery> BuildSearchQuery(const SearchForm& form) {
  const double weekday_from = std::floor(WeekdayBoxValue(form.weekday_from));
  const double weekday_to = std::floor(WeekdayBoxValue(form.weekday_to));
  for (double weekday : {weekday_from, weekday_to}) {
    if (!(weekday >= kSmallestWeekday && weekday <= kGreatestWeekday)) return std::nullopt;
  }
  using records::Column;
  using Kind = records::Condition::Kind;
  records::RecordQuery query;
  query.conditions = {
      {Column::kWeekday, Kind::kAtLeast, {static_cast<std::int64_t>(weekday_from)}},
      {Column::kWeekday, Kind::kAtMost, {static_cast<std::int64_t>(weekday_to)}},
      {Column::kContent, Kind::kOneOf, Values(form.contents)},
      {Column::kRemark, Kind::kOneOf, Values(form.remarks)},
      {Column::kRecordDate, Kind::kAtLeast, {form.date_from}},
      {Column::kRecordDate, Kind::kAtMost, {form.date_to}},
      {Column::kStart, Kind::kAtLeast, {form.start_from}},
      {Column::kStart, Kind::kAtMost, {form.start_to}},
      {Column::kStop, Kind::kAtLeast, {form.stop_from}},
      {Column::kStop, Kind::kAtMost, {form.stop_to}},
      {Column::kPass, Kind::kAtLeast, {form.pass_from}},
      {Column::kPass, Kind::kAtMost, {form.pass_to}},
  };
  return query;
}

std::vector<std::u16string> TotalsLines(const records::PassTotals& totals) {
  if (totals.count == 0) return {};
  // The labels are padded so that the values line up in a fixed-width display.
  return {
      u"Record Number             " + Decimal(totals.count),
      u"Maximum Pass              " + FormatClockSeconds(totals.maximum),
      u"Minimum Pass              " + FormatClockSeconds(totals.minimum),
      u"Total Pass                      " + FormatClockSeconds(totals.total),
  };
}

}  // namespace tracker
