#pragma once
// The diagnostics page: what support asks for when something goes wrong, as
// one text to copy (the about window shows it, zenlo-admin diag prints it).
#include "platform/zenlo_export.h"

#include <QString>
#include <QStringList>

class Database;

namespace diagnostics {

struct Inputs {
    QString configFile;
    QString appName;          // the per-user settings' application name ("" when not known)
    Database *db = nullptr;   // connected, or nullptr
    // Library folders to list by their metadata as well (components/, Plugin/).
    QStringList libraryFolders;
};

// The report, one "name: value" line each, in sections; never fails (what
// cannot be found out says so).
ZENLO_CORE_EXPORT QString report(const Inputs &in);

} // namespace diagnostics
