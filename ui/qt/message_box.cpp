#include "ui/qt/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "core/message_lines.h"
#include "ui/qt/text.h"

namespace quillet::qt {
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

}  // namespace

MessageAnswer ShowMessageBox(QWidget* parent, const std::string& text, MessageStyle style,
                             const std::string& caption) {
  QMessageBox box(parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowTitle(ToQString(caption));
  box.setTextFormat(Qt::PlainText);  // a path with "<" in it is no markup
  // A box shows a plain line break where the commands end a line with CR LF.
  box.setText(ToQString(WithLineFeeds(text)));
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

}  // namespace quillet::qt
