// The read_write target's check of the layout that variables of different
// lengths get. The index is judged here from its whole lines, without the
// reader's code, so that a fault in either shows as a disagreement.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/conversion_state.h"
#include "fuzz_support.h"

namespace quillet::fuzzing {

// The index's lines, each without its LF and a CR just before it, and
// without the blank lines that end the file (spaces, tabs and CRs only).
inline std::vector<std::string_view> IndexLines(std::string_view index) {
  std::vector<std::string_view> lines;
  while (!index.empty()) {
    const std::size_t lf = index.find('\n');
    std::string_view line = index.substr(0, lf);
    if (lf != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    index = lf == std::string_view::npos ? std::string_view() : index.substr(lf + 1);
  }
  while (!lines.empty() && lines.back().find_first_not_of(" \t\r") == std::string_view::npos) {
    lines.pop_back();
  }
  return lines;
}

// A field of digits only, below the bound past which no data file can reach.
inline std::optional<std::int64_t> LineNumber(std::string_view field) {
  if (field.empty() || field.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  for (const char digit : field) {
    value = value * 10 + (digit - '0');
    if (value > INT64_MAX / 16) return std::nullopt;
  }
  return value;
}

// Each variable's count when every index line is a name and two line numbers
// that tile the data file from line 1, and the counts are not all equal.
inline std::optional<std::vector<std::int64_t>> UnequalCounts(std::string_view index) {
  std::vector<std::int64_t> counts;
  std::int64_t next_first = 1;
  for (std::string_view line : IndexLines(index)) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
      const std::size_t end = std::min(line.find_first_of(" \t"), line.size());
      fields.push_back(line.substr(0, end));
      line.remove_prefix(end);
      line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    }
    if (fields.size() != 3 || fields[0].empty()) return std::nullopt;
    const auto first = LineNumber(fields[1]);
    const auto last = LineNumber(fields[2]);
    if (!first || !last || *first != next_first || *last < *first) return std::nullopt;
    counts.push_back(*last - *first + 1);
    next_first = *last + 1;
  }
  if (std::adjacent_find(counts.begin(), counts.end(), std::not_equal_to<>()) == counts.end()) {
    return std::nullopt;
  }
  return counts;
}

// After a Read that got as far as the data pass: with unequal counts, the
// rows are the largest count, the progress maximum the last line, each
// variable's column ends in empty cells after its own count, and the columns
// are those the lines read reached (at least the one every table has),
// surplus lines filling unnamed columns of the largest count. A column's
// rows are filled from the top, one per line, so no row below the number
// of lines read can hold a value: the check looks no further, and takes time
// in proportion to the filled part of the table, not the rows announced.
inline void CheckUnequalLayout(std::string_view index, const ConversionState& state) {
  if (!state.table.created()) return;
  const auto counts = UnequalCounts(index);
  if (!counts) return;
  const std::int64_t rows = *std::max_element(counts->begin(), counts->end());
  std::int64_t last_line = 0;
  for (const std::int64_t count : *counts) last_line += count;
  if (state.samplesPerVariable != static_cast<double>(rows)) Finding("rows are not the longest");
  if (state.expectedLines != last_line) Finding("the progress maximum is not the last line");

  const std::int64_t lines = state.linesRead;
  std::int64_t columns = 0;
  std::int64_t first = 1;
  for (std::size_t v = 0; v < counts->size() && first <= lines; ++v) {
    for (std::int64_t row = (*counts)[v] + 1; row <= std::min(rows, lines); ++row) {
      if (!state.table.Get(row, columns).empty()) Finding("a value past its variable's lines");
    }
    first += (*counts)[v];
    ++columns;
  }
  if (lines > last_line) columns += (lines - last_line + rows - 1) / rows;
  columns = std::max<std::int64_t>(columns, 1);  // an empty data file: the first, unfilled
  if (state.table.LastColumn() + 1 != columns) Finding("the columns do not follow the ranges");
}

}  // namespace quillet::fuzzing
