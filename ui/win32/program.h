// The window program on Windows: the main window over the forms' frmQLT,
// and the message loop that runs both windows until the program ends.
#pragma once

namespace quillet::win32 {

// Runs the program: loads the remembered stem, shows the main window and
// runs the message loop. Returns the program's exit status: 0 after Exit or
// the close box, non-zero after the error report.
int RunProgram();

// Runs the message loop of the thread's windows until the program leaves
// it; Tab, the access keys, Enter and Escape reach each form window through
// the dialog manager. Returns the status the loop was left with.
int RunMessageLoop();

}  // namespace quillet::win32
