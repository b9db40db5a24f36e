#include "ui/qt/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>

#include "ui/forms/form_tables.h"
#include "ui/qt/appearance.h"
#include "ui/qt/browse_dialog.h"
#include "ui/qt/drag.h"
#include "ui/qt/form_widgets.h"
#include "ui/qt/message_box.h"
#include "ui/qt/text.h"

namespace quillet::qt {

MainWindow::MainWindow(std::shared_ptr<const forms::DriveSource> drives)
    : form_(*this, std::move(drives)) {
  ApplyWindowLook(*this, forms::kMainWindowTable);
  BuildControls(*this, forms::kMainWindowTable, form_);
  txtPathName_ = ControlOf<QLineEdit>(*this, "txtPathName");
  prgWrite_ = ControlOf<QProgressBar>(*this, "prgWrite");

  setAcceptDrops(true);
  txtPathName_->installEventFilter(this);
  PlaceAtStartUp(*this, forms::kMainWindowTable);
}

MainWindow::~MainWindow() = default;

std::string MainWindow::PathNameText() const {
  const QString text = txtPathName_->text();
  if (text == path_shown_) return path_bytes_;
  return ToBytes(text);
}

void MainWindow::SetPathNameText(const std::string& text) {
  txtPathName_->setText(ToQString(text));
  path_bytes_ = text;
  path_shown_ = txtPathName_->text();
}

MessageAnswer MainWindow::ShowMessage(const std::string& text, MessageStyle style,
                                      const std::string& caption) {
  return ShowMessageBox(this, text, style, caption);
}

void MainWindow::ShowProgress() {
  prgWrite_->show();
  // No events are processed while a command runs: draw now.
  prgWrite_->repaint();
}

void MainWindow::HideProgress() {
  const QRect area = prgWrite_->geometry();
  prgWrite_->hide();
  repaint(area);
}

void MainWindow::SetProgressPosition(int position) {
  prgWrite_->setValue(position);  // repaints at once when the drawn bar changes
}

forms::BrowseDialogView& MainWindow::CreateBrowseDialog(forms::frmBrowse& form) {
  return *new BrowseDialog(*this, form);  // owned as a child
}

void MainWindow::EndProgram(int status) {
  QCoreApplication::exit(status);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  form_.Form_Close();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  HandleDrag(*event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  HandleDrag(*event);
}

void MainWindow::dropEvent(QDropEvent* event) {
  HandleDrag(*event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == txtPathName_ &&
      (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
    // Files are the window's to take or refuse; text the box drops itself.
    auto* drag = static_cast<QDropEvent*>(event);
    if (drag->mimeData() != nullptr && drag->mimeData()->hasUrls()) {
      HandleDrag(*drag);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::HandleDrag(QDropEvent& event) {
  event.ignore();
  const forms::Drag drag = DragOf(event);
  const bool taken =
      event.type() == QEvent::Drop ? form_.Form_DragDrop(drag) : form_.Form_DragOver(drag);
  if (!taken) return;
  // Only a copy: a move would have the file manager take the file away.
  event.setDropAction(Qt::CopyAction);
  event.accept();
}

}  // namespace quillet::qt
