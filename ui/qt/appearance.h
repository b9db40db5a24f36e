// What both windows share in their look: the icon, the background, the font,
// and twips turned into pixels on the window's screen.
#pragma once

#include <QColor>
#include <QIcon>
#include <QRect>

#include "ui/forms/control_table.h"

class QWidget;

namespace quillet::qt {

// The program's 32 x 32, 16-colour icon.
QIcon QuilletIcon();

// The colour of an active window's border where the platform has one
// (Windows); elsewhere a fixed neutral grey (see ActiveBorderColour).
QColor WindowBackground();

// A box given in twips, in pixels on the screen `widget` is on.
QRect PixelRect(const QWidget& widget, const forms::Box& twips);

// Gives `window` the form's name, caption and client area, and the shared
// font, background and icon.
void ApplyWindowLook(QWidget& window, const forms::FormTable& form);

}  // namespace quillet::qt
