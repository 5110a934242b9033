#pragma once
// The one colour scheme of the kx controls, so that panel, buttons, labels
// and tab strip look like parts of one application.
#include <QColor>

namespace kxstyle {

inline QColor accent() { return QColor(0x1f, 0x6f, 0xb2); }
inline QColor accentDark() { return QColor(0x16, 0x52, 0x85); }
inline QColor accentHover() { return QColor(0x2b, 0x7f, 0xc6); }
inline QColor selection() { return QColor(0xe3, 0xee, 0xf9); }
inline QColor hover() { return QColor(0xf0, 0xf5, 0xfb); }
inline QColor pressed() { return QColor(0xd8, 0xe6, 0xf5); }
inline QColor border() { return QColor(0xd5, 0xdc, 0xe4); }
inline QColor separator() { return QColor(0xe4, 0xe9, 0xef); }
inline QColor surface() { return QColor(0xff, 0xff, 0xff); }
inline QColor panel() { return QColor(0xf6, 0xf8, 0xfb); }
inline QColor band() { return QColor(0xec, 0xf0, 0xf5); }
inline QColor text() { return QColor(0x1f, 0x29, 0x33); }
inline QColor mutedText() { return QColor(0x5f, 0x6b, 0x7a); }
inline QColor disabledText() { return QColor(0xa3, 0xab, 0xb5); }
inline QColor alert() { return QColor(0xe5, 0x48, 0x4d); }
inline QColor link() { return QColor(0x1f, 0x6f, 0xb2); }
inline QColor linkHover() { return QColor(0x0f, 0x4c, 0x81); }

} // namespace kxstyle
