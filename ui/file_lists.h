// The browse dialog's three lists: drives, directories and files. Each
// offers exactly what the dialog relies on; setting a list from code raises
// its change signal at once, so changes nest in the order they are made.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/browse_paths.h"

namespace quillet::ui {

// drvList: the drives, one of them current.
class DriveList : public QComboBox {
  Q_OBJECT

 public:
  DriveList(std::shared_ptr<const DriveSource> source, QWidget* parent = nullptr);

  // The current drive's text as the list shows it, and its root directory.
  std::string Drive() const;
  std::string Root() const;
  ui::Drive CurrentDrive() const { return {Drive(), Root()}; }
  const std::vector<ui::Drive>& drives() const { return drives_; }

  // Selects the drive that `text` names (see FindDrive); a text naming no
  // drive changes nothing. Selecting a different drive raises driveChanged.
  void SetDrive(const std::string& text);

 signals:
  void driveChanged();

 private:
  void Select(int index);

  std::vector<ui::Drive> drives_;
  int current_ = -1;
};

// dirList: the directory shown as current, the path down to it from its
// drive's root, and its subdirectories.
class DirectoryList : public QListWidget {
  Q_OBJECT

 public:
  // Starts at the process's current directory.
  DirectoryList(std::shared_ptr<const DriveSource> source, QWidget* parent = nullptr);

  // The current directory as a full path; only a root ends in a separator.
  const std::string& Path() const { return path_; }

  // Moves to the directory `text` names (relative to the current directory
  // when it is not absolute). Throws FileError, staying where it was, when
  // the directory cannot be listed. A change raises pathChanged.
  void SetPath(const std::string& text);
  // Moves to a directory on `drive`: the one last shown there, or its root.
  // Fails like SetPath.
  void MoveToDrive(const ui::Drive& drive);

 signals:
  void pathChanged();

 private:
  void MoveTo(const std::string& directory);
  void Remember();
  void Fill(const std::vector<std::string>& subdirectories);
  void Open(QListWidgetItem* item);

  std::shared_ptr<const DriveSource> source_;
  std::string path_;
  std::map<std::string, std::string> last_on_drive_;  // drive root -> directory
};

// filList: the files of one directory that match a pattern, one selectable.
class FileList : public QListWidget {
  Q_OBJECT

 public:
  // Starts at the process's current directory, listing every file.
  explicit FileList(QWidget* parent = nullptr);

  const std::string& Path() const { return path_; }
  const std::string& Pattern() const { return pattern_; }
  // Both relist the files and clear the selection. Throw FileError when the
  // directory cannot be listed.
  void SetPath(const std::string& directory);
  void SetPattern(const std::string& pattern);

  // The selected file's name without directory; empty when none is selected.
  std::string FileName() const;
  // Every name listed, in order.
  std::vector<std::string> Names() const;

 signals:
  void fileDoubleClicked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Relist(const std::string& directory, const std::string& pattern);

  std::string path_;
  std::string pattern_ = "*";
};

}  // namespace quillet::ui
