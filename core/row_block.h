// The rows of a table as a Write walks them, one after another, gathered a
// few rows at a time column by column: along a row each cell stands in a
// column of its own, far from the next, so a walk row by row would wait on
// memory at almost every cell; down a column the cells of neighbouring rows
// stand together.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/sample_table.h"

namespace quillet {

class RowBlock {
 public:
  // The rows gathered at once. A writer that hands blocks of rows to
  // several threads gives each a whole number of gathers, or the rows of a
  // gather shared by two blocks are gathered twice.
  static constexpr std::int64_t kRowsGathered = 8;
  // `rows` rounded up to whole gathers.
  static constexpr std::int64_t WholeGathers(std::int64_t rows) {
    return (rows + kRowsGathered - 1) / kRowsGathered * kRowsGathered;
  }

  // Over `table`, which must not change while the block is used.
  explicit RowBlock(const SampleTable& table);

  // The cells of `row`, column 0 first; valid until the next call. Throws
  // SubscriptOutOfRangeError for a row outside the table.
  std::span<const std::string_view> Row(std::int64_t row);

 private:
  const SampleTable& table_;
  std::size_t columns_;
  std::int64_t first_ = -1;              // the first row gathered; -1 before any
  std::int64_t count_ = 0;               // rows gathered
  std::vector<std::string_view> cells_;  // kRowsGathered rows of columns_ cells
};

}  // namespace quillet
