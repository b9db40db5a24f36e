// The byte-at-a-time scanner that the chain reader's passes share. It reads
// single bytes from one stream and keeps, between its steps, the byte read
// last (currentChar) and the text collected so far (fieldText). A field scan
// that reads past the end of the stream throws InputPastEndError; a name ends
// there instead.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/conversion_errors.h"
#include "files/text_reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillet {

inline bool IsBlank(int c) {
  return c == ' ' || c == '\t';
}
inline bool IsSamplesFieldEnd(int c) {
  return c == ' ' || c == '\r';
}
// A name ends at a blank, at the end of its line or of the file.
inline bool IsNameEnd(int c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == TextReader::kEnd;
}

// A data line as found among the first 32 bytes of the buffer at once:
// where its value begins and where its LF stands, when they lie there.
struct LineInWindow {
  bool runsOn = false;             // its iteration number reaches its LF
  const char* value = nullptr;     // null: not found in the window
  const char* lineFeed = nullptr;  // the first LF from the value on, or null
};

// The line from `begin` (not led by a blank), looked at among its first 32
// bytes with a bit for each byte that is a blank, and one for each LF; with
// fewer bytes left, or without SSE2, nothing is found and the caller scans
// byte by byte.
inline LineInWindow FindInWindow(const char* begin, const char* end) {
  LineInWindow found;
#if defined(__SSE2__)
  if (end - begin < 32) return found;
  const auto where = [](__m128i low, __m128i high, char c) {
    const __m128i byte = _mm_set1_epi8(c);
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, byte))) |
           static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, byte))) << 16;
  };
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + 16));
  const std::uint32_t blanks = where(low, high, ' ') | where(low, high, '\t');
  const std::uint32_t line_feeds = where(low, high, '\n');
  const std::uint32_t before_blank = (blanks & (0 - blanks)) - 1;  // all bits when none
  found.runsOn = (line_feeds & before_blank) != 0;
  const std::uint32_t after_blanks = ~blanks & ~before_blank;
  if (found.runsOn || blanks == 0 || after_blanks == 0) return found;
  const int at = std::countr_zero(after_blanks);
  found.value = begin + at;
  const std::uint32_t line_feeds_after = line_feeds >> at << at;
  if (line_feeds_after != 0) found.lineFeed = begin + std::countr_zero(line_feeds_after);
#else
  (void)begin;
  (void)end;
#endif
  return found;
}

// How the samples field ended.
enum class SamplesFieldEnd {
  kBlankOrCr,  // a space or CR: the rest of the first line follows
  kLineEnd,    // a LF or the end of the file: the first line is complete
};

class FieldScanner {
 public:
  // currentChar before the first read of a name: the empty text.
  static constexpr int kNoChar = -1;

  explicit FieldScanner(TextReader& stream) : stream_(stream) {}

  int currentChar() const { return current_; }
  const std::string& fieldText() const { return field_; }
  // For a caller that may take the text away (SampleTable::SetTaking).
  std::string& fieldText() { return field_; }

  // Empties fieldText and currentChar, as at the start of a name.
  void Reset() {
    field_.clear();
    current_ = kNoChar;
  }

  // Reads until the byte just read is a blank; that blank is left in
  // currentChar. At least one byte is read.
  void SkipField() {
    int c;
    std::size_t read = 0;
    do {
      c = Next();
      if (++read > kLongestLine)
        stream_.ThrowTooLong("an iteration number (a field up to a blank)");
    } while (!IsBlank(c));
    current_ = c;
  }

  // Reads until the byte just read is not a blank; that byte is consumed and
  // left in currentChar for the caller to use.
  void SkipBlanks() {
    int c;
    do {
      c = Next();
    } while (IsBlank(c));
    current_ = c;
  }

  // The data pass's blanks after the iteration number. True when a value
  // follows: fieldText then holds its first byte, consumed. False when the
  // blanks end at a line end (LF, or CR LF, consumed) or at the end of the
  // file: the line has an empty value and is finished.
  bool SkipBlanksToValue() {
    field_.clear();
    int c;
    std::size_t read = 0;
    do {
      c = stream_.Read();
      if (c == TextReader::kEnd || c == '\n') return false;
      if (++read > kLongestLine) stream_.ThrowTooLong("a run of blanks after an iteration number");
    } while (IsBlank(c));
    if (c == '\r' && stream_.Peek() == '\n') {
      stream_.Read();
      return false;
    }
    current_ = c;  // a lone CR included
    field_.push_back(static_cast<char>(c));
    return true;
  }

