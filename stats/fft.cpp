#include "stats/fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quillet::stats {
namespace {

using Complex = std::complex<double>;

// The twiddle factors exp(-pi i k / span) of every span 1, 2, 4, ... < n, a
// span's k = 0 .. span - 1 from offset span - 1 (n - 1 in all). Each from
// its own angle, so that errors do not pile up along the table. For
// transforms of up to a few hundred thousand values the table is kept for
// the next transforms (the chains of a run are all of one length); a span's
// factors do not depend on the length, so a table serves every shorter one.
const Complex* Twiddles(std::size_t n, std::vector<Complex>& made) {
  constexpr std::size_t kMostKept = std::size_t{1} << 18;
  thread_local std::vector<Complex> kept;
  std::vector<Complex>& twiddles = n <= kMostKept ? kept : made;
  if (twiddles.size() >= n - 1) return twiddles.data();
  twiddles.resize(n - 1);
  for (std::size_t span = 1; span < n; span <<= 1) {
    for (std::size_t k = 0; k < span; ++k) {
      const double angle = -std::numbers::pi * static_cast<double>(k) / static_cast<double>(span);
      twiddles[span - 1 + k] = {std::cos(angle), std::sin(angle)};
    }
  }
  return twiddles.data();
}

// The products are written out: std::complex's would check each for NaN.
// `sign` -1 takes the twiddle's conjugate.
Complex Times(Complex value, Complex twiddle, double sign) {
  const double wi = sign * twiddle.imag();
  return {value.real() * twiddle.real() - value.imag() * wi,
          value.real() * wi + value.imag() * twiddle.real()};
}

// Applies `butterfly` to each pair of values a span apart, over `count`
// values (a multiple of 2 span), with the span's twiddle factors `w`.
template <typename Butterfly>
void EachButterfly(Complex* values, std::size_t count, std::size_t span, const Complex* w,
                   Butterfly butterfly) {
  for (std::size_t start = 0; start < count; start += 2 * span) {
    Complex* low = values + start;
    Complex* high = low + span;
    for (std::size_t k = 0; k < span; ++k) butterfly(low[k], high[k], w[k]);
  }
}

// One span's butterflies of the forward transform (decimation in frequency).
void ForwardButterflies(Complex* values, std::size_t count, std::size_t span, const Complex* w) {
  EachButterfly(values, count, span, w, [](Complex& low, Complex& high, Complex twiddle) {
    const Complex a = low;
    const Complex b = high;
    low = {a.real() + b.real(), a.imag() + b.imag()};
    high = Times({a.real() - b.real(), a.imag() - b.imag()}, twiddle, 1.0);
  });
}

// One span's butterflies of the inverse (decimation in time).
void InverseButterflies(Complex* values, std::size_t count, std::size_t span, const Complex* w) {
  EachButterfly(values, count, span, w, [](Complex& low, Complex& high, Complex twiddle) {
    const Complex a = low;
    const Complex odd = Times(high, twiddle, -1.0);
    high = {a.real() - odd.real(), a.imag() - odd.imag()};
    low = {a.real() + odd.real(), a.imag() + odd.imag()};
  });
}

// Spans below this are done a block of values at a time, while the block
// stays in the nearest cache.
constexpr std::size_t kBlock = std::size_t{1} << 11;

// The inverse, without scaling, of values in bit-reversed order: x[j] =
// sum X[k] exp(2 pi i j k / n), x[j] at position j.
void InverseFromBitReversed(std::vector<Complex>& values) {
  const std::size_t n = values.size();
  if (n < 2) return;
  std::vector<Complex> made;
  const Complex* w = Twiddles(n, made);
  const std::size_t block = std::min(n, kBlock);
  for (std::size_t start = 0; start < n; start += block) {
    for (std::size_t span = 1; span < block; span <<= 1) {
      InverseButterflies(values.data() + start, block, span, w + span - 1);
    }
  }
  for (std::size_t span = block; span < n; span <<= 1) {
    InverseButterflies(values.data(), n, span, w + span - 1);
  }
}

}  // namespace

void TransformToBitReversed(std::vector<Complex>& values) {
  const std::size_t n = values.size();
  if (n < 2) return;
  std::vector<Complex> made;
  const Complex* w = Twiddles(n, made);
  const std::size_t block = std::min(n, kBlock);
  for (std::size_t span = n / 2; span >= block; span >>= 1) {
    ForwardButterflies(values.data(), n, span, w + span - 1);
  }
  for (std::size_t start = 0; start < n; start += block) {
    for (std::size_t span = block / 2; span >= 1; span >>= 1) {
      ForwardButterflies(values.data() + start, block, span, w + span - 1);
    }
  }
}

void InverseOfEvenTransform(const std::vector<double>& frequencies, std::vector<Complex>& halves) {
  const std::size_t n = frequencies.size();
  if (n < 2) {
    halves.assign(1, n == 1 ? frequencies[0] : 0.0);
    return;
  }
  // The even and the odd positions of the result as the real and the
  // imaginary part of one inverse of half the length, whose value at frequency k is
  // E + i O: E = X[k] + X[k + n/2] and O = (X[k] - X[k + n/2]) exp(2 pi i k / n).
  // In bit-reversed order, X[k] and X[k + n/2] stand side by side at 2j and
  // 2j + 1, where j is k's place among the half.
  const std::size_t half = n / 2;
  std::vector<Complex> made;
  const Complex* w = Twiddles(n, made) + half - 1;  // exp(-2 pi i k / n)
  halves.resize(half);
  for (std::size_t j = 0, k = 0; j < half; ++j) {
    const double even = frequencies[2 * j] + frequencies[2 * j + 1];
    const double odd = frequencies[2 * j] - frequencies[2 * j + 1];
    halves[j] = {even + odd * w[k].imag(), odd * w[k].real()};
    // k: j + 1 with its bits reversed.
    std::size_t bit = half >> 1;
    for (; k & bit; bit >>= 1) k ^= bit;
    k ^= bit;
  }
  InverseFromBitReversed(halves);
}

void AddPairedPower(const std::vector<Complex>& transform, std::vector<double>& power) {
  const std::size_t n = transform.size();
  // Positions 0 and 1 hold X[0] and X[n/2], their own partners; every
  // further octave [m, 2m) of positions holds its frequencies and their
  // negatives mirrored.
  for (std::size_t p = 0; p < std::min<std::size_t>(n, 2); ++p) power[p] += std::norm(transform[p]);
  for (std::size_t m = 2; m < n; m <<= 1) {
    for (std::size_t p = m; p < 2 * m; ++p) {
      power[p] += (std::norm(transform[p]) + std::norm(transform[3 * m - 1 - p])) / 2.0;
    }
  }
}

}  // namespace quillet::stats
