#include "stats/order_statistics.h"

#include <cmath>

namespace quillet::stats {

double Quantile(std::span<const double> sorted, double p) {
  // Counted from 1 as R counts, so that the rounding is R's.
  const double index = 1.0 + static_cast<double>(sorted.size() - 1) * p;
  const double lo = std::floor(index);
  const double hi = std::ceil(index);
  const double low = sorted[static_cast<std::size_t>(lo) - 1];
  const double high = sorted[static_cast<std::size_t>(hi) - 1];
  if (!(index > lo) || high == low) return low;
  const double h = index - lo;
  return (1.0 - h) * low + h * high;
}

double Median(std::span<const double> sorted) {
  const std::size_t half = sorted.size() / 2;
  if (sorted.size() % 2 == 1) return sorted[half];
  const long double sum = static_cast<long double>(sorted[half - 1]) + sorted[half];
  return static_cast<double>(sum / 2.0L);
}

std::pair<double, double> ShortestInterval(std::span<const double> sorted, int percent) {
  const std::size_t k = sorted.size() * static_cast<std::size_t>(percent) / 100;
  std::size_t best = 0;
  for (std::size_t i = 1; i + k < sorted.size(); ++i) {
    if (sorted[i + k] - sorted[i] < sorted[best + k] - sorted[best]) best = i;
  }
  return {sorted[best], sorted[best + k]};
}

}  // namespace quillet::stats
