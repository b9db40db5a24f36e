// Fuzz target over the whole Read then Write path.
//
// The input is an index file and a data file: the bytes before the first
// "#data#\n" are STEM.ind, the bytes after it STEM.out (no marker: an empty
// data file). Whatever the bytes, the Read and the Write must either finish
// or stop with one of the program's named errors (QuilletError); variables of
// different lengths must each have their own column; a finished Write must
// leave exactly the table's text in dromout.txt, a stopped one the file that
// was there before, and neither may leave a temporary file behind.
#include <dirent.h>

#include <cstdint>
#include <exception>
#include <set>
#include <string>
#include <string_view>

#include "core/conversion_errors.h"
#include "core/numeric_text.h"
#include "core/read_command.h"
#include "core/write_command.h"
#include "fuzz_support.h"
#include "unequal_layout_check.h"

namespace quillet::fuzzing {
namespace {

constexpr std::string_view kEarlierOutput = "an earlier dromout.txt\r\n";

// A few bytes of index can declare up to 2^31-1 rows per variable, and the
// Write then rightly writes that many lines whatever the data holds: that is
// gigabytes of correct output, not a fault, and would only stall the fuzzer.
// Each row goes through the same code, so a modest bound loses nothing; the
// row counter at its limit is covered by the ordinary tests.
constexpr double kMaxWrittenRows = 10000;

std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* entry = ::readdir(d)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    ::closedir(d);
  }
  return names;
}

// The file the Write must produce for the table, built without the writer.
std::string ExpectedOutput(const ConversionState& state) {
  const SampleTable& table = state.table;
  const std::int64_t last_row = RoundToInt32(*state.samplesPerVariable);
  std::string text = "Iteration\t";
  for (std::int64_t row = 0; row <= last_row; ++row) {
    if (row > 0) text += std::to_string(row) + "\t";
    for (std::int64_t column = 0; column <= table.LastColumn(); ++column) {
      text += table.Get(row, column);
      text += '\t';
    }
    text += "\r\n";
  }
  return text;
}

void CheckWrite(const ConversionState& state, const std::string& stem) {
  const std::string output = OutputPathFor(stem);
  WriteScratchFile(output, kEarlierOutput);
  const auto before = Listing(ScratchDir());

  AnswerOkUi ui;
  bool finished = false;
  try {
    RunWrite(state, stem, ui);
    finished = true;
  } catch (const QuilletError&) {
    // A named error: the earlier file must have survived (checked below).
  } catch (const std::exception& error) {
    Finding(error.what());
  }

  if (Listing(ScratchDir()) != before) Finding("the Write left a file behind");
  const std::string written = ReadScratchFile(output);
  if (!finished) {
    if (written != kEarlierOutput) Finding("a failed Write changed the earlier dromout.txt");
    return;
  }
  const bool wrote =
      state.variableCount.value_or(0) >= 1 && state.samplesPerVariable.value_or(0.0) >= 1.0;
  if (!wrote) {
    if (written != kEarlierOutput) Finding("a refused Write changed dromout.txt");
    return;
  }
  if (written != ExpectedOutput(state)) Finding("dromout.txt differs from the table");
}

}  // namespace
}  // namespace quillet::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet;
  using namespace quillet::fuzzing;

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string stem = WriteScratchPair(input);
  ::unlink(OutputPathFor(stem).c_str());

  ConversionState state;
  AnswerOkUi ui;
  try {
    RunRead(state, stem, ui);
  } catch (const QuilletError&) {
    // A named error ends the Read; the Write below still runs on what it
    // left, as the state stays with the window until the program ends.
  } catch (const std::exception& error) {
    Finding(error.what());
  }
  CheckUnequalLayout(input.substr(0, input.find(kDataMarker)), state);

  // Without a table the Write stops before its first row whatever R is.
  if (!state.table.created() || state.samplesPerVariable.value_or(0.0) <= kMaxWrittenRows) {
    CheckWrite(state, stem);
  }
  return 0;
}
