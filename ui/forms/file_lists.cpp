#include "ui/forms/file_lists.h"

#include "files/errors.h"
#include "files/paths.h"
#include "ui/forms/directories.h"

namespace quillet::forms {

DriveList::DriveList(DriveListView& view, const DriveSource& source)
    : view_(view), drives_(source.Drives()) {
  std::vector<std::string> texts;
  for (const forms::Drive& drive : drives_) texts.push_back(drive.text);
  view_.SetDrives(texts);
  if (!drives_.empty()) current_ = FindDrive(drives_, CurrentDirectory()).value_or(0);
  view_.SetCurrentDrive(current_);
}

std::string DriveList::Drive() const {
  return current_ ? drives_[*current_].text : std::string();
}

Drive DriveList::CurrentDrive() const {
  return current_ ? drives_[*current_] : forms::Drive{};
}

void DriveList::SetDrive(const std::string& text) {
  if (const std::optional<std::size_t> found = FindDrive(drives_, text)) Select(*found);
}

void DriveList::Select(std::size_t index) {
  if (index >= drives_.size() || index == current_) return;
  current_ = index;
  view_.SetCurrentDrive(current_);
  if (on_change_) on_change_();
}

DirectoryList::DirectoryList(DirectoryListView& view, std::shared_ptr<const DriveSource> source)
    : view_(view), source_(std::move(source)), path_(CurrentDirectory()) {
  std::vector<std::string> subdirectories;
  try {
    subdirectories = ListSubdirectories(path_);
  } catch (const FileError&) {
    // A current directory that cannot be listed shows just its path.
  }
  Remember();
  Fill(subdirectories);
}

bool DirectoryList::SetPath(const std::string& text) {
  return MoveTo(NormalDirectory(text));
}

bool DirectoryList::MoveToDrive(const Drive& drive) {
  const auto last = last_on_drive_.find(drive.root);
  return MoveTo(last != last_on_drive_.end() ? last->second : drive.root);
}

bool DirectoryList::MoveTo(const std::string& directory) {
  std::vector<std::string> subdirectories;
  try {
    subdirectories = ListSubdirectories(directory);
  } catch (const FileError&) {
    return false;
  }
  const bool changed = directory != path_;
  path_ = directory;
  Remember();
  Fill(subdirectories);
  // Outside the try above: a failure of the change it sets off is no
  // failure to list this directory.
  if (changed && on_change_) on_change_();
  return true;
}

void DirectoryList::Remember() {
  const std::vector<Drive> drives = source_->Drives();
  if (const auto drive = FindDrive(drives, path_)) last_on_drive_[drives[*drive].root] = path_;
}

void DirectoryList::Fill(const std::vector<std::string>& subdirectories) {
  rows_.clear();
  int depth = 0;
  for (const std::string& step : DirectoryChain(path_)) {
    rows_.push_back({LastStepName(step), step, depth++, /*open=*/true});
  }
  const std::size_t current = rows_.empty() ? 0 : rows_.size() - 1;
  for (const std::string& name : subdirectories) {
    rows_.push_back({name, JoinStem(path_, name), depth, /*open=*/false});
  }
  view_.SetRows(rows_, current);
}

void DirectoryList::Open(std::size_t row) {
  // The list's own navigation: a directory that cannot be opened is not
  // entered, and the list stays where it was.
  if (row >= rows_.size()) return;
  const std::string path = rows_[row].path;  // the rows change with the move
  if (!SetPath(path)) view_.Beep();
}

FileList::FileList(FileListView& view) : view_(view), path_(CurrentDirectory()) {
  try {
    Relist(path_, pattern_);
  } catch (const FileError&) {
    // A current directory that cannot be listed shows no files.
    Show({});
  }
}

void FileList::SetPath(const std::string& directory) {
  Relist(directory, pattern_);
  path_ = directory;
}

void FileList::SetPattern(const std::string& pattern) {
  pattern_ = pattern;
  try {
    Relist(path_, pattern_);
  } catch (const FileError&) {
    // As at the start: a directory that cannot be listed shows no files.
    Show({});
  }
}

void FileList::Relist(const std::string& directory, const std::string& pattern) {
  Show(ListFiles(directory, pattern));  // may throw, changing nothing
}

void FileList::Show(std::vector<std::string> names) {
  names_ = std::move(names);
  view_.SetNames(names_);
}

std::string FileList::FileName() const {
  const std::optional<std::size_t> selected = view_.SelectedName();
  return selected && *selected < names_.size() ? names_[*selected] : std::string();
}

}  // namespace quillet::forms
