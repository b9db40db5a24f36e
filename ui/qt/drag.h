// What a drag from a file manager carries, told to the forms in their terms.
#pragma once

#include "ui/forms/drop_policy.h"

class QDropEvent;

namespace quillet::qt {

forms::Drag DragOf(const QDropEvent& event);

}  // namespace quillet::qt
