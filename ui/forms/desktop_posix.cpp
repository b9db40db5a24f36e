#include "ui/forms/desktop.h"

namespace quillet::forms {

Rgb ActiveBorderColour() {
  return {0xC0, 0xC0, 0xC0};
}

}  // namespace quillet::forms
