// Sums of many doubles, in four running parts, so that each addition need
// not wait for the one before it.
#pragma once

#include <cstddef>
#include <span>

namespace quillet::stats {

inline double SumOf(std::span<const double> values) {
  double sums[4] = {0.0, 0.0, 0.0, 0.0};
  std::size_t i = 0;
  for (; i + 4 <= values.size(); i += 4) {
    for (std::size_t k = 0; k < 4; ++k) sums[k] += values[i + k];
  }
  for (; i < values.size(); ++i) sums[0] += values[i];
  return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

// The sum of the squared distances from `centre`.
inline double SquaresAbout(std::span<const double> values, double centre) {
  double sums[4] = {0.0, 0.0, 0.0, 0.0};
  std::size_t i = 0;
  for (; i + 4 <= values.size(); i += 4) {
    for (std::size_t k = 0; k < 4; ++k) {
      sums[k] += (values[i + k] - centre) * (values[i + k] - centre);
    }
  }
  for (; i < values.size(); ++i) sums[0] += (values[i] - centre) * (values[i] - centre);
  return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

}  // namespace quillet::stats
