#include "ui/forms/main_window.h"

#include <exception>

#include "core/progress_scale.h"
#include "core/read_command.h"
#include "core/write_command.h"
#include "settings/settings_file.h"
#include "ui/forms/browse_dialog.h"
#include "ui/forms/error_report.h"

namespace quillet::forms {

frmQLT::frmQLT(MainWindowView& view, std::shared_ptr<const DriveSource> drives)
    : view_(view), drives_(std::move(drives)) {}

frmQLT::~frmQLT() = default;

void frmQLT::Form_Load() {
  Guarded([this] {
    if (const std::optional<std::string> stem = LoadSettings()) view_.SetPathNameText(*stem);
  });
}

void frmQLT::cmdRead_Click() {
  Guarded([this] { RunRead(state_, view_.PathNameText(), *this); });
}

void frmQLT::cmdWrite_Click() {
  Guarded([this] { RunWrite(state_, view_.PathNameText(), *this); });
}

void frmQLT::cmdBrowse_Click() {
  Guarded([this] {
    if (!browse_) {
      browse_ = std::make_unique<frmBrowse>(*this, drives_);
      browse_->Form_Load(view_.CreateBrowseDialog(*browse_));
    }
    browse_->Show();
  });
}

void frmQLT::cmdExit_Click() {
  Guarded([this] { End(0); });
}

void frmQLT::Form_Close() {
  Guarded([this] { End(0); });
}

bool frmQLT::Form_DragOver(const Drag& drag) {
  bool taken = false;
  Guarded([&] { taken = StemOfDrag(drag).has_value(); });
  return taken;
}

bool frmQLT::Form_DragDrop(const Drag& drag) {
  bool taken = false;
  Guarded([&] {
    const std::optional<std::string> stem = StemOfDrag(drag);
    if (!stem) return;
    taken = true;
    view_.SetPathNameText(*stem);
  });
  return taken;
}

void frmQLT::Guarded(const std::function<void()>& action) {
  if (ended()) return;
  try {
    action();
    return;
  } catch (...) {
    // One report: an error that comes after the program was ended (its
    // report already shown) ends nothing more.
    if (ended()) return;
    view_.ShowMessage(ErrorReportText(std::current_exception()), MessageStyle::kCritical,
                      kProgramTitle);
  }
  End(1);
}

void frmQLT::End(int status) {
  if (ended()) return;
  exit_status_ = status;
  view_.EndProgram(status);
}

MessageAnswer frmQLT::ShowMessage(const std::string& text, MessageStyle style,
                                  const std::optional<std::string>& title) {
  return view_.ShowMessage(text, style, title.value_or(kProgramTitle));
}

void frmQLT::RememberStem(const std::string& stem) {
  SaveSettings(stem);
}

void frmQLT::ShowProgress() {
  view_.ShowProgress();
}

void frmQLT::HideProgress() {
  view_.HideProgress();
}

void frmQLT::SetProgressMaximum(float maximum) {
  progress_maximum_ = maximum;
  UpdateProgressBar();
}

void frmQLT::SetProgressValue(float value) {
  progress_value_ = value;
  UpdateProgressBar();
}

void frmQLT::UpdateProgressBar() {
  // Called once per line of a file that may have millions: the view hears
  // only of a change of the position it shows.
  const int position = ProgressPosition(progress_value_, progress_maximum_, kProgressSteps);
  if (position == progress_position_) return;
  progress_position_ = position;
  view_.SetProgressPosition(position);
}

}  // namespace quillet::forms
