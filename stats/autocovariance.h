// The autocovariance of chains side by side, averaged over the chains, lag by
// lag as the effective sample size asks for it.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace quillet::stats {

class MeanAutocovariance {
 public:
  // `values`: `chains` chains one after another, each values.size() / chains
  // long (at least 2), kept by the caller while this is used. A constant
  // chain has no autocovariance (all zero).
  MeanAutocovariance(std::span<const double> values, std::size_t chains);

  // The mean over the chains of sum_i (x_i - m)(x_{i+lag} - m) / n, each
  // chain about its own mean m, for lag < n. The first lags are summed
  // directly (most chains need only a few); a longer reach computes every lag
  // at once through the Fourier transform of the zero-padded chains.
  double operator()(std::size_t lag);

 private:
  void ComputeAllLags();

  std::span<const double> values_;
  std::size_t chains_;
  std::size_t length_;
  std::vector<double> means_;     // per chain; NaN for a constant one
  std::vector<double> all_lags_;  // every lag, once the transform was needed
};

}  // namespace quillet::stats
