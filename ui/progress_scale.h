// The commands drive the progress bar with single-precision maximum and value;
// the bar widget only knows integers, so both are mapped onto a fixed range
// (ProgressPosition).
#pragma once

namespace quillet::ui {

// The widget's range is 0..kProgressSteps.
inline constexpr int kProgressSteps = 10000;

}  // namespace quillet::ui
