#include "ui/appearance.h"

#include <QPalette>
#include <QPixmap>
#include <QWidget>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet::ui {
namespace {

#include "ui/icons/quillet.xpm"

}  // namespace

QIcon QuilletIcon() {
  return QIcon(QPixmap(quillet_xpm));
}

QColor WindowBackground() {
#ifdef _WIN32
  const COLORREF colour = GetSysColor(COLOR_ACTIVEBORDER);
  return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
#else
  // Light neutral grey (silver), the colour such borders have traditionally.
  return QColor(0xC0, 0xC0, 0xC0);
#endif
}

void ApplyWindowLook(QWidget& window) {
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, WindowBackground());
  window.setPalette(palette);
  window.setAutoFillBackground(true);
  window.setWindowIcon(QuilletIcon());
}

}  // namespace quillet::ui
