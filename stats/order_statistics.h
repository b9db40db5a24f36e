// Statistics of sorted draws.
#pragma once

#include <span>
#include <utility>

namespace quillet::stats {

// The p quantile by linear interpolation between the order statistics at
// 1 + (S - 1) p (R's type 7). `sorted` is not empty.
double Quantile(std::span<const double> sorted, double p);

// The middle draw, or the mean of the two middle ones.
double Median(std::span<const double> sorted);

// The shortest interval [s(i), s(i + k)], k = floor(percent S / 100), the
// first such i on ties. `sorted` is not empty.
std::pair<double, double> ShortestInterval(std::span<const double> sorted, int percent);

}  // namespace quillet::stats
