// frmQLT on Windows: the main window built from the forms' control table,
// each button calling its control's action, the close box and the files
// dropped onto it passed to the forms' frmQLT, and showing what that tells
// it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/forms/main_window_view.h"
#include "ui/win32/form_window.h"

namespace quillet::forms {
class frmQLT;
}

namespace quillet::win32 {

class BrowseDialog;
class FileDropTarget;

class MainWindow final : public FormWindow, public forms::MainWindowView {
 public:
  explicit MainWindow(Dpi dpi = ScreenDpi());
  ~MainWindow() override;

  // Creates the window, hidden, with its controls; its user actions go to
  // `form`, which shows itself through this view.
  void Open(forms::frmQLT& form);
  // The browse dialog's window, once the first Browse has created it.
  BrowseDialog* dialog() const { return dialog_.get(); }

  std::string PathNameText() const override;
  void SetPathNameText(const std::string& text) override;
  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::string& caption) override;
  void ShowProgress() override;
  void HideProgress() override;
  void SetProgressPosition(int position) override;
  forms::BrowseDialogView& CreateBrowseDialog(forms::frmBrowse& form) override;
  // Hides both windows and leaves the message loop with `status`; the
  // windows are destroyed as the program returns.
  void EndProgram(int status) override;

 private:
  void OnClose() override;
  // Sets the bar to the position last taken and draws it.
  void DrawProgress(ULONGLONG now);

  forms::frmQLT* form_ = nullptr;
  std::unique_ptr<BrowseDialog> dialog_;
  FileDropTarget* drop_target_ = nullptr;  // registered with OLE while the window lives
  // The position last taken, when the progress bar was last drawn
  // (GetTickCount64), and whether it has taken a position since.
  int progress_position_ = 0;
  ULONGLONG progress_drawn_at_ = 0;
  bool progress_undrawn_ = false;
  // The bytes last set and their wide form: the text comes back byte for
  // byte, even where it is no valid UTF-8, until the user edits it.
  std::string set_text_;
  std::wstring set_wide_;
};

}  // namespace quillet::win32
