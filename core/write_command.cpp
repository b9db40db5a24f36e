#include "core/write_command.h"

#include <memory>

#include "core/conversion_errors.h"
#include "core/numeric_text.h"
#include "core/read_command.h"
#include "core/row_text.h"
#include "core/table_sink.h"
#include "files/paths.h"
#include "files/same_file.h"
#include "files/text_writer.h"

namespace quillet {
namespace {

// The table as tab-separated text (AppendRowText), its rows made on both
// cores and written in order.
class TextTableSink : public TableSink {
 public:
  explicit TextTableSink(const WriteTarget& target) : target_(target) {}

  std::string Name() const override { return target_.Name(); }

  // A table is never written over one of its inputs, by any of their names.
  std::optional<std::string> Refusal(const ConversionState&) const override {
    if (target_.standardOutput || target_.inputs.empty()) return std::nullopt;
    FileSet inputs;
    for (const auto& [path, what] : target_.inputs) inputs.Add(path, what);
    return OverwriteRefusal("table", target_.path, inputs);
  }

  void Begin(const ConversionState& state) override {
    table_ = &state.table;
    last_row_ = LastRowWritten(state);
    out_ = target_.standardOutput ? TextWriter::ToStandardOutput()
                                  : std::make_unique<TextWriter>(target_.path);
  }

  void Row(std::int64_t row) override {
    if (row == 0) {
      // The column counter is signed 16-bit: stepping it past its limit overflows.
      const std::int64_t last_column = table_->LastColumn();
      if (last_column >= kMostColumns) {
        throw OverflowError("the table has " + GroupedDigits(last_column + 1) +
                            " columns, more than " + GroupedDigits(kMostColumns));
      }
      rows_.emplace(*table_, last_row_);
    }
    out_->WriteUnbuffered(rows_->TextFor(row));
  }

  void End() override { out_->Close(); }

 private:
  const WriteTarget& target_;
  const SampleTable* table_ = nullptr;
  std::int64_t last_row_ = 0;
  std::optional<RowTextBlocks> rows_;  // from the header row on
  std::unique_ptr<TextWriter> out_;
};

}  // namespace

void TellWritten(UserInterface& ui) {
  ui.ShowMessage("Done writing file", MessageStyle::kOkOnly, kProgramTitle);
}

std::optional<std::string> OverwriteRefusal(std::string_view kind, const std::string& output,
                                            const FileSet& inputs) {
  const auto what = inputs.Find(output);
  if (!what) return std::nullopt;
  return "The " + std::string(kind) + " " + output + " would overwrite " + *what + ".";
}

std::string OutputPathFor(const std::string& stem) {
  return DirectoryWithSeparator(stem) + kOutputFileName;
}

std::int32_t LastRowWritten(const ConversionState& state) {
  return RoundToInt32(state.samplesPerVariable.value_or(0.0));
}

CommandOutcome WriteThrough(const ConversionState& state, TableSink& sink, UserInterface& ui) {
  if (state.variableCount.value_or(0) < 1 || state.samplesPerVariable.value_or(0.0) < 1.0) {
    ui.ShowMessage("Data has not been read.", MessageStyle::kExclamation);
    return CommandOutcome::kRefused;
  }
  if (const auto refusal = sink.Refusal(state)) {
    ui.ShowMessage(*refusal, MessageStyle::kExclamation);
    return CommandOutcome::kRefused;
  }
  if (ui.ShowMessage("Writing to " + sink.Name(), MessageStyle::kOkCancel) ==
      MessageAnswer::kCancel) {
    return CommandOutcome::kCancelled;
  }
  sink.Begin(state);
  ui.ShowProgress();
  ui.SetProgressMaximum(static_cast<float>(*state.samplesPerVariable));
  sink.Row(0);
  // Every row number fits 32 bits; the counter is wider only so that stepping
  // past the largest possible last row ends the loop instead of overflowing
  // after the whole table was written.
  const std::int32_t last_row = LastRowWritten(state);
  for (std::int64_t row = 1; row <= last_row; ++row) {
    sink.Row(row);
    ui.SetProgressValue(static_cast<float>(row));
  }
  sink.End();
  ui.HideProgress();
  return CommandOutcome::kDone;
}

CommandOutcome RunWrite(const ConversionState& state, const std::string& stem, UserInterface& ui) {
  ui.RememberStem(stem);
  const ChainPaths pair = PairOfStem(stem);
  return RunWriteTo(
      state,
      {OutputPathFor(stem),
       false,
       {{pair.index, "the index file " + pair.index}, {pair.data, "the data file " + pair.data}}},
      ui);
}

CommandOutcome RunWriteTo(const ConversionState& state, const WriteTarget& target,
                          UserInterface& ui) {
  TextTableSink sink(target);
  const CommandOutcome outcome = WriteThrough(state, sink, ui);
  if (outcome == CommandOutcome::kDone) {
    TellWritten(ui);
  }
  return outcome;
}

}  // namespace quillet
