// The program's message boxes on Windows: the system's own box, modal for the
// whole program.
#pragma once

#include <string>

#include "core/user_interface.h"

namespace quillet::win32 {

// Shows the system's message box with `text` and waits for the answer. The
// caption is `title` (the forms give every box its caption). The style's codes are the
// system's own (0 OK, 1 OK and Cancel, 16, 32, 48 and 64 the icons). The box
// is task-modal: every window of the program, the modeless browse dialog
// included, takes no input until it is closed. Returns kCancel only when
// Cancel was pressed (Escape and the close box count as Cancel where there
// is one); otherwise kOk. Throws std::system_error when the box cannot be
// shown.
MessageAnswer ShowMessageBox(const std::string& text, MessageStyle style, const std::string& title);

}  // namespace quillet::win32
