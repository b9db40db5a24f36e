// The second half of a large data file, read on a second core while the data
// pass reads the first half.
//
// Where a line of the second half goes depends on every line before it, and
// those are still being read. So the second half is read on a guess that the
// data pass checks when it reaches the same point: that each line before it
// was a data line of the usual shape, ended by its own LF. Then the data lines
// before the point are as many as its LFs, which the second thread counts
// first. From the point on it reads only what the pass would read the same way
// whatever came before: lines of the usual shape (FieldScanner::
// TakeBufferedDataLine) that fit the table. It stops at the first other line,
// and the pass reads on from there, byte by byte where it must, as always.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/chain_reader.h"
#include "core/line_placement.h"
#include "core/sample_table.h"
#include "files/text_reader.h"

namespace quillet {

class SecondHalfReader {
 public:
  // What the second thread read.
  struct Result {
    // The LFs before `start`: as many data lines as the guess takes there.
    std::int64_t lineEndsBefore = 0;
    SampleTable::Continuation cells;
    std::int64_t lines = 0;   // the data lines it read
    std::uint64_t end = 0;    // where the line after its last one begins
    LinePlacement placement;  // the place of that line
  };

  // Starts reading the data file at `path` from the first line that begins
  // after byte `near`, into cells to be joined to `table`, which the data
  // pass has just created to place its lines in by `counts` (which must
  // outlive the reader). The pass has read `linesBefore` lines of earlier
  // files. Null when no line begins after `near` or no thread can be started.
  static std::unique_ptr<SecondHalfReader> Begin(const std::string& path, std::uint64_t near,
                                                 const IndexCounts& counts,
                                                 const SampleTable& table,
                                                 std::int32_t linesBefore);

  // Stops the thread and waits for it.
  ~SecondHalfReader();
  SecondHalfReader(const SecondHalfReader&) = delete;
  SecondHalfReader& operator=(const SecondHalfReader&) = delete;

  // The byte where the second half begins, at the start of a line.
  std::uint64_t start() const { return start_; }

  // The data lines read so far, for the progress shown; any thread.
  std::int64_t linesSoFar() const { return lines_so_far_.load(std::memory_order_relaxed); }

  // Waits for the thread to finish. Nullopt when it failed: when the guess
  // placed the first line past what the table can hold, or reading failed.
  std::optional<Result> Finish();

 private:
  SecondHalfReader(std::unique_ptr<TextReader> stream, const IndexCounts& counts,
                   std::int64_t lastRow, std::int32_t linesBefore, std::size_t firstChunk);
  void Run() noexcept;
  // The LFs of the file before start_.
  std::int64_t CountLineEndsBefore();
  void Read(Result& result);

  std::unique_ptr<TextReader> stream_;  // at start_
  std::uint64_t start_;
  const IndexCounts& counts_;
  std::int64_t last_row_;
  std::int32_t lines_before_;
  std::size_t first_chunk_;
  std::optional<Result> result_;
  std::atomic<std::int64_t> lines_so_far_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace quillet
