// The rows of the text table as the bytes a Write puts out, made a block of
// rows at a time on two cores: the calling thread and one worker each take
// the next block not yet taken, into a buffer of its own, and the calling
// thread hands the blocks out strictly in row order. A row's text is made by
// one function (AppendRowText) whichever thread makes it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "core/row_block.h"
#include "core/sample_table.h"

namespace quillet {

// Appends row `row` with its `cells` to `out` at `used`, growing `out` as
// needed, and returns the new end: the row number ("Iteration" for the
// header row 0), a tab, each cell followed by a tab, then CR LF.
std::size_t AppendRowText(std::int64_t row, std::span<const std::string_view> cells,
                          std::vector<char>& out, std::size_t used);

class RowTextBlocks {
 public:
  // Whether a worker thread may be started; without one, or where the system
  // gives none, the calling thread makes every block, the same bytes.
  enum class Worker { kWhenWorthIt, kNever };

  // The text of rows 0..last_row of `table`, which must not change while the
  // blocks are used. A block holds about `block_bytes` bytes of text.
  RowTextBlocks(const SampleTable& table, std::int64_t last_row,
                Worker worker = Worker::kWhenWorthIt,
                std::size_t block_bytes = std::size_t{1} << 18);
  ~RowTextBlocks();
  RowTextBlocks(const RowTextBlocks&) = delete;
  RowTextBlocks& operator=(const RowTextBlocks&) = delete;

  // The bytes to write for `row`, asked for in order 0, 1, 2, ...: at the
  // first row of a block the text of the whole block, empty at the others;
  // valid until the next call. At a row that could not be made (a row
  // outside the table, memory exhausted) its error is thrown, on the calling
  // thread whichever thread met it; the text before it was handed out first.
  std::string_view TextFor(std::int64_t row);

  // Whether a worker thread is helping.
  bool HasWorker() const { return worker_.joinable(); }

 private:
  // Blocks made or being made, not yet handed out: at most this many.
  static constexpr std::int64_t kSlots = 4;

  // A block's buffer; a block b is made into slots_[b % kSlots].
  struct Slot {
    std::vector<char> text;
    std::size_t size = 0;
    std::int64_t readyBlock = -1;  // the block whose text is complete here
    std::int64_t rowsDone = 0;     // rows from the block's first made whole
    std::exception_ptr error;      // why the row after them was not
  };

  // Makes block `block` into its slot with `rows` (the making thread's own);
  // never throws: a failure stays with the slot.
  void Make(std::int64_t block, RowBlock& rows);
  // The next block not yet taken, when its slot is free, else -1; under
  // mutex_. Takes it.
  std::int64_t TakeNextLocked();
  // Waits until block `block` is complete, making other blocks meanwhile.
  Slot& Await(std::int64_t block);
  void Work();

  const SampleTable& table_;
  std::int64_t last_row_;
  std::int64_t rows_per_block_ = 1;
  std::size_t block_bytes_ = 0;  // a block's text as the table suggests
  std::int64_t blocks_ = 0;
  RowBlock rows_;  // the calling thread's

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  std::int64_t next_ = 0;      // the first block not yet taken
  std::int64_t released_ = 0;  // blocks before it are handed out, their slots free
  bool stop_ = false;
  std::exception_ptr worker_failure_;  // the worker ended before its block was made

  // The calling thread's block being handed out.
  std::int64_t current_ = -1;
  std::int64_t current_end_ = 0;  // one past its last row made
  std::exception_ptr current_error_;
  bool current_released_ = true;  // its slot handed back

  std::thread worker_;
};

}  // namespace quillet
