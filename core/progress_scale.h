// The commands drive the progress bar with single-precision maximum and value
// (fractional maxima such as 2.5, values running past the maximum). A bar
// shows whole steps, so both are mapped onto a fixed integer range: the
// window's bar and the converter's percentage use the same mapping.
#pragma once

namespace quillet {

// Where a bar of `steps` steps stands for `value` out of `maximum`: 0 for a
// value at or below 0 (or not a number), `steps` for a value at or above the
// maximum, and in between rounded down. A maximum of 0 or less has no
// inside: any positive value fills the bar.
int ProgressPosition(float value, float maximum, int steps);

}  // namespace quillet
