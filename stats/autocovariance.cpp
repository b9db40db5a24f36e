#include "stats/autocovariance.h"

#include <complex>

#include "stats/fft.h"

namespace quillet::stats {
namespace {

// Lags beyond this are all computed by the transform.
constexpr std::size_t kDirectLags = 16;

}  // namespace

MeanAutocovariance::MeanAutocovariance(std::span<const double> values, std::size_t chains)
    : chains_(chains),
      length_(values.size() / chains),
      centred_(values.begin(), values.end()),
      constant_(chains) {
  for (std::size_t c = 0; c < chains_; ++c) {
    double* chain = centred_.data() + c * length_;
    double sum = 0.0;
    bool constant = true;
    for (std::size_t i = 0; i < length_; ++i) {
      sum += chain[i];
      constant = constant && chain[i] == chain[0];
    }
    constant_[c] = constant;
    const double mean = sum / static_cast<double>(length_);
    for (std::size_t i = 0; i < length_; ++i) chain[i] = constant ? 0.0 : chain[i] - mean;
  }
}

double MeanAutocovariance::operator()(std::size_t lag) {
  if (all_lags_.empty() && lag >= kDirectLags) ComputeAllLags();
  if (!all_lags_.empty()) return all_lags_[lag];
  double total = 0.0;
  for (std::size_t c = 0; c < chains_; ++c) {
    const double* chain = centred_.data() + c * length_;
    double sum = 0.0;
    for (std::size_t i = 0; i + lag < length_; ++i) sum += chain[i] * chain[i + lag];
    total += sum / static_cast<double>(length_);
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
    if (constant_[c]) continue;
    const double* chain = centred_.data() + c * length_;
    for (std::size_t i = 0; i < padded; ++i) transform[i] = i < length_ ? chain[i] : 0.0;
    FourierTransform(transform, false);
    for (auto& value : transform) value = std::norm(value);
    FourierTransform(transform, true);
    const double scale = static_cast<double>(padded) * static_cast<double>(length_);
    for (std::size_t lag = 0; lag < length_; ++lag) all_lags_[lag] += transform[lag].real() / scale;
  }
  for (double& value : all_lags_) value /= static_cast<double>(chains_);
}

}  // namespace quillet::stats
