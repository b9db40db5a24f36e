#include "ui/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "core/message_lines.h"
#include "core/unexpected_error.h"
#include "core/user_interface.h"

namespace quillet::ui {
namespace {

constexpr int kButtonBits = 0x0F;
constexpr int kIconBits = 0x70;

QMessageBox::Icon IconFor(MessageStyle style) {
  switch (static_cast<MessageStyle>(static_cast<int>(style) & kIconBits)) {
    case MessageStyle::kCritical:
      return QMessageBox::Critical;
    case MessageStyle::kQuestion:
      return QMessageBox::Question;
    case MessageStyle::kExclamation:
      return QMessageBox::Warning;
    case MessageStyle::kInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

bool HasCancel(MessageStyle style) {
  return static_cast<MessageStyle>(static_cast<int>(style) & kButtonBits) ==
         MessageStyle::kOkCancel;
}

// Texts are bytes in the system's code page; the commands end lines with
// carriage return and line feed, which a box shows as a plain line break.
QString ToDisplay(const std::string& text) {
  const std::string shown = WithLineFeeds(text);
  return QString::fromLocal8Bit(shown.data(), static_cast<qsizetype>(shown.size()));
}

}  // namespace

MessageAnswer ShowMessageBox(QWidget* parent, const std::string& text, MessageStyle style,
                             const std::optional<std::string>& title) {
  QMessageBox box(parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowTitle(ToDisplay(title.value_or(kProgramTitle)));
  box.setTextFormat(Qt::PlainText);  // a path with "<" in it is no markup
  box.setText(ToDisplay(text));
  box.setIcon(IconFor(style));

  QPushButton* ok = box.addButton(QMessageBox::Ok);
  QPushButton* cancel = nullptr;
  if (HasCancel(style)) cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel != nullptr ? cancel : ok);

  box.exec();
  return cancel != nullptr && box.clickedButton() == cancel ? MessageAnswer::kCancel
                                                            : MessageAnswer::kOk;
}

std::string ErrorReportText(std::exception_ptr error) {
  return "Quillet must close because of an error:\r\n\r\n" + DescribeError(error);
}

void ShowErrorReport(QWidget* parent, std::exception_ptr error) {
  ShowMessageBox(parent, ErrorReportText(error), MessageStyle::kCritical, kProgramTitle);
}

}  // namespace quillet::ui
