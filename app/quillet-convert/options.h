// The converter's command line: what it asks for, parsed without side
// effects so that every form can be tested in-process.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/write_command.h"

namespace quillet::convert {

enum class Verbosity { kQuiet, kNormal, kVerbose };

// What the table is written as: tab-separated text, or a workbook (an output
// file ending in ".xlsx", or --xlsx) with one worksheet per table.
enum class OutputKind { kText, kWorkbook };

// Either a stem (STEM.ind and STEM.out, the table in the stem's dromout.txt)
// or, with --index, an index file shared by data files that each get a table
// of their own.
struct Options {
  std::string stem;
  std::optional<std::string> index;   // --index: the form with data files
  std::vector<std::string> data;      // its data files, at least one
  std::optional<WriteTarget> output;  // -o: instead of dromout.txt or the data file's table
  OutputKind output_kind = OutputKind::kText;
  Verbosity verbosity = Verbosity::kNormal;
  bool summary = false;      // --summary: the run's summary instead of its tables
  bool tables_only = false;  // --tables-only: a workbook without Summary and Traces
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

}  // namespace quillet::convert
