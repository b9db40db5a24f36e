#include "workbook/workbook_text.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/numeric_text.h"
#include "files/utf8.h"

namespace quillet {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Windows-1252's characters for the bytes 0x80 to 0x9F; the five it leaves
// unassigned stand for the control characters of the same code, as the
// system's own conversion has them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendEscape(std::string& out, char32_t c) {
  constexpr const char* kHex = "0123456789ABCDEF";
  out += "_x";
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(c >> shift) & 0xF]);
  out.push_back('_');
}

// True when an "_" at `text`'s start begins an escape's shape, "_x" and four
// hexadecimal digits. Whatever follows may end it as an escape: a "_" of the
// text, or the escape that the next character itself becomes.
bool BeginsEscape(std::string_view text) {
  if (text.size() < 6 || text[1] != 'x') return false;
  for (std::size_t i = 2; i < 6; ++i) {
    if (!IsHexDigit(text[i])) return false;
  }
  return true;
}

// Appends the ASCII character at the start of `rest`, as XML holds it.
void AppendAscii(std::string& out, std::string_view rest) {
  const char c = rest.front();
  switch (c) {
    case '&':
      out += "&amp;";
      return;
    case '<':
      out += "&lt;";
      return;
    case '>':
      out += "&gt;";
      return;
    case '"':
      out += "&quot;";
      return;
    case '\t':
    case '\n':
      out.push_back(c);
      return;
    case '_':
      if (BeginsEscape(rest)) {
        AppendEscape(out, U'_');
      } else {
        out.push_back(c);
      }
      return;
    default:
      if (static_cast<unsigned char>(c) < 0x20) {
        AppendEscape(out, static_cast<unsigned char>(c));
      } else {
        out.push_back(c);
      }
  }
}

}  // namespace

bool IsWorkbookNumber(std::string_view text) {
  // One pass over the usual cell, a short number with a short exponent;
  // IsPlainDecimalNumber decides whatever this pass cannot.
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const char* p = text.data();
  const char* const end = p + text.size();
  if (p != end && (*p == '+' || *p == '-')) ++p;
  const char* const whole = p;
  while (p != end && digit(*p)) ++p;
  // The value is below 10 to the power of the whole part's digits, leading
  // zeros counted, times the exponent's power.
  const auto whole_digits = static_cast<std::size_t>(p - whole);
  bool has_digits = whole_digits != 0;
  if (p != end && *p == '.') {
    const char* const fraction = ++p;
    while (p != end && digit(*p)) ++p;
    has_digits = has_digits || p != fraction;
  }
  if (!has_digits) return false;
  constexpr std::size_t kFits = 308;  // every value below 1e308 fits a double
  if (p == end) return whole_digits <= kFits || IsPlainDecimalNumber(text);
  if (*p != 'e' && *p != 'E') return false;
  ++p;
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* const exponent_digits = p;
  std::size_t exponent = 0;
  while (p != end && digit(*p) && p - exponent_digits < 4) exponent = exponent * 10 + (*p++ - '0');
  if (p == exponent_digits) return false;  // "1e", "1e+": the "e" is not part of a number
  if (p != end) return IsPlainDecimalNumber(text);
  // A negative exponent only makes the value smaller (too small is 0, which fits).
  if (whole_digits + (negative ? 0 : exponent) <= kFits) return true;
  return IsPlainDecimalNumber(text);
}

