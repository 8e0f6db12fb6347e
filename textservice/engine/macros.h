#pragma once
// Macros in candidate texts: groups in angle brackets that stand for the date, the time, the clipboard
// or the last commit, replaced by their values when a word is shown or committed.
#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz {

// The local time as the macros read it.
struct LocalTime {
  int year;
  int month;    // 1..12
  int day;      // 1..31
  int hour;
  int minute;
  int second;
  int weekday;  // 0 Sunday .. 6 Saturday
};

using LocalTimeSource = LocalTime (*)();
// The clock the macros read (null: the system's local time). Tests fix it.
void SetLocalTimeSource(LocalTimeSource source);
LocalTime CurrentLocalTime();

// Chinese numerals of DigitsToChinese.
enum class NumeralStyle { kDigits, kTens };  // 二〇一六 / 二十五
// Rewrites a digit string in place; text holds at least kNumeralUnits units. At most 4 characters.
constexpr int kNumeralUnits = 5;
void DigitsToChinese(NumeralStyle style, char16_t* text);

// Capacities: a macro's name and argument, its value, an expanded text.
constexpr int kMacroNameUnits = 19;
constexpr int kMacroValueUnits = 256;
constexpr int kExpandedTextUnits = 255;  // 254 characters and a terminator

// The value of one macro into out (kMacroValueUnits); empty for an unknown name. Returns its length.
int EvaluateMacro(const char16_t* name, const char16_t* argument, char16_t* out, const EngineInstance* instance);

// Copies text into out (kExpandedTextUnits) with every group of a known macro replaced by its value;
// a group whose value is empty stays as written. Returns the output length.
int ExpandMacros(const char16_t* text, char16_t* out, const EngineInstance* instance);

}  // namespace lz
