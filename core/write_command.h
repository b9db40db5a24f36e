#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/command_outcome.h"
#include "core/conversion_state.h"
#include "core/user_interface.h"
#include "files/same_file.h"
#include "files/text_writer.h"

namespace quillet {

inline constexpr const char* kOutputFileName = "dromout.txt";

// Where a table goes: a file, or the process's standard output.
struct WriteTarget {
  std::string path;  // the file, when not standard output
  bool standardOutput = false;
  // Files the table must not overwrite, each with what it is ("the index
  // file run.ind"): a link from the table's name to one is refused.
  std::vector<std::pair<std::string, std::string>> inputs = {};

  // How the confirmation names the target.
  std::string Name() const { return standardOutput ? kStandardOutputName : path; }
};

// Tells the user that a Write has put its file in place: "Done writing file",
// captioned with the program's title.
void TellWritten(UserInterface& ui);

// The refusal of an output that is one of `inputs` (see FileSet): "The table
// OUTPUT would overwrite the index file STEM.ind.", `kind` naming the output
// ("table", "workbook") and the input named as it was added; empty when the
// output is none of them. Every such check, the window's and the
// converter's, words it so.
std::optional<std::string> OverwriteRefusal(std::string_view kind, const std::string& output,
                                            const FileSet& inputs);

// The stem's directory (DirectoryWithSeparator: up to and including its last "\" or
// "/"; nothing without one) followed by "dromout.txt".
std::string OutputPathFor(const std::string& stem);

// The Write command: asks the user interface to remember the stem, then
// writes the table into "dromout.txt" in the stem's directory (RunWriteTo),
// never over STEM.ind or STEM.out.
CommandOutcome RunWrite(const ConversionState& state, const std::string& stem, UserInterface& ui);

// The Write command after the stem: refuses when no data was read or when
// the target is one of its inputs, asks for confirmation, and writes the
// table to `target` as tab-separated text. It
// changes nothing in the state. Unexpected failures are thrown (QuilletError);
// an existing output file is then left as it was. Refused when no data was
// read or the target is an input, cancelled when the user cancels the
// confirmation.
CommandOutcome RunWriteTo(const ConversionState& state, const WriteTarget& target,
                          UserInterface& ui);

}  // namespace quillet
