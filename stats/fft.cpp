#include "stats/fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace quillet::stats {
namespace {

// The twiddle factors exp(-pi i k / span) of every span 1, 2, 4, ... < n, a
// span's k = 0 .. span - 1 from offset span - 1 (n - 1 in all). Each from
// its own angle, so that errors do not pile up along the table.
void MakeTwiddles(std::vector<std::complex<double>>& twiddles, std::size_t n) {
  twiddles.resize(n - 1);
  for (std::size_t span = 1; span < n; span <<= 1) {
    for (std::size_t k = 0; k < span; ++k) {
      const double angle = -std::numbers::pi * static_cast<double>(k) / static_cast<double>(span);
      twiddles[span - 1 + k] = {std::cos(angle), std::sin(angle)};
    }
  }
}

// The butterflies of one span over `count` values (a multiple of 2 span);
// `sign` -1 takes the twiddles' conjugates. The products are written out:
// std::complex's would check every one for NaN.
void Butterflies(std::complex<double>* values, std::size_t count, std::size_t span,
                 const std::complex<double>* twiddles, double sign) {
  for (std::size_t start = 0; start < count; start += 2 * span) {
    std::complex<double>* low = values + start;
    std::complex<double>* high = low + span;
    for (std::size_t k = 0; k < span; ++k) {
      const double wr = twiddles[k].real();
      const double wi = sign * twiddles[k].imag();
      const double hr = high[k].real();
      const double hi = high[k].imag();
      const double odd_r = hr * wr - hi * wi;
      const double odd_i = hr * wi + hi * wr;
      const double lr = low[k].real();
      const double li = low[k].imag();
      high[k] = {lr - odd_r, li - odd_i};
      low[k] = {lr + odd_r, li + odd_i};
    }
  }
}

}  // namespace

void FourierTransform(std::vector<std::complex<double>>& values, bool inverse) {
  const std::size_t n = values.size();
  if (n < 2) return;
  // Bit-reversed order, then butterflies of doubling span (radix 2).
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(values[i], values[j]);
  }
  // For transforms of up to a few hundred thousand values the table is kept
  // for the next transform of the same size (the chains of a run are all of
  // one length).
  constexpr std::size_t kMostKept = std::size_t{1} << 18;
  thread_local std::vector<std::complex<double>> kept;
  std::vector<std::complex<double>> made;
  std::vector<std::complex<double>>& twiddles = n <= kMostKept ? kept : made;
  if (twiddles.size() != n - 1) MakeTwiddles(twiddles, n);
  const double sign = inverse ? -1.0 : 1.0;
  // The short spans a block at a time, while the block stays in the
  // nearest cache; then the long spans over all the values.
  constexpr std::size_t kBlock = std::size_t{1} << 11;
  const std::size_t block = std::min(n, kBlock);
  for (std::size_t start = 0; start < n; start += block) {
    for (std::size_t span = 1; span < block; span <<= 1) {
      Butterflies(values.data() + start, block, span, twiddles.data() + span - 1, sign);
    }
  }
  for (std::size_t span = block; span < n; span <<= 1) {
    Butterflies(values.data(), n, span, twiddles.data() + span - 1, sign);
  }
}

}  // namespace quillet::stats
