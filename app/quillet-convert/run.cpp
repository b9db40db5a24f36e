#include "app/quillet-convert/run.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <future>
#include <memory>
#include <system_error>

#include "app/quillet-convert/console_ui.h"
#include "app/quillet-convert/manual.h"
#include "app/quillet-convert/options.h"
#include "app/quillet-convert/summary_text.h"
#include "core/chain_summary.h"
#include "core/conversion_state.h"
#include "core/read_command.h"
#include "core/unexpected_error.h"
#include "core/write_command.h"
#include "files/paths.h"
#include "files/same_file.h"
#include "workbook/front_parts.h"
#include "workbook/sheet_names.h"
#include "workbook/summary_sheets.h"
#include "workbook/workbook_writer.h"

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "unknown"
#endif

namespace quillet::convert {
namespace {

constexpr const char* kUsage =
    "Usage: quillet-convert [-q | -v] [-o FILE] STEM\n"
    "       quillet-convert [-q | -v] --index INDEX [-o FILE] DATA...\n"
    "       quillet-convert [-q | -v] [--index INDEX] --xlsx [FILE.xlsx] STEM | DATA...\n";

// Where a workbook goes without -o: beside dromout.txt.
constexpr const char* kWorkbookFileName = "dromout.xlsx";

// Runs one step of a conversion and gives the exit status: written when it
// was done, refused when it ended with its own message. An error is reported
// through `ui`.
template <typename Step>
int Attempt(ConsoleUi& ui, const Step& step) {
  try {
    return step() == CommandOutcome::kDone ? kExitWritten : kExitRefused;
  } catch (...) {
    ui.ReportError(DescribeError(std::current_exception()));
  }
  return kExitError;
}

// Runs `read` and then `write` on a state of their own and gives the exit
// status. A Read that did not finish leaves nothing worth writing.
template <typename Read, typename Write>
int Convert(ConsoleUi& ui, const Read& read, const Write& write) {
  return Attempt(ui, [&] {
    ConversionState state;
    ui.SetTask("reading");
    if (read(state) != CommandOutcome::kDone) return CommandOutcome::kRefused;
    ui.SetTask("writing");
    return write(state);
  });
}

// The files a conversion reads, and the table that each data file gets.
struct Conversions {
  std::string index;
  std::vector<std::string> data;
  std::vector<WriteTarget> tables;  // one per data file
  bool name_data = false;           // messages begin with the data file's name
};

// Refuses, before anything is read, tables that would overwrite an input or
// the table of an earlier data file: the same file by any of its names (links
// followed), or two names that the file system there may take for one.
// Linear in their number. Names every one on `err`; true when there is none.
bool TablesAreSafe(const Conversions& conversions, std::ostream& err) {
  FileSet written_or_read;
  written_or_read.Add(conversions.index, "the index file " + conversions.index);
  for (const std::string& data : conversions.data) {
    written_or_read.Add(data, "the data file " + data);
  }
  bool safe = true;
  for (std::size_t i = 0; i < conversions.tables.size(); ++i) {
    const WriteTarget& table = conversions.tables[i];
    if (table.standardOutput) continue;
    if (const auto refusal = OverwriteRefusal("table", table.path, written_or_read)) {
      err << kProgramName << ": ";
      if (conversions.name_data) err << conversions.data[i] << ": ";
      err << *refusal << '\n';
      safe = false;
    }
    written_or_read.Add(table.path, "the table of " + conversions.data[i]);
  }
  return safe;
}

// Warns, for a text table, when spreadsheet programs cannot show all of it.
// A table too wide for the text form itself fails with its own error instead.
void WarnIfBeyondWorksheet(const ConversionState& state, ConsoleUi& ui) {
  if (state.table.created() && state.table.LastColumn() >= INT16_MAX) return;
  if (const auto passed = WorksheetLimitsPassed(state)) {
    ui.ShowMessage("warning: the table is larger than a spreadsheet can show: " + *passed + ".",
                   MessageStyle::kInformation);
  }
}

// Refuses, before anything is read, a workbook that would overwrite one of
// the chain files. Names it on `err`; true when it would not.
bool WorkbookIsSafe(const WriteTarget& target, const std::vector<ChainPaths>& chains,
                    std::ostream& err) {
  if (target.standardOutput) return true;
  FileSet read;
  for (const ChainPaths& chain : chains) {
    read.Add(chain.index, "the index file " + chain.index);
    read.Add(chain.data, "the data file " + chain.data);
  }
  const auto refusal = OverwriteRefusal("workbook", target.path, read);
  if (!refusal) return true;
  err << kProgramName << ": " << *refusal << '\n';
  return false;
}

// Reads every chain of the run (the stem's one, or each DATA with INDEX), each
// into a state of its own, reporting as a conversion does; `before_read` is
// given each state before its Read. Gives the status of the first that is
// refused or fails, or kExitWritten.
template <typename BeforeRead>
int ReadChains(const Options& options, std::ostream& err, bool show_progress, bool verbose,
               std::vector<std::unique_ptr<ConversionState>>& chains,
               const BeforeRead& before_read) {
  const std::vector<std::string> data =
      options.index ? options.data : std::vector<std::string>{PairOfStem(options.stem).data};
  for (const std::string& chain : data) {
    ConsoleUi ui(err, show_progress, verbose);
    chains.push_back(std::make_unique<ConversionState>());
    before_read(*chains.back());
    const auto read = [&](ConversionState&) {
      if (!options.index) return RunRead(*chains.back(), options.stem, ui);
      ui.SetSubject(chain);
      return RunReadPair(*chains.back(), {*options.index, chain}, ui);
    };
    const auto kept = [](const ConversionState&) { return CommandOutcome::kDone; };
    if (const int status = Convert(ui, read, kept); status != kExitWritten) return status;
  }
  return kExitWritten;
}

std::vector<const ConversionState*> StatesOf(
    const std::vector<std::unique_ptr<ConversionState>>& chains) {
  std::vector<const ConversionState*> states;
  for (const auto& chain : chains) states.push_back(chain.get());
  return states;
}

// Which variables of a run's summary keep their traces, and how many points.
struct SummaryShape {
  std::size_t traced = 0;
  std::size_t trace_points = 1;
};

// Reads every chain of the run, then runs `write(chains, summarise, ui)` as
// the Write of one conversion, `summarise()` giving the run's summary; the
// first chain refused or failed ends the run with nothing written. A run of
// one chain has its summary made while it is read, on another core.
template <typename Write>
int ConvertAllChains(const Options& options, std::ostream& err, bool show_progress, bool verbose,
                     SummaryShape shape, const Write& write) {
  std::vector<std::unique_ptr<ConversionState>> chains;
  std::unique_ptr<SummaryWhileReading> early;  // ended before the chains it reads
  const bool one_chain = !options.index || options.data.size() == 1;
  const auto before_read = [&](ConversionState& state) {
    if (one_chain)
      early = std::make_unique<SummaryWhileReading>(state, shape.traced, shape.trace_points);
  };
  if (const int status = ReadChains(options, err, show_progress, verbose, chains, before_read);
      status != kExitWritten) {
    return status;
  }
  const auto summarise = [&] {
    return early ? early->Finish()
                 : SummariseChains(StatesOf(chains), shape.traced, shape.trace_points);
  };
  ConsoleUi ui(err, show_progress, verbose);
  const auto all_read = [](ConversionState&) { return CommandOutcome::kDone; };
  return Convert(ui, all_read,
                 [&](const ConversionState&) { return write(chains, summarise, ui); });
}

// The workbook's Summary and Traces sheets, then the chains' tables: every
// chain is read first, since the summary needs all of them, and the summary
// is made on other cores while the tables are written.
int WriteWorkbookWithSummary(const Options& options, WorkbookWriter& workbook,
                             const std::vector<std::string>& front_names, std::ostream& err,
                             bool show_progress, bool verbose) {
  const auto write = [&](const std::vector<std::unique_ptr<ConversionState>>& chains,
                         const auto& summarise, ConsoleUi& ui) {
    const std::vector<const ConversionState*> states = StatesOf(chains);
    const WorkbookFront layout =
        SummaryAndTracesLayout(SummarisedVariableCount(states), front_names);
    // The summary, and the front's parts made and compressed, on other cores
    // while the tables are written; this thread helps once they are.
    FrontParts parts(layout.parts.size());
    const auto make_front = [&] {
      try {
        parts.Make(SummaryAndTracesXml(summarise(), front_names));
      } catch (...) {
        parts.Fail(std::current_exception());
      }
    };
    std::future<void> front;
    try {
      front = std::async(std::launch::async, make_front);
    } catch (const std::system_error&) {
      // No thread starts: the front is made here, after the tables.
    }
    workbook.SetFront(layout);
    for (std::size_t i = 0; i < chains.size(); ++i) {
      ConsoleUi sheet_ui(err, show_progress, verbose);
      sheet_ui.SetTask("writing");
      if (options.index) sheet_ui.SetSubject(options.data[i]);
      const CommandOutcome outcome = workbook.WriteSheet(*chains[i], sheet_ui);
      if (outcome != CommandOutcome::kDone) return outcome;
    }
    if (!front.valid()) make_front();
    workbook.SetFrontParts(parts.Finish());
    workbook.Close();
    TellWritten(ui);
    return CommandOutcome::kDone;
  };
  return ConvertAllChains(options, err, show_progress, verbose,
                          {kMostChartedVariables, kMostTracePoints}, write);
}

// The summary form: every chain read, then the summary of all of them written
// to -o FILE or standard output. The first chain refused or failed ends the
// run with nothing written.
int WriteSummary(const Options& options, std::ostream& err, bool show_progress, bool verbose,
                 bool out_is_terminal) {
  const WriteTarget target = options.output.value_or(WriteTarget{"", true});
  std::vector<std::string> data = {PairOfStem(options.stem).data};
  std::string index = PairOfStem(options.stem).index;
  if (options.index) {
    data = options.data;
    index = *options.index;
  }
  if (!TablesAreSafe({index, data, {target}}, err)) {
    return kExitUsage;
  }
  const auto write = [&](const std::vector<std::unique_ptr<ConversionState>>&,
                         const auto& summarise, ConsoleUi& ui) {
    const std::vector<VariableSummary> summaries = summarise();
    const bool aligned = target.standardOutput && out_is_terminal;
    const auto out = target.standardOutput ? TextWriter::ToStandardOutput()
                                           : std::make_unique<TextWriter>(target.path);
    out->Write(aligned ? SummaryAligned(summaries) : SummaryTabSeparated(summaries));
    out->Close();
    TellWritten(ui);
    return CommandOutcome::kDone;
  };
  return ConvertAllChains(options, err, show_progress, verbose, {}, write);
}

// The workbook form: every chain read in turn and written as the next
// worksheet of one workbook, which is put in place only once all are written.
// A workbook is complete or not written: what can be refused without reading
// the data (a missing or unreadable file, a damaged index, a target that
// cannot be written) is refused before its first byte, and a chain that fails
// after that fails the whole workbook as an error.
int ConvertToWorkbook(const Options& options, std::ostream& err, bool show_progress, bool verbose) {
  const WriteTarget target = options.output.value_or(
      WriteTarget{DirectoryWithSeparator(options.stem) + kWorkbookFileName});
  std::vector<std::string> titles = {FileNamePart(options.stem)};
  std::vector<ChainPaths> chains = {PairOfStem(options.stem)};
  if (options.index) {
    titles.clear();
    chains.clear();
    for (const std::string& data : options.data) {
      titles.push_back(FileNamePart(data));
      chains.push_back({*options.index, data});
    }
  }
  if (!WorkbookIsSafe(target, chains, err)) return kExitUsage;

  const auto chain_ui = [&](std::size_t i) {
    auto ui = std::make_unique<ConsoleUi>(err, show_progress, verbose);
    if (options.index) ui->SetSubject(options.data[i]);
    return ui;
  };
  for (std::size_t i = 0; i < chains.size(); ++i) {
    const std::unique_ptr<ConsoleUi> ui = chain_ui(i);
    const int status = Attempt(*ui, [&] { return CheckPair(chains[i], *ui); });
    if (status != kExitWritten) return status;
  }
  // Summary and Traces first, unless only the tables are asked for.
  if (!options.tables_only) titles.insert(titles.begin(), {"Summary", "Traces"});
  std::vector<std::string> names = WorksheetNames(titles);
  const std::size_t front = options.tables_only ? 0 : 2;
  WorkbookWriter workbook(target, std::vector<std::string>(names.begin() + front, names.end()));
  ConsoleUi target_ui(err, show_progress, verbose);
  const int opened = Attempt(target_ui, [&] {
    workbook.Open();
    return CommandOutcome::kDone;
  });
  if (opened != kExitWritten) return opened;
  if (chains.size() > 1 && workbook.OverwritesInPlace()) {
    err << kProgramName << ": the workbook " << target.path
        << " can only be written in place, which a chain failing part way would leave cut; "
           "write it elsewhere or remove it first\n";
    return kExitUsage;
  }
  if (!options.tables_only) {
    return WriteWorkbookWithSummary(options, workbook, {names[0], names[1]}, err, show_progress,
                                    verbose);
  }

  for (std::size_t i = 0; i < chains.size(); ++i) {
    const std::unique_ptr<ConsoleUi> ui = chain_ui(i);
    const auto read = [&](ConversionState& state) {
      return options.index ? RunReadPair(state, chains[i], *ui) : RunRead(state, options.stem, *ui);
    };
    const auto write = [&](const ConversionState& state) {
      return workbook.WriteSheet(state, *ui);
    };
    const int status = Convert(*ui, read, write);
    if (status == kExitWritten) continue;
    if (!workbook.begun()) return status;
    err << kProgramName << ": the workbook " << target.Name() << " is incomplete"
        << (target.standardOutput ? "" : " and was not written") << '\n';
    return kExitError;
  }
  return Convert(
      target_ui, [](ConversionState&) { return CommandOutcome::kDone; },
      [&](const ConversionState&) {
        workbook.Close();
        TellWritten(target_ui);
        return CommandOutcome::kDone;
      });
}

}  // namespace

std::string TablePathFor(const std::string& data) {
  return WithoutLastExtension(data) + ".table.txt";
}

int RunConverter(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 bool err_is_terminal, bool out_is_terminal) {
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
  if (options.summary) {
    return WriteSummary(options, err, show_progress, verbose, out_is_terminal);
  }
  if (options.output_kind == OutputKind::kWorkbook) {
    return ConvertToWorkbook(options, err, show_progress, verbose);
  }

  if (!options.index) {
    const WriteTarget table = options.output.value_or(WriteTarget{OutputPathFor(options.stem)});
    const ChainPaths pair = PairOfStem(options.stem);
    if (!TablesAreSafe({pair.index, {pair.data}, {table}}, err)) {
      return kExitUsage;
    }
    ConsoleUi ui(err, show_progress, verbose);
    return Convert(
        ui, [&](ConversionState& state) { return RunRead(state, options.stem, ui); },
        [&](const ConversionState& state) {
          WarnIfBeyondWorksheet(state, ui);
          return options.output ? RunWriteTo(state, *options.output, ui)
                                : RunWrite(state, options.stem, ui);
        });
  }

  std::vector<WriteTarget> tables;
  for (const std::string& data : options.data) {
    tables.push_back(options.output.value_or(WriteTarget{TablePathFor(data)}));
  }
  if (!TablesAreSafe({*options.index, options.data, tables, true}, err)) return kExitUsage;
  int status = kExitWritten;
  for (std::size_t i = 0; i < options.data.size(); ++i) {
    ConsoleUi ui(err, show_progress, verbose);
    ui.SetSubject(options.data[i]);
    const ChainPaths paths{*options.index, options.data[i]};
    const auto read = [&](ConversionState& state) { return RunReadPair(state, paths, ui); };
    const auto write = [&](const ConversionState& state) {
      WarnIfBeyondWorksheet(state, ui);
      return RunWriteTo(state, tables[i], ui);
    };
    status = std::max(status, Convert(ui, read, write));
  }
  return status;
}

}  // namespace quillet::convert
