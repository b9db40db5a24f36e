// The summary of a run: the variables of one or more chains, each read into a
// state of its own, matched by column.
#pragma once

#include <string>
#include <vector>

#include "core/conversion_state.h"
#include "stats/summary.h"

namespace quillet {

struct VariableSummary {
  std::string name;  // the bytes of row 0
  stats::Summary summary;
  // For a traced variable (SummariseChains): per chain every k-th of the n
  // draws summarised, k = trace_step, NaN for a cell that is not a number.
  std::vector<std::vector<double>> trace;
  std::size_t trace_step = 1;
};

// The summary's column names, in order: "variable", "chains", "draws", the
// statistics, "note".
std::vector<std::string> SummaryColumnNames();

// Summarises every named variable of the first chain (the index's variables,
// not the columns that surplus data lines opened) over all `chains`. A
// variable's draws in a chain are its non-empty cells; of chains of different
// lengths the first n draws of each count, n the shortest. A cell that is not
// a plain decimal number (as a workbook takes it) leaves the statistics empty
// and is named in the note. The variables are shared among the processor's
// cores. The first `traced` variables also keep their trace, of at most
// `trace_points` draws per chain.
std::vector<VariableSummary> SummariseChains(const std::vector<const ConversionState*>& chains,
                                             std::size_t traced = 0, std::size_t trace_points = 1);

// How many variables SummariseChains gives for `chains`.
std::size_t SummarisedVariableCount(const std::vector<const ConversionState*>& chains);

}  // namespace quillet
