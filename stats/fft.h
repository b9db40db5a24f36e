// A discrete Fourier transform of a power-of-two length, for the
// autocovariance of long, slowly mixing chains.
#pragma once

#include <complex>
#include <vector>

namespace quillet::stats {

// Transforms `values` in place (size a power of two): X[k] = sum x[j]
// exp(-2 pi i j k / n), or with `inverse` the same with +i and no scaling.
void FourierTransform(std::vector<std::complex<double>>& values, bool inverse);

}  // namespace quillet::stats
