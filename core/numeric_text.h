// Number handling of the readers and the writer: the lenient reading of the
// samples field and the checked conversions to the program's counter types.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/conversion_errors.h"

namespace quillet {

// The value of the longest leading decimal number of `text` (optional sign,
// digits, optional point and digits, optional exponent), tabs and line feeds
// ignored; 0 when the text does not begin with a number. The point is always
// "." whatever the locale. Throws OverflowError when the number is too large
// for a double.
double LeadingNumberValue(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2).
double RoundHalfEven(double value);

// RoundHalfEven, as a signed 32-bit integer. Throws OverflowError.
std::int32_t RoundToInt32(double value);

// Adds one to a signed 32-bit counter. Throws OverflowError at its limit.
inline void Increment(std::int32_t& counter) {
  if (counter == INT32_MAX) throw OverflowError();
  ++counter;
}

}  // namespace quillet
