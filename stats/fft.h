// A discrete Fourier transform of a power-of-two length, for the
// autocovariance of long, slowly mixing chains. The transform leaves its
// result in bit-reversed order and the inverse takes it so, which spares
// both the reorderings.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace quillet::stats {

// X[k] = sum x[j] exp(-2 pi i j k / n) of `values` in place (size n a power
// of two), X[k] at the position whose bits are those of k reversed.
void TransformToBitReversed(std::vector<std::complex<double>>& values);

// The inverse, without scaling, of real frequency values X, n of them, with
// X[k] = X[n - k], in bit-reversed order, through a transform of half the
// length: the real x[j] = sum X[k] exp(2 pi i j k / n) in pairs, x[2m] +
// i x[2m + 1] at halves[m] (n / 2 of them, or x[0] alone when n is 1).
void InverseOfEvenTransform(const std::vector<double>& frequencies,
                            std::vector<std::complex<double>>& halves);

// Adds (|X[k]|^2 + |X[n - k]|^2) / 2 (k and n - k modulo n) to power[k],
// both in bit-reversed order: when X is the transform of a + ib, a and b
// real, that is |A[k]|^2 + |B[k]|^2, the sum of their powers at frequency k.
void AddPairedPower(const std::vector<std::complex<double>>& transform, std::vector<double>& power);

}  // namespace quillet::stats
