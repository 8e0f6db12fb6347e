#pragma once
// Times and dates of the record list and the record table as text: the grid shows times as H:MM:SS
// (24-hour; a pass may run past 24 hours) and dates as stored ("YYYY-MM-DD"), and reads edits back in
// the same forms. The counter writes a pass in one of three display forms; all three read back here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tracker {

constexpr std::int64_t kSecondsPerDay = 86400;

// H:MM:SS, hours not padded and not bounded.
std::u16string FormatClockSeconds(std::int64_t seconds);

// "H:MM:SS" (H one digit or more, MM and SS two digits below 60), blanks around it allowed. A time of
// day (hours below 24) or a pass (hours not bounded).
std::optional<std::int64_t> ParseClockSeconds(std::u16string_view text, bool time_of_day);

// A time of day as the list shows a start: "H:MM" or "H:MM:SS" with H below 24.
std::optional<std::int32_t> ParseTimeOfDay(std::u16string_view text);

// A pass text in any of the counter's forms: Accurate "H:MM:SS", Standard "H:MM", or Normal words
// ("0 Minute", "5 Minutes", "1 Hour", "1 Hour 1 munite", "2 Hours 3 Minutes").
std::optional<std::int64_t> ParsePassText(std::u16string_view text);

// "YYYY-MM-DD" of a real calendar day.
bool IsIsoDate(std::u16string_view text);
std::u16string IsoDate(int year, int month, int day);

}  // namespace tracker
