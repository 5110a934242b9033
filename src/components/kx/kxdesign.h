#pragma once
// The main window's and the lock screen's design-time pictures, drawn rather than shipped: the
// logo shown until a theme brings one, the glyphs of the header buttons, the
// footer icons and the two arrows of the navigation-panel toggle.
#include <QColor>
#include <QPixmap>
#include <QSize>

namespace kxdesign {

enum class Glyph {
    Leave,     // a power symbol
    Lock,      // a padlock
    Help,      // a question mark in a ring
    Alert,     // a bell
    Web,       // a globe
    Phone,     // a handset
    Mail,      // an envelope
    HidePanel, // a chevron pointing left
    ShowPanel, // a chevron pointing right
};

// A glyph of size x size device-independent pixels in the given colour, sharp
// on screens with devicePixelRatio.
QPixmap glyph(Glyph kind, int size, const QColor &color, qreal devicePixelRatio = 1.0);

// The lock screen's password panel until a theme brings one: a white panel
// with a coloured band across the top holding a padlock.
QPixmap lockPanel(const QSize &size, qreal devicePixelRatio = 1.0);

// The product mark: a rounded tile with a "Z".
QPixmap logo(int size, qreal devicePixelRatio = 1.0);

} // namespace kxdesign
