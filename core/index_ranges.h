// The line ranges of the index file, and how the data pass lays its lines
// into columns.
//
// Samplers often store their variables with different numbers of samples (a
// monitor thinned more than another, or one set later in the run). When the
// ranges of the index lines tile the data file, from line 1 on, each range
// right after the one before it, and their counts are not all equal, each
// variable takes its own lines. In every other case each variable takes as
// many lines as the first index line says, one after another, as it always
// has: a file whose ranges cannot be trusted is read the old way.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "files/text_reader.h"

namespace quillet {

// Ranges that tile the data file with unequal counts.
struct IndexRanges {
  std::vector<std::int64_t> counts;  // each variable's samples, in index order
  std::int64_t largestCount = 0;     // the rows of the table
  std::int64_t lastLine = 0;         // the last variable's last line
};

// The first and last line of an index line that holds exactly three fields:
// a name, blanks, a whole decimal number, blanks, a whole decimal number
// (digits only), blanks after it allowed. `line` comes without its line end.
struct LineRange {
  std::int64_t first = 0;
  std::int64_t last = 0;
};
std::optional<LineRange> ParseLineRange(std::string_view line);

// Reads the first `variableCount` lines of `index` (standing at its start)
// and returns their ranges when every one holds three fields, they tile the
// data file and their counts are not all equal. Only blank lines may follow
// them. One line buffer and the counts are all it allocates.
std::optional<IndexRanges> ReadUnequalRanges(TextReader& index, std::int64_t variableCount);

// The rows the data pass fills in `column` before it opens the next one:
// without ranges `samplesPerVariable` (compared unrounded, as a fractional
// count is); with them the variable's own count, and for the columns that
// data lines after the last range open, the largest count.
inline double RowsOfColumn(const std::optional<IndexRanges>& ranges, double samplesPerVariable,
                           std::int64_t column) {
  if (ranges && column < static_cast<std::int64_t>(ranges->counts.size())) {
    return static_cast<double>(ranges->counts[static_cast<std::size_t>(column)]);
  }
  return samplesPerVariable;
}

}  // namespace quillet
