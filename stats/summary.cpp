#include "stats/summary.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "stats/convergence.h"
#include "stats/order_statistics.h"
#include "stats/radix_sort.h"

namespace quillet::stats {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void AddNote(Summary& summary, const std::string& note) {
  if (!summary.note.empty()) summary.note += "; ";
  summary.note += note;
}

// The larger of two values, NaN when either is.
double MaxOrNaN(double a, double b) {
  return std::isnan(a) || std::isnan(b) ? kNaN : std::max(a, b);
}
double MinOrNaN(double a, double b) {
  return std::isnan(a) || std::isnan(b) ? kNaN : std::min(a, b);
}

void SetLocationAndSpread(std::span<const double> draws, Summary& summary) {
  // Summed in extended precision, where there is one.
  long double sum = 0.0L;
  for (double x : draws) sum += x;
  const long double n = static_cast<long double>(draws.size());
  summary.values[kMean] = static_cast<double>(sum / n);
  if (draws.size() < 2) return;
  const double m = summary.values[kMean];
  long double squares = 0.0L;
  for (double x : draws) squares += (x - m) * (x - m);
  summary.values[kSd] = std::sqrt(static_cast<double>(squares / (n - 1.0L)));
}

void SetOrderStatistics(std::span<const double> sorted, Summary& summary) {
  constexpr std::pair<Statistic, double> kQuantiles[] = {
      {kQ2_5, 0.025}, {kQ25, 0.25}, {kQ50, 0.5}, {kQ75, 0.75}, {kQ97_5, 0.975}};
  for (const auto& [statistic, p] : kQuantiles) summary.values[statistic] = Quantile(sorted, p);
  const auto [lower, upper] = ShortestInterval(sorted, 95);
  summary.values[kHdi95Lower] = lower;
  summary.values[kHdi95Upper] = upper;
}

// The split draws' ESS of the indicator x <= q.
double TailEss(std::span<const double> split_draws, std::size_t split_chains, double q) {
  std::vector<double> indicator(split_draws.size());
  for (std::size_t i = 0; i < split_draws.size(); ++i) indicator[i] = split_draws[i] <= q;
  return EffectiveSampleSize(indicator, split_chains);
}

// R-hat and the ESS. `order` holds the draws in ascending order of value,
// each with its place among the split chains (SplitPosition).
void SetDiagnostics(std::span<const double> draws, std::size_t chains,
                    const std::vector<Ranked>& order, std::span<const double> sorted,
                    Summary& summary) {
  const std::size_t n = draws.size() / chains;
  const std::size_t split_chains = 2 * chains;
  const std::size_t split_size = split_chains * (n / 2);

  // Bulk: the split draws' normal scores, in the order of their values.
  std::vector<std::size_t> positions;
  std::vector<double> keys;
  positions.reserve(split_size);
  keys.reserve(split_size);
  for (const auto& [value, position] : order) {
    if (position == kDropped) continue;
    positions.push_back(position);
    keys.push_back(value);
  }
  std::vector<double> scores(split_size);
  NormalScores(positions, keys, scores);
  const double rhat_bulk = Rhat(scores, split_chains);
  summary.values[kEssBulk] = EffectiveSampleSize(scores, split_chains);

  // Tail: the distances from the median, ordered by merging the draws below
  // it (walked downwards) with those at or above it.
  const double median = Median(sorted);
  const std::size_t below = static_cast<std::size_t>(
      std::lower_bound(sorted.begin(), sorted.end(), median) - sorted.begin());
  positions.clear();
  keys.clear();
  std::size_t down = below;
  std::size_t up = below;
  while (down > 0 || up < order.size()) {
    const double down_key = down > 0 ? median - order[down - 1].value : 0.0;
    const double up_key = up < order.size() ? order[up].value - median : 0.0;
    const bool take_down = down > 0 && (up == order.size() || down_key <= up_key);
    const std::size_t position = take_down ? order[--down].index : order[up++].index;
    if (position == kDropped) continue;
    positions.push_back(position);
    keys.push_back(take_down ? down_key : up_key);
  }
  NormalScores(positions, keys, scores);
  summary.values[kRhat] = MaxOrNaN(rhat_bulk, Rhat(scores, split_chains));

  // Chains of an even length, one after another, are their own split.
  std::vector<double> split_copy;
  if (n % 2 == 1) split_copy = SplitChains(draws, chains);
  const std::span<const double> split = n % 2 == 1 ? std::span<const double>(split_copy) : draws;
  summary.values[kEssTail] = MinOrNaN(TailEss(split, split_chains, Quantile(sorted, 0.05)),
                                      TailEss(split, split_chains, Quantile(sorted, 0.95)));
  const double ess_mean = EffectiveSampleSize(split, split_chains);
  summary.values[kMcseMean] = summary.values[kSd] / std::sqrt(ess_mean);

  if (n / 2 < 3) {
    AddNote(summary, "the ESS needs at least 6 draws per chain");
  } else {
    for (const Statistic statistic : {kRhat, kEssBulk, kEssTail}) {
      if (std::isnan(summary.values[statistic])) {
        AddNote(summary, std::string(kStatisticNames[statistic]) + " undefined: too many ties");
      }
    }
  }
}

}  // namespace

Summary Summarise(std::span<const double> draws, std::size_t chains) {
  Summary summary;
  summary.values.fill(kNaN);
  summary.chains = chains;
  summary.draws = chains == 0 ? 0 : draws.size() / chains;
  if (summary.draws == 0) {
    summary.note = "no draws";
    return summary;
  }
  draws = draws.first(summary.draws * chains);
  if (!std::all_of(draws.begin(), draws.end(), [](double x) { return std::isfinite(x); })) {
    summary.note = "a draw is not a finite number";
    return summary;
  }
  SetLocationAndSpread(draws, summary);

  // Each draw with its place among the split chains, which is all that the
  // ranks need of where it stood.
  std::vector<Ranked> order(draws.size());
  const std::size_t n = summary.draws;
  for (std::size_t c = 0; c < chains; ++c) {
    for (std::size_t i = 0; i < n; ++i)
      order[c * n + i] = {draws[c * n + i], SplitPosition(c, i, n)};
  }
  SortByValue(order);
  std::vector<double> sorted(draws.size());
  for (std::size_t i = 0; i < order.size(); ++i) sorted[i] = order[i].value;
  SetOrderStatistics(sorted, summary);

  if (summary.draws < kLeastDiagnosedDraws) {
    AddNote(summary, "fewer than 4 draws per chain");
  } else if (NotFiniteOrConstant(sorted)) {
    AddNote(summary, "constant draws");
  } else {
    SetDiagnostics(draws, chains, order, sorted, summary);
  }
  return summary;
}

}  // namespace quillet::stats
