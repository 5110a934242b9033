#pragma once
// Number conversions the suite's settings are written for: a lenient leading
// number read ("12abc" is 12, "abc" is 0) and rounding to an integer with
// halves going to the even neighbour.
#include "platform/zenlo_export.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace vbconv {

// Leading blanks skipped; reading stops at the first character that does not
// continue the number (sign, digits, one decimal point, an exponent). No number gives 0.
// Infinity (a number too large for a double) comes back as +/-inf.
ZENLO_CORE_EXPORT double leadingNumber(const QString &text);

// Trims blanks (spaces) only, as the suite's text routines do; tabs and line ends stay.
ZENLO_CORE_EXPORT QString trimBlanks(const QString &text);

// Rounds half to even; nullopt when the result does not fit the type.
ZENLO_CORE_EXPORT std::optional<int32_t> toInt32(double value);
ZENLO_CORE_EXPORT std::optional<int16_t> toInt16(double value);

// Clamped to the type's range (for reads that must never fail).
ZENLO_CORE_EXPORT int16_t clampInt16(int64_t value);

} // namespace vbconv
