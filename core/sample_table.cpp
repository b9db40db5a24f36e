#include "core/sample_table.h"

#include <algorithm>
#include <cstring>

#include "core/conversion_errors.h"
#include "files/byte_copy.h"

namespace quillet {
namespace {

// Longer cells get a string of their own, so chunks waste little at their end.
constexpr std::size_t kLargeCell =
    std::min<std::size_t>(64 * 1024, (std::size_t{1} << QUILLET_TABLE_CHUNK_BITS) / 4);
// Column slots start small and grow geometrically up to the row count.
constexpr std::size_t kFirstSlots = 1024;

}  // namespace

void SampleTable::Create(std::int64_t last_row) {
  if (last_row < 0) throw SubscriptOutOfRangeError();
  columns_.clear();
  columns_.emplace_back();
  chunks_.clear();
  chunk_used_ = kChunkSize;  // the first Store opens a chunk
  large_cells_.clear();
  stored_bytes_ = 0;
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
  taken.chunks_.reserve(chunks_.size());
  for (const auto& chunk : chunks_) taken.chunks_.push_back(chunk.get());
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

void SampleTable::Set(std::int64_t row, std::int64_t column, std::string_view text) {
  CheckBounds(row, column);
  auto& slots = columns_[static_cast<std::size_t>(column)];
  const auto index = static_cast<std::size_t>(row);
  if (index >= slots.size()) {
    if (index >= slots.capacity()) {
      const auto rows = static_cast<std::size_t>(last_row_) + 1;
      slots.reserve(std::min(rows, std::max({index + 1, kFirstSlots, slots.capacity() * 2})));
    }
    // The reader fills each column's rows in order: one slot more.
    if (index == slots.size()) {
      slots.push_back(0);
    } else {
      slots.resize(index + 1, 0);
    }
  }
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
  stored_bytes_ += large_cells_.back().size();
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
  stored_bytes_ += text.size();
  if (text.size() >= kLargeCell) {
    large_cells_.emplace_back(text);
    return kLargeFlag | (large_cells_.size() - 1);
  }
  if (kChunkSize - chunk_used_ < text.size()) {
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
    chunk_used_ = 0;
  }
  CopyBytes(chunks_.back().get() + chunk_used_, text.data(), text.size());
  const std::uint64_t offset = ((chunks_.size() - 1) << kChunkBits) + chunk_used_;
  chunk_used_ += text.size();
  return (offset << kLengthBits) | text.size();
}

}  // namespace quillet
