#include "tracker/main/numeric_value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tracker {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

double NumericValue(std::u16string_view text) {
  std::string digits;
  for (const char16_t c : text) {
    if (!IsBlank(c)) digits += c < 0x80 ? static_cast<char>(c) : '\x7f';
  }
  std::size_t i = 0;
  std::string number;
  if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) number += digits[i++];
  bool any_digit = false;
  while (i < digits.size() && IsDigit(digits[i])) {
    number += digits[i++];
    any_digit = true;
  }
  if (i < digits.size() && digits[i] == '.') {
    number += digits[i++];
    while (i < digits.size() && IsDigit(digits[i])) {
      number += digits[i++];
      any_digit = true;
    }
  }
  if (!any_digit) return 0;
  if (i < digits.size() && (digits[i] == 'e' || digits[i] == 'E' || digits[i] == 'd' || digits[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < digits.size() && (digits[j] == '+' || digits[j] == '-')) exponent += digits[j++];
    bool exponent_digit = false;
    while (j < digits.size() && IsDigit(digits[j]) && exponent.size() < 8) {
      exponent += digits[j++];
      exponent_digit = true;
    }
    if (exponent_digit) number += exponent;
  }
  const double value = std::strtod(number.c_str(), nullptr);
  return std::isfinite(value) ? value : 0;
}

bool IsFlagSet(std::u16string_view text) { return NumericValue(text) == 1.0; }

long long RoundHalfEven(double value) {
  if (!std::isfinite(value)) return 0;
  if (value > 9.2e18) return 9200000000000000000LL;
  if (value < -9.2e18) return -9200000000000000000LL;
  return static_cast<long long>(std::nearbyint(value));
}

std::u16string Ascii(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

std::u16string NumberText(double value) {
  if (!std::isfinite(value)) return u"0";
  char buffer[64];
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
  } else {
    // Always a point, never the locale's comma: the file must read the same on every system.
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
  }
  return Ascii(buffer);
}

std::u16string SignedNumberText(double value) {
  std::u16string text = NumberText(value);
  if (text.empty() || text[0] != u'-') text.insert(text.begin(), u' ');
  return text;
}

}  // namespace tracker
