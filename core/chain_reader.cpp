#include "core/chain_reader.h"

#include <filesystem>
#include <system_error>

#include "core/line_placement.h"
#include "core/numeric_text.h"
#include "core/second_half_reader.h"
#include "files/platform.h"

namespace quillet {
namespace {

// The lines from here to the end of `stream`, blank lines at the end left out.
std::int64_t LinesLeft(TextReader& stream) {
  std::int64_t lines = 0;
  while (!stream.OnlyBlankLinesLeft() && stream.SkipLine()) ++lines;
  return lines;
}

// Whether `path` can be read a second time: a regular file, not a pipe or a
// device.
bool CanReadAgain(const std::string& path) {
  std::error_code unknown;
  return std::filesystem::is_regular_file(NativePath(path), unknown);
}

// The number of the file's last line: where a scan that reached the end of
// the file stood. Counted in the file once more; a pipe, which cannot be
// read twice, gives `otherwise`.
std::int64_t LastLineNumber(const std::string& path, std::int64_t otherwise) {
  if (!CanReadAgain(path)) return otherwise;
  TextReader file(path);
  std::int64_t lines = 0;
  while (file.SkipLine()) ++lines;
  return lines;
}

const std::string kMostRowsText = GroupedDigits(INT32_MAX);

}  // namespace

ChainReader::ChainReader(ChainPaths paths) : paths_(std::move(paths)) {}

ChainReader::~ChainReader() = default;

void ChainReader::Open(const std::string& path) {
  Close();
  stream_ = std::make_unique<TextReader>(path);
  scanner_.emplace(*stream_);
}

void ChainReader::OpenIndex() {
  Close();
  if (!index_bytes_) {
    index_bytes_ = ReadWholeFile(paths_.index, kMostIndexBytes);
    if (!index_bytes_) {
      throw FileError(kCannotRead, paths_.index,
                      "larger than 64 MiB, more than an index file of one line per variable holds");
    }
  }
  stream_ = std::make_unique<TextReader>(paths_.index, *index_bytes_);
  scanner_.emplace(*stream_);
}

void ChainReader::Close() {
  scanner_.reset();
  stream_.reset();
}

IndexCounts ChainReader::ReadIndexCounts() {
  OpenIndex();
  FieldScanner& scan = *scanner_;
  IndexCounts counts;
  try {
    for (int field = 0; field < 2; ++field) {
      scan.SkipField();
      scan.SkipBlanks();
    }
  } catch (const InputPastEndError&) {
    // The file ends before the third field of its first line begins: empty,
    // or one line of fewer fields. No variable is complete: damaged.
    Close();
    return counts;
  }
  const SamplesFieldEnd field_end = scan.CollectSamplesField();
  try {
    counts.samplesPerVariable = LeadingNumberValue(scan.fieldText());
  } catch (const OverflowError&) {
    throw OverflowError("the index says " + scan.fieldText() + " samples per variable, more than " +
                        kMostRowsText);
  }

  if (field_end == SamplesFieldEnd::kLineEnd) {
    ++counts.variableCount;  // the first line is complete
  } else if (stream_->SkipLine()) {
    // The CR (or blank) that ended the field is consumed, so the rest of the
    // first line, the LF after the CR at least, reads as a line of its own
    // and counts as the first. Nothing after it: no line, a damaged file.
    ++counts.variableCount;
  }
  counts.variableCount += LinesLeft(*stream_);  // blank lines at the end are not variables
  Close();
  ReadIndexRanges(counts);
  return counts;
}

void ChainReader::ReadIndexRanges(IndexCounts& counts) {
  if (counts.variableCount == 0) return;
  OpenIndex();
  counts.ranges = ReadUnequalRanges(*stream_, counts.variableCount);
  Close();
  if (counts.ranges) counts.samplesPerVariable = static_cast<double>(counts.ranges->largestCount);
}

std::int32_t ExpectedLines(const IndexCounts& counts) {
  const double rows = RoundHalfEven(counts.samplesPerVariable);
  if (!(rows >= INT32_MIN && rows <= INT32_MAX)) {
    throw OverflowError("the index says " + NumberText(counts.samplesPerVariable) +
                        " samples per variable, more than " + kMostRowsText);
  }
  const double lines = counts.ranges
                           ? static_cast<double>(counts.ranges->lastLine)
                           : counts.samplesPerVariable * static_cast<double>(counts.variableCount);
  const double rounded = RoundHalfEven(lines);
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) {
    throw OverflowError("the index announces " + NumberText(rounded) + " data lines, more than " +
                        kMostRowsText);
  }
  return static_cast<std::int32_t>(rounded);
}

