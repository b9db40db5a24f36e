#include "ui/appearance.h"

#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include "files/platform.h"
#include "ui/forms_names.h"

namespace quillet::ui {
namespace {

#include "ui/icons/quillet.xpm"

}  // namespace

QIcon QuilletIcon() {
  return QIcon(QPixmap(quillet_xpm));
}

QColor WindowBackground() {
  const Rgb colour = ActiveBorderColour();
  return QColor(colour.red, colour.green, colour.blue);
}

QRect PixelRect(const QWidget& widget, const Box& twips) {
  const Box pixels = TwipsToPixels(twips, widget.logicalDpiX(), widget.logicalDpiY());
  return QRect(pixels.left, pixels.top, pixels.width, pixels.height);
}

void ApplyWindowLook(QWidget& window) {
  // The classic look: small captions, so that the fixed boxes hold them.
  QFont font = window.font();
  font.setPointSizeF(kCaptionPoints);
  window.setFont(font);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, WindowBackground());
  window.setPalette(palette);
  window.setAutoFillBackground(true);
  window.setWindowIcon(QuilletIcon());
}

}  // namespace quillet::ui
