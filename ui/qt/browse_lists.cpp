#include "ui/qt/browse_lists.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>

#include "ui/qt/text.h"

namespace quillet::qt {

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {}

void DriveListBox::SetDrives(const std::vector<std::string>& texts) {
  clear();
  for (const std::string& text : texts) addItem(ToQString(text));
}

void DriveListBox::SetCurrentDrive(std::optional<std::size_t> index) {
  setCurrentIndex(index ? static_cast<int>(*index) : -1);
}

DirectoryListBox::DirectoryListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(16, 16));
}

void DirectoryListBox::SetRows(const std::vector<forms::DirectoryRow>& rows, std::size_t current) {
  clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
  for (const forms::DirectoryRow& row : rows) {
    new QListWidgetItem(row.open ? open : closed, ToQString(row.IndentedName()), this);
  }
  setCurrentRow(static_cast<int>(current));
}

void DirectoryListBox::Beep() {
  QApplication::beep();
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileListBox::SetNames(const std::vector<std::string>& names) {
  clear();
  for (const std::string& name : names) addItem(ToQString(name));
  setCurrentRow(-1);
  clearSelection();
}

std::optional<std::size_t> FileListBox::SelectedName() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(row(selected.front()));
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
  // With nothing selected yet, the first arrow key selects the entry the
  // list stands on (the first one) rather than moving past it.
  const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
  if (arrow && event->modifiers() == Qt::NoModifier && selectedItems().isEmpty() && count() > 0) {
    setCurrentItem(currentItem() != nullptr ? currentItem() : item(0),
                   QItemSelectionModel::ClearAndSelect);
    return;
  }
  QListWidget::keyPressEvent(event);
}

}  // namespace quillet::qt
