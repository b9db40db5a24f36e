// frmBrowse: what the modeless browse dialog does, whatever toolkit shows it.
// It picks a data file and writes its stem into the main window's text box.
// Created once, by the first Browse, and afterwards only hidden and shown,
// keeping its lists as the user left them.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "ui/forms/browse_dialog_view.h"
#include "ui/forms/control_table.h"
#include "ui/forms/drive_source.h"
#include "ui/forms/file_lists.h"

namespace quillet::forms {

class frmQLT;

class frmBrowse : public Form {
 public:
  frmBrowse(frmQLT& owner, std::shared_ptr<const DriveSource> drives);
  ~frmBrowse();
  frmBrowse(const frmBrowse&) = delete;
  frmBrowse& operator=(const frmBrowse&) = delete;

  // The load action, once the view exists: fills the lists and places them
  // at the stem the owner's text box holds now. Not shown yet.
  void Form_Load(BrowseDialogView& view);
  // Shows the dialog as it was left.
  void Show();

  // Puts the stem of the file selected in the file list (the directory alone
  // when none is) into the owner's text box and hides the dialog.
  void HandleFile();

  // The user's actions, each under the owner's guard.
  void drvList_Click(std::size_t index);  // a drive picked in the list
  void dirList_Open(std::size_t row);     // a directory double-clicked or entered
  void filList_DblClick();
  void cmdSelect_Click();
  void cmdCancel_Click();

  // The lists as they stand; null before the load.
  const DriveList* drvList() const { return drvList_.get(); }
  DirectoryList* dirList() const { return dirList_.get(); }
  FileList* filList() const { return filList_.get(); }

 private:
  void PlaceAtStem(const std::string& stem);
  void drvList_Change();
  void dirList_Change();
  void Hide();

  frmQLT& owner_;
  std::shared_ptr<const DriveSource> drives_;
  BrowseDialogView* view_ = nullptr;
  std::unique_ptr<DriveList> drvList_;
  std::unique_ptr<DirectoryList> dirList_;
  std::unique_ptr<FileList> filList_;
};

}  // namespace quillet::forms
