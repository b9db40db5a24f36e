// The browse dialog's three lists, as models: drives, directories and files.
// Each offers exactly what the dialog relies on and tells its view what to
// show. A change of the drive or the directory calls the list's change
// handler at once, as a plain function, so changes nest in the order they
// are made and an error inside a nested one passes through every change
// that led to it, up to whoever made the first. The user's picks reach the
// lists through the dialog's entry points, each under the program's guard.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/forms/browse_dialog_view.h"
#include "ui/forms/drive_source.h"

namespace quillet::forms {

using ChangeHandler = std::function<void()>;

// drvList: the drives, one of them current; at first the drive of the
// process's current directory.
class DriveList {
 public:
  DriveList(DriveListView& view, const DriveSource& source);

  void SetChangeHandler(ChangeHandler handler) { on_change_ = std::move(handler); }

  // The current drive's text as the list shows it, and its root directory.
  std::string Drive() const;
  forms::Drive CurrentDrive() const;

  // Selects the drive that `text` names (see FindDrive); a text naming no
  // drive changes nothing. Selecting a different drive calls the change
  // handler.
  void SetDrive(const std::string& text);
  // Selects the drive at `index`, as the user's pick in the list does.
  void Select(std::size_t index);

 private:
  DriveListView& view_;
  std::vector<forms::Drive> drives_;
  std::optional<std::size_t> current_;
  ChangeHandler on_change_;
};

// dirList: the directory shown as current, the path down to it from its
// drive's root, and its subdirectories; at first the current directory.
class DirectoryList {
 public:
  DirectoryList(DirectoryListView& view, std::shared_ptr<const DriveSource> source);

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
  [[nodiscard]] bool MoveToDrive(const Drive& drive);
  // The user's opening of a row: moves to that directory, or beeps and
  // stays when it cannot be listed.
  void Open(std::size_t row);

 private:
  bool MoveTo(const std::string& directory);
  void Remember();
  void Fill(const std::vector<std::string>& subdirectories);

  DirectoryListView& view_;
  std::shared_ptr<const DriveSource> source_;
  std::string path_;
  std::vector<DirectoryRow> rows_;
  std::map<std::string, std::string> last_on_drive_;  // drive root -> directory
  ChangeHandler on_change_;
};

// filList: the files of one directory that match a pattern, one selectable;
// at first every file of the current directory.
class FileList {
 public:
  explicit FileList(FileListView& view);

  const std::string& Path() const { return path_; }
  // Both relist the files and clear the selection. SetPath throws FileError,
  // staying where it was, when the directory cannot be listed; SetPattern
  // then lists no files, and the pattern holds for the next directory.
  void SetPath(const std::string& directory);
  void SetPattern(const std::string& pattern);

  // The selected file's name without directory; empty when none is selected.
  std::string FileName() const;

 private:
  void Relist(const std::string& directory, const std::string& pattern);
  void Show(std::vector<std::string> names);

  FileListView& view_;
  std::string path_;
  std::string pattern_ = "*";
  std::vector<std::string> names_;
};

}  // namespace quillet::forms
