#include "core/sample_table.h"

#include <algorithm>
#include <cstring>

#include "core/conversion_errors.h"

namespace quillet {
namespace {

// Column slots start small and grow geometrically up to the row count.
constexpr std::size_t kFirstSlots = 1024;

}  // namespace

void SampleTable::CellBytes::Open() {
  chunks.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
  used = 0;
}

void SampleTable::Column::Grow(std::size_t index, std::size_t rows) {
  if (index >= lengths.capacity()) {
    const std::size_t room =
        std::min(rows, std::max({index + 1, kFirstSlots, expected, lengths.capacity() * 2}));
    offsets.reserve(room);
    lengths.reserve(room);
  }
  offsets.resize(index + 1, 0);
  lengths.resize(index + 1, 0);
}

SampleTable::Column SampleTable::NewColumn() const {
  Column column;
  column.base = bytes_.End();
  return column;
}

void SampleTable::Create(std::int64_t last_row) {
  if (last_row < 0) throw SubscriptOutOfRangeError();
  columns_.clear();
  bytes_ = CellBytes();
  columns_.push_back(NewColumn());
  large_cells_.clear();
  last_row_ = last_row;
  created_ = true;
}

void SampleTable::AddColumn() {
  if (!created_) throw SubscriptOutOfRangeError();
  if (column_finished_) column_finished_(static_cast<std::int64_t>(columns_.size()) - 1);
  Column next = NewColumn();
  next.expected = columns_.back().size();
  columns_.push_back(std::move(next));
}

SampleTable::FinishedColumn SampleTable::TakeFinishedColumn(std::int64_t column) const {
  CheckBounds(0, column);
  FinishedColumn taken;
  taken.cells_ = columns_[static_cast<std::size_t>(column)];
  taken.chunks_.reserve(bytes_.chunks.size());
  for (const auto& chunk : bytes_.chunks) taken.chunks_.push_back(chunk.get());
  for (auto& [row, ref] : taken.cells_.escaped) {
    if (!(ref & kLargeFlag)) continue;
    taken.large_.emplace_back(large_cells_[ref & ~kLargeFlag]);
    ref = kLargeFlag | (taken.large_.size() - 1);
  }
  return taken;
}

void SampleTable::CheckBounds(std::int64_t row, std::int64_t column) const {
  if (!created_ || row < 0 || row > last_row_ || column < 0 ||
      column >= static_cast<std::int64_t>(columns_.size())) {
    throw SubscriptOutOfRangeError();
  }
}

void SampleTable::Set(std::int64_t row, std::int64_t column, std::string_view text) {
  CheckBounds(row, column);
  if (text.size() >= kLargeCell) {
    SetLarge(row, column, std::string(text));
    return;
  }
  Column& cells = columns_[static_cast<std::size_t>(column)];
  const auto index = static_cast<std::size_t>(row);
  cells.Reach(index, static_cast<std::size_t>(last_row_) + 1);
  cells.Put(index, text, bytes_);
}

void SampleTable::SetTaking(std::int64_t row, std::int64_t column, std::string&& text) {
  if (text.size() < kLargeCell) {
    Set(row, column, std::string_view(text));
    return;
  }
  CheckBounds(row, column);
  SetLarge(row, column, std::move(text));
}

void SampleTable::SetLarge(std::int64_t row, std::int64_t column, std::string&& text) {
  Column& cells = columns_[static_cast<std::size_t>(column)];
  const auto index = static_cast<std::size_t>(row);
  cells.Reach(index, static_cast<std::size_t>(last_row_) + 1);
  bytes_.stored += text.size();
  large_cells_.push_back(std::move(text));
  cells.Escape(index, kLargeFlag | (large_cells_.size() - 1));
}

std::string_view SampleTable::Get(std::int64_t row, std::int64_t column) const {
  CheckBounds(row, column);
  const Column& cells = columns_[static_cast<std::size_t>(column)];
  const auto index = static_cast<std::size_t>(row);
  return index < cells.size() ? cells.Cell(index, bytes_.chunks, large_cells_) : std::string_view();
}

std::int64_t SampleTable::LastColumn() const {
  if (!created_) throw SubscriptOutOfRangeError();
  return static_cast<std::int64_t>(columns_.size()) - 1;
}

std::size_t SampleTable::ChunkNumberAfter(std::uint64_t bytes) const {
  // A chunk is left only when the next cell does not fit its rest, which is
  // then shorter than a large cell: each chunk holds more than
  // kChunkSize - kLargeCell bytes but the last, and the current one may be full.
  return bytes_.chunks.size() + static_cast<std::size_t>(bytes / (kChunkSize - kLargeCell)) + 2;
}

SampleTable::Continuation::Continuation(std::int64_t column, std::int64_t row, std::int64_t lastRow,
                                        std::size_t firstChunk)
    : first_column_(column),
      first_row_(row),
      rows_(static_cast<std::size_t>(lastRow) + 1),
      first_chunk_(firstChunk) {
  bytes_.chunks.resize(firstChunk);
  columns_.emplace_back().base = bytes_.End();
}

void SampleTable::Continuation::AddColumn() {
  // The first column's slots begin at its first row.
  const std::size_t expected =
      columns_.empty() ? 0
                       : columns_.back().size() +
                             (columns_.size() == 1 ? static_cast<std::size_t>(first_row_) : 0);
  Column& cells = columns_.emplace_back();
  cells.base = bytes_.End();
  cells.expected = expected;
  cells.Reach(0, rows_);  // row 0, the name's
}

bool SampleTable::Join(Continuation&& later) {
  const auto first = static_cast<std::size_t>(later.first_column_);
  const auto first_row = static_cast<std::size_t>(later.first_row_);
  std::vector<std::unique_ptr<char[]>>& chunks = later.bytes_.chunks;
  const bool own_chunks = chunks.size() > later.first_chunk_;
  bool fits = created_ && later.first_row_ >= 1 && first + 1 == columns_.size() &&
              columns_.back().size() <= first_row &&
              !(own_chunks && bytes_.chunks.size() > later.first_chunk_);
  // A column is opened only by a line that fills it.
  for (std::size_t k = 1; k < later.columns_.size(); ++k)
    fits = fits && later.columns_[k].size() > 1;
  if (!fits) return false;

  // The bytes first: a finished column may be taken (OnColumnFinished) as
  // soon as the next one is added.
  if (own_chunks) {
    bytes_.chunks.resize(later.first_chunk_);
    for (std::size_t n = later.first_chunk_; n < chunks.size(); ++n) {
      bytes_.chunks.push_back(std::move(chunks[n]));
    }
    bytes_.used = later.bytes_.used;
  }
  bytes_.stored += later.bytes_.stored;
  for (std::size_t k = 0; k < later.columns_.size(); ++k) {
    if (first + k == columns_.size()) AddColumn();
    Column& cells = later.columns_[k];
    if (k > 0) {
      columns_[first + k] = std::move(cells);  // row 0 included
      continue;
    }
    // The first column's rows, counted again from the table's column's base.
    Column& joined = columns_[first];
    if (cells.size() == 0) continue;
    joined.Reach(first_row + cells.size() - 1, static_cast<std::size_t>(last_row_) + 1);
    for (std::size_t index = 0; index < cells.size(); ++index) {
      const std::size_t row = first_row + index;
      const std::uint8_t length = cells.lengths[index];
      if (length == 0) continue;
      // A continuation holds no large cell: an escaped one stands in the store.
      const CellRef ref = length == kEscaped
                              ? cells.escaped.at(index)
                              : ((cells.base + cells.offsets[index]) << kLengthBits) | length;
      const std::uint64_t at = ref >> kLengthBits;
      if (length != kEscaped && at - joined.base <= UINT32_MAX) {
        joined.offsets[row] = static_cast<std::uint32_t>(at - joined.base);
        joined.lengths[row] = length;
      } else {
        joined.Escape(row, ref);
      }
    }
  }
  return true;
}

}  // namespace quillet
