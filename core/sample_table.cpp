#include "core/sample_table.h"

#include <algorithm>
#include <cstring>

#include "core/conversion_errors.h"
#include "files/byte_copy.h"

namespace quillet {
namespace {

// Column slots start small and grow geometrically up to the row count.
constexpr std::size_t kFirstSlots = 1024;

}  // namespace

void SampleTable::Create(std::int64_t last_row) {
  if (last_row < 0) throw SubscriptOutOfRangeError();
  columns_.clear();
  columns_.emplace_back();
  bytes_ = CellBytes();
  large_cells_.clear();
  last_row_ = last_row;
  created_ = true;
}

void SampleTable::AddColumn() {
  if (!created_) throw SubscriptOutOfRangeError();
  if (column_finished_) column_finished_(static_cast<std::int64_t>(columns_.size()) - 1);
  columns_.emplace_back();
}

SampleTable::FinishedColumn SampleTable::TakeFinishedColumn(std::int64_t column) const {
  CheckBounds(0, column);
  FinishedColumn taken;
  taken.slots_ = columns_[static_cast<std::size_t>(column)];
  taken.chunks_.reserve(bytes_.chunks.size());
  for (const auto& chunk : bytes_.chunks) taken.chunks_.push_back(chunk.get());
  for (CellRef& ref : taken.slots_) {
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

std::size_t SampleTable::Room(const std::vector<CellRef>& slots, std::size_t index,
                              std::size_t rows) {
  return std::min(rows, std::max({index + 1, kFirstSlots, slots.capacity() * 2}));
}

void SampleTable::GrowSlots(std::vector<CellRef>& slots, std::size_t index, std::size_t rows) {
  if (index < slots.size()) return;
  if (index >= slots.capacity()) slots.reserve(Room(slots, index, rows));
  // The reader fills each column's rows in order: one slot more.
  if (index == slots.size()) {
    slots.push_back(0);
  } else {
    slots.resize(index + 1, 0);
  }
}

void SampleTable::Set(std::int64_t row, std::int64_t column, std::string_view text) {
  CheckBounds(row, column);
  auto& slots = columns_[static_cast<std::size_t>(column)];
  const auto index = static_cast<std::size_t>(row);
  GrowSlots(slots, index, static_cast<std::size_t>(last_row_) + 1);
  slots[index] = Store(text);
}

void SampleTable::SetTaking(std::int64_t row, std::int64_t column, std::string&& text) {
  if (text.size() < kLargeCell) {
    Set(row, column, std::string_view(text));
    return;
  }
  CheckBounds(row, column);
  large_cells_.push_back(std::move(text));
  try {
    Set(row, column, std::string_view());  // the slot, made as for any cell
  } catch (...) {
    large_cells_.pop_back();
    throw;
  }
  columns_[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)] =
      kLargeFlag | (large_cells_.size() - 1);
  bytes_.stored += large_cells_.back().size();
}

std::string_view SampleTable::Get(std::int64_t row, std::int64_t column) const {
  CheckBounds(row, column);
  const auto& slots = columns_[static_cast<std::size_t>(column)];
  const auto index = static_cast<std::size_t>(row);
  return index < slots.size() ? Load(slots[index]) : std::string_view();
}

std::int64_t SampleTable::LastColumn() const {
  if (!created_) throw SubscriptOutOfRangeError();
  return static_cast<std::int64_t>(columns_.size()) - 1;
}

SampleTable::CellRef SampleTable::Store(std::string_view text) {
  if (text.empty()) return 0;
  if (text.size() >= kLargeCell) {
    bytes_.stored += text.size();
    large_cells_.emplace_back(text);
    return kLargeFlag | (large_cells_.size() - 1);
  }
  return bytes_.Store(text);
}

void SampleTable::CellBytes::Open() {
  chunks.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
  used = 0;
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
  columns_.emplace_back();
  bytes_.chunks.resize(firstChunk);
}

void SampleTable::Continuation::AddColumn() {
  columns_.emplace_back();
  columns_.back().push_back(0);  // row 0, the name's
}

void SampleTable::Continuation::Grow() {
  std::vector<CellRef>& slots = columns_.back();
  const std::size_t rows =
      columns_.size() == 1 ? rows_ - static_cast<std::size_t>(first_row_) : rows_;
  slots.reserve(Room(slots, slots.size(), rows));
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
    std::vector<CellRef>& slots = columns_[first + k];
    std::vector<CellRef>& cells = later.columns_[k];
    if (k > 0) {
      slots = std::move(cells);  // row 0 included
    } else if (!cells.empty()) {
      slots.resize(first_row, 0);
      slots.insert(slots.end(), cells.begin(), cells.end());
    }
  }
  return true;
}

}  // namespace quillet
