#pragma once
// The previous-instance test: whether another process of the same executable runs.
#include "platform/zenlo_export.h"

#include <QString>

namespace instance {

// True when another running process was started from the same executable file.
ZENLO_CORE_EXPORT bool previousInstanceRunning();
// The same test for any executable path (for tests).
ZENLO_CORE_EXPORT bool otherProcessRuns(const QString &executablePath);

} // namespace instance
