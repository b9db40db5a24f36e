#include "core/row_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "core/conversion_errors.h"
#include "core/try_thread.h"
#include "files/byte_copy.h"

namespace quillet {
namespace {

// A table of fewer cells than this is made on the calling thread alone: a
// thread would cost more than it saves.
constexpr std::int64_t kFewestCellsForWorker = std::int64_t{1} << 13;

}  // namespace

std::size_t AppendRowText(std::int64_t row, std::span<const std::string_view> cells,
                          std::vector<char>& out, std::size_t used) {
  constexpr std::string_view kHeader = "Iteration";
  std::size_t need = 24 + 1 + cells.size() + 2;  // the number, the tabs, CR LF
  for (const std::string_view cell : cells) need += cell.size();
  if (out.size() - used < need) out.resize(used + need + used / 4);
  char* at = out.data() + used;
  if (row == 0) {
    std::memcpy(at, kHeader.data(), kHeader.size());
    at += kHeader.size();
  } else {
    at = std::to_chars(at, at + 24, row).ptr;
  }
  *at++ = '\t';
  for (const std::string_view cell : cells) {
    CopyBytes(at, cell.data(), cell.size());
    at += cell.size();
    *at++ = '\t';
  }
  *at++ = '\r';
  *at++ = '\n';
  return static_cast<std::size_t>(at - out.data());
}

RowTextBlocks::RowTextBlocks(const SampleTable& table, std::int64_t last_row, Worker worker,
                             std::size_t block_bytes)
    : table_(table), last_row_(last_row), rows_(table), slots_(kSlots) {
  const std::int64_t rows = last_row + 1;
  const std::int64_t columns = table.LastColumn() + 1;
  // A row's text as the table's bytes suggest: its cells, their tabs and the
  // row number.
  const double row_bytes =
      static_cast<double>(table.StoredBytes()) / static_cast<double>(table.last_row() + 1) +
      static_cast<double>(columns) + 8.0;
  rows_per_block_ = std::max<std::int64_t>(
      1, static_cast<std::int64_t>(static_cast<double>(block_bytes) / row_bytes));
  // Whole gathers of the row blocks, even where a gather is more than the
  // bytes asked for (wide rows).
  rows_per_block_ = RowBlock::WholeGathers(rows_per_block_);
  rows_per_block_ = std::min(rows_per_block_, std::max<std::int64_t>(rows, 1));
  block_bytes_ = static_cast<std::size_t>(static_cast<double>(rows_per_block_) * row_bytes);
  blocks_ = rows <= 0 ? 0 : (rows + rows_per_block_ - 1) / rows_per_block_;
  if (worker == Worker::kWhenWorthIt && blocks_ >= 2 && rows * columns >= kFewestCellsForWorker) {
    worker_ = TryThread([this] { Work(); });
  }
}

RowTextBlocks::~RowTextBlocks() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void RowTextBlocks::Make(std::int64_t block, RowBlock& rows) {
  // The slot is this thread's alone until the block is marked complete.
  Slot& slot = slots_[static_cast<std::size_t>(block % kSlots)];
  slot.size = 0;
  slot.rowsDone = 0;
  slot.error = nullptr;
  const std::int64_t first = block * rows_per_block_;
  const std::int64_t end = std::min(first + rows_per_block_, last_row_ + 1);
  try {
    // Room for the block as the table suggests, so that it rarely grows.
    if (slot.text.size() < block_bytes_) slot.text.resize(block_bytes_ + block_bytes_ / 8);
    for (std::int64_t row = first; row < end; ++row) {
      slot.size = AppendRowText(row, rows.Row(row), slot.text, slot.size);
      ++slot.rowsDone;
    }
  } catch (...) {
    slot.error = std::current_exception();
  }
}

std::int64_t RowTextBlocks::TakeNextLocked() {
  if (next_ >= blocks_ || next_ - released_ >= kSlots) return -1;
  return next_++;
}

RowTextBlocks::Slot& RowTextBlocks::Await(std::int64_t block) {
  std::unique_lock lock(mutex_);
  released_ = block;
  changed_.notify_all();
  Slot& slot = slots_[static_cast<std::size_t>(block % kSlots)];
  while (slot.readyBlock != block) {
    // Rather than wait, the next block not yet taken: this one, when the
    // worker has not taken it.
    if (const std::int64_t next = TakeNextLocked(); next >= 0) {
      lock.unlock();
      Make(next, rows_);
      lock.lock();
      slots_[static_cast<std::size_t>(next % kSlots)].readyBlock = next;
      changed_.notify_all();
      continue;
    }
    if (worker_failure_) std::rethrow_exception(worker_failure_);
    changed_.wait(lock);
  }
  return slot;
}

void RowTextBlocks::Work() {
  try {
    RowBlock rows(table_);
    std::unique_lock lock(mutex_);
    for (;;) {
      std::int64_t block = -1;
      changed_.wait(lock, [&] {
        block = TakeNextLocked();
        return stop_ || block >= 0 || next_ >= blocks_;
      });
      if (block < 0) return;
      if (stop_) return;
      lock.unlock();
      Make(block, rows);
      lock.lock();
      slots_[static_cast<std::size_t>(block % kSlots)].readyBlock = block;
      changed_.notify_all();
    }
  } catch (...) {
    const std::lock_guard lock(mutex_);
    worker_failure_ = std::current_exception();
    changed_.notify_all();
  }
}

std::string_view RowTextBlocks::TextFor(std::int64_t row) {
  if (row < 0 || row > last_row_) throw SubscriptOutOfRangeError();
  const std::int64_t block = row / rows_per_block_;
  if (block != current_) {
    const Slot& slot = Await(block);
    current_ = block;
    current_end_ = block * rows_per_block_ + slot.rowsDone;
    current_error_ = slot.error;
    current_released_ = false;
    if (row < current_end_) return {slot.text.data(), slot.size};
  } else if (!current_released_) {
    // The block's text was written out: its slot may take the next one.
    {
      const std::lock_guard lock(mutex_);
      released_ = block + 1;
    }
    changed_.notify_all();
    current_released_ = true;
  }
  if (row >= current_end_) std::rethrow_exception(current_error_);
  return {};
}

}  // namespace quillet
