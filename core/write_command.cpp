#include "core/write_command.h"

#include <charconv>
#include <memory>

#include "core/conversion_errors.h"
#include "core/numeric_text.h"
#include "files/paths.h"
#include "files/same_file.h"
#include "files/text_writer.h"

namespace quillet {
namespace {

// Writes every cell of `row`, each followed by a tab.
void WriteCells(const SampleTable& table, std::int64_t row, TextWriter& out) {
  const std::int64_t last_column = table.LastColumn();
  // The column counter is signed 16-bit: stepping it past its limit overflows.
  if (last_column >= kMostColumns) {
    throw OverflowError("the table has " + GroupedDigits(last_column + 1) + " columns, more than " +
                        GroupedDigits(kMostColumns));
  }
  for (std::int64_t column = 0; column <= last_column; ++column) {
    out.Write(table.Get(row, column));
    out.Write('\t');
  }
}

}  // namespace

std::string OutputPathFor(const std::string& stem) {
  return DirectoryWithSeparator(stem) + kOutputFileName;
}

void WriteTable(const ConversionState& state, TextWriter& out, UserInterface& ui) {
  const SampleTable& table = state.table;
  out.Write("Iteration\t");
  WriteCells(table, 0, out);
  out.WriteLine();

  const std::int32_t last_row = RoundToInt32(*state.samplesPerVariable);
  char number[16];
  // Every row number fits 32 bits; the counter is wider only so that stepping
  // past the largest possible last row ends the loop instead of overflowing
  // after the whole table was written.
  for (std::int64_t row = 1; row <= last_row; ++row) {
    const auto digits = std::to_chars(number, number + sizeof number, row);
    out.Write(std::string_view(number, static_cast<std::size_t>(digits.ptr - number)));
    out.Write('\t');
    WriteCells(table, row, out);
    out.WriteLine();
    ui.SetProgressValue(static_cast<float>(row));
  }
}

CommandOutcome RunWrite(const ConversionState& state, const std::string& stem, UserInterface& ui) {
  ui.RememberStem(stem);
  const std::string index = stem + ".ind";
  const std::string data = stem + ".out";
  return RunWriteTo(state,
                    {OutputPathFor(stem),
                     false,
                     {{index, "the index file " + index}, {data, "the data file " + data}}},
                    ui);
}

CommandOutcome RunWriteTo(const ConversionState& state, const WriteTarget& target,
                          UserInterface& ui) {
  if (state.variableCount.value_or(0) < 1 || state.samplesPerVariable.value_or(0.0) < 1.0) {
    ui.ShowMessage("Data has not been read.", MessageStyle::kExclamation);
    return CommandOutcome::kRefused;
  }
  if (!target.standardOutput && !target.inputs.empty()) {
    FileSet inputs;
    for (const auto& [path, what] : target.inputs) inputs.Add(path, what);
    if (const auto what = inputs.Find(target.path)) {
      ui.ShowMessage("The table " + target.path + " would overwrite " + *what + ".",
                     MessageStyle::kExclamation);
      return CommandOutcome::kRefused;
    }
  }
  if (ui.ShowMessage("Writing to " + target.Name(), MessageStyle::kOkCancel) ==
      MessageAnswer::kCancel) {
    return CommandOutcome::kCancelled;
  }

  std::unique_ptr<TextWriter> out = target.standardOutput
                                        ? TextWriter::ToStandardOutput()
                                        : std::make_unique<TextWriter>(target.path);
  ui.ShowProgress();
  ui.SetProgressMaximum(static_cast<float>(*state.samplesPerVariable));
  WriteTable(state, *out, ui);
  out->Close();
  ui.HideProgress();
  ui.ShowMessage("Done writing file", MessageStyle::kOkOnly, kProgramTitle);
  return CommandOutcome::kDone;
}

}  // namespace quillet
