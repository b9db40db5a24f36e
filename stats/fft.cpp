#include "stats/fft.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace quillet::stats {

void FourierTransform(std::vector<std::complex<double>>& values, bool inverse) {
  const std::size_t n = values.size();
  // Bit-reversed order, then butterflies of doubling span (radix 2).
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(values[i], values[j]);
  }
  // Each twiddle factor from its own angle, so that errors do not pile up
  // along the table; for transforms of up to a few hundred thousand values,
  // the tables of each direction are kept for the next transform of the same
  // size (the chains of a run are all of one length).
  constexpr std::size_t kMostKept = std::size_t{1} << 18;
  thread_local std::vector<std::complex<double>> kept[2];
  std::vector<std::complex<double>> made;
  std::vector<std::complex<double>>& twiddles = n <= kMostKept ? kept[inverse ? 1 : 0] : made;
  if (twiddles.size() != n / 2) {
    twiddles.resize(n / 2);
    const double sign = inverse ? 1.0 : -1.0;
    for (std::size_t k = 0; k < n / 2; ++k) {
      const double angle =
          sign * 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
      twiddles[k] = {std::cos(angle), std::sin(angle)};
    }
  }
  for (std::size_t span = 1; span < n; span <<= 1) {
    const std::size_t stride = n / (2 * span);
    for (std::size_t start = 0; start < n; start += 2 * span) {
      for (std::size_t k = 0; k < span; ++k) {
        const std::complex<double> odd = values[start + k + span] * twiddles[k * stride];
        values[start + k + span] = values[start + k] - odd;
        values[start + k] += odd;
      }
    }
  }
}

}  // namespace quillet::stats
