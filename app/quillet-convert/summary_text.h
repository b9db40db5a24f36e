// The summary of a run as the converter prints it: one line per variable
// under a header line of the column names.
#pragma once

#include <string>
#include <vector>

#include "core/chain_summary.h"

namespace quillet::convert {

// For files and pipes: tab-separated, every number in the shortest form that
// reads back to the same double, an undefined statistic an empty field; each
// line ends in a line feed.
std::string SummaryTabSeparated(const std::vector<VariableSummary>& summaries);

// For a terminal: columns aligned and rounded for reading (four significant
// digits, two for mcse_mean, R-hat to three decimals, the ESS to whole
// draws), an undefined statistic blank.
std::string SummaryAligned(const std::vector<VariableSummary>& summaries);

}  // namespace quillet::convert
