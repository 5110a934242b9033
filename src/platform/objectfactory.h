#pragma once
// Creation of objects by ProgID, as COM's CreateObject does. The shell's own
// stand-ins for outside components (e.g. "kxDataAccessHelper.Database") are
// built-in classes of the same table; classes of loadable libraries are found
// through the registry (HKEY_CLASSES_ROOT\<ProgID>\CLSID).
#include "platform/zenlo_export.h"

#include <QObject>
#include <QString>

#include <functional>

namespace objects {

using Factory = std::function<QObject *()>;

// Registers a built-in class; a later registration of the same ProgID replaces it.
ZENLO_CORE_EXPORT void registerBuiltin(const QString &progId, const QString &clsid, Factory factory);
ZENLO_CORE_EXPORT bool isBuiltin(const QString &progId);
// A new object of the class, owned by the caller; nullptr (and *error) when the class is unknown.
ZENLO_CORE_EXPORT QObject *createObject(const QString &progId, QString *error = nullptr);

} // namespace objects
