#pragma once
// Window capture: a window's pixels as a picture, for the lock screen's cover.
#include <QPixmap>

class QWidget;

namespace MScreen {

// Captures width x height pixels (device-independent) starting at left, top.
// clientOnly: coordinates are in the widget's own area. Otherwise they start
// at the window frame's top-left corner; the frame itself is drawn by the
// window system and comes out transparent, as does any part of the rectangle
// outside the widget. The picture always has the requested size; an empty
// picture means no widget or a width or height below 1.
QPixmap CaptureWindow(QWidget *window, bool clientOnly, int left, int top, int width, int height);

} // namespace MScreen
