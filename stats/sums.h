// Sums of many doubles, in four running parts, so that each addition need
// not wait for the one before it.
#pragma once

#include <cstddef>
#include <span>
#include <utility>

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

// The sum as SumOf adds it, and whether every value is finite (a sum that
// overflows is no sign of a value that is not).
struct CheckedSum {
  double sum;
  bool finite;
};
inline CheckedSum SumChecked(std::span<const double> values) {
  double sums[4] = {0.0, 0.0, 0.0, 0.0};
  // x * 0 is 0, or NaN once x is NaN or infinite.
  double poison[4] = {0.0, 0.0, 0.0, 0.0};
  std::size_t i = 0;
  for (; i + 4 <= values.size(); i += 4) {
    for (std::size_t k = 0; k < 4; ++k) {
      sums[k] += values[i + k];
      poison[k] += values[i + k] * 0.0;
    }
  }
  for (; i < values.size(); ++i) {
    sums[0] += values[i];
    poison[0] += values[i] * 0.0;
  }
  return {(sums[0] + sums[1]) + (sums[2] + sums[3]),
          (poison[0] + poison[1]) + (poison[2] + poison[3]) == 0.0};
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

// The sums of the distances from `centre` and of their squares, each in four
// running parts.
inline std::pair<double, double> DistancesAndSquaresAbout(std::span<const double> values,
                                                          double centre) {
  double distances[4] = {0.0, 0.0, 0.0, 0.0};
  double squares[4] = {0.0, 0.0, 0.0, 0.0};
  std::size_t i = 0;
  for (; i + 4 <= values.size(); i += 4) {
    for (std::size_t k = 0; k < 4; ++k) {
      const double d = values[i + k] - centre;
      distances[k] += d;
      squares[k] += d * d;
    }
  }
  for (; i < values.size(); ++i) {
    const double d = values[i] - centre;
    distances[0] += d;
    squares[0] += d * d;
  }
  return {(distances[0] + distances[1]) + (distances[2] + distances[3]),
          (squares[0] + squares[1]) + (squares[2] + squares[3])};
}

}  // namespace quillet::stats
