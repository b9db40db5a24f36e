// The autocovariance of chains side by side, averaged over the chains, lag by
// lag as the effective sample size asks for it.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace quillet::stats {

class MeanAutocovariance {
 public:
  // `values`: `chains` chains one after another, each values.size() / chains
  // long (at least 2), and `means`, each chain's mean, kept by the caller
  // while this is used. A constant chain has no autocovariance (all zero).
  MeanAutocovariance(std::span<const double> values, std::size_t chains,
                     std::span<const double> means);

  // The mean over the chains of sum_i (x_i - m)(x_{i+lag} - m) / n, each
  // chain about its own mean m, for lag < n. The first lags are summed
  // directly, a block at a time (most chains need only the first); a longer
  // reach computes every further lag at once through the Fourier transform
  // of the zero-padded chains. A lag is computed the one way whichever lags
  // were asked for before it.
  double operator()(std::size_t lag);

  // Lags summed together, and the lags summed directly.
  static constexpr std::size_t kBlockLags = 4;
  static constexpr std::size_t kDirectLags = 4 * kBlockLags;

 private:
  const double* Chain(std::size_t c) const { return values_.data() + c * length_; }
  void SumBlock(std::size_t block);
  void ComputeAllLags();

  std::span<const double> values_;
  std::span<const double> means_;
  std::size_t chains_;
  std::size_t length_;
  std::vector<std::size_t> varying_;  // the chains that are not constant
  std::array<bool, kDirectLags / kBlockLags> summed_{};
  std::array<double, kDirectLags> direct_{};  // by block, once summed
  std::vector<double> all_lags_;              // every lag, once the transform was needed
};

}  // namespace quillet::stats
