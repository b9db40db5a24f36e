#include "stats/convergence.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "stats/autocovariance.h"
#include "stats/sums.h"

namespace quillet::stats {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Sums in double precision: R-hat and the ESS depend on the chains' means
// and variances far less finely than these are exact.
double Mean(std::span<const double> values) {
  return SumOf(values) / static_cast<double>(values.size());
}

// The variance with n - 1 in the denominator.
double Variance(std::span<const double> values) {
  return SquaresAbout(values, Mean(values)) / static_cast<double>(values.size() - 1);
}

// Each chain's mean, or nothing when a draw is NaN or infinite: the one
// pass over the draws that R-hat and the ESS both begin with.
std::optional<std::vector<double>> FiniteChainMeans(std::span<const double> values,
                                                    std::size_t chains) {
  const std::size_t n = values.size() / chains;
  std::vector<double> means(chains);
  for (std::size_t c = 0; c < chains; ++c) {
    const std::span<const double> chain = values.subspan(c * n, n);
    const double sum = SumOf(chain);
    // Only a sum that is not finite can hide a draw that is not.
    if (!std::isfinite(sum) && !SumChecked(chain).finite) return std::nullopt;
    means[c] = sum / static_cast<double>(n);
  }
  return means;
}

// True when the largest and the smallest value differ by less than the
// double's epsilon. A value an epsilon away from the first settles it at
// once (nearly always the second); otherwise every value is within an
// epsilon of the first, and the extremes decide.
bool Constant(std::span<const double> values) {
  constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
  const double first = values.front();
  for (double value : values) {
    if (std::fabs(value - first) >= kEpsilon) return false;
  }
  const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
  return std::fabs(*highest - *lowest) < kEpsilon;
}

}  // namespace

std::vector<double> SplitChains(std::span<const double> values, std::size_t chains) {
  const std::size_t n = values.size() / chains;
  const std::size_t half = n / 2;
  std::vector<double> split(2 * chains * half);
  for (std::size_t c = 0; c < chains; ++c) {
    const double* chain = values.data() + c * n;
    std::copy(chain, chain + half, split.begin() + 2 * c * half);
    std::copy(chain + n - half, chain + n, split.begin() + (2 * c + 1) * half);
  }
  return split;
}

bool NotFiniteOrConstant(std::span<const double> values) {
  return values.empty() || !SumChecked(values).finite || Constant(values);
}

double Rhat(std::span<const double> values, std::size_t chains) {
  if (values.empty()) return kNaN;
  const auto means = FiniteChainMeans(values, chains);
  if (!means || Constant(values)) return kNaN;
  const std::size_t n = values.size() / chains;
  const double iterations = static_cast<double>(n);
  double within = 0.0;
  for (std::size_t c = 0; c < chains; ++c) {
    within += SquaresAbout(values.subspan(c * n, n), (*means)[c]) / (iterations - 1.0);
  }
  within /= static_cast<double>(chains);
  const double between = iterations * Variance(*means);
  return std::sqrt((between / within + iterations - 1.0) / iterations);
}

double EffectiveSampleSize(std::span<const double> values, std::size_t chains) {
  const std::size_t n = values.size() / chains;
  if (n < 3) return kNaN;
  const auto means = FiniteChainMeans(values, chains);
  if (!means || Constant(values)) return kNaN;
  MeanAutocovariance acov(values, chains, *means);
  const double iterations = static_cast<double>(n);
  const double mean_var = acov(0) * iterations / (iterations - 1.0);
  double var_plus = mean_var * (iterations - 1.0) / iterations;
  if (chains > 1) var_plus += Variance(*means);
  const auto rho = [&](std::size_t lag) { return 1.0 - (mean_var - acov(lag)) / var_plus; };

  // Geyer's initial positive sequence: sums of neighbouring pairs while
  // they stay positive (lags it does not reach count as 0).
  std::vector<double> rho_hat(2, 0.0);
  std::size_t t = 0;
  double even = 1.0;
  double odd = rho(1);
  rho_hat[0] = even;
  rho_hat[1] = odd;
  while (t + 5 < n && !std::isnan(even + odd) && even + odd > 0.0) {
    t += 2;
    rho_hat.resize(t + 2, 0.0);
    even = rho(t);
    odd = rho(t + 1);
    if (even + odd >= 0.0) {
      rho_hat[t] = even;
      rho_hat[t + 1] = odd;
    }
  }
  const std::size_t max_t = t;
  if (even > 0.0) rho_hat[max_t] = even;
  // ... made monotone: no pair larger than the one before it.
  for (t = 2; t + 2 <= max_t; t += 2) {
    if (rho_hat[t] + rho_hat[t + 1] > rho_hat[t - 2] + rho_hat[t - 1]) {
      rho_hat[t] = (rho_hat[t - 2] + rho_hat[t - 1]) / 2.0;
      rho_hat[t + 1] = rho_hat[t];
    }
  }
  // The sum runs over lags 0 .. max_t - 1, and over lag 0 alone when the
  // sequence ended at once.
  double sum = 0.0;
  for (std::size_t lag = 0; lag < std::max<std::size_t>(max_t, 1); ++lag) sum += rho_hat[lag];
  const double draws = static_cast<double>(chains * n);
  const double tau = std::max(-1.0 + 2.0 * sum + rho_hat[max_t], 1.0 / std::log10(draws));
  return draws / tau;
}

}  // namespace quillet::stats
