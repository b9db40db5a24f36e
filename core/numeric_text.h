// Number handling of the readers and the writer: the lenient reading of the
// samples field and the checked conversions to the program's counter types.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/conversion_errors.h"

namespace quillet {

// The longest decimal number at the start of `text`: an optional sign,
// digits, an optional point with digits (digits on at least one side of it),
// and an optional exponent ("e" or "E", an optional sign, digits; an "e"
// without digits is not part of the number). The one description of a
// decimal number; its two users differ only in what they do with it:
// LeadingNumberValue reads the value of the samples field, which may be
// followed by anything and has its tabs and line feeds ignored, while a
// workbook takes a cell as a number only when the whole cell is one.
struct DecimalNumber {
  std::size_t length = 0;  // bytes of the number; 0 when `text` does not begin with one
  std::size_t digits = 0;  // where its digits begin, after the sign
  bool negative = false;
  bool significant = false;  // a digit other than 0
  // The decimal magnitude of the first significant digit plus the exponent:
  // above 308 the value may be too large for a double, and when a
  // conversion finds it out of range, above 0 tells too large from too small.
  long long scale = 0;
};
DecimalNumber ScanDecimal(std::string_view text);

// The value of the longest leading decimal number of `text` (optional sign,
// digits, optional point and digits, optional exponent), tabs and line feeds
// ignored; 0 when the text does not begin with a number. The point is always
// "." whatever the locale. Throws OverflowError when the number is too large
// for a double.
double LeadingNumberValue(std::string_view text);

// True when `text` is a plain decimal number as a whole: an optional sign,
// digits, an optional point with digits (digits on at least one side of it),
// an optional exponent ("e" or "E", an optional sign, digits), and nothing
// else, not even a blank; and its value fits a double ("1e999" does not; a
// value too small for one, "1e-400", is taken as 0 and counts). "007" and
// "-0" are such numbers; "NaN", "Inf", "1,289" and "TRUE" are not.
bool IsPlainDecimalNumber(std::string_view text);

// The value of a plain decimal number (IsPlainDecimalNumber), read with "."
// as the point whatever the locale; empty for any other text.
std::optional<double> PlainDecimalValue(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2).
double RoundHalfEven(double value);

// RoundHalfEven, as a signed 32-bit integer. Throws OverflowError.
std::int32_t RoundToInt32(double value);

// A count as people read it: digits in groups of three ("1,048,577").
std::string GroupedDigits(std::int64_t value);

// A number read from a file as messages show it: a whole number in groups of
// three, any other in its shortest exact form ("2.5", "1e+300").
std::string NumberText(double value);

}  // namespace quillet
