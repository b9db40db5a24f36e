#include "app/quillet-convert/converter.h"

#include <cmath>
#include <exception>
#include <new>

#include "core/conversion_state.h"
#include "core/read_command.h"

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "unknown"
#endif

namespace quillet::convert {
namespace {

constexpr const char* kUsage = "Usage: quillet-convert [-q | -v] [-o FILE] STEM\n";

constexpr const char* kHelp = R"(NAME
       quillet-convert - convert a sampler's chain pair into a spreadsheet table

SYNOPSIS
       quillet-convert [-q | -v] [-o FILE] STEM

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

       Messages go to standard error, prefixed "quillet-convert: ". When
       standard error is a terminal, a progress line is shown while reading
       and writing.

OPTIONS
       -o FILE, --output FILE
              Write the table to FILE instead of the stem's "dromout.txt".

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

       --     End of options: a STEM that begins with "-" follows.

EXIT STATUS
       0      The table was written.

       1      The chain pair was refused with one of the converter's own
              messages: "Check path name." (STEM.out or STEM.ind not found),
              "File STEM.ind is damaged.", or "Data has not been read." (the
              index file gives less than one sample per variable).
              No output was opened: nothing was written anywhere.

       2      An unexpected error stopped the conversion, for example a data
              file that ends inside a line, more than 32,767 variables, an
              output file that cannot be written, or too little memory. The
              error is named on standard error. An output file is left as
              it was, except one written in place (see DESCRIPTION), which
              may hold part of the table. Standard output (-o -), a device
              or a named pipe may have received part of the table.

       64     The command line is wrong: an unknown option, no STEM, or more
              than one STEM.

EXAMPLES
       Convert runs/chain1.ind and runs/chain1.out into runs/dromout.txt:
              quillet-convert runs/chain1

       Convert every chain pair of a folder, each into a table of its own:
              for s in runs/*.ind; do
                  quillet-convert -o "${s%.ind}.txt" "${s%.ind}"
              done

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

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
  Options options;
  bool have_stem = false;
  bool options_ended = false;
  std::string error;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool is_option = !options_ended && arg.size() > 1 && arg[0] == '-';
    if (!is_option) {
      if (have_stem) return {std::nullopt, "unexpected argument '" + arg + "'"};
      options.stem = arg;
      have_stem = true;
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
    } else {
      return {std::nullopt, "unknown option '" + arg + "'"};
    }
  }
  if (!have_stem) return {std::nullopt, "missing STEM"};
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
  err_ << kProgramName << ": " << ConsoleText(text) << '\n';
  err_.flush();
  return MessageAnswer::kOk;
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
  std::string line = std::string(kProgramName) + ": " + task_ + ' ' + std::to_string(percent) + '%';
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

  ConsoleUi ui(err, err_is_terminal && options.verbosity != Verbosity::kQuiet,
               options.verbosity == Verbosity::kVerbose);
  const char* failure = nullptr;
  std::string reason;
  try {
    ConversionState state;
    ui.SetTask("reading");
    RunRead(state, options.stem, ui);
    // A refused Read leaves nothing worth writing.
    if (ui.refused()) return kExitRefused;
    ui.SetTask("writing");
    if (options.output) {
      RunWriteTo(state, *options.output, ui);
    } else {
      RunWrite(state, options.stem, ui);
    }
    return ui.refused() ? kExitRefused : kExitWritten;
  } catch (const std::bad_alloc&) {
    failure = "Out of memory";
  } catch (const std::exception& error) {
    reason = error.what();
  } catch (...) {
    failure = "Unknown error";
  }
  ui.HideProgress();
  err << kProgramName << ": error: " << (failure != nullptr ? failure : reason.c_str()) << '\n';
  return kExitError;
}

}  // namespace quillet::convert
