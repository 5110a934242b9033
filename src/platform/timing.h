#pragma once
// Start-up timings for benchmarks: with ZENLO_TIMINGS=1 each mark writes
// "timing NAME MS" to stderr, MS being milliseconds since the process started.
#include "platform/zenlo_export.h"

namespace timing {

ZENLO_CORE_EXPORT bool enabled();
ZENLO_CORE_EXPORT double sinceProcessStart();
ZENLO_CORE_EXPORT void mark(const char *name);

} // namespace timing
