#include "stats/autocovariance.h"

#include <algorithm>
#include <complex>

#include "stats/fft.h"

namespace quillet::stats {
namespace {

constexpr std::size_t kBlockLags = MeanAutocovariance::kBlockLags;

bool ConstantChain(const double* chain, std::size_t length) {
  for (std::size_t i = 1; i < length; ++i) {
    if (chain[i] != chain[0]) return false;
  }
  return true;
}

// sum_i (x_i - m)(x_{i+lag} - m) over a chain, in four running parts by
// i mod 4, so that the additions need not wait on each other.
double LagSum(const double* x, std::size_t length, double m, std::size_t lag) {
  if (lag >= length) return 0.0;
  const std::size_t count = length - lag;
  double sums[4] = {0.0, 0.0, 0.0, 0.0};
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    for (std::size_t k = 0; k < 4; ++k) sums[k] += (x[i + k] - m) * (x[i + k + lag] - m);
  }
  for (; i < count; ++i) sums[0] += (x[i] - m) * (x[i + lag] - m);
  return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

}  // namespace

MeanAutocovariance::MeanAutocovariance(std::span<const double> values, std::size_t chains,
                                       std::span<const double> means)
    : values_(values), means_(means), chains_(chains), length_(values.size() / chains) {
  for (std::size_t c = 0; c < chains_; ++c) {
    if (!ConstantChain(Chain(c), length_)) varying_.push_back(c);
  }
}

double MeanAutocovariance::operator()(std::size_t lag) {
  if (lag >= kDirectLags) {
    if (all_lags_.empty()) ComputeAllLags();
    return all_lags_[lag];
  }
  if (!summed_[lag / kBlockLags]) SumBlock(lag / kBlockLags);
  return direct_[lag];
}

void MeanAutocovariance::SumBlock(std::size_t block) {
  const std::size_t first = block * kBlockLags;
  std::array<double, kBlockLags> totals{};
  for (std::size_t c : varying_) {
    for (std::size_t k = 0; k < kBlockLags; ++k) {
      totals[k] += LagSum(Chain(c), length_, means_[c], first + k) / static_cast<double>(length_);
    }
  }
  for (std::size_t k = 0; k < kBlockLags; ++k) {
    direct_[first + k] = totals[k] / static_cast<double>(chains_);
  }
  summed_[block] = true;
}

void MeanAutocovariance::ComputeAllLags() {
  // Padded to at least twice the length, the circular autocovariance is the
  // linear one.
  std::size_t padded = 1;
  while (padded < 2 * length_) padded <<= 1;
  // Two chains at once, as the real and the imaginary part of one sequence;
  // the chains' powers at each frequency are summed, and transformed back once.
  std::vector<double> power(padded, 0.0);
  std::vector<std::complex<double>> transform(padded);
  for (std::size_t p = 0; p < varying_.size(); p += 2) {
    const bool pair = p + 1 < varying_.size();
    const double* a = Chain(varying_[p]);
    const double a_mean = means_[varying_[p]];
    if (pair) {
      const double* b = Chain(varying_[p + 1]);
      const double b_mean = means_[varying_[p + 1]];
      for (std::size_t i = 0; i < length_; ++i) transform[i] = {a[i] - a_mean, b[i] - b_mean};
    } else {
      for (std::size_t i = 0; i < length_; ++i) transform[i] = a[i] - a_mean;
    }
    std::fill(transform.begin() + static_cast<std::ptrdiff_t>(length_), transform.end(), 0.0);
    TransformToBitReversed(transform);
    // One chain alone has the imaginary part 0, and its own powers.
    AddPairedPower(transform, power);
  }
  InverseOfEvenTransform(power, transform);
  const double scale =
      static_cast<double>(padded) * static_cast<double>(length_) * static_cast<double>(chains_);
  all_lags_.resize(length_);
  for (std::size_t lag = 0; lag < length_; ++lag) {
    const std::complex<double> pair = transform[lag / 2];
    all_lags_[lag] = (lag % 2 == 0 ? pair.real() : pair.imag()) / scale;
  }
}

}  // namespace quillet::stats
