#include <windows.h>

#include "ui/forms/desktop.h"

namespace quillet::forms {

Rgb ActiveBorderColour() {
  const COLORREF colour = GetSysColor(COLOR_ACTIVEBORDER);
  return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

}  // namespace quillet::forms