void ChainReader::ReadDataValues(double samplesPerVariable, SampleTable& table,
                                 std::int32_t& linesRead, UserInterface& ui) {
  IndexCounts counts;
  counts.samplesPerVariable = samplesPerVariable;
  ReadDataValues(counts, table, linesRead, ui);
}

void ChainReader::ReadDataValues(const IndexCounts& counts, SampleTable& table,
                                 std::int32_t& linesRead, UserInterface& ui) {
  const std::int32_t last_row = RoundToInt32(counts.samplesPerVariable);
  if (last_row < 0) {
    throw SubscriptOutOfRangeError(
        "line 1 of " + paths_.index + " says " + NumberText(counts.samplesPerVariable) +
        " samples per variable, and a table cannot have fewer than none");
  }
  Open(paths_.data);
  FieldScanner& scan = *scanner_;
  table.Create(last_row);
  data_lines_ = 0;
  LinePlacement place(counts.ranges, counts.samplesPerVariable, last_row);
  std::unique_ptr<SecondHalfReader> second_half = StartSecondHalf(counts, linesRead, table);
  while (!stream_->AtEndOfStream()) {
    if (second_half && stream_->Position() >= second_half->start()) {
      const bool joined = JoinSecondHalf(*second_half, table, place, linesRead, ui);
      second_half.reset();
      if (joined) continue;
    }
    // Blank lines at the end are not data lines; only a line that begins
    // with a blank needs the look ahead.
    if (IsLineBlank(stream_->Peek()) && stream_->OnlyBlankLinesLeft()) break;
    if (place.NextOpensColumn()) {
      // Stopped before the column, not at the Write: surplus lines must not
      // fill memory with columns that no Write can write.
      if (!place.NewColumnAllowed()) ThrowTooManyColumns(counts, linesRead);
      table.AddColumn();
      place.OpenColumn();
    }
    if (linesRead == INT32_MAX) {
      throw OverflowError("the data file has more than " + kMostRowsText + " lines");
    }
    ++linesRead;
    ++data_lines_;
    ui.SetProgressValue(static_cast<float>(second_half ? linesRead + second_half->linesSoFar()
                                                       : std::int64_t{linesRead}));

    if (!byte_at_a_time_) {
      // The common line, held whole by the stream's buffer: its value stored
      // straight from there.
      if (const std::optional<std::string_view> value = scan.TakeBufferedDataLine()) {
        if (!place.RowExists()) ThrowNoRow(counts, linesRead);
        table.SetNext(place.row(), place.column(), *value);
        place.Advance();
        continue;
      }
    }
    try {
      scan.SkipField();  // the iteration number
    } catch (const InputPastEndError&) {
      // A last line without a blank: its value was never reached.
      throw InputPastEndError(paths_.data + " ends inside line " +
                              GroupedDigits(LastLineNumber(paths_.data, linesRead)));
    }
    // The value runs to the line end; on a last line without one, to the
    // end of the file.
    if (scan.SkipBlanksToValue()) scan.AppendRestOfLine();
    if (!place.RowExists()) ThrowNoRow(counts, linesRead);
    table.SetTaking(place.row(), place.column(), std::move(scan.fieldText()));
    place.Advance();
  }
}

