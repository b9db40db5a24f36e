// The browse dialog's three lists as widgets: each shows what the dialog's
// list model tells it, and the dialog routes the user's picks in them to the
// form. None of them calls back while the program sets it.
#pragma once

#include <QComboBox>
#include <QListWidget>

#include "ui/forms/browse_dialog_view.h"

namespace quillet::qt {

class DriveListBox : public QComboBox, public forms::DriveListView {
  Q_OBJECT

 public:
  explicit DriveListBox(QWidget* parent);
  void SetDrives(const std::vector<std::string>& texts) override;
  void SetCurrentDrive(std::optional<std::size_t> index) override;
};

class DirectoryListBox : public QListWidget, public forms::DirectoryListView {
  Q_OBJECT

 public:
  explicit DirectoryListBox(QWidget* parent);
  void SetRows(const std::vector<forms::DirectoryRow>& rows, std::size_t current) override;
  void Beep() override;
};

class FileListBox : public QListWidget, public forms::FileListView {
  Q_OBJECT

 public:
  explicit FileListBox(QWidget* parent);
  void SetNames(const std::vector<std::string>& names) override;
  std::optional<std::size_t> SelectedName() const override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace quillet::qt
