// Where the data pass puts each data line: in the next row of the current
// column, and in row 1 of a new column when the line no longer fits the
// current one (its row would pass the column's own count, RowsOfColumn). A
// new column opens only for a line that needs it, so a file that ends after a
// variable's last sample leaves no empty column.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "core/index_ranges.h"
#include "core/sample_table.h"

namespace quillet {

class LinePlacement {
 public:
  // Before the first line: row 1 of column 0, in a table of rows up to
  // `lastRow`. `ranges` must outlive the placement.
  LinePlacement(const std::optional<IndexRanges>& ranges, double samplesPerVariable,
                std::int64_t lastRow)
      : ranges_(&ranges),
        samples_per_variable_(samplesPerVariable),
        last_row_(lastRow),
        column_rows_(RowsOfColumn(ranges, samplesPerVariable, 0)) {}

  // Whether the next line opens a new column.
  bool NextOpensColumn() const { return static_cast<double>(row_) > column_rows_; }
  // Whether the table may have the column it would open.
  bool NewColumnAllowed() const { return column_ + 2 <= kMostColumns; }
  void OpenColumn() {
    row_ = 1;
    ++column_;
    column_rows_ = RowsOfColumn(*ranges_, samples_per_variable_, column_);
  }
  // Whether the table has the row the next line goes to.
  bool RowExists() const { return row_ <= last_row_; }
  // The next line's place (once its column is open).
  std::int64_t row() const { return row_; }
  std::int64_t column() const { return column_; }
  // The line took its place.
  void Advance() { ++row_; }

  // Places `lines` lines as the pass places them; false, at the line that
  // would stop the pass (a column too many, or no row), when one would.
  bool Skip(std::int64_t lines) {
    while (lines > 0) {
      if (NextOpensColumn()) {
        if (!NewColumnAllowed()) return false;
        OpenColumn();
      }
      if (!RowExists()) return false;
      // This line and those after it that stay in its column, at once.
      const double top = std::min(static_cast<double>(last_row_), std::floor(column_rows_));
      const double fit = top - static_cast<double>(row_) + 1;
      const std::int64_t step = fit >= 2 ? std::min(lines, static_cast<std::int64_t>(fit)) : 1;
      row_ += step;
      lines -= step;
    }
    return true;
  }

 private:
  const std::optional<IndexRanges>* ranges_;
  double samples_per_variable_;
  std::int64_t last_row_;
  std::int64_t row_ = 1;
  std::int64_t column_ = 0;
  double column_rows_;
};

}  // namespace quillet
