#pragma once
// Numbers and dates typed after the temporary-English lead key: the digits become readings in Chinese
// numerals, capital amounts, dates, digit by digit, with separators and as enclosed digits; a letter a..j
// after the digits picks the reading the page showed under it. Input that is not a number is looked up as
// a temporary English word.
//
// The forms go through an ASCII template between the digits and the rendered text: digits are digits;
// "s" ten, "b" hundred, "q" thousand, "w" ten thousand, "y" hundred million, "l" an inserted zero, "."
// and the fraction unchanged; dates add "n" year, "y" month, "r" day.
#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz {

// The number marks of the instance (EngineInstance::number_marks).
namespace number_mark {
constexpr std::uint32_t kConverting = 0x40;   // the conversion ran for the current input
constexpr std::uint32_t kNumberInput = 0x80;  // everything after the lead key so far was a digit or a dot
}  // namespace number_mark

// Every template and rendered text fits a table string; a form that would not gives no reading.
constexpr int kNumberTextBytes = kMaxTableStringBytes;
constexpr std::int32_t kFirstReadingWeight = 0xEEEEEE;

namespace number_style {
constexpr int kPlain = 0;
constexpr int kCapital = 1;
}  // namespace number_style

// Templates and renderers: out holds kNumberTextBytes + 1 bytes; each returns the length written (UTF-8
// for renderers) and 0 when the input does not fit the form.
int NumberTemplate(char* out, const char* digits);
int RenderNumber(const char* number_template, char* out, int style);
int DateTemplate(char* out, const char* digits);
int DigitDateTemplate(char* out, const char* digits);
int RenderChineseDate(const char* date_template, char* out);
int RenderDigitDate(const char* date_template, char* out);
int RenderDigitByDigit(const char* digits, char* out, const char* const (&forms)[10]);
int RenderWithSeparators(const char* digits, char* out);

// Converts the input keys (the lead key first). Returns 2 (show the list) or 4 (commit the only
// candidate, the reading a letter picked).
int ConvertNumberInput(EngineInstance* instance, const char16_t* keys, int count);

}  // namespace lz