std::unique_ptr<SecondHalfReader> ChainReader::StartSecondHalf(const IndexCounts& counts,
                                                               std::int32_t linesRead,
                                                               const SampleTable& table) {
  if (byte_at_a_time_ || !CanReadAgain(paths_.data)) return nullptr;
  std::uint64_t near = 0;
  if (split_near_) {
    near = *split_near_;
  } else {
    std::error_code unknown;
    const std::uintmax_t size = std::filesystem::file_size(NativePath(paths_.data), unknown);
    if (unknown || size < kSplitBytes) return nullptr;
    // The second thread first counts the line ends before its part, about a
    // quarter of the time it takes to read as many bytes, and then reads its
    // lines about as fast as the pass: it takes the last nine twentieths, so
    // that both end together.
    near = size / 20 * 11;
  }
  try {
    return SecondHalfReader::Begin(paths_.data, near, counts, table, linesRead);
  } catch (...) {
    return nullptr;  // the file opened a second time fails: the pass reads it all
  }
}

bool ChainReader::JoinSecondHalf(SecondHalfReader& secondHalf, SampleTable& table,
                                 LinePlacement& place, std::int32_t& linesRead, UserInterface& ui) {
  // Only where the guess holds: every line before the second half was one
  // line, ended by its own LF, and none ran on across its start.
  const bool here = stream_->Position() == secondHalf.start();
  std::optional<SecondHalfReader::Result> read = secondHalf.Finish();
  if (!here || !read || read->lineEndsBefore != data_lines_ ||
      !table.Join(std::move(read->cells))) {
    return false;
  }
  if (read->lines == 0) return true;  // the pass reads on from here
  place = read->placement;
  linesRead += static_cast<std::int32_t>(read->lines);
  data_lines_ += read->lines;
  ui.SetProgressValue(static_cast<float>(linesRead));
  stream_->SeekTo(read->end);
  return true;
}

void ChainReader::ThrowNoRow(const IndexCounts& counts, std::int32_t linesRead) {
  // A count below one rounds to no row at all.
  throw SubscriptOutOfRangeError("the index says " + NumberText(counts.samplesPerVariable) +
                                 " samples per variable, which leaves line " +
                                 GroupedDigits(linesRead) + " of " + paths_.data + " no row");
}

void ChainReader::ThrowTooManyColumns(const IndexCounts& counts, std::int32_t linesRead) {
  // The lines read so far and the lines after them, as a user counts them.
  // A stream is not read on to its end: it may never end, or only when its
  // writer is done; the line that would open the column is the last counted.
  const bool whole_file = CanReadAgain(paths_.data);
  const std::int64_t lines = linesRead + (whole_file ? LinesLeft(*stream_) : 1);
  const double samples = counts.samplesPerVariable;
  throw OverflowError("the table would have more than " + GroupedDigits(kMostColumns) +
                      " columns (the index says " + (counts.ranges ? "at most " : "") +
                      NumberText(samples) + (samples == 1 ? " sample" : " samples") +
                      " per variable; the data file has " + (whole_file ? "" : "at least ") +
                      GroupedDigits(lines) + " lines)");
}

void ChainReader::CloseData() {
  Close();
}

std::int64_t ChainReader::ReadIndexNames(SampleTable& table) {
  OpenIndex();
  FieldScanner& scan = *scanner_;
  column_cursor_ = 0;
  while (!stream_->AtEndOfStream()) {
    // Blank lines at the end get no name; the first line always does.
    if (column_cursor_ > 0 && stream_->OnlyBlankLinesLeft()) break;
    scan.Reset();
    scan.CollectName();
    // The rest of the line is not used; a name that ended its line ended it.
    if (scan.currentChar() != '\n') stream_->SkipLine();
    if (column_cursor_ > table.LastColumn()) {
      if (data_lines_ == 0) {
        throw SubscriptOutOfRangeError(paths_.data +
                                       " holds no lines, none for the variables that " +
                                       paths_.index + " names");
      }
      throw SubscriptOutOfRangeError("line " + GroupedDigits(column_cursor_ + 1) + " of " +
                                     paths_.index + " names a variable that " + paths_.data +
                                     " has no lines for");
    }
    table.Set(0, column_cursor_, scan.fieldText());
    ++column_cursor_;
  }
  Close();
  return column_cursor_;
}

}  // namespace quillet
