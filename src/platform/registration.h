#pragma once
// Registration of a library's classes in the registry, this platform's regsvr.
//
// For each class of the library's metadata, registerLibrary writes the default
// values (REG_SZ) of
//   HKEY_CLASSES_ROOT\<ProgID>\CLSID                    = "{CLSID}"
//   HKEY_CLASSES_ROOT\CLSID\{CLSID}\InprocServer32      = absolute library path
//   HKEY_CLASSES_ROOT\CLSID\{CLSID}\ProgID              = ProgID
// in one registry write batch: every write succeeds or none is kept. Existing
// entries of the same ProgID or class id are replaced, as regsvr32 does. A class
// whose ProgID equals an earlier class's in another letter case is not written
// (registry keys ignore letter case, and the first class of a name wins).
//
// unregisterLibrary removes exactly those keys, and only where they still point
// at this library: a class id whose InprocServer32 names another file, and a
// ProgID whose CLSID is no class of this library registered to it, stay. A
// ProgID or class id key is removed only once nothing else is left in it.
//
// Both refuse, with a one-line reason and without any change, a file without
// valid metadata, a library that lists no class, and a path or ProgID the ANSI
// code page cannot hold (registry text is stored in it).
#include "platform/zenlo_export.h"

#include <QList>
#include <QString>
#include <QUuid>

namespace objects {

struct RegistryEntry {
    QString progId;
    QUuid clsid;
    bool changed = false; // false: skipped (see above)
};

ZENLO_CORE_EXPORT bool registerLibrary(const QString &path, QString *reason = nullptr,
                                       QList<RegistryEntry> *entries = nullptr);
ZENLO_CORE_EXPORT bool unregisterLibrary(const QString &path, QString *reason = nullptr,
                                         QList<RegistryEntry> *entries = nullptr);

enum class Registration {
    None,   // HKEY_CLASSES_ROOT has no key of the ProgID
    Found,  // *clsid and *library are set (and the library file exists, see below)
    Broken, // the key exists but leads nowhere; *reason says where it ends
};
// The registered class of a ProgID, following the keys above. Without
// checkLibraryFile, Found does not promise that the library file exists (the
// answer then depends on the registry alone, and can be cached against
// registry::hiveVersion).
ZENLO_CORE_EXPORT Registration findRegisteredClass(const QString &progId, QUuid *clsid, QString *library,
                                                   QString *reason = nullptr, bool checkLibraryFile = true);

} // namespace objects
