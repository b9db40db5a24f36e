#include "ui/file_lists.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>

#include "files/directories.h"
#include "files/errors.h"

namespace quillet::ui {
namespace {

constexpr int kPathRole = Qt::UserRole;

QString ToDisplay(const std::string& bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QByteArray ToData(const std::string& bytes) {
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string FromData(const QVariant& data) {
  const QByteArray bytes = data.toByteArray();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

DriveList::DriveList(std::shared_ptr<const DriveSource> source, QWidget* parent)
    : QComboBox(parent), drives_(source->Drives()) {
  for (const quillet::Drive& drive : drives_) addItem(ToDisplay(drive.text));
  const std::optional<std::size_t> start = FindDrive(drives_, CurrentDirectory());
  current_ = drives_.empty() ? -1 : static_cast<int>(start.value_or(0));
  setCurrentIndex(current_);
}

std::string DriveList::Drive() const {
  return current_ < 0 ? std::string() : drives_[static_cast<std::size_t>(current_)].text;
}

std::string DriveList::Root() const {
  return current_ < 0 ? std::string() : drives_[static_cast<std::size_t>(current_)].root;
}

void DriveList::SetDrive(const std::string& text) {
  if (const std::optional<std::size_t> found = FindDrive(drives_, text)) {
    Select(static_cast<int>(*found));
  }
}

void DriveList::Select(int index) {
  if (currentIndex() != index) setCurrentIndex(index);
  if (index == current_) return;
  current_ = index;
  if (on_change_) on_change_();
}

DirectoryList::DirectoryList(std::shared_ptr<const DriveSource> source, QWidget* parent)
    : QListWidget(parent), source_(std::move(source)) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(16, 16));
  path_ = CurrentDirectory();
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

bool DirectoryList::MoveToDrive(const quillet::Drive& drive) {
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
  const std::vector<quillet::Drive> drives = source_->Drives();
  if (const auto drive = FindDrive(drives, path_)) last_on_drive_[drives[*drive].root] = path_;
}

void DirectoryList::Fill(const std::vector<std::string>& subdirectories) {
  clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
  const std::vector<std::string> chain = DirectoryChain(path_);
  int depth = 0;
  for (const std::string& step : chain) {
    auto* item =
        new QListWidgetItem(open, QString(depth * 2, ' ') + ToDisplay(LastStepName(step)), this);
    item->setData(kPathRole, ToData(step));
    ++depth;
  }
  setCurrentRow(static_cast<int>(chain.size()) - 1);
  for (const std::string& name : subdirectories) {
    auto* item = new QListWidgetItem(closed, QString(depth * 2, ' ') + ToDisplay(name), this);
    item->setData(kPathRole, ToData(JoinStem(path_, name)));
  }
}

void DirectoryList::Open(QListWidgetItem* item) {
  // The list's own navigation: a directory that cannot be opened is not
  // entered, and the list stays where it was.
  if (!SetPath(FromData(item->data(kPathRole)))) QApplication::beep();
}

FileList::FileList(QWidget* parent) : QListWidget(parent), path_(CurrentDirectory()) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  try {
    Relist(path_, pattern_);
  } catch (const FileError&) {
    // A current directory that cannot be listed shows no files.
  }
  connect(this, &QListWidget::itemDoubleClicked, this, [this] { emit fileDoubleClicked(); });
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
    clear();
  }
}

void FileList::Relist(const std::string& directory, const std::string& pattern) {
  const std::vector<std::string> names = ListFiles(directory, pattern);  // may throw
  clear();
  for (const std::string& name : names) {
    auto* item = new QListWidgetItem(ToDisplay(name), this);
    item->setData(kPathRole, ToData(name));
  }
  setCurrentRow(-1);
  clearSelection();
}

void FileList::keyPressEvent(QKeyEvent* event) {
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

std::string FileList::FileName() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? std::string() : FromData(selected.front()->data(kPathRole));
}

std::vector<std::string> FileList::Names() const {
  std::vector<std::string> names;
  for (int row = 0; row < count(); ++row) names.push_back(FromData(item(row)->data(kPathRole)));
  return names;
}

}  // namespace quillet::ui
