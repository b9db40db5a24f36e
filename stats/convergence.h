// Convergence diagnostics of chains side by side (each function takes
// `chains` chains one after another, all of one length): the split and the
// rank normalisation of the draws, the potential scale reduction R-hat and
// the effective sample size, as Vehtari, Gelman, Simpson, Carpenter and
// Buerkner (2021) define them.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace quillet::stats {

// Each chain of n draws as two: its first floor(n/2) draws and its last
// floor(n/2) (an odd middle draw is left out).
std::vector<double> SplitChains(std::span<const double> values, std::size_t chains);

// True when a draw is NaN or infinite or the largest and the smallest differ
// by less than the double's epsilon (then R-hat and the ESS are undefined).
bool NotFiniteOrConstant(std::span<const double> values);

// sqrt(((N - 1)/N W + B/N) / W) of M chains of N draws: W the mean of the
// chains' variances, B = N var(chain means). NaN when NotFiniteOrConstant.
double Rhat(std::span<const double> values, std::size_t chains);

// S / tau: the chains' mean autocorrelation, truncated by Geyer's initial
// positive and initial monotone sequences, tau = -1 + 2 sum rho, and tau at
// least 1 / log10(S). NaN when NotFiniteOrConstant or fewer than 3 draws per
// chain.
double EffectiveSampleSize(std::span<const double> values, std::size_t chains);

}  // namespace quillet::stats
