// Reads one chain pair in the three passes of the Read command, in the order
// A, B, C: pass A over the index file for the counts, pass B over the data
// file for the values, pass C over the index file again for the names.
//
// The reader owns what the passes hand on between their steps: the one open
// input stream, the scanner and the row and column cursors. Its callers see
// only the results: the counts, and the table and line count they pass in.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/field_scanner.h"
#include "core/index_ranges.h"
#include "core/sample_table.h"
#include "core/user_interface.h"
#include "files/text_reader.h"

namespace quillet {

class LinePlacement;
class SecondHalfReader;

// The two files of a chain pair.
struct ChainPaths {
  std::string index;  // one line per variable: name, first line, last line
  std::string data;   // one line per sample: iteration number, blanks, value
};

// What pass A takes from the index file.
struct IndexCounts {
  // The third field of the first line; with `ranges`, the largest count.
  double samplesPerVariable = 0;
  std::int64_t variableCount = 0;  // its lines, blank ones at the end left out
  // Set when the lines' ranges tile the data file with unequal counts: each
  // variable then takes its own lines (see index_ranges.h).
  std::optional<IndexRanges> ranges;
};

// The smallest data file whose second half is read on a second thread.
inline constexpr std::uint64_t kSplitBytes = std::uint64_t{8} << 20;

// The largest index file read: 64 MiB, about a million variables.
inline constexpr std::size_t kMostIndexBytes = std::size_t{64} << 20;

// The progress maximum of a Read: the last variable's last line with
// ranges, otherwise the samples times the variables, rounded (halves to
// even). Throws OverflowError when it, or the rows, do not fit 32 bits.
std::int32_t ExpectedLines(const IndexCounts& counts);

class ChainReader {
 public:
  explicit ChainReader(ChainPaths paths);
  ~ChainReader();
  ChainReader(const ChainReader&) = delete;
  ChainReader& operator=(const ChainReader&) = delete;

  // Pass A. Reads the index file into memory, once for all three passes, so
  // that a pipe or a named pipe reads as a file does; refuses one larger than
  // kMostIndexBytes (FileError). Scans it twice: the counts, then the ranges. A file that ends
  // before the third field of its first line begins (an empty one, or a line "mu" or "a 1" alone)
  // gives variableCount 0, as one with nothing after that field does: damaged. Throws OverflowError
  // for a count too large for a number.
  IndexCounts ReadIndexCounts();

  // Pass B. Creates `table` with rows 0..R (R: `samplesPerVariable` rounded,
  // halves to even) and fills rows 1..R column by column, one value per data
  // line, opening the next column when a line no longer fits: after R rows,
  // or with ranges after the variable's own count. Adds one to `linesRead`
  // per data line and sets the progress value to it. Leaves the data file
  // open until CloseData(). Throws OverflowError before a column beyond
  // kMostColumns, or a line beyond the counter's limit, and
  // InputPastEndError, naming the line, for a last line without a blank.
  void ReadDataValues(const IndexCounts& counts, SampleTable& table, std::int32_t& linesRead,
                      UserInterface& ui);
  // The same, every variable taking `samplesPerVariable` lines.
  void ReadDataValues(double samplesPerVariable, SampleTable& table, std::int32_t& linesRead,
                      UserInterface& ui);
  void CloseData();
  // Has pass B read every data line byte by byte, as it reads the lines that
  // its stream's buffer does not hold whole: the reference that the usual
  // pass, which takes the other lines from the buffer in place, must match.
  void ReadDataByteAtATime() { byte_at_a_time_ = true; }
  // Has pass B read the lines after byte `near` of its data file on a second
  // thread whatever the file's size (see SecondHalfReader); by default only
  // a regular file of at least kSplitBytes is split, near its middle.
  void SplitDataNear(std::uint64_t near) { split_near_ = near; }

  // Pass C. Reads the index file again from its copy in memory, storing the first field of each
  // line into row 0 of successive columns. A name ends at a
  // blank, a CR, a LF or the end of the file, so each line names its own
  // column, an empty line an empty name. Returns the number of names stored.
  std::int64_t ReadIndexNames(SampleTable& table);

  // Whether a file of the pair is open now.
  bool streamOpen() const { return stream_ != nullptr; }

 private:
  // Opens `path` as the one input stream, releasing the one held before.
  void Open(const std::string& path);
  // Opens the copy of the index file as the one input stream, reading the
  // file into it the first time.
  void OpenIndex();
  void Close();
  // Pass A's second look at the index file: sets `counts.ranges` (and the
  // largest count) when the ranges tile the data file with unequal counts.
  void ReadIndexRanges(IndexCounts& counts);
  // Pass B's second thread over the data file's second half, when the file
  // is split (see SplitDataNear); null otherwise.
  std::unique_ptr<SecondHalfReader> StartSecondHalf(const IndexCounts& counts,
                                                    std::int32_t linesRead,
                                                    const SampleTable& table);
  // Joins what the second thread read to `table` where pass B, standing at its
  // start, finds its guess right, and moves on after it; false otherwise.
  bool JoinSecondHalf(SecondHalfReader& secondHalf, SampleTable& table, LinePlacement& place,
                      std::int32_t& linesRead, UserInterface& ui);
  // The SubscriptOutOfRangeError of a data line that the table has no row for.
  [[noreturn]] void ThrowNoRow(const IndexCounts& counts, std::int32_t linesRead);
  // The OverflowError of a data file that would open too many columns.
  [[noreturn]] void ThrowTooManyColumns(const IndexCounts& counts, std::int32_t linesRead);

  ChainPaths paths_;
  std::optional<std::string> index_bytes_;  // the whole index file, once read
  std::int64_t data_lines_ = -1;            // the lines of the last data pass; -1 before one
  std::unique_ptr<TextReader> stream_;
  std::optional<FieldScanner> scanner_;      // over stream_ while it is open
  std::int64_t column_cursor_ = 0;           // the column of the next name
  bool byte_at_a_time_ = false;              // see ReadDataByteAtATime()
  std::optional<std::uint64_t> split_near_;  // see SplitDataNear()
};

}  // namespace quillet
