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
  CollectField(stream, scan, IsSamplesFieldEnd);
  state.samplesPerVariable = LeadingNumberValue(scan.fieldText);

  // The CR that ended the field is consumed, so the LF after it reads as an
  // empty line: the rest of line 1 counts as one line.
  scan.fieldText.clear();
  state.variableCount = 0;
  while (!stream.AtEndOfStream()) {
    ++*state.variableCount;
    stream.SkipLine();
  }
  state.CloseStream();
}

void ReadDataValues(ConversionState& state, UserInterface& ui) {
  TextReader& stream = state.OpenStream(state.dataPath);
  const double samples = *state.samplesPerVariable;
  state.table.Create(RoundToInt32(samples));
  ScanState& scan = state.scan;
  while (!stream.AtEndOfStream()) {
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
    SkipBlanks(stream, scan);
    scan.fieldText.assign(1, static_cast<char>(scan.currentChar));
    stream.AppendLine(scan.fieldText);
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
