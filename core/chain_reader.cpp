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
  return counts;
}

void ChainReader::ReadDataValues(double samplesPerVariable, SampleTable& table,
                                 std::int32_t& linesRead, UserInterface& ui) {
  Open(paths_.data);
  FieldScanner& scan = *scanner_;
  table.Create(RoundToInt32(samplesPerVariable));
  row_cursor_ = 1;
  column_cursor_ = 0;
  while (!stream_->AtEndOfStream()) {
    // Blank lines at the end are not data lines; only a line that begins
    // with a blank needs the look ahead.
    if (IsLineBlank(stream_->Peek()) && stream_->OnlyBlankLinesLeft()) break;
    // A new column opens only when a line does not fit the current one, so
    // a file that ends after a variable's last sample leaves no empty column.
    if (static_cast<double>(row_cursor_) > samplesPerVariable) {
      table.AddColumn();
      row_cursor_ = 1;
      ++column_cursor_;
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
