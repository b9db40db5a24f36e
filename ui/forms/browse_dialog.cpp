#include "ui/forms/browse_dialog.h"

#include "core/read_command.h"
#include "files/paths.h"
#include "files/platform.h"
#include "ui/forms/dialog_paths.h"
#include "ui/forms/main_window.h"

namespace quillet::forms {

frmBrowse::frmBrowse(frmQLT& owner, std::shared_ptr<const DriveSource> drives)
    : owner_(owner), drives_(std::move(drives)) {}

frmBrowse::~frmBrowse() = default;

void frmBrowse::Form_Load(BrowseDialogView& view) {
  view_ = &view;
  drvList_ = std::make_unique<DriveList>(view.drvList(), *drives_);
  dirList_ = std::make_unique<DirectoryList>(view.dirList(), drives_);
  filList_ = std::make_unique<FileList>(view.filList());
  // The changes an action sets off in the lists call these as plain
  // functions: a failure inside one passes through that action to its
  // guard, which reports it once.
  drvList_->SetChangeHandler([this] { drvList_Change(); });
  dirList_->SetChangeHandler([this] { dirList_Change(); });
  PlaceAtStem(owner_.view().PathNameText());
}

void frmBrowse::PlaceAtStem(const std::string& stem) {
  filList_->SetPattern("*.out");
  if (!FileExists(PairOfStem(stem).data)) return;  // the lists stay at the current directory
  drvList_->SetDrive(DriveTextOfStem(stem));
  const std::string directory = DirectoryOfStem(stem);
  if (directory.empty()) return;  // the file is in the current directory, shown already
  // A stem whose text names no directory the lists can show (a Windows path
  // on another system, say) leaves the dialog where it is.
  (void)dirList_->SetPath(directory);
}

void frmBrowse::drvList_Change() {
  if (!dirList_->MoveToDrive(drvList_->CurrentDrive())) {
    // The one handled failure: a drive that cannot be read. Go back to the
    // drive of the directory still shown, which calls this again for a
    // drive that can be read. Nothing is reported.
    drvList_->SetDrive(dirList_->Path());
  }
}

void frmBrowse::dirList_Change() {
  filList_->SetPath(dirList_->Path());
}

void frmBrowse::HandleFile() {
  const std::string stem = JoinStem(dirList_->Path(), NameBeforeFirstDot(filList_->FileName()));
  owner_.view().SetPathNameText(stem);
  Hide();
}

void frmBrowse::Show() {
  view_->Show();
}

void frmBrowse::Hide() {
  view_->Hide();
}

void frmBrowse::drvList_Click(std::size_t index) {
  owner_.Guarded([this, index] { drvList_->Select(index); });
}

void frmBrowse::dirList_Open(std::size_t row) {
  owner_.Guarded([this, row] { dirList_->Open(row); });
}

void frmBrowse::filList_DblClick() {
  owner_.Guarded([this] { HandleFile(); });
}

void frmBrowse::cmdSelect_Click() {
  owner_.Guarded([this] { HandleFile(); });
}

void frmBrowse::cmdCancel_Click() {
  owner_.Guarded([this] { Hide(); });
}

}  // namespace quillet::forms
