// The main window's widgets: those of frmQLT's control table, each calling
// its control's action on the form, and the form's view of them.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "ui/forms/main_window.h"
#include "ui/forms/main_window_view.h"

class QDropEvent;
class QLineEdit;
class QProgressBar;

namespace quillet::qt {

class BrowseDialog;

class MainWindow : public QWidget, public forms::MainWindowView {
  Q_OBJECT

 public:
  explicit MainWindow(std::shared_ptr<const forms::DriveSource> drives = forms::SystemDrives());
  ~MainWindow() override;

  forms::frmQLT& form() { return form_; }

  // forms::MainWindowView.
  std::string PathNameText() const override;
  void SetPathNameText(const std::string& text) override;
  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::string& caption) override;
  void ShowProgress() override;
  void HideProgress() override;
  void SetProgressPosition(int position) override;
  forms::BrowseDialogView& CreateBrowseDialog(forms::frmBrowse& form) override;
  // Leaves the application's event loop with `status`.
  void EndProgram(int status) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Drags over the window, and over the text box, which would otherwise
  // insert a dropped file's URL as text: the form takes or refuses them.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void HandleDrag(QDropEvent& event);

  forms::frmQLT form_;
  QLineEdit* txtPathName_ = nullptr;
  QProgressBar* prgWrite_ = nullptr;

  // The bytes last put into the text box and how the box showed them.
  std::string path_bytes_;
  QString path_shown_;
};

}  // namespace quillet::qt
