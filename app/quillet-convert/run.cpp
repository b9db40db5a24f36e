#include "app/quillet-convert/run.h"

#include <algorithm>
#include <exception>

#include "app/quillet-convert/console_ui.h"
#include "app/quillet-convert/manual.h"
#include "app/quillet-convert/options.h"
#include "core/conversion_state.h"
#include "core/read_command.h"
#include "core/unexpected_error.h"
#include "files/paths.h"
#include "files/same_file.h"

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "unknown"
#endif

namespace quillet::convert {
namespace {

constexpr const char* kUsage =
    "Usage: quillet-convert [-q | -v] [-o FILE] STEM\n"
    "       quillet-convert [-q | -v] --index INDEX [-o FILE] DATA...\n";

// Runs `read` and then `write` on a state of their own and gives the exit
// status. A Read that did not finish leaves nothing worth writing; an error is
// reported through `ui`.
template <typename Read, typename Write>
int Convert(ConsoleUi& ui, const Read& read, const Write& write) {
  try {
    ConversionState state;
    ui.SetTask("reading");
    if (read(state) != CommandOutcome::kDone) return kExitRefused;
    ui.SetTask("writing");
    return write(state) == CommandOutcome::kDone ? kExitWritten : kExitRefused;
  } catch (...) {
    ui.ReportError(DescribeError(std::current_exception()));
  }
  return kExitError;
}

// Refuses, before anything is read, tables that would overwrite an input or
// the table of an earlier data file. Names every one on `err`; true when there
// is none.
bool TablesAreSafe(const Options& options, const std::vector<WriteTarget>& tables,
                   std::ostream& err) {
  bool safe = true;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (tables[i].standardOutput) continue;
    const auto overwrites = [&](const std::string& path) { return SameFile(tables[i].path, path); };
    std::string what;
    if (overwrites(*options.index)) what = "the index file " + *options.index;
    for (std::size_t j = 0; what.empty() && j < options.data.size(); ++j) {
      if (overwrites(options.data[j])) what = "the data file " + options.data[j];
    }
    for (std::size_t j = 0; what.empty() && j < i; ++j) {
      if (overwrites(tables[j].path)) what = "the table of " + options.data[j];
    }
    if (what.empty()) continue;
    err << kProgramName << ": " << options.data[i] << ": the table " << tables[i].path
        << " would overwrite " << what << '\n';
    safe = false;
  }
  return safe;
}

}  // namespace

std::string TablePathFor(const std::string& data) {
  return WithoutLastExtension(data) + ".table.txt";
}

int RunConverter(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 bool err_is_terminal) {
  const ParsedArguments parsed = ParseArguments(args);
  if (!parsed.options) {
    err << kProgramName << ": " << parsed.error << '\n'
        << kUsage << "Try 'quillet-convert --help' for more information.\n";
    return kExitUsage;
  }
  const Options& options = *parsed.options;
  if (options.help) {
    out << kManual;
    return kExitWritten;
  }
  if (options.version) {
    out << kProgramName << ' ' << QUILLET_VERSION << '\n';
    return kExitWritten;
  }
  const bool show_progress = err_is_terminal && options.verbosity != Verbosity::kQuiet;
  const bool verbose = options.verbosity == Verbosity::kVerbose;

  if (!options.index) {
    ConsoleUi ui(err, show_progress, verbose);
    return Convert(
        ui, [&](ConversionState& state) { return RunRead(state, options.stem, ui); },
        [&](const ConversionState& state) {
          return options.output ? RunWriteTo(state, *options.output, ui)
                                : RunWrite(state, options.stem, ui);
        });
  }

  std::vector<WriteTarget> tables;
  for (const std::string& data : options.data) {
    tables.push_back(options.output.value_or(WriteTarget{TablePathFor(data)}));
  }
  if (!TablesAreSafe(options, tables, err)) return kExitUsage;
  int status = kExitWritten;
  for (std::size_t i = 0; i < options.data.size(); ++i) {
    ConsoleUi ui(err, show_progress, verbose);
    ui.SetSubject(options.data[i]);
    const ChainPaths paths{*options.index, options.data[i]};
    const auto read = [&](ConversionState& state) { return RunReadPair(state, paths, ui); };
    const auto write = [&](const ConversionState& state) {
      return RunWriteTo(state, tables[i], ui);
    };
    status = std::max(status, Convert(ui, read, write));
  }
  return status;
}

}  // namespace quillet::convert
