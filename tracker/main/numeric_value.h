#pragma once
// The number a stored text spells, as the tracker reads every setting and reminder field that holds one.
#include <string>
#include <string_view>

namespace tracker {

// Blanks (space, tab, line breaks) are skipped wherever they stand; the longest leading decimal number is
// taken (sign, digits, one decimal point, an exponent with E or D); 0 when the text begins with no number.
double NumericValue(std::u16string_view text);

// A text flag is set only when its numeric value is exactly 1 ("1", " 1", "01", "1.0").
bool IsFlagSet(std::u16string_view text);

// Whole numbers as the runtime rounds them: halves to even.
long long RoundHalfEven(double value);

// Decimal text of a number with the sign place of the form runtime's Str: " 1440", "-120", " 0.5".
std::u16string SignedNumberText(double value);
// Plain decimal text of a number: "1440", "87000.25".
std::u16string NumberText(double value);

std::u16string Ascii(std::string_view text);

}  // namespace tracker
