#include "ui/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <limits>

#include "core/progress_scale.h"
#include "core/read_command.h"
#include "core/write_command.h"
#include "files/directories.h"
#include "files/platform.h"
#include "settings/settings_file.h"
#include "ui/appearance.h"
#include "ui/browse_dialog.h"
#include "ui/message_box.h"
#include "ui/progress_scale.h"

namespace quillet::ui {
namespace {

void LeaveEventLoop(int status) {
  QCoreApplication::exit(status);
}

constexpr double kSmallestPoints = 6.0;

// Shrinks the label's font, in half points, until its caption fits the fixed
// width it was given; fonts differ from machine to machine.
void FitCaption(QLabel& label) {
  QFont font = label.font();
  while (QFontMetrics(font).horizontalAdvance(label.text()) > label.width() &&
         font.pointSizeF() > kSmallestPoints) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  label.setFont(font);
}

QString FromBytes(const std::string& bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The path of the local file a URL names, as bytes. A file manager sends the
// name's bytes percent-encoded: where the URL's path is the file's path (no
// host, no drive letter to take apart) they are taken as they are, so that a
// name that is no valid text passes unchanged. Otherwise the path is
// converted as the text box's text is.
std::string LocalFileBytes(const QUrl& url) {
  const QString path = url.toLocalFile();
  if (url.host().isEmpty() && path == url.path(QUrl::FullyDecoded)) {
    return ToBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
  }
  return ToBytes(path.toLocal8Bit());
}

// The stem of the chain file that a drag carries, formed as the browse
// dialog's Select File forms it; nothing unless the drag carries exactly one
// local file (not a directory) named "*.out" or "*.ind".
std::optional<std::string> DraggedStem(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
  const std::string path = LocalFileBytes(urls.front());
  const std::string name = FileNamePart(path);
  if (!MatchesPattern(name, "*.out") && !MatchesPattern(name, "*.ind")) return std::nullopt;
  if (!FileExists(path)) return std::nullopt;
  return JoinStem(NormalDirectory(DirectoryWithSeparator(path)), BaseName(name));
}

}  // namespace

frmQLT::frmQLT(EndProgram end_program)
    : end_program_(end_program ? std::move(end_program) : EndProgram(LeaveEventLoop)),
      drives_(SystemDrives()) {
  setObjectName(QStringLiteral("frmQLT"));
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  ApplyWindowLook(*this);

  // Created in the order that stacks the progress bar in front of the frame;
  // the tab order is set separately below.
  frmWrite_ = new QGroupBox(this);
  frmWrite_->setObjectName(QStringLiteral("frmWrite"));
  prgWrite_ = new QProgressBar(this);
  prgWrite_->setObjectName(QStringLiteral("prgWrite"));
  lblPathName_ = new QLabel(QStringLiteral("Location of DROM Output File"), this);
  lblPathName_->setObjectName(QStringLiteral("lblPathName"));
  txtPathName_ = new QLineEdit(this);
  txtPathName_->setObjectName(QStringLiteral("txtPathName"));
  cmdRead_ = new QPushButton(QStringLiteral("&Read"), this);
  cmdRead_->setObjectName(QStringLiteral("cmdRead"));
  cmdWrite_ = new QPushButton(QStringLiteral("&Write"), this);
  cmdWrite_->setObjectName(QStringLiteral("cmdWrite"));
  cmdExit_ = new QPushButton(QStringLiteral("E&xit"), this);
  cmdExit_->setObjectName(QStringLiteral("cmdExit"));
  cmdBrowse_ = new QPushButton(QStringLiteral("&Browse"), this);
  cmdBrowse_->setObjectName(QStringLiteral("cmdBrowse"));

  // Fixed positions: nothing moves or resizes with the window.
  resize(PixelRect(*this, kClientArea).size());
  cmdRead_->setGeometry(PixelRect(*this, kReadBox));
  txtPathName_->setGeometry(PixelRect(*this, kPathNameBox));
  lblPathName_->setGeometry(PixelRect(*this, kLabelBox));
  cmdExit_->setGeometry(PixelRect(*this, kExitBox));
  cmdWrite_->setGeometry(PixelRect(*this, kWriteBox));
  prgWrite_->setGeometry(PixelRect(*this, kProgressBox));
  frmWrite_->setGeometry(PixelRect(*this, kFrameBox));
  cmdBrowse_->setGeometry(PixelRect(*this, kBrowseBox));
  FitCaption(*lblPathName_);

  const QString path_tip = QString::fromLatin1(kPathToolTip);
  cmdRead_->setToolTip(QStringLiteral("Reads DROM output file"));
  txtPathName_->setToolTip(path_tip);
  lblPathName_->setToolTip(path_tip);
  cmdWrite_->setToolTip(QStringLiteral("Rewrites DROM file in Excel compatible format."));

  // A stem is as long as the user makes it.
  txtPathName_->setMaxLength(std::numeric_limits<int>::max());

  setAcceptDrops(true);
  txtPathName_->installEventFilter(this);

  // Enter and Escape carry no command: no button is a default button.
  for (QPushButton* button : {cmdRead_, cmdWrite_, cmdExit_, cmdBrowse_}) {
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
  }
  lblPathName_->setFocusPolicy(Qt::NoFocus);
  frmWrite_->setFocusPolicy(Qt::NoFocus);
  prgWrite_->setFocusPolicy(Qt::NoFocus);
  setTabOrder(cmdRead_, txtPathName_);
  setTabOrder(txtPathName_, cmdExit_);
  setTabOrder(cmdExit_, cmdWrite_);
  setTabOrder(cmdWrite_, cmdBrowse_);

  prgWrite_->setOrientation(Qt::Horizontal);
  prgWrite_->setTextVisible(false);
  prgWrite_->setRange(0, kProgressSteps);
  prgWrite_->setValue(0);
  prgWrite_->hide();
  prgWrite_->raise();

  connect(cmdRead_, &QPushButton::clicked, this, [this] { Guarded([this] { OnRead(); }); });
  connect(cmdWrite_, &QPushButton::clicked, this, [this] { Guarded([this] { OnWrite(); }); });
  connect(cmdBrowse_, &QPushButton::clicked, this, [this] { Guarded([this] { OnBrowse(); }); });
  connect(cmdExit_, &QPushButton::clicked, this, [this] { Guarded([this] { End(0); }); });

  cmdRead_->setFocus(Qt::OtherFocusReason);
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

frmQLT::~frmQLT() = default;

void frmQLT::Load() {
  Guarded([this] {
    if (const std::optional<std::string> stem = LoadSettings()) SetPathText(*stem);
  });
}

std::string frmQLT::PathText() const {
  const QString text = txtPathName_->text();
  if (text == path_shown_) return path_bytes_;
  return ToBytes(text.toLocal8Bit());
}

void frmQLT::SetPathText(const std::string& stem) {
  txtPathName_->setText(FromBytes(stem));
  path_bytes_ = stem;
  path_shown_ = txtPathName_->text();
}

void frmQLT::OnRead() {
  RunRead(state_, PathText(), *this);
}

void frmQLT::OnWrite() {
  RunWrite(state_, PathText(), *this);
}

void frmQLT::OnBrowse() {
  if (browse_ == nullptr) browse_ = new frmBrowse(*this, drives_);
  browse_->show();
  browse_->raise();
  browse_->activateWindow();
}

void frmQLT::Guarded(const std::function<void()>& action) {
  if (ended()) return;
  try {
    action();
    return;
  } catch (...) {
    // One report: an error that comes after the program was ended (its
    // report already shown) ends nothing more.
    if (ended()) return;
    ShowErrorReport(this, std::current_exception());
  }
  End(1);
}

void frmQLT::End(int status) {
  if (ended()) return;
  exit_status_ = status;
  end_program_(status);
}

void frmQLT::closeEvent(QCloseEvent* event) {
  event->accept();
  End(0);
}

void frmQLT::dragEnterEvent(QDragEnterEvent* event) {
  HandleDrag(event);
}

void frmQLT::dragMoveEvent(QDragMoveEvent* event) {
  HandleDrag(event);
}

void frmQLT::dropEvent(QDropEvent* event) {
  HandleDrag(event);
}

bool frmQLT::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == txtPathName_ &&
      (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
    // Files are the window's to take or refuse; text the box drops itself.
    auto* drag = static_cast<QDropEvent*>(event);
    if (drag->mimeData() != nullptr && drag->mimeData()->hasUrls()) {
      HandleDrag(drag);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void frmQLT::HandleDrag(QDropEvent* event) {
  event->ignore();
  Guarded([this, event] {
    const std::optional<std::string> stem = DraggedStem(event->mimeData());
    // Only a copy: a move would have the file manager take the file away.
    if (!stem || !event->possibleActions().testFlag(Qt::CopyAction)) return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (event->type() == QEvent::Drop) SetPathText(*stem);
  });
}

MessageAnswer frmQLT::ShowMessage(const std::string& text, MessageStyle style,
                                  const std::optional<std::string>& title) {
  return ShowMessageBox(this, text, style, title);
}

void frmQLT::RememberStem(const std::string& stem) {
  SaveSettings(stem);
}

void frmQLT::ShowProgress() {
  prgWrite_->show();
  // No events are processed while a command runs: draw now.
  prgWrite_->repaint();
}

void frmQLT::HideProgress() {
  const QRect area = prgWrite_->geometry();
  prgWrite_->hide();
  repaint(area);
}

void frmQLT::SetProgressMaximum(float maximum) {
  progress_maximum_ = maximum;
  UpdateProgressBar();
}

void frmQLT::SetProgressValue(float value) {
  progress_value_ = value;
  UpdateProgressBar();
}

void frmQLT::UpdateProgressBar() {
  // Called once per line of a file that may have millions: touch the widget
  // only when the position it shows changes.
  const int position = ProgressPosition(progress_value_, progress_maximum_, kProgressSteps);
  if (position == progress_position_) return;
  progress_position_ = position;
  prgWrite_->setValue(position);  // repaints at once when the drawn bar changes
}

}  // namespace quillet::ui
