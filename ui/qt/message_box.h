// The program's message boxes, as the toolkit shows them.
#pragma once

#include <string>

#include "core/user_interface.h"

class QWidget;

namespace quillet::qt {

// Shows an application-modal box over `parent` with `text` (lines ended by
// CR LF) and `caption`, and waits for the answer. Returns kOk, or kCancel
// when Cancel was pressed; Escape and closing the box count as Cancel where
// there is one and as OK where OK stands alone.
MessageAnswer ShowMessageBox(QWidget* parent, const std::string& text, MessageStyle style,
                             const std::string& caption);

}  // namespace quillet::qt
