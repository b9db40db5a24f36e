// The two worksheets that lead the workbook of a run: Summary, the run's
// summary with its warnings highlighted, and Traces, a line chart of each of
// the first variables, one line per chain.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/chain_summary.h"
#include "core/conversion_state.h"
#include "workbook/workbook_writer.h"

namespace quillet {

// The thresholds that the paper on rank-normalised R-hat recommends: an R-hat
// above or an ESS below them is highlighted.
inline constexpr double kHighestGoodRhat = 1.01;
inline constexpr double kLeastGoodEss = 400.0;

// How many variables the Traces sheet charts at most, and how many points a
// chain's line has at most (every k-th draw beyond that).
inline constexpr std::size_t kMostChartedVariables = 100;
inline constexpr std::size_t kMostTracePoints = 2000;

// The two sheets, named `names`, as a workbook's front for a run of
// `variables` summarised variables: their names, the paths and content types
// of their parts, and the styles.
WorkbookFront SummaryAndTracesLayout(std::size_t variables, const std::vector<std::string>& names);

// The XML of that front's parts, each made when asked for (by its place in
// the layout), so that only one is held at a time: the Summary sheet
// (`names[0]`: numbers at full precision, formatted for reading) and the
// Traces sheet (`names[1]`: its charts, with the charted points both on the
// sheet, which the charts' series refer to, and cached in each chart, so that
// they show without a recalculation) of a run's `summaries`, of which the
// first kMostChartedVariables keep their traces (SummariseChains with
// kMostChartedVariables and kMostTracePoints).
std::function<std::string(std::size_t)> SummaryAndTracesXml(std::vector<VariableSummary> summaries,
                                                            const std::vector<std::string>& names);

}  // namespace quillet
