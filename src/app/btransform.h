#pragma once
// Window translucency (layered-window alpha on Windows; window opacity here).
#include <cstdint>

class QWidget;

namespace bTransForm {

// percentage is clamped to 100 in the caller's variable; true when applied.
bool TransForm(QWidget *window, uint8_t &percentage);
// The constant alpha (0..255) for a percentage already clamped to 0..100.
int alphaFor(uint8_t percentage);

} // namespace bTransForm
