#pragma once
// The program folder and executable name, as Windows reports them for the
// running program (App.Path, App.EXEName), and the program's own version.
#include "platform/zenlo_export.h"

#include <QString>

namespace appinfo {

// The folder of the executable, without a trailing separator.
ZENLO_CORE_EXPORT QString programFolder();
// The executable's name without folder and extension.
ZENLO_CORE_EXPORT QString executableName();
// Tests and tools that act for another installation override both.
ZENLO_CORE_EXPORT void setProgramFolder(const QString &folder);
ZENLO_CORE_EXPORT void setExecutableName(const QString &name);

ZENLO_CORE_EXPORT int versionMajor();
ZENLO_CORE_EXPORT int versionMinor();
ZENLO_CORE_EXPORT int versionRevision();

} // namespace appinfo
