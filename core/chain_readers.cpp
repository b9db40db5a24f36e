#include "core/chain_readers.h"

#include "core/field_scanner.h"
#include "core/numeric_text.h"

namespace quillet {

void ReadIndexCounts(ConversionState& state) {
  TextReader& stream = state.OpenStream(state.indexPath);
  ScanState& scan = state.scan;
  for (int field = 0; field < 2; ++field) {
    SkipField(stream, scan);
    SkipBlanks(stream, scan);
  }
  scan.fieldText.clear();
  const SamplesFieldEnd field_end = CollectSamplesField(stream, scan);
  state.samplesPerVariable = LeadingNumberValue(scan.fieldText);

  scan.fieldText.clear();
  std::int64_t lines = 0;
  if (field_end == SamplesFieldEnd::kLineEnd) {
    ++lines;  // the first line is complete
  } else if (!stream.AtEndOfStream()) {
    // The CR (or blank) that ended the field is consumed, so the rest of the
    // first line, the LF after the CR at least, reads as a line of its own
    // and counts as the first. Nothing after it: no line, a damaged file.
    ++lines;
    stream.SkipLine();
  }
  // Blank lines at the end are not variables.
  while (!stream.AtEndOfStream() && !stream.OnlyBlankLinesLeft()) {
    ++lines;
    stream.SkipLine();
  }
  state.variableCount = lines;
  state.CloseStream();
}

void ReadDataValues(ConversionState& state, UserInterface& ui) {
  TextReader& stream = state.OpenStream(state.dataPath);
  const double samples = *state.samplesPerVariable;
  state.table.Create(RoundToInt32(samples));
  ScanState& scan = state.scan;
  while (!stream.AtEndOfStream()) {
    // Blank lines at the end are not data lines; one that begins with a
    // blank needs the look ahead, any other line is data.
    if (IsLineBlank(stream.Peek()) && stream.OnlyBlankLinesLeft()) break;
    // A new column opens only when a line does not fit the current one, so
    // a file that ends after a variable's last sample leaves no empty column.
    if (static_cast<double>(state.rowCursor) > samples) {
      state.table.AddColumn();
      state.rowCursor = 1;
      ++state.columnCursor;
    }
    Increment(state.linesRead);
    ui.SetProgressValue(static_cast<float>(state.linesRead));

    SkipField(stream, scan);  // the iteration number
    scan.fieldText.clear();
    if (SkipBlanksToValue(stream, scan)) {
      scan.fieldText.push_back(static_cast<char>(scan.currentChar));
      // A last line without a line end runs to the end of the file.
      if (!stream.AtEndOfStream()) stream.AppendLine(scan.fieldText);
    }
    state.table.Set(state.rowCursor, state.columnCursor, scan.fieldText);
    ++state.rowCursor;
  }
}

void ReadIndexNames(ConversionState& state) {
  TextReader& stream = state.OpenStream(state.indexPath);
  ScanState& scan = state.scan;
  scan.fieldText.clear();
  scan.currentChar = ScanState::kNoChar;
  state.columnCursor = 0;
  while (!stream.AtEndOfStream()) {
    // Blank lines at the end get no name; the first line always does.
    if (state.columnCursor > 0 && stream.OnlyBlankLinesLeft()) break;
    CollectField(stream, scan, IsNameEnd);
    stream.SkipLine();  // the rest of the line is not used
    state.table.Set(0, state.columnCursor, scan.fieldText);
    ++state.columnCursor;
    scan.fieldText.clear();
    scan.currentChar = ScanState::kNoChar;
  }
  state.CloseStream();
}

}  // namespace quillet
