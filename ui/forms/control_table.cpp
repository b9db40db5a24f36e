#include "ui/forms/control_table.h"

#include <string_view>

namespace quillet::forms {

const Control* FormTable::Find(const char* control_name) const {
  for (const Control& control : controls) {
    if (std::string_view(control.name) == control_name) return &control;
  }
  return nullptr;
}

}  // namespace quillet::forms
