// The command-line converter: runs the Read and the Write command without a
// window, on one stem or on an index file with any number of data files.
// Kept apart from main() so that option parsing and the console user
// interface can be tested in-process.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/user_interface.h"
#include "core/write_command.h"

namespace quillet::convert {

inline constexpr const char* kProgramName = "quillet-convert";

// Exit statuses.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitRefused = 1;  // Read or Write ended with its own message
inline constexpr int kExitError = 2;    // an unexpected error stopped the conversion
inline constexpr int kExitUsage = 64;   // the command line itself is wrong

enum class Verbosity { kQuiet, kNormal, kVerbose };

// Either a stem (STEM.ind and STEM.out, the table in the stem's dromout.txt)
// or, with --index, an index file shared by data files that each get a table
// of their own.
struct Options {
  std::string stem;
  std::optional<std::string> index;   // --index: the form with data files
  std::vector<std::string> data;      // its data files, at least one
  std::optional<WriteTarget> output;  // -o: instead of dromout.txt or the data file's table
  Verbosity verbosity = Verbosity::kNormal;
  bool help = false;
  bool version = false;
};

struct ParsedArguments {
  std::optional<Options> options;  // empty on a usage error
  std::string error;               // what is wrong with the command line
};

// Parses the arguments after the program name. Options may stand before,
// between and after the files. --help and --version end the parsing where
// they stand; of -q and -v the last one given counts.
ParsedArguments ParseArguments(const std::vector<std::string>& args);

// A user interface that needs no one at the keyboard: confirmations are
// answered OK, other message texts go to `err`, and progress is drawn as one
// line that rewrites itself, only when asked to.
class ConsoleUi : public UserInterface {
 public:
  ConsoleUi(std::ostream& err, bool show_progress, bool verbose)
      : err_(err), show_progress_(show_progress), verbose_(verbose) {
    SetSubject("");
  }

  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::optional<std::string>& title = std::nullopt) override;
  void ShowProgress() override;
  void HideProgress() override;
  void SetProgressMaximum(float maximum) override;
  void SetProgressValue(float value) override {
    if (!visible_) return;
    // Called once per line: only a change of the shown percentage costs output.
    const int percent = PercentOf(value);
    if (percent != shown_percent_) Draw(percent);
  }

  // The converter keeps no settings: nothing to remember.
  void RememberStem(const std::string& /*stem*/) override {}

  // The word shown before the percentage ("reading", "writing").
  void SetTask(std::string task) { task_ = std::move(task); }

  // The file that every line is about, named after the program's name
  // ("quillet-convert: run2.out: Done Reading"); none when empty.
  void SetSubject(const std::string& subject);

  // Reports an error that stopped the command, on a line of its own.
  void ReportError(const std::string& what);

  // True once a command ended with one of its own warnings (a refused stem,
  // a damaged index file, no data read).
  bool refused() const { return refused_; }

 private:
  int PercentOf(float value) const;
  void Draw(int percent);
  void ClearLine();

  std::ostream& err_;
  const bool show_progress_;
  const bool verbose_;
  std::string prefix_;  // what begins every line
  std::string task_;
  bool refused_ = false;
  bool visible_ = false;
  float maximum_ = 100.0f;
  int shown_percent_ = -1;
  std::size_t line_width_ = 0;
};

// A message box text as a console line: CR LF becomes a line break.
std::string ConsoleText(const std::string& text);

// Where the table of a data file goes without -o: beside it, named after its
// file name without the last extension, plus ".table.txt".
std::string TablePathFor(const std::string& data);

// The whole program: parses `args` (without the program name), converts, and
// returns the exit status; of several data files, the highest status met.
// Help and version go to `out`, everything else that is not a table goes to
// `err`.
int RunConverter(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 bool err_is_terminal);

}  // namespace quillet::convert
