// What both windows share in their look: the icon and the background.
#pragma once

#include <QColor>
#include <QIcon>
#include <QRect>

#include "ui/forms_names.h"

class QWidget;

namespace quillet::ui {

// The point size of every caption and list.
inline constexpr double kCaptionPoints = 8.0;

// The program's 32 x 32, 16-colour icon.
QIcon QuilletIcon();

// The colour of an active window's border where the platform has one
// (Windows); elsewhere a fixed neutral grey (see ActiveBorderColour).
QColor WindowBackground();

// A box given in twips, in pixels on the screen `widget` is on.
QRect PixelRect(const QWidget& widget, const Box& twips);

// Gives `window` the shared font, background and icon.
void ApplyWindowLook(QWidget& window);

}  // namespace quillet::ui
