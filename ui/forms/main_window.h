// frmQLT: what the program's main window does, whatever toolkit shows it. It
// owns the conversion state for the life of the process, hands each button
// to its command, takes a chain file dropped onto it, is the user interface
// through which the commands report, and holds the program's one guard:
// every user action enters through an entry point below, and an error that
// escapes it is reported once, after which the program ends.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/conversion_state.h"
#include "core/user_interface.h"
#include "ui/forms/control_table.h"
#include "ui/forms/drive_source.h"
#include "ui/forms/drop_policy.h"
#include "ui/forms/main_window_view.h"

namespace quillet::forms {

class frmBrowse;

class frmQLT : public UserInterface, public Form {
 public:
  // The browse dialog takes its drives from `drives`.
  explicit frmQLT(MainWindowView& view, std::shared_ptr<const DriveSource> drives = SystemDrives());
  ~frmQLT() override;
  frmQLT(const frmQLT&) = delete;
  frmQLT& operator=(const frmQLT&) = delete;

  // The load action, run once before the window is first shown: puts the
  // remembered stem, if there is a settings file, into the text box.
  void Form_Load();

  // The user's actions, each under the guard.
  void cmdRead_Click();
  void cmdWrite_Click();
  void cmdBrowse_Click();
  void cmdExit_Click();
  // The close box or the control menu: ends the program as Exit does, so
  // that a hidden browse dialog keeps no process running.
  void Form_Close();
  // A drag over the window or its text box, and its drop: whether it is
  // taken (see StemOfDrag). The drop puts the file's stem into the text box.
  bool Form_DragOver(const Drag& drag);
  bool Form_DragDrop(const Drag& drag);

  // Runs `action`; an error escaping it goes to the top-level error report,
  // after which the program ends with status 1. Once the program has ended,
  // runs nothing and reports nothing more.
  void Guarded(const std::function<void()>& action);

  // Whether the program has been ended, and with which status.
  bool ended() const { return exit_status_.has_value(); }
  int exit_status() const { return exit_status_.value_or(0); }

  MainWindowView& view() const { return view_; }

  // UserInterface: the message box, the progress bar prgWrite, and the
  // settings file.
  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::optional<std::string>& title = std::nullopt) override;
  void ShowProgress() override;
  void HideProgress() override;
  void SetProgressMaximum(float maximum) override;
  void SetProgressValue(float value) override;
  // Writes the stem into the settings file in the current directory; a file
  // that cannot be written leaves the stem unremembered and the command going.
  void RememberStem(const std::string& stem) override;

 private:
  void End(int status);
  void UpdateProgressBar();

  MainWindowView& view_;
  std::shared_ptr<const DriveSource> drives_;
  std::optional<int> exit_status_;
  ConversionState state_;
  std::unique_ptr<frmBrowse> browse_;  // created by the first Browse

  float progress_maximum_ = 100.0f;
  float progress_value_ = 0.0f;
  int progress_position_ = 0;
};

}  // namespace quillet::forms
