#include "core/numeric_text.h"

#include <charconv>
#include <cmath>
#include <string>

#include "core/conversion_errors.h"

namespace quillet {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

double LeadingNumberValue(std::string_view text) {
  std::string number;
  number.reserve(text.size());
  for (char c : text) {
    if (c != '\t' && c != '\n') number.push_back(c);
  }

  // Find the longest prefix that matches the decimal grammar.
  std::size_t i = 0;
  bool negative = false;
  if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
    negative = number[i] == '-';
    ++i;
  }
  const std::size_t mantissa_start = i;
  // Decimal magnitude of the mantissa's first significant digit, to tell an
  // overflow from an underflow when the value does not fit a double.
  long long magnitude = 0;
  bool significant = false;
  while (i < number.size() && IsDigit(number[i])) {
    significant = significant || number[i] != '0';
    if (significant) ++magnitude;
    ++i;
  }
  bool has_digits = i > mantissa_start;
  if (i < number.size() && number[i] == '.') {
    const std::size_t point = i++;
    while (i < number.size() && IsDigit(number[i])) {
      if (!significant && number[i] == '0') --magnitude;
      significant = significant || number[i] != '0';
      ++i;
    }
    has_digits = has_digits || i > point + 1;
  }
  if (!has_digits) return 0.0;
  std::size_t end = i;
  long long exponent = 0;
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    std::size_t j = i + 1;
    bool exponent_negative = false;
    if (j < number.size() && (number[j] == '+' || number[j] == '-')) {
      exponent_negative = number[j] == '-';
      ++j;
    }
    const std::size_t exponent_digits = j;
    while (j < number.size() && IsDigit(number[j])) {
      if (exponent < 100000) exponent = exponent * 10 + (number[j] - '0');
      ++j;
    }
    if (j > exponent_digits) {
      end = j;
      if (exponent_negative) exponent = -exponent;
    } else {
      exponent = 0;
    }
  }

  double value = 0.0;
  const char* first = number.data() + mantissa_start;
  const std::errc error = std::from_chars(first, number.data() + end, value).ec;
  if (error == std::errc::result_out_of_range) {
    // Too large overflows; too small is taken as 0.
    if (magnitude + exponent > 0) throw OverflowError();
    return 0.0;
  }
  if (error != std::errc()) return 0.0;
  return negative ? -value : value;
}

bool IsPlainDecimalNumber(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t mantissa = i;
  // The decimal magnitude of the first significant digit: with the exponent
  // it tells whether the value can be too large for a double.
  long long magnitude = 0;
  bool significant = false;
  for (; i < n && IsDigit(text[i]); ++i) {
    significant = significant || text[i] != '0';
    if (significant) ++magnitude;
  }
  bool has_digits = i > mantissa;
  if (i < n && text[i] == '.') {
    const std::size_t point = i++;
    for (; i < n && IsDigit(text[i]); ++i) {
      if (!significant && text[i] == '0') --magnitude;
      significant = significant || text[i] != '0';
    }
    has_digits = has_digits || i > point + 1;
  }
  if (!has_digits) return false;
  long long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t digits = i;
    for (; i < n && IsDigit(text[i]); ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (i == digits) return false;
    if (negative) exponent = -exponent;
  }
  if (i != n) return false;
  // Below 1e308 every value fits; near and above, the conversion decides.
  if (!significant || magnitude + exponent <= 308) return true;
  double value = 0.0;
  return std::from_chars(text.data() + mantissa, text.data() + n, value).ec == std::errc();
}

std::optional<double> PlainDecimalValue(std::string_view text) {
  if (!IsPlainDecimalNumber(text)) return std::nullopt;
  const bool negative = text.front() == '-';
  if (negative || text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  // Out of range here is a value too small for a double: 0.
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc()) value = 0.0;
  return negative ? -value : value;
}

double RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction > 0.5) return floor + 1.0;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::int32_t RoundToInt32(double value) {
  const double rounded = RoundHalfEven(value);
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) throw OverflowError();
  return static_cast<std::int32_t>(rounded);
}

std::string GroupedDigits(std::int64_t value) {
  std::string digits = std::to_string(value);
  const std::size_t first_digit = value < 0 ? 1 : 0;
  for (std::size_t i = digits.size(); i > first_digit + 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

std::string NumberText(double value) {
  if (std::trunc(value) == value && std::fabs(value) < 1e15) {
    return GroupedDigits(static_cast<std::int64_t>(value));
  }
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  return std::string(text, written.ptr);
}

}  // namespace quillet