  // A data line that the stream's buffer already holds whole, scanned there
  // in place: the value that SkipField, SkipBlanksToValue and
  // AppendRestOfLine would collect, the line consumed with its LF. The view
  // points into the buffer and is valid until the next read. Nullopt, with
  // nothing consumed, for a line that is not plainly of that shape: one led
  // by a blank, one whose iteration number or blanks reach its LF (it runs
  // on into the next line), one whose LF is not in the buffer, or one longer
  // than kLongestLine. The caller reads such a line byte by byte from its
  // first byte, as every line was read before.
  std::optional<std::string_view> TakeBufferedDataLine() {
    const std::string_view bytes = stream_.Buffered();
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    if (begin == end || IsBlank(static_cast<unsigned char>(*begin))) return std::nullopt;
    // Most lines are found within their first 32 bytes at once.
    const LineInWindow window = FindInWindow(begin, end);
    if (window.runsOn) return std::nullopt;
    const char* value = window.value;
    if (value == nullptr) {
      const char* p = begin;
      // The iteration number, up to its first blank.
      while (!IsBlank(static_cast<unsigned char>(*p))) {
        if (*p == '\n' || ++p == end) return std::nullopt;
      }
      // The blanks after it.
      do {
        if (++p == end) return std::nullopt;
      } while (IsBlank(static_cast<unsigned char>(*p)));
      value = p;
    }
    std::size_t empty = 0;  // the bytes of a line end right after the blanks
    if (*value == '\n') {
      empty = 1;  // blanks, then the line end: an empty value
    } else if (*value == '\r' && (value + 1 == end || value[1] == '\n')) {
      if (value + 1 == end) return std::nullopt;  // whether a LF follows is not known yet
      empty = 2;                                  // blanks, then CR LF: an empty value
    }
    if (empty > 0) {
      if (static_cast<std::size_t>(value - begin) + empty > kLongestLine) return std::nullopt;
      stream_.Consume(static_cast<std::size_t>(value - begin) + empty);
      return std::string_view();
    }
    const char* const lf = window.lineFeed != nullptr
                               ? window.lineFeed
                               : static_cast<const char*>(std::memchr(
                                     value, '\n', static_cast<std::size_t>(end - value)));
    if (lf == nullptr || static_cast<std::size_t>(lf - begin) > kLongestLine) return std::nullopt;
    stream_.Consume(static_cast<std::size_t>(lf + 1 - begin));
    // A CR just before the LF is dropped, unless it is the value's first byte
    // (a lone CR, which SkipBlanksToValue keeps).
    const char* const stop = lf[-1] == '\r' && lf - 1 > value ? lf - 1 : lf;
    return std::string_view(value, static_cast<std::size_t>(stop - value));
  }

  // Collects the samples field into fieldText: currentChar (its first byte,
  // left by SkipBlanks), then the bytes up to a space, CR, LF or the end of
  // the file. The ending byte is consumed. A currentChar that is itself a CR
  // or LF ends an empty field.
  SamplesFieldEnd CollectSamplesField() {
    field_.clear();
    for (int c = current_; c != TextReader::kEnd; c = stream_.Read()) {
      if (c == '\n') return SamplesFieldEnd::kLineEnd;
      if (IsSamplesFieldEnd(c)) return SamplesFieldEnd::kBlankOrCr;
      field_.push_back(static_cast<char>(c));
    }
    return SamplesFieldEnd::kLineEnd;
  }

  // Appends currentChar (unless it is empty) to fieldText, then every byte
  // read up to a name end (IsNameEnd); that ending byte is consumed, kept in
  // currentChar (TextReader::kEnd at the end of the file), and not appended.
  void CollectName() {
    if (current_ != kNoChar) field_.push_back(static_cast<char>(current_));
    int c;
    while (!IsNameEnd(c = stream_.Read())) field_.push_back(static_cast<char>(c));
    current_ = c;
  }

  // Appends the rest of the line to fieldText (see TextReader::AppendLine);
  // at the end of the stream there is nothing to append.
  void AppendRestOfLine() { stream_.AppendLine(field_); }

 private:
  int Next() {
    const int c = stream_.Read();
    if (c == TextReader::kEnd) throw InputPastEndError();
    return c;
  }

  TextReader& stream_;
  int current_ = kNoChar;
  std::string field_;
};

}  // namespace quillet
