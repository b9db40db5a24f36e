// The standard normal distribution's quantile function.
#pragma once

namespace quillet::stats {

// Phi^-1(p) for 0 < p < 1, accurate to about 1e-16 relative (Wichura's
// algorithm AS 241, PPND16); -inf at 0, +inf at 1, NaN outside [0, 1].
double NormalQuantile(double p);

}  // namespace quillet::stats
