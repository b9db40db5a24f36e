#include "app/quillet-convert/converter.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>

#include "core/conversion_state.h"
#include "core/read_command.h"
#include "files/directories.h"
#include "files/paths.h"

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "unknown"
#endif

namespace quillet::convert {
namespace {

constexpr const char* kUsage =
    "Usage: quillet-convert [-q | -v] [-o FILE] STEM\n"
    "       quillet-convert [-q | -v] --index INDEX [-o FILE] DATA...\n";

constexpr const char* kHelp = R"(NAME
       quillet-convert - convert a sampler's chain files into spreadsheet tables

SYNOPSIS
       quillet-convert [-q | -v] [-o FILE] STEM
       quillet-convert [-q | -v] --index INDEX [-o FILE] DATA...

DESCRIPTION
       Reads the chain pair STEM.ind (the index file: one line per variable,
       its name first) and STEM.out (the data file: one line per sample, an
       iteration number, blanks and the value, the variables one after
       another), and writes them as one table that spreadsheet programs open
       directly: a header line "Iteration" followed by the variables' names,
       then one line per sample numbered from 1, a tab after every cell and
       CR LF after every line.

       The table goes to "dromout.txt" in the directory of STEM (STEM up to
       its last "/" or "\"), or in the current directory when STEM has none.
       It is the same file, byte for byte, that the window program writes for
       the same stem.

       With --index, the index file INDEX is read with each data file DATA
       in turn, whatever their names, and each DATA gets a table of its own
       beside it: its file name without the last extension, plus
       ".table.txt" ("chains/run2.out" gives "chains/run2.table.txt",
       "chain1" gives "chain1.table.txt"). Each table is the one the first
       form writes for the same two files. A table that would overwrite
       INDEX, a DATA or the table of another DATA (symbolic and hard links
       followed) is refused before anything is read or written. A DATA that
       fails is reported under its name, and the others are still converted.
       -o is allowed with a single DATA only.

       An existing file is replaced only once the new table is complete: the
       table goes to a new file beside it, which then takes its name, and
       after an error the old file is left as it was. A file that a new one
       cannot fully stand in for is written in place instead, as a plain
       write would do: a file with other hard links, a file whose owner or
       group cannot be given to a new file, or a file in a directory where no
       new file can be made. It keeps its content until the first bytes of
       the table go out; an error after that leaves part of the table in it.
       A symbolic link is followed and kept. A device or a named pipe is
       written directly.

       STEM is used exactly as given: no extension is removed, so "run1.out"
       is looked for as "run1.out.out" and "run1.out.ind". Unlike the window
       program, quillet-convert neither reads nor writes the settings file
       "qltini.ini".

       Messages go to standard error, prefixed "quillet-convert: ", and with
       --index also with the data file's name ("quillet-convert: run2.out: ").
       When standard error is a terminal, a progress line is shown while
       reading and writing.

OPTIONS
       --index INDEX
              Read INDEX as the index file of every DATA.

       -o FILE, --output FILE
              Write the table to FILE instead of the stem's "dromout.txt"
              (or the table beside the single DATA).

       -o -   Write the table to standard output.

       -q, --quiet
              Show no progress line.

       -v, --verbose
              Also report "Done Reading" and "Done writing file".
              Of -q and -v, the last one given counts.

       -h, --help
              Show this help and exit.

       --version
              Show the version and exit.

       --     End of options: a STEM or DATA that begins with "-" follows.

EXIT STATUS
       With several DATA, the highest status met among them.

       0      The table was written (with --index: every table).

       1      The chain files were refused with one of the converter's own
              messages: "Check path name." (STEM.out or STEM.ind not found),
              "File STEM.ind is damaged.", or "Data has not been read." (the
              index file gives less than one sample per variable).
              No output was opened: nothing was written for them.

       2      An unexpected error stopped the conversion, for example a data
              file that ends inside a line, more than 32,767 variables, an
              output file that cannot be written, or too little memory. The
              error is named on standard error. An output file is left as
              it was, except one written in place (see DESCRIPTION), which
              may hold part of the table. Standard output (-o -), a device
              or a named pipe may have received part of the table.

       64     The command line is wrong: an unknown option, no STEM or more
              than one, no DATA, -o with several DATA, or a table that would
              overwrite INDEX, a DATA or another table. Nothing was read or
              written.

EXAMPLES
       Convert runs/chain1.ind and runs/chain1.out into runs/dromout.txt:
              quillet-convert runs/chain1

       Convert every chain pair of a folder, each into a table of its own:
              for s in runs/*.ind; do
                  quillet-convert -o "${s%.ind}.txt" "${s%.ind}"
              done

       Convert the four chains of one run, which share one index file, into
       runs/chain1.table.txt to runs/chain4.table.txt:
              quillet-convert --index runs/run.ind runs/chain[1-4].out

       Look at the first three columns without writing a file:
              quillet-convert -q -o - runs/chain1 | cut -f 1-3 | head
)";

// Takes the value of -o: "-" is standard output, anything else a path.
bool SetOutput(const std::string& value, Options& options, std::string& error) {
  if (value.empty()) {
    error = "option -o needs a file name";
    return false;
  }
  options.output = WriteTarget{};
  if (value == "-") {
    options.output->standardOutput = true;
  } else {
    options.output->path = value;
  }
  return true;
}

// Takes the value of --index.
bool SetIndex(const std::string& value, Options& options, std::string& error) {
  if (value.empty()) {
    error = "option --index needs a file name";
  } else if (options.index) {
    error = "option --index given twice";
  } else {
    options.index = value;
    return true;
  }
  return false;
}

// Checks the files once all options are known: one STEM, or with --index
// at least one DATA and -o only with a single one.
std::string CheckFiles(const std::vector<std::string>& files, Options& options) {
  if (options.index) {
    if (files.empty()) return "missing DATA";
    if (options.output && files.size() > 1) return "option -o needs a single DATA";
    options.data = files;
    return "";
  }
  if (files.empty()) return "missing STEM";
  if (files.size() > 1) return "unexpected argument '" + files[1] + "'";
  options.stem = files.front();
  return "";
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
  Options options;
  std::vector<std::string> files;
  bool options_ended = false;
  std::string error;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool is_option = !options_ended && arg.size() > 1 && arg[0] == '-';
    if (!is_option) {
      files.push_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
      return {options, ""};
    } else if (arg == "--version") {
      options.version = true;
      return {options, ""};
    } else if (arg == "-q" || arg == "--quiet") {
      options.verbosity = Verbosity::kQuiet;
    } else if (arg == "-v" || arg == "--verbose") {
      options.verbosity = Verbosity::kVerbose;
    } else if (arg == "-o" || arg == "--output") {
      if (i + 1 == args.size()) return {std::nullopt, "option " + arg + " needs a file name"};
      if (!SetOutput(args[++i], options, error)) return {std::nullopt, error};
    } else if (arg.starts_with("--output=")) {
      if (!SetOutput(arg.substr(9), options, error)) return {std::nullopt, error};
    } else if (arg.starts_with("-o")) {
      if (!SetOutput(arg.substr(2), options, error)) return {std::nullopt, error};
    } else if (arg == "--index") {
      if (i + 1 == args.size()) return {std::nullopt, "option --index needs a file name"};
      if (!SetIndex(args[++i], options, error)) return {std::nullopt, error};
    } else if (arg.starts_with("--index=")) {
      if (!SetIndex(arg.substr(8), options, error)) return {std::nullopt, error};
    } else {
      return {std::nullopt, "unknown option '" + arg + "'"};
    }
  }
  error = CheckFiles(files, options);
  if (!error.empty()) return {std::nullopt, error};
  return {options, ""};
}

std::string ConsoleText(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    result.push_back(text[i]);
  }
  return result;
}

MessageAnswer ConsoleUi::ShowMessage(const std::string& text, MessageStyle style,
                                     const std::optional<std::string>& /*title*/) {
  // The only question the commands ask is the confirmation of the output path.
  if (style == MessageStyle::kOkCancel) return MessageAnswer::kOk;
  if (style == MessageStyle::kExclamation) refused_ = true;
  // Plain OK boxes only report completion.
  if (style == MessageStyle::kOkOnly && !verbose_) return MessageAnswer::kOk;
  ClearLine();
  err_ << prefix_ << ConsoleText(text) << '\n';
  err_.flush();
  return MessageAnswer::kOk;
}

void ConsoleUi::SetSubject(const std::string& subject) {
  prefix_ = std::string(kProgramName) + ": ";
  if (!subject.empty()) prefix_ += subject + ": ";
}

void ConsoleUi::ReportError(const std::string& what) {
  HideProgress();
  err_ << prefix_ << "error: " << what << '\n';
  err_.flush();
}

void ConsoleUi::ShowProgress() {
  if (!show_progress_) return;
  visible_ = true;
  shown_percent_ = -1;
  Draw(0);
}

void ConsoleUi::HideProgress() {
  ClearLine();
  visible_ = false;
}

void ConsoleUi::SetProgressMaximum(float maximum) {
  maximum_ = maximum;
}

int ConsoleUi::PercentOf(float value) const {
  // Values may run past the maximum (a data file longer than its index says).
  if (!(maximum_ > 0.0f)) return 100;
  const double percent = std::floor(static_cast<double>(value) * 100.0 / maximum_);
  if (percent >= 100.0) return 100;
  return percent > 0.0 ? static_cast<int>(percent) : 0;
}

void ConsoleUi::Draw(int percent) {
  shown_percent_ = percent;
  std::string line = prefix_ + task_ + ' ' + std::to_string(percent) + '%';
  const std::size_t width = line.size();
  // Blanks over whatever a longer earlier line left.
  if (width < line_width_) line.append(line_width_ - width, ' ');
  err_ << '\r' << line;
  err_.flush();
  line_width_ = width;
}

void ConsoleUi::ClearLine() {
  if (line_width_ == 0) return;
  err_ << '\r' << std::string(line_width_, ' ') << '\r';
  err_.flush();
  line_width_ = 0;
  shown_percent_ = -1;  // a later value draws the line again
}

std::string TablePathFor(const std::string& data) {
  return WithoutLastExtension(data) + ".table.txt";
}

namespace {

// Runs `read` and then `write` on a state of their own and gives the exit
// status. A refused Read leaves nothing worth writing; an error is reported
// through `ui`.
template <typename Read, typename Write>
int Convert(ConsoleUi& ui, const Read& read, const Write& write) {
  const char* failure = nullptr;
  std::string reason;
  try {
    ConversionState state;
    ui.SetTask("reading");
    read(state);
    if (ui.refused()) return kExitRefused;
    ui.SetTask("writing");
    write(state);
    return ui.refused() ? kExitRefused : kExitWritten;
  } catch (const std::bad_alloc&) {
    failure = "Out of memory";
  } catch (const std::exception& error) {
    reason = error.what();
  } catch (...) {
    failure = "Unknown error";
  }
  ui.ReportError(failure != nullptr ? failure : reason);
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
    out << kHelp;
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
        ui, [&](ConversionState& state) { RunRead(state, options.stem, ui); },
        [&](const ConversionState& state) {
          if (options.output) {
            RunWriteTo(state, *options.output, ui);
          } else {
            RunWrite(state, options.stem, ui);
          }
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
    const auto read = [&](ConversionState& state) { RunReadPair(state, paths, ui); };
    const auto write = [&](const ConversionState& state) { RunWriteTo(state, tables[i], ui); };
    status = std::max(status, Convert(ui, read, write));
  }
  return status;
}

}  // namespace quillet::convert
