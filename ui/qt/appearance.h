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

// The windows' background: the light neutral grey that an active window's
// border traditionally had, where no system colour for it is kept.
QColor WindowBackground();

// A box given in twips, in pixels on the screen `widget` is on.
QRect PixelRect(const QWidget& widget, const forms::Box& twips);

// Gives `window` the form's name, caption and client area, and the shared
// font, background and icon.
void ApplyWindowLook(QWidget& window, const forms::FormTable& form);

// Moves `window` where the form places it at start: on the screen's work
// area or on `owner`.
void PlaceAtStartUp(QWidget& window, const forms::FormTable& form, const QWidget* owner = nullptr);

}  // namespace quillet::qt
