#include "stats/summary.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "stats/convergence.h"
#include "stats/order_statistics.h"
#include "stats/radix_sort.h"
#include "stats/ranks.h"
#include "stats/sums.h"

namespace quillet::stats {

struct SummaryBuffers::Vectors {
  std::vector<Ranked> order;  // the draws, sorted, with their places
  SortScratch sort_scratch;
  std::vector<double> sorted;
  std::vector<std::size_t> places;  // as the ranks take them
  std::vector<double> keys;
  std::vector<double> scores;
  std::vector<double> indicator;
  std::vector<double> split;
};

SummaryBuffers::SummaryBuffers() : vectors_(new Vectors) {}
SummaryBuffers::~SummaryBuffers() = default;

namespace {

using Vectors = SummaryBuffers::Vectors;

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
  // A first mean, then the distances from it summed, which makes the mean
  // as exact as summing in extended precision and the squares about it
  // exact to the last few bits (the corrected two-pass sum).
  const double n = static_cast<double>(draws.size());
  const double rough = SumOf(draws) / n;
  const auto [distances, squares] = DistancesAndSquaresAbout(draws, rough);
  summary.values[kMean] = rough + distances / n;
  if (draws.size() < 2) return;
  summary.values[kSd] = std::sqrt((squares - distances * distances / n) / (n - 1.0));
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
double TailEss(std::span<const double> split_draws, std::size_t split_chains, double q,
               std::vector<double>& indicator) {
  indicator.resize(split_draws.size());
  for (std::size_t i = 0; i < split_draws.size(); ++i) indicator[i] = split_draws[i] <= q;
  return EffectiveSampleSize(indicator, split_chains);
}

// The draws ordered by their distance from the median, with their places:
// those below it, walked downwards, merged with those at or above it (a
// draw below before one above at the same distance), the middle draw an odd
// chain drops left out; `kept` draws are not dropped.
void OrderByDistance(const std::vector<Ranked>& order, double median, std::size_t kept,
                     std::vector<std::size_t>& places, std::vector<double>& distances) {
  const std::size_t size = order.size();
  // One slot more, where a dropped draw is put out of the way.
  places.resize(size + 1);
  distances.resize(size + 1);
  const std::size_t middle = static_cast<std::size_t>(
      std::lower_bound(order.begin(), order.end(), median,
                       [](const Ranked& draw, double value) { return draw.value < value; }) -
      order.begin());
  constexpr double kNone = std::numeric_limits<double>::infinity();
  // Two walks at once, which the processor runs side by side since neither
  // waits for the other: from the median outwards, nearest first, writing
  // from the front, and from both ends inwards, farthest first, writing from
  // the back. Each takes half of the draws. Which side is nearer, the draws
  // decide at random: chosen by arithmetic rather than a branch that would
  // be mispredicted every other draw.
  std::size_t down = middle;  // the nearest not taken below
  std::size_t up = middle;    // ... and above
  std::size_t front = 0;
  std::size_t low = 0;      // the farthest not taken below
  std::size_t high = size;  // ... and above
  std::size_t back = kept;
  const auto put = [&](std::size_t& at, std::size_t from, double distance, bool forwards) {
    const bool keep = order[from].index != kDropped;
    const std::size_t slot = keep ? (forwards ? at : at - 1) : size;
    places[slot] = order[from].index;
    distances[slot] = distance;
    if (keep) at = forwards ? at + 1 : at - 1;
  };
  const std::size_t front_steps = size / 2;
  const std::size_t back_steps = size - front_steps;
  for (std::size_t step = 0; step < back_steps; ++step) {
    if (step < front_steps) {
      // Each draw read whether or not it is there, so that the choice is
      // arithmetic; one that is not counts as infinitely far.
      const double below = median - order[down > 0 ? down - 1 : 0].value;
      const double above = order[up < size ? up : size - 1].value - median;
      const double down_distance = down > 0 ? below : kNone;
      const double up_distance = up < size ? above : kNone;
      const std::size_t take_down = down_distance <= up_distance;
      put(front, up - take_down * (up - down + 1), std::min(down_distance, up_distance), true);
      down -= take_down;
      up += 1 - take_down;
    }
    // low <= middle < size: the median is no larger than the largest draw.
    const double lowest = median - order[low].value;
    const double highest = order[high > middle ? high - 1 : middle].value - median;
    const double low_distance = low < middle ? lowest : -kNone;
    const double high_distance = high > middle ? highest : -kNone;
    const std::size_t take_low = low_distance > high_distance;
    put(back, high - 1 + take_low * (low + 1 - high), std::max(low_distance, high_distance), false);
    low += take_low;
    high -= 1 - take_low;
  }
  places.resize(kept);
  distances.resize(kept);
}

// R-hat and the ESS. `order` holds the draws in ascending order of value,
// each with its place among the split chains (SplitPosition); `sorted` and
// `places` the same apart.
void SetDiagnostics(std::span<const double> draws, std::size_t chains, Vectors& buffers,
                    Summary& summary) {
  const std::vector<Ranked>& order = buffers.order;
  const std::span<const double> sorted = buffers.sorted;
  const std::size_t n = draws.size() / chains;
  const std::size_t split_chains = 2 * chains;
  const std::size_t split_size = split_chains * (n / 2);

  // Bulk: the split draws' normal scores, in the order of their values:
  // the sorted draws and their places, less any middle draw a split drops.
  std::vector<std::size_t>& places = buffers.places;
  std::vector<double>& keys = buffers.keys;
  std::span<const double> bulk_keys = sorted;
  if (split_size != order.size()) {
    places.clear();
    keys.clear();
    for (const auto& [value, place] : order) {
      if (place == kDropped) continue;
      places.push_back(place);
      keys.push_back(value);
    }
    bulk_keys = keys;
  }
  std::vector<double>& scores = buffers.scores;
  scores.resize(split_size);
  NormalScores(places, bulk_keys, scores);
  const double rhat_bulk = Rhat(scores, split_chains);
  summary.values[kEssBulk] = EffectiveSampleSize(scores, split_chains);

  // Tail: the same of the distances from the median.
  OrderByDistance(order, Median(sorted), split_size, places, keys);
  NormalScores(places, keys, scores);
  summary.values[kRhat] = MaxOrNaN(rhat_bulk, Rhat(scores, split_chains));

  // Chains of an even length, one after another, are their own split.
  if (n % 2 == 1) buffers.split = SplitChains(draws, chains);
  const std::span<const double> split = n % 2 == 1 ? std::span<const double>(buffers.split) : draws;
  std::vector<double>& indicator = buffers.indicator;
  summary.values[kEssTail] =
      MinOrNaN(TailEss(split, split_chains, Quantile(sorted, 0.05), indicator),
               TailEss(split, split_chains, Quantile(sorted, 0.95), indicator));
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
  SummaryBuffers buffers;
  return Summarise(draws, chains, buffers);
}

Summary Summarise(std::span<const double> draws, std::size_t chains, SummaryBuffers& buffers) {
  Vectors& vectors = buffers.vectors();
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
  std::vector<Ranked>& order = vectors.order;
  order.resize(draws.size());
  const std::size_t n = summary.draws;
  for (std::size_t c = 0; c < chains; ++c) {
    for (std::size_t i = 0; i < n; ++i)
      order[c * n + i] = {draws[c * n + i], SplitPosition(c, i, n)};
  }
  SortByValue(order, vectors.sort_scratch);
  std::vector<double>& sorted = vectors.sorted;
  std::vector<std::size_t>& places = vectors.places;
  sorted.resize(order.size());
  places.resize(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    sorted[i] = order[i].value;
    places[i] = order[i].index;
  }
  SetOrderStatistics(sorted, summary);

  constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
  if (summary.draws < kLeastDiagnosedDraws) {
    AddNote(summary, "fewer than 4 draws per chain");
  } else if (sorted.back() - sorted.front() < kEpsilon) {
    // The draws are finite: the extremes decide.
    AddNote(summary, "constant draws");
  } else {
    SetDiagnostics(draws, chains, vectors, summary);
  }
  return summary;
}

}  // namespace quillet::stats
