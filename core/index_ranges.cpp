#include "core/index_ranges.h"

#include <algorithm>
#include <string>

#include "core/field_scanner.h"

namespace quillet {
namespace {

// Larger line numbers than this are no line a data file can hold; refusing
// them keeps the sums below from overflowing.
constexpr std::int64_t kLargestLine = INT64_MAX / 16;

// Reads the digits at `pos` into `value`, moving `pos` past them. False when
// there are none or the number is too large.
bool ReadWholeNumber(std::string_view line, std::size_t& pos, std::int64_t& value) {
  const std::size_t start = pos;
  value = 0;
  for (; pos < line.size() && line[pos] >= '0' && line[pos] <= '9'; ++pos) {
    value = value * 10 + (line[pos] - '0');
    if (value > kLargestLine) return false;
  }
  return pos > start;
}

// Moves `pos` past the blanks there; false when there are none.
bool SkipBlankRun(std::string_view line, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < line.size() && IsBlank(static_cast<unsigned char>(line[pos]))) ++pos;
  return pos > start;
}

}  // namespace

std::optional<LineRange> ParseLineRange(std::string_view line) {
  std::size_t pos = 0;
  while (pos < line.size() && !IsBlank(static_cast<unsigned char>(line[pos]))) ++pos;
  LineRange range;
  // The name, then each number after its blanks.
  if (pos == 0 || !SkipBlankRun(line, pos) || !ReadWholeNumber(line, pos, range.first) ||
      !SkipBlankRun(line, pos) || !ReadWholeNumber(line, pos, range.last)) {
    return std::nullopt;
  }
  SkipBlankRun(line, pos);
  if (pos != line.size()) return std::nullopt;
  return range;
}

std::optional<IndexRanges> ReadUnequalRanges(TextReader& index, std::int64_t variableCount) {
  IndexRanges ranges;
  std::string line;
  bool unequal = false;
  for (std::int64_t variable = 0; variable < variableCount; ++variable) {
    if (!index.ReadLine(line)) return std::nullopt;
    const std::optional<LineRange> range = ParseLineRange(line);
    if (!range || range->first != ranges.lastLine + 1 || range->last < range->first) {
      return std::nullopt;
    }
    const std::int64_t count = range->last - range->first + 1;
    if (!ranges.counts.empty() && count != ranges.counts.front()) unequal = true;
    ranges.counts.push_back(count);
    ranges.largestCount = std::max(ranges.largestCount, count);
    ranges.lastLine = range->last;
  }
  // The lines read must be all the variables the counting pass found.
  if (!unequal || !index.OnlyBlankLinesLeft()) return std::nullopt;
  return ranges;
}

}  // namespace quillet
