#include "ui/qt/browse_dialog.h"

#include <QCloseEvent>

#include "ui/forms/form_tables.h"
#include "ui/qt/appearance.h"
#include "ui/qt/browse_lists.h"
#include "ui/qt/form_widgets.h"

namespace quillet::qt {

BrowseDialog::BrowseDialog(QWidget& owner, forms::frmBrowse& form) : QWidget(&owner, Qt::Dialog) {
  ApplyWindowLook(*this, forms::kBrowseDialogTable);
  BuildControls(*this, forms::kBrowseDialogTable, form,
                [this](const forms::Control& control) -> QWidget* {
                  switch (control.kind) {
                    case forms::ControlKind::kDriveList:
                      return drvList_ = new DriveListBox(this);
                    case forms::ControlKind::kDirectoryList:
                      return dirList_ = new DirectoryListBox(this);
                    default:
                      return filList_ = new FileListBox(this);
                  }
                });
  PlaceAtStartUp(*this, forms::kBrowseDialogTable, &owner);
}

forms::DriveListView& BrowseDialog::drvList() {
  return *drvList_;
}

forms::DirectoryListView& BrowseDialog::dirList() {
  return *dirList_;
}

forms::FileListView& BrowseDialog::filList() {
  return *filList_;
}

void BrowseDialog::Show() {
  show();
  raise();
  activateWindow();
}

void BrowseDialog::Hide() {
  hide();
}

void BrowseDialog::closeEvent(QCloseEvent* event) {
  event->accept();  // a widget without delete-on-close is only hidden
}

}  // namespace quillet::qt
