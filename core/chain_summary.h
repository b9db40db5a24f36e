// The summary of a run: the variables of one or more chains, each read into a
// state of its own, matched by column.
#pragma once

#include <memory>
#include <string>
#include <thread>
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

// The summary of a run of one chain, made while the chain is read: each
// column on another core as soon as the reader has moved on past it. Made
// before the Read of `state`; Finish(), after it, gives what SummariseChains
// gives for `state`, the columns not handed over made then. Without a thread
// to be had, all of it is made then.
class SummaryWhileReading {
 public:
  explicit SummaryWhileReading(ConversionState& state, std::size_t traced = 0,
                               std::size_t trace_points = 1);
  ~SummaryWhileReading();
  SummaryWhileReading(const SummaryWhileReading&) = delete;
  SummaryWhileReading& operator=(const SummaryWhileReading&) = delete;

  std::vector<VariableSummary> Finish();

 private:
  struct Queue;
  // On the reader's thread: hands the finished `column` to the worker.
  void HandOver(std::int64_t column);
  void Work();
  // Ends the worker: once its queue is done, or, with `drop`, at once.
  void EndWorker(bool drop);

  ConversionState& state_;
  std::size_t traced_;
  std::size_t trace_points_;
  std::unique_ptr<Queue> queue_;
  std::thread worker_;      // started by the first column handed over
  bool no_worker_ = false;  // none could be started
};

}  // namespace quillet
