#include "ui/qt/appearance.h"

#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "ui/forms/form_tables.h"

namespace quillet::qt {
namespace {

#include "quillet.xpm"

forms::Box BoxOf(const QRect& rect) {
  return {rect.left(), rect.top(), rect.width(), rect.height()};
}

}  // namespace

QIcon QuilletIcon() {
  return QIcon(QPixmap(quillet_xpm));
}

QColor WindowBackground() {
  return QColor(0xC0, 0xC0, 0xC0);
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

void PlaceAtStartUp(QWidget& window, const forms::FormTable& form, const QWidget* owner) {
  const QScreen* screen = window.screen();
  const forms::Box place = form.StartUpPlace(
      BoxOf(window.rect()), screen ? BoxOf(screen->availableGeometry()) : forms::Box{},
      owner ? BoxOf(owner->geometry()) : forms::Box{});
  window.move(place.left, place.top);
}

}  // namespace quillet::qt