#if defined(__SSE2__)
namespace {

// Up to 8 bytes from `bytes` (1 <= size <= 8) as a number, the first byte
// lowest, zeros after them; every load within the bytes.
std::uint64_t UpTo8Bytes(const char* bytes, std::size_t size) {
  std::uint64_t value = 0;
  if (size >= 4) {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::memcpy(&low, bytes, 4);
    std::memcpy(&high, bytes + size - 4, 4);
    return low | (std::uint64_t{high} >> (8 * (8 - size)) << 32);
  }
  for (std::size_t i = 0; i < size; ++i) {
    value |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
  }
  return value;
}

// The first `size` bytes (1 <= size <= 16), zeros after them.
__m128i ShortBytes(const char* bytes, std::size_t size) {
  if (size <= 8) return _mm_cvtsi64_si128(static_cast<long long>(UpTo8Bytes(bytes, size)));
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  std::memcpy(&low, bytes, 8);
  std::memcpy(&high, bytes + size - 8, 8);
  high = size == 16 ? high : high >> (8 * (16 - size));
  return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

}  // namespace
#endif

bool CopyWorkbookNumber(std::string_view text, char* to) {
  const std::size_t size = text.size();
#if defined(__SSE2__)
  if (size == 0 || size > 16) {
    std::memcpy(to, text.data(), size);
    return IsWorkbookNumber(text);
  }
  // The cell's bytes, zeros after them, read from within the cell; copied
  // all at once.
  const __m128i v = ShortBytes(text.data(), size);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v);
  // Where each kind of byte stands, a bit for each of the cell's bytes.
  const unsigned all = (1u << size) - 1;
  const auto where = [all](__m128i matches) {
    return static_cast<unsigned>(_mm_movemask_epi8(matches)) & all;
  };
  const auto is = [&](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
  const unsigned digits = where(_mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)),
                                              _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1))));
  const unsigned points = where(is('.'));
  const unsigned exponent = where(_mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)),
                                                 _mm_set1_epi8('e')));  // "e" or "E"
  const unsigned signs = where(_mm_or_si128(is('+'), is('-')));
  if ((digits | points | exponent | signs) != all) return false;
  // At most one point and one "e"; a sign first or just after the "e"; the
  // point, and at least one digit, before the "e".
  if ((points & (points - 1)) != 0 || (exponent & (exponent - 1)) != 0) return false;
  if ((signs & ~(1u | (exponent << 1))) != 0) return false;
  const unsigned mantissa = exponent != 0 ? exponent - 1 : all;
  if ((points & ~mantissa) != 0 || (digits & mantissa) == 0) return false;
  // At most 16 digits before the point, times at most 1e99: the value fits.
  if (exponent == 0) return true;
  const unsigned exponent_digits = digits & ~((exponent << 1) - 1);
  if (exponent_digits == 0) return false;
  // At most two exponent digits: two lowest bits cleared leave none (a
  // popcount would be a library call on the baseline processor).
  const unsigned beyond_first = exponent_digits & (exponent_digits - 1);
  if ((beyond_first & (beyond_first - 1)) == 0) return true;
  return IsWorkbookNumber(text);
#else
  std::memcpy(to, text.data(), size);
  return IsWorkbookNumber(text);
#endif
}

void AppendWorkbookUtf8(std::string& out, std::string_view bytes) {
  if (IsValidUtf8(bytes)) {
    out.append(bytes);
    return;
  }
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else if (byte < 0xA0) {
      AppendUtf8(kWindows1252High[byte - 0x80], out);
    } else {
      AppendUtf8(byte, out);  // Latin-1 and Windows-1252 agree from 0xA0
    }
  }
}

void AppendWorkbookText(std::string& out, std::string_view bytes) {
  std::string converted;
  if (!IsValidUtf8(bytes)) {
    AppendWorkbookUtf8(converted, bytes);
    bytes = converted;
  }
  while (!bytes.empty()) {
    const std::size_t length = DecodeUtf8At(bytes).length;
    // U+FFFE and U+FFFF are no characters to XML (EF BF BE, EF BF BF).
    if (length == 3 && bytes.substr(0, 2) == "\xEF\xBF" &&
        static_cast<unsigned char>(bytes[2]) >= 0xBE) {
      AppendEscape(out, 0xFFFE + (static_cast<unsigned char>(bytes[2]) - 0xBE));
    } else if (length == 1) {
      AppendAscii(out, bytes);
    } else {
      out.append(bytes.substr(0, length));
    }
    bytes.remove_prefix(length);
  }
}

std::size_t WorkbookTextLength(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++units;  // a character's first byte
    if (byte >= 0xF0) ++units;           // beyond the 16-bit plane: a surrogate pair
  }
  return units;
}

}  // namespace quillet
