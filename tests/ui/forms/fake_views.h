// Views for the forms without any toolkit: each records what the forms tell
// it, answers message boxes from a script, and holds the user's selection as
// a test sets it. Their windows are plain flags. And drives as a test gives
// them.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/forms/browse_dialog.h"
#include "ui/forms/main_window.h"

namespace quillet::testing {

// Drives as given. Each time the lists ask for them, `on_asked` may change
// the files on disk, between one list's reading and the next.
class FakeDrives : public forms::DriveSource {
 public:
  explicit FakeDrives(std::vector<forms::Drive> drives, std::function<void()> on_asked = {})
      : drives_(std::move(drives)), on_asked_(std::move(on_asked)) {}
  std::vector<forms::Drive> Drives() const override {
    if (on_asked_) on_asked_();
    return drives_;
  }

 private:
  std::vector<forms::Drive> drives_;
  std::function<void()> on_asked_;
};

class FakeDriveList : public forms::DriveListView {
 public:
  void SetDrives(const std::vector<std::string>& texts) override { drives = texts; }
  void SetCurrentDrive(std::optional<std::size_t> index) override { current = index; }
  // The text the list shows as current; empty with none.
  std::string CurrentText() const { return current ? drives.at(*current) : std::string(); }

  std::vector<std::string> drives;
  std::optional<std::size_t> current;
};

class FakeDirectoryList : public forms::DirectoryListView {
 public:
  void SetRows(const std::vector<forms::DirectoryRow>& shown, std::size_t row) override {
    rows = shown;
    current = row;
  }
  void Beep() override { ++beeps; }
  // The row whose name is `name`; fails the test when there is none.
  std::size_t RowNamed(const std::string& name) const;

  std::vector<forms::DirectoryRow> rows;
  std::size_t current = 0;
  int beeps = 0;
};

class FakeFileList : public forms::FileListView {
 public:
  void SetNames(const std::vector<std::string>& shown) override {
    names = shown;
    selected.reset();
  }
  std::optional<std::size_t> SelectedName() const override { return selected; }
  // Selects `name` as the user clicks it; none when it is not listed.
  void Select(const std::string& name);

  std::vector<std::string> names;
  std::optional<std::size_t> selected;
};

class FakeBrowseDialog : public forms::BrowseDialogView {
 public:
  forms::DriveListView& drvList() override { return drives; }
  forms::DirectoryListView& dirList() override { return directories; }
  forms::FileListView& filList() override { return files; }
  void Show() override { shown = true; }
  void Hide() override { shown = false; }

  FakeDriveList drives;
  FakeDirectoryList directories;
  FakeFileList files;
  bool shown = false;
};

class FakeMainWindow : public forms::MainWindowView {
 public:
  std::string PathNameText() const override { return text; }
  void SetPathNameText(const std::string& stem) override { text = stem; }
  // Records "<style> [<caption>] <text>" and whether the bar was shown.
  MessageAnswer ShowMessage(const std::string& message, MessageStyle style,
                            const std::string& caption) override;
  void ShowProgress() override { bar_visible = true; }
  void HideProgress() override { bar_visible = false; }
  void SetProgressPosition(int position) override {
    bar_position = position;
    bar_visible_at_position.push_back(bar_visible);
  }
  forms::BrowseDialogView& CreateBrowseDialog(forms::frmBrowse& form) override;
  void EndProgram(int status) override { ends.push_back(status); }

  std::string text;
  std::deque<MessageAnswer> answers;
  std::vector<std::string> messages;
  bool bar_visible = false;
  int bar_position = 0;
  std::vector<bool> bar_visible_at_position;
  std::vector<int> ends;
  std::unique_ptr<FakeBrowseDialog> dialog;  // made by the first Browse
  forms::frmBrowse* browse_form = nullptr;   // the form it was made for
  int dialogs_made = 0;
};

// The main window's form over a fake view.
struct FakeWindow {
  explicit FakeWindow(std::shared_ptr<const forms::DriveSource> drives = forms::SystemDrives())
      : form(view, std::move(drives)) {}

  // Presses Browse; the dialog's view, or null when none was made.
  FakeBrowseDialog* Browse() {
    form.cmdBrowse_Click();
    return view.dialog.get();
  }
  forms::frmBrowse& dialog() { return *view.browse_form; }

  FakeMainWindow view;
  forms::frmQLT form;
};

}  // namespace quillet::testing
