#include "ui/progress_scale.h"

#include <cmath>

namespace quillet::ui {

int ProgressPosition(float value, float maximum) {
  // Comparisons written so that NaN falls to the empty bar.
  if (!(value > 0.0f)) return 0;
  if (!(maximum > 0.0f) || value >= maximum) return kProgressSteps;
  const double fraction = static_cast<double>(value) / static_cast<double>(maximum);
  return static_cast<int>(std::floor(fraction * kProgressSteps));
}

}  // namespace quillet::ui
