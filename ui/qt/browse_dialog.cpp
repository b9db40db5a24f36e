#include "ui/qt/browse_dialog.h"

#include <QCloseEvent>
#include <QPushButton>

#include "ui/forms/form_tables.h"
#include "ui/qt/appearance.h"
#include "ui/qt/browse_lists.h"
#include "ui/qt/form_widgets.h"

namespace quillet::qt {

BrowseDialog::BrowseDialog(QWidget& owner, forms::frmBrowse& form) : QWidget(&owner, Qt::Dialog) {
  ApplyWindowLook(*this, forms::kBrowseDialogTable);
  BuildControls(*this, forms::kBrowseDialogTable,
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

  connect(drvList_, &QComboBox::activated, this,
          [&form](int index) { form.drvList_Click(static_cast<std::size_t>(index)); });
  connect(dirList_, &QListWidget::itemActivated, this, [this, &form](QListWidgetItem* item) {
    form.dirList_Open(static_cast<std::size_t>(dirList_->row(item)));
  });
  connect(filList_, &QListWidget::itemDoubleClicked, this, [&form] { form.filList_DblClick(); });
  connect(ControlOf<QPushButton>(*this, "cmdSelect"), &QPushButton::clicked, this,
          [&form] { form.cmdSelect_Click(); });
  connect(ControlOf<QPushButton>(*this, "cmdCancel"), &QPushButton::clicked, this,
          [&form] { form.cmdCancel_Click(); });

  move(owner.geometry().center() - rect().center());
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
