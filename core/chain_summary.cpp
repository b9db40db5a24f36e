#include "core/chain_summary.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

#include "core/numeric_text.h"
#include "core/try_thread.h"

namespace quillet {
namespace {

// Where a cell that is not a number stands.
std::string NotANumberNote(std::size_t chain, std::size_t chains, std::int64_t row) {
  std::string note = chains > 1 ? "chain " + std::to_string(chain + 1) + ", " : "";
  return note + "row " + std::to_string(row) + " is not a number";
}

// What a thread that summarises one variable after another keeps for the
// next: the memory its draws and statistics are worked out in.
struct SummaryScratch {
  std::vector<std::vector<double>> values;  // per chain
  std::vector<double> draws;
  stats::SummaryBuffers buffers;
};

// The summary of one variable from its cells in each chain; its name is left
// to the caller.
VariableSummary SummariseCells(const std::vector<SampleTable::FinishedColumn>& chains,
                               std::size_t trace_points, SummaryScratch& scratch) {
  VariableSummary result;
  // Each chain's draws, then cut to the shortest.
  std::vector<std::vector<double>>& values = scratch.values;
  values.resize(chains.size());
  std::optional<std::string> not_a_number;
  for (std::size_t c = 0; c < chains.size(); ++c) {
    const std::int64_t row_end = chains[c].rowEnd();
    values[c].clear();
    values[c].reserve(static_cast<std::size_t>(std::max<std::int64_t>(row_end - 1, 0)));
    for (std::int64_t row = 1; row < row_end; ++row) {
      const std::string_view cell = chains[c].Get(row);
      if (cell.empty()) continue;
      const std::optional<double> value = PlainDecimalValue(cell);
      if (!value && !not_a_number) not_a_number = NotANumberNote(c, chains.size(), row);
      values[c].push_back(value.value_or(std::numeric_limits<double>::quiet_NaN()));
    }
  }
  std::size_t n = std::numeric_limits<std::size_t>::max();
  for (const auto& chain : values) n = std::min(n, chain.size());
  if (trace_points > 0) {
    result.trace_step = std::max<std::size_t>(1, (n + trace_points - 1) / trace_points);
    for (const auto& chain : values) {
      std::vector<double>& points = result.trace.emplace_back();
      for (std::size_t d = 0; d < n; d += result.trace_step) points.push_back(chain[d]);
    }
  }
  // One chain's draws are all of them; those of several, one after another.
  std::span<const double> draws = std::span(values.front()).first(n);
  if (chains.size() > 1) {
    scratch.draws.clear();
    for (const auto& chain : values) {
      scratch.draws.insert(scratch.draws.end(), chain.begin(), chain.begin() + n);
    }
    draws = scratch.draws;
  }

  if (not_a_number) {
    result.summary.chains = chains.size();
    result.summary.draws = n;
    result.summary.values.fill(std::numeric_limits<double>::quiet_NaN());
    result.summary.note = *not_a_number;
  } else {
    result.summary = stats::Summarise(draws, chains.size(), scratch.buffers);
  }
  return result;
}

VariableSummary SummariseVariable(const std::vector<const ConversionState*>& chains,
                                  std::int64_t column, std::size_t trace_points,
                                  SummaryScratch& scratch) {
  // After the Read every column is finished; a chain without this one has no cells of it.
  std::vector<SampleTable::FinishedColumn> cells(chains.size());
  for (std::size_t c = 0; c < chains.size(); ++c) {
    const SampleTable& table = chains[c]->table;
    if (column <= table.LastColumn()) cells[c] = table.TakeFinishedColumn(column);
  }
  VariableSummary result = SummariseCells(cells, trace_points, scratch);
  result.name = std::string(chains.front()->table.Get(0, column));
  return result;
}

// The variables of `chains` as SummariseChains gives them, but those marked in
// `skip` left default.
std::vector<VariableSummary> SummariseOthers(const std::vector<const ConversionState*>& chains,
                                             std::size_t traced, std::size_t trace_points,
                                             const std::vector<bool>& skip) {
  const auto variables = static_cast<std::int64_t>(SummarisedVariableCount(chains));
  std::vector<VariableSummary> summaries(static_cast<std::size_t>(variables));
  std::atomic<std::int64_t> next{0};
  std::exception_ptr failure;
  std::mutex failure_mutex;
  const auto work = [&] {
    try {
      SummaryScratch scratch;
      for (std::int64_t column = next++; column < variables; column = next++) {
        const auto index = static_cast<std::size_t>(column);
        if (index < skip.size() && skip[index]) continue;
        summaries[index] =
            SummariseVariable(chains, column, index < traced ? trace_points : 0, scratch);
      }
    } catch (...) {
      const std::lock_guard lock(failure_mutex);
      if (!failure) failure = std::current_exception();
      next = variables;
    }
  };
  const unsigned helpers =
      std::min<unsigned>(std::max(1u, std::thread::hardware_concurrency()), 8u) - 1u;
  std::vector<std::thread> threads;
  for (unsigned i = 0; i < helpers && static_cast<std::int64_t>(i + 1) < variables; ++i) {
    std::thread thread = TryThread(work);
    if (!thread.joinable()) break;  // the calling thread does the rest
    threads.push_back(std::move(thread));
  }
  work();
  for (auto& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
  return summaries;
}

}  // namespace

std::vector<std::string> SummaryColumnNames() {
  std::vector<std::string> names = {"variable", "chains", "draws"};
  names.insert(names.end(), stats::kStatisticNames.begin(), stats::kStatisticNames.end());
  names.push_back("note");
  return names;
}

std::size_t SummarisedVariableCount(const std::vector<const ConversionState*>& chains) {
  if (chains.empty() || !chains.front()->table.created()) return 0;
  const std::int64_t variables = std::min<std::int64_t>(chains.front()->variableCount.value_or(0),
                                                        chains.front()->table.LastColumn() + 1);
  return static_cast<std::size_t>(std::max<std::int64_t>(variables, 0));
}

std::vector<VariableSummary> SummariseChains(const std::vector<const ConversionState*>& chains,
                                             std::size_t traced, std::size_t trace_points) {
  return SummariseOthers(chains, traced, trace_points, {});
}

// The columns handed over by the reader's thread wait here for the worker.
struct SummaryWhileReading::Queue {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<std::int64_t, SampleTable::FinishedColumn>> columns;
  std::size_t cells = 0;                             // in `columns`
  bool reading = true;                               // more columns may come
  bool dropping = false;                             // the run failed: the worker ends now
  std::vector<bool> handed;                          // by column
  std::vector<std::optional<VariableSummary>> done;  // by column
};

SummaryWhileReading::SummaryWhileReading(ConversionState& state, std::size_t traced,
                                         std::size_t trace_points)
    : state_(state), traced_(traced), trace_points_(trace_points), queue_(new Queue) {
  state_.table.OnColumnFinished([this](std::int64_t column) { HandOver(column); });
}

SummaryWhileReading::~SummaryWhileReading() {
  EndWorker(true);
}

void SummaryWhileReading::HandOver(std::int64_t column) {
  // Surplus lines' columns are no variables.
  if (column >= state_.variableCount.value_or(0)) return;
  if (no_worker_) return;  // all of it after the Read
  if (!worker_.joinable()) {
    // Started with the first finished column, so that a run of one variable
    // costs no thread.
    worker_ = TryThread([this] { Work(); });
    no_worker_ = !worker_.joinable();
    if (no_worker_) return;
  }
  const std::lock_guard lock(queue_->mutex);
  // Columns wait in memory of their own, 5 bytes a cell: while this many
  // cells wait, a finished column is left for after the Read. The worker is
  // slower than the reader, so it never waits for long either way.
  constexpr std::size_t kMostWaitingCells = std::size_t{1} << 18;
  if (!queue_->reading || queue_->cells >= kMostWaitingCells) return;
  SampleTable::FinishedColumn cells = state_.table.TakeFinishedColumn(column);
  queue_->cells += static_cast<std::size_t>(cells.rowEnd());
  queue_->columns.emplace_back(column, std::move(cells));
  const auto index = static_cast<std::size_t>(column);
  if (queue_->handed.size() <= index) queue_->handed.resize(index + 1);
  queue_->handed[index] = true;
  queue_->changed.notify_one();
}

void SummaryWhileReading::Work() {
  std::unique_ptr<SummaryScratch> scratch;
  std::unique_lock lock(queue_->mutex);
  for (;;) {
    queue_->changed.wait(
        lock, [&] { return queue_->dropping || !queue_->columns.empty() || !queue_->reading; });
    if (queue_->dropping || queue_->columns.empty()) return;
    auto [column, cells] = std::move(queue_->columns.front());
    queue_->columns.pop_front();
    queue_->cells -= static_cast<std::size_t>(cells.rowEnd());
    lock.unlock();
    std::optional<VariableSummary> summary;
    try {
      const bool trace = static_cast<std::size_t>(column) < traced_;
      if (!scratch) scratch = std::make_unique<SummaryScratch>();
      summary = SummariseCells(std::vector{std::move(cells)}, trace ? trace_points_ : 0, *scratch);
    } catch (...) {
      // Made again after the Read, which meets the same failure, if any, there.
    }
    lock.lock();
    const auto index = static_cast<std::size_t>(column);
    if (queue_->done.size() <= index) queue_->done.resize(index + 1);
    queue_->done[index] = std::move(summary);
  }
}

void SummaryWhileReading::EndWorker(bool drop) {
  state_.table.OnColumnFinished(nullptr);
  if (!worker_.joinable()) return;
  {
    const std::lock_guard lock(queue_->mutex);
    queue_->reading = false;
    queue_->dropping = drop;
  }
  queue_->changed.notify_one();
  worker_.join();
}

std::vector<VariableSummary> SummaryWhileReading::Finish() {
  std::vector<bool> handed;
  if (worker_.joinable()) {
    const std::lock_guard lock(queue_->mutex);
    queue_->reading = false;  // the worker still makes every column handed over
    handed = queue_->handed;
  }
  queue_->changed.notify_one();
  const std::vector<const ConversionState*> chains = {&state_};
  // The rest, on every core, while the worker ends its queue.
  std::vector<VariableSummary> summaries = SummariseOthers(chains, traced_, trace_points_, handed);
  EndWorker(false);
  SummaryScratch scratch;
  for (std::size_t column = 0; column < summaries.size() && column < handed.size(); ++column) {
    if (!handed[column]) continue;
    const auto c = static_cast<std::int64_t>(column);
    std::vector<std::optional<VariableSummary>>& done = queue_->done;
    summaries[column] =
        column < done.size() && done[column]
            ? std::move(*done[column])
            : SummariseVariable(chains, c, column < traced_ ? trace_points_ : 0, scratch);
    summaries[column].name = std::string(state_.table.Get(0, c));
  }
  return summaries;
}

}  // namespace quillet
