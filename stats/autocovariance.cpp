#include "stats/autocovariance.h"

#include <cmath>
#include <complex>
#include <limits>

#include "stats/fft.h"
#include "stats/sums.h"

namespace quillet::stats {
namespace {

// Lags beyond this are all computed by the transform.
constexpr std::size_t kDirectLags = 16;

}  // namespace

MeanAutocovariance::MeanAutocovariance(std::span<const double> values, std::size_t chains)
    : values_(values), chains_(chains), length_(values.size() / chains), means_(chains) {
  for (std::size_t c = 0; c < chains_; ++c) {
    const double* chain = values_.data() + c * length_;
    bool constant = true;
    for (std::size_t i = 0; i < length_; ++i) constant = constant && chain[i] == chain[0];
    // A constant chain has no autocovariance: marked by a NaN mean.
    means_[c] = constant ? std::numeric_limits<double>::quiet_NaN()
                         : SumOf(std::span(chain, length_)) / static_cast<double>(length_);
  }
}

double MeanAutocovariance::operator()(std::size_t lag) {
  if (all_lags_.empty() && lag >= kDirectLags) ComputeAllLags();
  if (!all_lags_.empty()) return all_lags_[lag];
  double total = 0.0;
  for (std::size_t c = 0; c < chains_; ++c) {
    const double mean = means_[c];
    if (std::isnan(mean)) continue;
    const double* x = values_.data() + c * length_;
    const std::size_t count = length_ - lag;
    // Four sums at once, so that the additions need not wait on each other.
    double sums[4] = {0.0, 0.0, 0.0, 0.0};
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
      for (std::size_t k = 0; k < 4; ++k) sums[k] += (x[i + k] - mean) * (x[i + k + lag] - mean);
    }
    for (; i < count; ++i) sums[0] += (x[i] - mean) * (x[i + lag] - mean);
    total += ((sums[0] + sums[1]) + (sums[2] + sums[3])) / static_cast<double>(length_);
  }
  return total / static_cast<double>(chains_);
}

void MeanAutocovariance::ComputeAllLags() {
  // Padded to at least twice the length, the circular autocovariance is the
  // linear one.
  std::size_t padded = 1;
  while (padded < 2 * length_) padded <<= 1;
  all_lags_.assign(length_, 0.0);
  std::vector<std::complex<double>> transform(padded);
  for (std::size_t c = 0; c < chains_; ++c) {
    const double mean = means_[c];
    if (std::isnan(mean)) continue;
    const double* chain = values_.data() + c * length_;
    for (std::size_t i = 0; i < padded; ++i) transform[i] = i < length_ ? chain[i] - mean : 0.0;
    FourierTransform(transform, false);
    for (auto& value : transform) value = std::norm(value);
    FourierTransform(transform, true);
    const double scale = static_cast<double>(padded) * static_cast<double>(length_);
    for (std::size_t lag = 0; lag < length_; ++lag) all_lags_[lag] += transform[lag].real() / scale;
  }
  for (double& value : all_lags_) value /= static_cast<double>(chains_);
}

}  // namespace quillet::stats
