#include "ui/forms/twips.h"

#include <cmath>

namespace quillet::forms {

int TwipsToPixels(int twips, double dots_per_inch) {
  return static_cast<int>(std::lround(twips * dots_per_inch / kTwipsPerInch));
}

Box TwipsToPixels(const Box& twips, double dpi_x, double dpi_y) {
  return {TwipsToPixels(twips.left, dpi_x), TwipsToPixels(twips.top, dpi_y),
          TwipsToPixels(twips.width, dpi_x), TwipsToPixels(twips.height, dpi_y)};
}

}  // namespace quillet::forms
