#include "core/progress_scale.h"

#include <cmath>

namespace quillet {

int ProgressPosition(float value, float maximum, int steps) {
  // Comparisons written so that NaN falls to the empty bar.
  if (!(value > 0.0f)) return 0;
  if (!(maximum > 0.0f) || value >= maximum) return steps;
  // Multiplied before dividing: 29 of 100 is 29 steps of 100, not 28.999...
  const double position = static_cast<double>(value) * steps / static_cast<double>(maximum);
  return static_cast<int>(std::floor(position));
}

}  // namespace quillet
