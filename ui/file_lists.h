// The browse dialog's three lists: drives, directories and files. Each
// offers exactly what the dialog relies on. A change of the drive or the
// directory calls the list's change handler at once, as a plain function, so
// changes nest in the order they are made and an error inside a nested one
// passes through every change that led to it, up to whoever made the first.
// The user's picks of a drive or a directory reach the lists through the
// dialog (Select, Open), which runs each under the program's error guard.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/paths.h"
#include "ui/forms_names.h"

namespace quillet::ui {

using ChangeHandler = std::function<void()>;

// drvList: the drives, one of them current.
class DriveList : public QComboBox {
  Q_OBJECT

 public:
  DriveList(std::shared_ptr<const DriveSource> source, QWidget* parent = nullptr);

  void SetChangeHandler(ChangeHandler handler) { on_change_ = std::move(handler); }

  // The current drive's text as the list shows it, and its root directory.
  std::string Drive() const;
  std::string Root() const;
  quillet::Drive CurrentDrive() const { return {Drive(), Root()}; }
  const std::vector<quillet::Drive>& drives() const { return drives_; }

  // Selects the drive that `text` names (see FindDrive); a text naming no
  // drive changes nothing. Selecting a different drive calls the change
  // handler.
  void SetDrive(const std::string& text);
  // Selects the drive at `index`, as the user's pick in the list does.
  void Select(int index);

 private:
  std::vector<quillet::Drive> drives_;
  int current_ = -1;
  ChangeHandler on_change_;
};

// dirList: the directory shown as current, the path down to it from its
// drive's root, and its subdirectories.
class DirectoryList : public QListWidget {
  Q_OBJECT

 public:
  // Starts at the process's current directory.
  DirectoryList(std::shared_ptr<const DriveSource> source, QWidget* parent = nullptr);

  void SetChangeHandler(ChangeHandler handler) { on_change_ = std::move(handler); }

  // The current directory as a full path; only a root ends in a separator.
  const std::string& Path() const { return path_; }

  // Moves to the directory `text` names (relative to the current directory
  // when it is not absolute). False, staying where it was, when the
  // directory cannot be listed. A change calls the change handler, and
  // whatever that throws passes through.
  [[nodiscard]] bool SetPath(const std::string& text);
  // Moves to a directory on `drive`: the one last shown there, or its root.
  // Like SetPath.
  [[nodiscard]] bool MoveToDrive(const quillet::Drive& drive);
  // The user's double-click or Enter on an entry: moves to that directory,
  // or beeps and stays when it cannot be listed.
  void Open(QListWidgetItem* item);

 private:
  bool MoveTo(const std::string& directory);
  void Remember();
  void Fill(const std::vector<std::string>& subdirectories);

  std::shared_ptr<const DriveSource> source_;
  std::string path_;
  std::map<std::string, std::string> last_on_drive_;  // drive root -> directory
  ChangeHandler on_change_;
};

// filList: the files of one directory that match a pattern, one selectable.
class FileList : public QListWidget {
  Q_OBJECT

 public:
  // Starts at the process's current directory, listing every file.
  explicit FileList(QWidget* parent = nullptr);

  const std::string& Path() const { return path_; }
  const std::string& Pattern() const { return pattern_; }
  // Both relist the files and clear the selection. SetPath throws FileError,
  // staying where it was, when the directory cannot be listed; SetPattern
  // then lists no files, and the pattern holds for the next directory.
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
