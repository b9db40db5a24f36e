// Differential fuzz target of the Read's passes: the data file read byte by
// byte (the reference) and read as usual, the lines its stream's buffer
// holds whole taken from there in place and the lines after its middle read
// on a second thread, must give the same table, the same counts, the same
// calls on the user interface and the same error at the same moment. The
// progress values between two other calls may differ (the second thread's
// lines count as it reads them); the last of them may not. Built with a read
// block of a few bytes, so that lines stand across blocks.
//
// The input is that of the read_write target: the index file, "#data#" and
// LF, then the data file.
#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>

#include "core/chain_reader.h"
#include "core/conversion_errors.h"
#include "core/numeric_text.h"
#include "fuzz_support.h"

namespace quillet::fuzzing {
namespace {

// Writes down every call, in order; of progress values in a row, the last.
class RecordingUi : public UserInterface {
 public:
  explicit RecordingUi(std::string& log) : log_(log) {}
  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::optional<std::string>& title) override {
    Flush();
    log_ += "message " + text + " " + std::to_string(static_cast<int>(style)) + " " +
            title.value_or("-") + "\n";
    return MessageAnswer::kOk;
  }
  void ShowProgress() override {
    Flush();
    log_ += "show\n";
  }
  void HideProgress() override {
    Flush();
    log_ += "hide\n";
  }
  void SetProgressMaximum(float maximum) override {
    Flush();
    log_ += "maximum " + std::to_string(maximum) + "\n";
  }
  void SetProgressValue(float value) override { value_ = value; }
  void RememberStem(const std::string& stem) override {
    Flush();
    log_ += "stem " + stem + "\n";
  }
  void Flush() {
    if (value_) log_ += "value " + std::to_string(*value_) + "\n";
    value_.reset();
  }

 private:
  std::string& log_;
  std::optional<float> value_;
};

// The three passes as the Read command runs them, and all they leave, as text.
std::string ReadThePair(const ChainPaths& paths, bool byte_at_a_time) {
  std::string log;
  RecordingUi ui(log);
  ChainReader reader(paths);
  if (byte_at_a_time) {
    reader.ReadDataByteAtATime();
  } else {
    std::error_code unknown;
    reader.SplitDataNear(std::filesystem::file_size(paths.data, unknown) / 2);
  }
  SampleTable table;
  std::int32_t lines = 0;
  try {
    const IndexCounts counts = reader.ReadIndexCounts();
    log += "counts " + NumberText(counts.samplesPerVariable) + " " +
           std::to_string(counts.variableCount) + "\n";
    if (counts.variableCount != 0) {
      log += "expected " + std::to_string(ExpectedLines(counts)) + "\n";
      reader.ReadDataValues(counts, table, lines, ui);
      ui.Flush();
      log += "done reading; open " + std::to_string(reader.streamOpen()) + "\n";
      reader.CloseData();
      log += "names " + std::to_string(reader.ReadIndexNames(table)) + "\n";
    }
  } catch (const QuilletError& error) {
    ui.Flush();
    log += std::string("error ") + typeid(error).name() + ": " + error.what() + "\n";
  } catch (const std::exception& error) {
    Finding(error.what());
  }
  ui.Flush();
  log += "lines " + std::to_string(lines) + "\n";
  if (table.created()) {
    log += "table " + std::to_string(table.last_row()) + " " + std::to_string(table.LastColumn()) +
           "\n";
    for (std::int64_t column = 0; column <= table.LastColumn(); ++column) {
      for (std::int64_t row = 0; row <= table.last_row() && row <= 100000; ++row) {
        const std::string_view cell = table.Get(row, column);
        log += std::to_string(cell.size()) + ":";
        log += cell;
        log += "\n";
      }
    }
  }
  return log;
}

}  // namespace
}  // namespace quillet::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet;
  using namespace quillet::fuzzing;

  const std::string stem =
      WriteScratchPair(std::string_view(reinterpret_cast<const char*>(data), size));
  const ChainPaths paths{stem + ".ind", stem + ".out"};
  if (ReadThePair(paths, true) != ReadThePair(paths, false)) {
    Finding("the data pass differs from its byte-at-a-time reference");
  }
  return 0;
}
