#include "core/chain_summary.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "core/numeric_text.h"

namespace quillet {
namespace {

// Where a cell that is not a number stands.
std::string NotANumberNote(std::size_t chain, std::size_t chains, std::int64_t row) {
  std::string note = chains > 1 ? "chain " + std::to_string(chain + 1) + ", " : "";
  return note + "row " + std::to_string(row) + " is not a number";
}

VariableSummary SummariseVariable(const std::vector<const ConversionState*>& chains,
                                  std::int64_t column, std::size_t trace_points) {
  VariableSummary result;
  result.name = std::string(chains.front()->table.Get(0, column));
  // Each chain's draws, then cut to the shortest.
  std::vector<std::vector<double>> values(chains.size());
  std::optional<std::string> not_a_number;
  for (std::size_t c = 0; c < chains.size(); ++c) {
    const SampleTable& table = chains[c]->table;
    if (column > table.LastColumn()) continue;
    values[c].reserve(static_cast<std::size_t>(table.last_row()));
    for (std::int64_t row = 1; row <= table.last_row(); ++row) {
      const std::string_view cell = table.Get(row, column);
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
  std::vector<double> draws;
  if (chains.size() == 1) {
    draws = std::move(values.front());
    draws.resize(n);
  } else {
    draws.reserve(n * chains.size());
    for (const auto& chain : values) draws.insert(draws.end(), chain.begin(), chain.begin() + n);
  }
  values.clear();

  if (not_a_number) {
    result.summary.chains = chains.size();
    result.summary.draws = n;
    result.summary.values.fill(std::numeric_limits<double>::quiet_NaN());
    result.summary.note = *not_a_number;
  } else {
    result.summary = stats::Summarise(draws, chains.size());
  }
  return result;
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
  const auto variables = static_cast<std::int64_t>(SummarisedVariableCount(chains));
  std::vector<VariableSummary> summaries(static_cast<std::size_t>(variables));
  std::atomic<std::int64_t> next{0};
  std::exception_ptr failure;
  std::mutex failure_mutex;
  const auto work = [&] {
    try {
      for (std::int64_t column = next++; column < variables; column = next++) {
        const bool trace = static_cast<std::size_t>(column) < traced;
        summaries[static_cast<std::size_t>(column)] =
            SummariseVariable(chains, column, trace ? trace_points : 0);
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
    try {
      threads.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // no thread to be had (a process limit): the calling thread does the rest
    }
  }
  work();
  for (auto& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
  return summaries;
}

}  // namespace quillet
