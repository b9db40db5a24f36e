// frmQLT: the program's main window. It owns the conversion state for the
// life of the process, hands each button to its command, takes a chain file
// dropped onto it, and is the user interface through which the commands
// report.
#pragma once

#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/conversion_state.h"
#include "core/user_interface.h"
#include "files/paths.h"
#include "ui/forms_names.h"

class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace quillet::ui {

class frmBrowse;

class frmQLT : public QWidget, public UserInterface {
  Q_OBJECT

 public:
  // Ends the process with the given exit status. The default leaves the
  // application's event loop with that status.
  using EndProgram = std::function<void(int status)>;

  // Client area and control positions, in twips.
  static constexpr Box kClientArea{0, 0, 4680, 3195};
  static constexpr Box kReadBox{3240, 480, 1215, 495};
  static constexpr Box kPathNameBox{360, 480, 2655, 405};
  static constexpr Box kLabelBox{360, 240, 2415, 255};
  static constexpr Box kExitBox{3240, 1920, 1215, 495};
  static constexpr Box kWriteBox{3240, 1200, 1215, 495};
  static constexpr Box kProgressBox{0, 2880, 4695, 375};
  static constexpr Box kFrameBox{0, 2760, 4935, 495};
  static constexpr Box kBrowseBox{1920, 960, 1095, 375};

  static constexpr const char* kPathToolTip =
      "Enter the path and name of the DROM file -- do not include the .out or .ind extension.  "
      "Ex: c:\\drom\\myfile";

  explicit frmQLT(EndProgram end_program = {});
  ~frmQLT() override;

  // The load action, run once before the window is first shown: puts the
  // remembered stem, if there is a settings file, into the text box.
  void Load();

  // The text box's text as bytes, exactly as held: a stem set by the program
  // comes back byte for byte while the user has not edited it.
  std::string PathText() const;
  // Replaces the whole text of the text box; starts nothing.
  void SetPathText(const std::string& stem);

  // Where the browse dialog takes its drives from; used when Browse first
  // creates it.
  void SetDriveSource(std::shared_ptr<const DriveSource> drives) { drives_ = std::move(drives); }

  // Whether the program has been ended, and with which status.
  bool ended() const { return exit_status_.has_value(); }
  int exit_status() const { return exit_status_.value_or(0); }

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

  // Runs `action`; an error escaping it goes to the top-level error report,
  // after which the program ends with a non-zero status. Once the program
  // has ended, runs nothing and reports nothing more.
  void Guarded(const std::function<void()>& action);

 protected:
  void closeEvent(QCloseEvent* event) override;

  // A drag of exactly one local "*.out" or "*.ind" file is taken, as a copy
  // (the file stays where it is); every other one is refused. The drop puts
  // the file's stem, as the browse dialog's Select File forms it, into the
  // text box and starts nothing. The same holds over the text box, which
  // would otherwise insert a dropped file's URL as text.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void HandleDrag(QDropEvent* event);
  void OnRead();
  void OnWrite();
  void OnBrowse();
  void End(int status);
  void UpdateProgressBar();

  EndProgram end_program_;
  std::optional<int> exit_status_;
  ConversionState state_;
  std::shared_ptr<const DriveSource> drives_;
  frmBrowse* browse_ = nullptr;  // created by the first Browse, owned as a child

  QPushButton* cmdRead_;
  QLineEdit* txtPathName_;
  QLabel* lblPathName_;
  QPushButton* cmdExit_;
  QPushButton* cmdWrite_;
  QGroupBox* frmWrite_;
  QProgressBar* prgWrite_;
  QPushButton* cmdBrowse_;

  // The bytes last put into the text box and how the box showed them.
  std::string path_bytes_;
  QString path_shown_;

  float progress_maximum_ = 100.0f;
  float progress_value_ = 0.0f;
  int progress_position_ = 0;
};

}  // namespace quillet::ui
