// frmBrowse: the modeless dialog that picks a data file and writes its stem
// into the main window's text box. Created once, by the first Browse, and
// afterwards only hidden and shown, keeping its lists as the user left them.
#pragma once

#include <QWidget>
#include <memory>

#include "files/paths.h"
#include "ui/forms_names.h"

class QPushButton;

namespace quillet::ui {

class DirectoryList;
class DriveList;
class FileList;
class frmQLT;

class frmBrowse : public QWidget {
  Q_OBJECT

 public:
  // Client area and control positions, in twips.
  static constexpr Box kClientArea{0, 0, 3600, 2625};
  static constexpr Box kDriveBox{0, 0, 1695, 315};
  static constexpr Box kDirectoryBox{0, 360, 1695, 1665};
  static constexpr Box kFileBox{1800, 0, 1815, 2040};
  static constexpr Box kSelectBox{120, 2160, 1455, 375};
  static constexpr Box kCancelBox{1920, 2160, 1455, 375};

  // Loads the dialog over `owner` and places its lists at the stem the
  // owner's text box holds now. Not shown yet.
  frmBrowse(frmQLT& owner, std::shared_ptr<const DriveSource> drives);
  ~frmBrowse() override;

  // Puts the stem of the file selected in the file list (the directory alone
  // when none is) into the owner's text box and hides the dialog.
  void HandleFile();

 protected:
  // Closing through the frame hides the dialog, as Cancel does.
  void closeEvent(QCloseEvent* event) override;

 private:
  void PlaceAtStem(const std::string& stem);
  void OnDriveChange();
  void OnDirectoryChange();

  frmQLT& owner_;
  DriveList* drvList_;
  DirectoryList* dirList_;
  FileList* filList_;
  QPushButton* cmdSelect_;
  QPushButton* cmdCancel_;
};

}  // namespace quillet::ui
