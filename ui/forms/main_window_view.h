// What the main window frmQLT asks of the toolkit that shows it. A view
// builds the controls of kMainWindowTable, shows what it is told, and calls
// each control's action on frmQLT when the user acts on it; it never calls
// back while the program sets a control.
#pragma once

#include <string>

#include "core/user_interface.h"
#include "ui/forms/browse_dialog_view.h"

namespace quillet::forms {

class frmBrowse;

// The progress bar's range is 0..kProgressSteps; the commands' single-
// precision maximum and value are mapped onto it by the window.
inline constexpr int kProgressSteps = 10000;

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;

  // txtPathName's text as bytes, exactly as held: a text set by the program
  // comes back byte for byte while the user has not edited it.
  virtual std::string PathNameText() const = 0;
  // Replaces the whole text; starts nothing.
  virtual void SetPathNameText(const std::string& text) = 0;

  // An application-modal box with `text` (lines ended by CR LF), the buttons
  // and icon of `style` and `caption`; waits for the answer. Escape and
  // closing the box count as Cancel where there is one, as OK otherwise.
  virtual MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                                    const std::string& caption) = 0;

  // prgWrite, drawn at once: no events are processed while a command runs.
  virtual void ShowProgress() = 0;
  virtual void HideProgress() = 0;
  // Called only when the position changes; 0..kProgressSteps.
  virtual void SetProgressPosition(int position) = 0;

  // Creates the browse dialog's window over the main window, not yet shown,
  // whose user actions go to `form`. Asked once, by the first Browse; the
  // view keeps the dialog for the life of the program.
  virtual BrowseDialogView& CreateBrowseDialog(frmBrowse& form) = 0;

  // Ends the program at once with `status`, closing every window.
  virtual void EndProgram(int status) = 0;
};

}  // namespace quillet::forms
