#pragma once

#include <optional>
#include <string>

#include "core/conversion_state.h"
#include "core/read_command.h"
#include "core/user_interface.h"
#include "files/text_writer.h"

namespace quillet {

inline constexpr const char* kOutputFileName = "dromout.txt";

// Where the Write command puts the table, if not into the stem's directory.
struct WriteTarget {
  std::optional<std::string> path;  // a file path instead of the stem's dromout.txt
  bool standardOutput = false;      // the process's standard output instead
};

// The stem up to and including its last directory separator ("\" or "/"), or
// the empty text when it has none.
std::string DirectoryPart(const std::string& stem);

// The directory part of the stem followed by "dromout.txt".
std::string OutputPathFor(const std::string& stem);

// The Write command: remembers the stem, refuses when no data was read, asks
// for confirmation, and writes the table as tab-separated text. It changes
// nothing in the state. Unexpected failures are thrown (QuilletError); an
// existing output file is then left as it was.
void RunWrite(const ConversionState& state, const std::string& stem, UserInterface& ui,
              RememberStem remember = RememberStem::kYes, const WriteTarget& target = {});

// Writes the table itself: the header, then rows 1..R, setting the progress
// value after each row.
void WriteTable(const ConversionState& state, TextWriter& out, UserInterface& ui);

}  // namespace quillet
