// A form's widgets, built from its control table: each widget named as its
// control, at its box, with its caption and tool tip, in the table's tab
// order, frames behind the rest, and the user's action on it calling the
// control's action on the form. Command buttons are never default buttons,
// so Enter and Escape carry no command.
#pragma once

#include <QWidget>
#include <functional>

#include "ui/forms/control_table.h"

namespace quillet::qt {

// Makes the widget of a control kind the builder does not know itself (the
// browse dialog's lists), as a child of the window.
using ListMaker = std::function<QWidget*(const forms::Control& control)>;

// Builds every control of `table` on `window` (whose look ApplyWindowLook
// set), each acting on `form`, and gives the first one in tab order the
// focus.
void BuildControls(QWidget& window, const forms::FormTable& table, forms::Form& form,
                   const ListMaker& make_list = {});

// The control named `name` on `window`, as the widget class the builder made.
template <class Widget>
Widget* ControlOf(const QWidget& window, const char* name) {
  return window.findChild<Widget*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

}  // namespace quillet::qt
