#include "ui/browse_dialog.h"

#include <QCloseEvent>
#include <QPushButton>

#include "files/platform.h"
#include "ui/appearance.h"
#include "ui/file_lists.h"
#include "ui/main_window.h"

namespace quillet::ui {

frmBrowse::frmBrowse(frmQLT& owner, std::shared_ptr<const DriveSource> drives)
    : QWidget(&owner, Qt::Dialog), owner_(owner) {
  setObjectName(QStringLiteral("frmBrowse"));
  setWindowTitle(QStringLiteral("QLT"));
  ApplyWindowLook(*this);

  drvList_ = new DriveList(drives, this);
  drvList_->setObjectName(QStringLiteral("drvList"));
  dirList_ = new DirectoryList(drives, this);
  dirList_->setObjectName(QStringLiteral("dirList"));
  filList_ = new FileList(this);
  filList_->setObjectName(QStringLiteral("filList"));
  cmdSelect_ = new QPushButton(QStringLiteral("&Select File"), this);
  cmdSelect_->setObjectName(QStringLiteral("cmdSelect"));
  cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));

  resize(PixelRect(*this, kClientArea).size());
  drvList_->setGeometry(PixelRect(*this, kDriveBox));
  dirList_->setGeometry(PixelRect(*this, kDirectoryBox));
  filList_->setGeometry(PixelRect(*this, kFileBox));  // reaches past the right edge: clipped
  cmdSelect_->setGeometry(PixelRect(*this, kSelectBox));
  cmdCancel_->setGeometry(PixelRect(*this, kCancelBox));

  // Enter and Escape carry no command here either.
  for (QPushButton* button : {cmdSelect_, cmdCancel_}) {
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
  }
  setTabOrder(drvList_, dirList_);
  setTabOrder(dirList_, filList_);
  setTabOrder(filList_, cmdSelect_);
  setTabOrder(cmdSelect_, cmdCancel_);
  drvList_->setFocus(Qt::OtherFocusReason);

  // Each of the user's actions runs under the owner's guard and so, failing,
  // ends in the program's one error report. The changes an action sets off
  // in the lists call their handlers as plain functions: a failure inside
  // one passes through that action to its guard, which reports it once.
  drvList_->SetChangeHandler([this] { OnDriveChange(); });
  dirList_->SetChangeHandler([this] { OnDirectoryChange(); });
  const auto guarded = [this](void (frmBrowse::*action)()) {
    return [this, action] { owner_.Guarded([this, action] { (this->*action)(); }); };
  };
  connect(drvList_, &QComboBox::activated, this,
          [this](int index) { owner_.Guarded([this, index] { drvList_->Select(index); }); });
  connect(dirList_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    owner_.Guarded([this, item] { dirList_->Open(item); });
  });
  connect(filList_, &FileList::fileDoubleClicked, this, guarded(&frmBrowse::HandleFile));
  connect(cmdSelect_, &QPushButton::clicked, this, guarded(&frmBrowse::HandleFile));
  connect(cmdCancel_, &QPushButton::clicked, this, guarded(&QWidget::hide));

  PlaceAtStem(owner_.PathText());
  move(owner_.geometry().center() - rect().center());
}

frmBrowse::~frmBrowse() = default;

void frmBrowse::PlaceAtStem(const std::string& stem) {
  filList_->SetPattern("*.out");
  if (!FileExists(stem + ".out")) return;  // the lists stay at the current directory
  drvList_->SetDrive(DriveTextOfStem(stem));
  const std::string directory = DirectoryOfStem(stem);
  if (directory.empty()) return;  // the file is in the current directory, shown already
  // A stem whose text names no directory the lists can show (a Windows path
  // on another system, say) leaves the dialog where it is.
  (void)dirList_->SetPath(directory);
}

void frmBrowse::OnDriveChange() {
  if (!dirList_->MoveToDrive(drvList_->CurrentDrive())) {
    // The one handled failure: a drive that cannot be read. Go back to the
    // drive of the directory still shown, which calls this again for a
    // drive that can be read. Nothing is reported.
    drvList_->SetDrive(dirList_->Path());
  }
}

void frmBrowse::OnDirectoryChange() {
  filList_->SetPath(dirList_->Path());
}

void frmBrowse::HandleFile() {
  const std::string stem = JoinStem(dirList_->Path(), BaseName(filList_->FileName()));
  owner_.SetPathText(stem);
  hide();
}

void frmBrowse::closeEvent(QCloseEvent* event) {
  event->accept();  // a widget without delete-on-close is only hidden
}

}  // namespace quillet::ui
