// The commands drive the progress bar with single-precision maximum and value
// (fractional maxima such as 2.5, values running past the maximum). The bar
// widget only knows integers, so both are mapped onto a fixed integer range.
#pragma once

namespace quillet::ui {

// The widget's range is 0..kProgressSteps.
inline constexpr int kProgressSteps = 10000;

// Where the bar stands for `value` out of `maximum`: 0 for a value at or
// below 0 (or not a number), kProgressSteps for a value at or above the
// maximum. A maximum of 0 or less has no inside: any positive value fills
// the bar.
int ProgressPosition(float value, float maximum);

}  // namespace quillet::ui
