// What both windows share in their look: the icon and the background.
#pragma once

#include <QColor>
#include <QIcon>

class QWidget;

namespace quillet::ui {

// The program's 32 x 32, 16-colour icon.
QIcon QuilletIcon();

// The colour of an active window's border where the platform has one
// (Windows); elsewhere a fixed neutral grey.
QColor WindowBackground();

// Gives `window` the shared background and icon.
void ApplyWindowLook(QWidget& window);

}  // namespace quillet::ui
