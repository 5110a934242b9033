#pragma once
// Start-up timings for benchmarks: with ZENLO_TIMINGS=1 each mark writes
// "timing NAME MS" to stderr, MS being milliseconds since the process started.
#include "platform/zenlo_export.h"

#include <vector>

namespace timing {

ZENLO_CORE_EXPORT bool enabled();
ZENLO_CORE_EXPORT double sinceProcessStart();
ZENLO_CORE_EXPORT void mark(const char *name);

// Every mark of this run, in order, with its milliseconds since the process
// started (kept whether or not they are printed; for the diagnostics page).
struct Milestone {
    const char *name;
    double ms;
};
ZENLO_CORE_EXPORT std::vector<Milestone> milestones();

} // namespace timing
