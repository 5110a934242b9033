#pragma once
// The key of a function tab: the menu code, "-" and the tab counter, which is
// also the index of the tab's host area. Function launch writes it, the main
// window and the message protocol read the host index back from it.
#include "platform/zenlo_export.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace tabkey {

// "0102-7".
ZENLO_CORE_EXPORT QString make(const QString &menuCode, int32_t counter);
// The menu code: what stands before the last "-" (the whole key when there is none).
ZENLO_CORE_EXPORT QString menuCode(const QString &key);
// The counter after the last "-", as a 16-bit number; nullopt when there is none or it does not fit.
ZENLO_CORE_EXPORT std::optional<int16_t> hostIndex(const QString &key);

} // namespace tabkey
