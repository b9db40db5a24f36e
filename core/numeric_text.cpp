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

// Powers of ten that are exact doubles.
constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Adds the digits from `p` on to `mantissa`, two at a time where two follow,
// which halves the chain of multiplications each waits for; counts them into
// `digits`. Returns where they end.
const char* AddDigits(const char* p, const char* end, std::uint64_t& mantissa, int& digits) {
  const auto value = [](char c) {
    return static_cast<unsigned>(static_cast<unsigned char>(c) - '0');
  };
  while (end - p >= 2 && value(p[0]) < 10 && value(p[1]) < 10) {
    mantissa = mantissa * 100 + value(p[0]) * 10 + value(p[1]);
    p += 2;
    digits += 2;
  }
  if (p != end && value(*p) < 10) {
    mantissa = mantissa * 10 + value(*p++);
    ++digits;
  }
  return p;
}

// The value of `text`, the whole of it, when it is a signed integer below
// 10^15 scaled by a power of ten of at most 22 (digits, a point, digits, an
// exponent of up to three digits), found in one pass: both are exact
// doubles, so one multiplication or division rounds it as a full conversion
// does. Most sampler output ("-1.46313e+06") is such a number; false for any
// other text, whether a number or not, which the full scan then decides. The
// value is set through `value` rather than returned as an optional, whose
// flag and value the caller would read back from memory.
bool QuickSmallDecimal(std::string_view text, double& value) {
  constexpr std::uint64_t kExactBelow = 1'000'000'000'000'000;  // 10^15 < 2^53
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int exponent = 0;
  const char* const whole = p;
  p = AddDigits(p, end, mantissa, digits);
  bool has_digits = p != whole;
  if (p != end && *p == '.') {
    const char* const fraction = ++p;
    p = AddDigits(p, end, mantissa, digits);
    exponent = -static_cast<int>(p - fraction);
    has_digits = has_digits || p != fraction;
  }
  // Up to 19 digits cannot wrap the mantissa; more, or a mantissa that a
  // double does not hold exactly, the full scan decides.
  if (!has_digits || digits > 19 || mantissa >= kExactBelow) return false;
  if (p != end) {
    if (*p != 'e' && *p != 'E') return false;
    ++p;
    const bool exponent_negative = p != end && *p == '-';
    if (p != end && (*p == '-' || *p == '+')) ++p;
    const char* const exponent_digits = p;
    int exponent_value = 0;
    for (; p != end && IsDigit(*p) && p - exponent_digits < 3; ++p) {
      exponent_value = exponent_value * 10 + (*p - '0');
    }
    if (p == exponent_digits || p != end) return false;
    exponent += exponent_negative ? -exponent_value : exponent_value;
  }
  if (exponent < -22 || exponent > 22) return false;
  const auto m = static_cast<double>(mantissa);
  const double magnitude = exponent < 0 ? m / kPowers[-exponent] : m * kPowers[exponent];
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

DecimalNumber ScanDecimal(std::string_view text) {
  DecimalNumber number;
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* p = begin;
  if (p < end && (*p == '+' || *p == '-')) {
    number.negative = *p == '-';
    ++p;
  }
  number.digits = static_cast<std::size_t>(p - begin);
  // The whole part: leading zeros, then the digits from the first
  // significant one, each of which adds to the magnitude.
  const char* const whole = p;
  while (p < end && *p == '0') ++p;
  const char* const first_significant = p;
  while (p < end && IsDigit(*p)) ++p;
  number.significant = p > first_significant;
  long long magnitude = p - first_significant;
  bool has_digits = p > whole;
  if (p < end && *p == '.') {
    const char* const point = p++;
    if (!number.significant) {
      // Zeros after the point and before any significant digit lower it.
      const char* const zeros = p;
      while (p < end && *p == '0') ++p;
      magnitude -= p - zeros;
      number.significant = p < end && IsDigit(*p);
    }
    while (p < end && IsDigit(*p)) ++p;
    has_digits = has_digits || p > point + 1;
  }
  if (!has_digits) return DecimalNumber{};
  number.length = static_cast<std::size_t>(p - begin);
  long long exponent = 0;
  if (p < end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    bool exponent_negative = false;
    if (q < end && (*q == '+' || *q == '-')) {
      exponent_negative = *q == '-';
      ++q;
    }
    const char* const exponent_digits = q;
    while (q < end && IsDigit(*q)) {
      if (exponent < 100000) exponent = exponent * 10 + (*q - '0');
      ++q;
    }
    if (q > exponent_digits) {
      number.length = static_cast<std::size_t>(q - begin);
      if (exponent_negative) exponent = -exponent;
    } else {
      exponent = 0;
    }
  }
  number.scale = magnitude + exponent;
  return number;
}

double LeadingNumberValue(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (c != '\t' && c != '\n') kept.push_back(c);
  }
  const DecimalNumber number = ScanDecimal(kept);
  if (number.length == 0) return 0.0;
  double value = 0.0;
  const std::errc error =
      std::from_chars(kept.data() + number.digits, kept.data() + number.length, value).ec;
  if (error == std::errc::result_out_of_range) {
    // Too large overflows; too small is taken as 0.
    if (number.scale > 0) throw OverflowError();
    return 0.0;
  }
  if (error != std::errc()) return 0.0;
  return number.negative ? -value : value;
}

bool IsPlainDecimalNumber(std::string_view text) {
  const DecimalNumber number = ScanDecimal(text);
  if (number.length == 0 || number.length != text.size()) return false;
  // Below 1e308 every value fits; near and above, the conversion decides.
  if (!number.significant || number.scale <= 308) return true;
  double value = 0.0;
  return std::from_chars(text.data() + number.digits, text.data() + text.size(), value).ec ==
         std::errc();
}

std::optional<double> PlainDecimalValue(std::string_view text) {
  double value = 0.0;
  if (QuickSmallDecimal(text, value)) return value;
  const DecimalNumber number = ScanDecimal(text);
  if (number.length == 0 || number.length != text.size()) return std::nullopt;
  const std::errc error =
      std::from_chars(text.data() + number.digits, text.data() + text.size(), value).ec;
  if (error == std::errc::result_out_of_range) {
    // As IsPlainDecimalNumber: too large is no number, too small is 0.
    if (number.significant && number.scale > 308) return std::nullopt;
    value = 0.0;
  } else if (error != std::errc()) {
    return std::nullopt;
  }
  return number.negative ? -value : value;
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
  const std::string digits = std::to_string(value);
  const std::size_t first_digit = value < 0 ? 1 : 0;
  std::string grouped = digits.substr(0, first_digit);
  for (std::size_t i = first_digit; i < digits.size(); ++i) {
    // A comma before each group of three from the right.
    if (i > first_digit && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
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
