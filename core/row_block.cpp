#include "core/row_block.h"

#include <algorithm>

#include "core/conversion_errors.h"

namespace quillet {
namespace {

// A hint to the processor to load the first bytes of `cell`; nothing is read.
void PrefetchBytes(std::string_view cell) {
#if defined(__GNUC__) || defined(__clang__)
  if (!cell.empty()) __builtin_prefetch(cell.data());
#else
  (void)cell;
#endif
}

}  // namespace

RowBlock::RowBlock(const SampleTable& table)
    : table_(table), columns_(static_cast<std::size_t>(table.LastColumn() + 1)) {
  cells_.resize(static_cast<std::size_t>(kRowsGathered) * columns_);
}

std::span<const std::string_view> RowBlock::Row(std::int64_t row) {
  if (row < 0 || row > table_.last_row()) throw SubscriptOutOfRangeError();
  if (row < first_ || row >= first_ + count_) {
    first_ = row;
    count_ = std::min(kRowsGathered, table_.last_row() - row + 1);
    for (std::size_t column = 0; column < columns_; ++column) {
      table_.CellsDown(column, static_cast<std::size_t>(row), static_cast<std::size_t>(count_),
                       cells_.data() + column, columns_);
      // The cells' bytes, which stand together down the column, while the
      // other columns are gathered: the first and the last row's.
      PrefetchBytes(cells_[column]);
      PrefetchBytes(cells_[static_cast<std::size_t>(count_ - 1) * columns_ + column]);
    }
  }
  return {cells_.data() + static_cast<std::size_t>(row - first_) * columns_, columns_};
}

}  // namespace quillet
