// A form's controls as data: what each shell builds its widgets from. Every
// position is in twips relative to the client area, and nothing moves when
// the window is resized.
#pragma once

#include <span>

#include "ui/forms/twips.h"

namespace quillet::forms {

enum class ControlKind {
  kCommandButton,  // with an access letter marked by "&"; never a default or cancel button
  kTextBox,        // one line
  kLabel,
  kFrame,        // drawn behind every control in its area
  kProgressBar,  // horizontal, 0..kProgressSteps
  kDriveList,
  kDirectoryList,
  kFileList,
};

struct Control {
  const char* name;
  ControlKind kind;
  const char* caption;  // the button's or label's caption; "" for none
  Box box;
  int tab_index;
  const char* tool_tip;  // "" for none
  bool shown_at_start = true;

  // Whether the control takes the focus: labels, frames and progress bars
  // never do, and Tab passes over them.
  bool TakesFocus() const {
    return kind != ControlKind::kLabel && kind != ControlKind::kFrame &&
           kind != ControlKind::kProgressBar;
  }
};

enum class StartUpPosition { kCentreOfScreen, kCentreOfOwner };

struct FormTable {
  const char* name;
  const char* caption;
  Box client_area;  // left and top are 0
  StartUpPosition position;
  std::span<const Control> controls;  // in tab order

  // The control named `name`; null when there is none.
  const Control* Find(const char* control_name) const;
};

}  // namespace quillet::forms
