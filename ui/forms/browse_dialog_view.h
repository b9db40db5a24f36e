// What the browse dialog frmBrowse asks of the toolkit that shows it: the
// dialog itself and its three lists. A view builds the controls of
// kBrowseDialogTable, only shows what it is told and calls each control's
// action on frmBrowse when the user acts on it; it never calls back while
// the program sets a list.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillet::forms {

// drvList: the drives' texts, one of them current.
class DriveListView {
 public:
  virtual ~DriveListView() = default;
  virtual void SetDrives(const std::vector<std::string>& texts) = 0;
  // `index` into the texts last set; none when there are no drives.
  virtual void SetCurrentDrive(std::optional<std::size_t> index) = 0;
};

// One row of dirList: the directories from the drive's root down to the
// current one (open folders), then the current one's subdirectories.
struct DirectoryRow {
  std::string name;  // a root's is the root itself
  std::string path;  // where opening the row goes
  int depth = 0;
  bool open = false;  // on the way down to the current directory, or the current one

  // The name indented by its depth, as a list of plain rows shows it.
  std::string IndentedName() const {
    return std::string(static_cast<std::size_t>(depth) * 2, ' ') + name;
  }
  friend bool operator==(const DirectoryRow&, const DirectoryRow&) = default;
};

// dirList: its rows, the current directory's row among them, and the beep of
// a directory that cannot be opened.
class DirectoryListView {
 public:
  virtual ~DirectoryListView() = default;
  // Replaces every row; `current` is the current directory's row, shown
  // selected.
  virtual void SetRows(const std::vector<DirectoryRow>& rows, std::size_t current) = 0;
  virtual void Beep() = 0;
};

// filList: the names of the files listed, and the one the user selected.
class FileListView {
 public:
  virtual ~FileListView() = default;
  // Replaces every name and leaves none selected.
  virtual void SetNames(const std::vector<std::string>& names) = 0;
  // Which name the user selected, if any: an index into the names last set.
  virtual std::optional<std::size_t> SelectedName() const = 0;
};

// frmBrowse itself: created once by the first Browse, placed then (centred
// on its owner), and from then on only shown and hidden. Closing it through
// its frame hides it, as Cancel does, without asking the dialog.
class BrowseDialogView {
 public:
  virtual ~BrowseDialogView() = default;
  virtual DriveListView& drvList() = 0;
  virtual DirectoryListView& dirList() = 0;
  virtual FileListView& filList() = 0;
  // Shows the dialog in front, active.
  virtual void Show() = 0;
  virtual void Hide() = 0;
};

}  // namespace quillet::forms
