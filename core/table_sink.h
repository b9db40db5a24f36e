// Where the Write command puts a table: the tab-separated text table, a
// workbook's worksheet, or any other output. The command checks, confirms,
// reports progress and walks the rows once; the sink only writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/command_outcome.h"
#include "core/conversion_state.h"
#include "core/user_interface.h"

namespace quillet {

class TableSink {
 public:
  virtual ~TableSink() = default;

  // How the confirmation names the output ("Writing to NAME").
  virtual std::string Name() const = 0;

  // Why this output cannot take the table read into `state`, as the message
  // that refuses it before anything is written; empty when it can.
  virtual std::optional<std::string> Refusal(const ConversionState& state) const = 0;

  // Opens the output for the table read into `state`.
  virtual void Begin(const ConversionState& state) = 0;

  // Writes row `row` of the table: 0 the header row, then 1..R in order.
  virtual void Row(std::int64_t row) = 0;

  // Writes what follows the rows and ends the table. Throws FileError.
  virtual void End() = 0;
};

// The last row a Write writes: the sample count read, rounded.
std::int32_t LastRowWritten(const ConversionState& state);

// The Write command over any sink: refuses with "Data has not been read."
// when no data was read, or with the sink's own refusal; asks for
// confirmation; then writes the table through the sink, setting the progress
// value after each row. Unexpected failures are thrown.
CommandOutcome WriteThrough(const ConversionState& state, TableSink& sink, UserInterface& ui);

}  // namespace quillet
