// The browse dialog's window: the widgets of frmBrowse's control table over
// the main window, each calling its control's action on the form.
#pragma once

#include <QWidget>

#include "ui/forms/browse_dialog.h"
#include "ui/forms/browse_dialog_view.h"

namespace quillet::qt {

class DirectoryListBox;
class DriveListBox;
class FileListBox;

class BrowseDialog : public QWidget, public forms::BrowseDialogView {
  Q_OBJECT

 public:
  // Placed centred on `owner`, not shown yet.
  BrowseDialog(QWidget& owner, forms::frmBrowse& form);

  forms::DriveListView& drvList() override;
  forms::DirectoryListView& dirList() override;
  forms::FileListView& filList() override;
  void Show() override;
  void Hide() override;

 protected:
  // Closing through the frame hides the dialog, as Cancel does.
  void closeEvent(QCloseEvent* event) override;

 private:
  DriveListBox* drvList_ = nullptr;
  DirectoryListBox* dirList_ = nullptr;
  FileListBox* filList_ = nullptr;
};

}  // namespace quillet::qt
