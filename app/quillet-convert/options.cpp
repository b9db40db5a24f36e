#include "app/quillet-convert/options.h"

#include <string_view>

#include "files/ascii.h"

namespace quillet::convert {
namespace {

bool EndsInWorkbookExtension(const std::string& path) {
  constexpr std::string_view kExtension = ".xlsx";
  return path.size() >= kExtension.size() &&
         EqualIgnoringAsciiCase(std::string_view(path).substr(path.size() - kExtension.size()),
                                kExtension);
}

// Takes the value of -o (or of the option `given`, which names it in the
// error): "-" is standard output, anything else a path.
bool SetOutput(const std::string& value, Options& options, std::string& error,
               const std::string& given = "-o") {
  if (value.empty()) {
    error = "option " + given + " needs a file name";
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
    const bool workbook = options.output_kind == OutputKind::kWorkbook;
    if (options.output && files.size() > 1 && !workbook && !options.summary) {
      return "option -o needs a single DATA";
    }
    if (workbook && !options.output) return "a workbook of DATA files needs a name: --xlsx FILE";
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
      if (!SetOutput(arg.substr(9), options, error, "--output")) return {std::nullopt, error};
    } else if (arg.starts_with("-o")) {
      if (!SetOutput(arg.substr(2), options, error)) return {std::nullopt, error};
    } else if (arg == "--xlsx") {
      options.output_kind = OutputKind::kWorkbook;
      // The workbook's name may follow, recognised by its ending.
      if (i + 1 < args.size() && EndsInWorkbookExtension(args[i + 1]) &&
          !SetOutput(args[++i], options, error)) {
        return {std::nullopt, error};
      }
    } else if (arg.starts_with("--xlsx=")) {
      options.output_kind = OutputKind::kWorkbook;
      if (!SetOutput(arg.substr(7), options, error, "--xlsx")) return {std::nullopt, error};
    } else if (arg == "--summary") {
      options.summary = true;
    } else if (arg == "--tables-only") {
      options.tables_only = true;
    } else if (arg == "--index") {
      if (i + 1 == args.size()) return {std::nullopt, "option --index needs a file name"};
      if (!SetIndex(args[++i], options, error)) return {std::nullopt, error};
    } else if (arg.starts_with("--index=")) {
      if (!SetIndex(arg.substr(8), options, error)) return {std::nullopt, error};
    } else {
      return {std::nullopt, "unknown option '" + arg + "'"};
    }
  }
  if (options.output && !options.output->standardOutput &&
      EndsInWorkbookExtension(options.output->path)) {
    options.output_kind = OutputKind::kWorkbook;
  }
  if (options.summary && options.output_kind == OutputKind::kWorkbook) {
    return {std::nullopt,
            "option --summary writes text; a workbook has a Summary sheet of its own"};
  }
  error = CheckFiles(files, options);
  if (!error.empty()) return {std::nullopt, error};
  return {options, ""};
}

}  // namespace quillet::convert
