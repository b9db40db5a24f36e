#include "ui/forms/control_table.h"

namespace quillet::forms {

Box FormTable::StartUpPlace(const Box& size, const Box& screen, const Box& owner) const {
  const Box& area = position == StartUpPosition::kCentreOfOwner ? owner : screen;
  return {area.left + (area.width - size.width) / 2, area.top + (area.height - size.height) / 2,
          size.width, size.height};
}

}  // namespace quillet::forms
