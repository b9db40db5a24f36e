#include "ui/qt/appearance.h"

#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include "ui/forms/desktop.h"
#include "ui/forms/form_tables.h"

namespace quillet::qt {
namespace {

#include "quillet.xpm"

}  // namespace

QIcon QuilletIcon() {
  return QIcon(QPixmap(quillet_xpm));
}

QColor WindowBackground() {
  const forms::Rgb colour = forms::ActiveBorderColour();
  return QColor(colour.red, colour.green, colour.blue);
}

QRect PixelRect(const QWidget& widget, const forms::Box& twips) {
  const forms::Box pixels = forms::TwipsToPixels(twips, widget.logicalDpiX(), widget.logicalDpiY());
  return QRect(pixels.left, pixels.top, pixels.width, pixels.height);
}

void ApplyWindowLook(QWidget& window, const forms::FormTable& form) {
  window.setObjectName(QString::fromLatin1(form.name));
  window.setWindowTitle(QString::fromLatin1(form.caption));
  // The classic look: small captions, so that the fixed boxes hold them.
  QFont font = window.font();
  font.setPointSizeF(forms::kCaptionPoints);
  window.setFont(font);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, WindowBackground());
  window.setPalette(palette);
  window.setAutoFillBackground(true);
  window.setWindowIcon(QuilletIcon());
  window.resize(PixelRect(window, form.client_area).size());
}

}  // namespace quillet::qt
