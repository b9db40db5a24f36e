#include "core/chain_reader.h"

#include "core/numeric_text.h"

namespace quillet {

ChainReader::ChainReader(ChainPaths paths) : paths_(std::move(paths)) {}

ChainReader::~ChainReader() = default;

void ChainReader::Open(const std::string& path) {
  Close();
  stream_ = std::make_unique<TextReader>(path);
  scanner_.emplace(*stream_);
}

void ChainReader::Close() {
  scanner_.reset();
  stream_.reset();
}

IndexCounts ChainReader::ReadIndexCounts() {
  Open(paths_.index);
  FieldScanner& scan = *scanner_;
  for (int field = 0; field < 2; ++field) {
    scan.SkipField();
    scan.SkipBlanks();
  }
  IndexCounts counts;
  const SamplesFieldEnd field_end = scan.CollectSamplesField();
  counts.samplesPerVariable = LeadingNumberValue(scan.fieldText());

  if (field_end == SamplesFieldEnd::kLineEnd) {
    ++counts.variableCount;  // the first line is complete
  } else if (stream_->SkipLine()) {
    // The CR (or blank) that ended the field is consumed, so the rest of the
    // first line, the LF after the CR at least, reads as a line of its own
    // and counts as the first. Nothing after it: no line, a damaged file.
    ++counts.variableCount;
  }
  // Blank lines at the end are not variables.
  while (!stream_->OnlyBlankLinesLeft() && stream_->SkipLine()) ++counts.variableCount;
  Close();
  ReadIndexRanges(counts);
  return counts;
}

void ChainReader::ReadIndexRanges(IndexCounts& counts) {
  if (counts.variableCount == 0) return;
  Open(paths_.index);
  counts.ranges = ReadUnequalRanges(*stream_, counts.variableCount);
  Close();
  if (counts.ranges) counts.samplesPerVariable = static_cast<double>(counts.ranges->largestCount);
}

std::int32_t ExpectedLines(const IndexCounts& counts) {
  if (counts.ranges) return RoundToInt32(static_cast<double>(counts.ranges->lastLine));
  return RoundToInt32(counts.samplesPerVariable * static_cast<double>(counts.variableCount));
}

void ChainReader::ReadDataValues(double samplesPerVariable, SampleTable& table,
                                 std::int32_t& linesRead, UserInterface& ui) {
  IndexCounts counts;
  counts.samplesPerVariable = samplesPerVariable;
  ReadDataValues(counts, table, linesRead, ui);
}

void ChainReader::ReadDataValues(const IndexCounts& counts, SampleTable& table,
                                 std::int32_t& linesRead, UserInterface& ui) {
  Open(paths_.data);
  FieldScanner& scan = *scanner_;
  table.Create(RoundToInt32(counts.samplesPerVariable));
  row_cursor_ = 1;
  column_cursor_ = 0;
  // Looked up once per column, so that the lines pay nothing for the ranges.
  double column_rows = RowsOfColumn(counts.ranges, counts.samplesPerVariable, 0);
  while (!stream_->AtEndOfStream()) {
    // Blank lines at the end are not data lines; only a line that begins
    // with a blank needs the look ahead.
    if (IsLineBlank(stream_->Peek()) && stream_->OnlyBlankLinesLeft()) break;
    // A new column opens only when a line does not fit the current one, so
    // a file that ends after a variable's last sample leaves no empty column.
    if (static_cast<double>(row_cursor_) > column_rows) {
      table.AddColumn();
      row_cursor_ = 1;
      ++column_cursor_;
      column_rows = RowsOfColumn(counts.ranges, counts.samplesPerVariable, column_cursor_);
    }
    Increment(linesRead);
    ui.SetProgressValue(static_cast<float>(linesRead));

    scan.SkipField();  // the iteration number
    // The value runs to the line end; on a last line without one, to the
    // end of the file.
    if (scan.SkipBlanksToValue()) scan.AppendRestOfLine();
    table.Set(row_cursor_, column_cursor_, scan.fieldText());
    ++row_cursor_;
  }
}

void ChainReader::CloseData() {
  Close();
}

std::int64_t ChainReader::ReadIndexNames(SampleTable& table) {
  Open(paths_.index);
  FieldScanner& scan = *scanner_;
  column_cursor_ = 0;
  while (!stream_->AtEndOfStream()) {
    // Blank lines at the end get no name; the first line always does.
    if (column_cursor_ > 0 && stream_->OnlyBlankLinesLeft()) break;
    scan.Reset();
    scan.CollectField(IsNameEnd);
    scan.SkipRestOfLine();  // the rest of the line is not used
    table.Set(0, column_cursor_, scan.fieldText());
    ++column_cursor_;
  }
  Close();
  return column_cursor_;
}

}  // namespace quillet
