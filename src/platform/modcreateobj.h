#pragma once
// modCreateObj: an object made straight from a library file by class name,
// without the class being registered. The class id comes from the library's
// class metadata (platform/classmeta.h, read without running library code); the
// object from the library's class-object entry point (platform/classobject.h).
//
// Libraries are loaded once per file and never unloaded: a library already
// loaded (by an earlier call, or through a registered class) is reused, and it
// stays in the process after its objects are gone. A path is taken as given,
// made absolute against the current folder; no library search path is tried,
// so a namesake elsewhere is never loaded instead. All symbols are bound at
// load time, so a library with a missing symbol is refused when it loads
// instead of failing later inside a call.
//
// Failures give nullptr without a message. For administrators the reason of the
// last failure per library file is kept (lastLoadError); a success on that file
// clears it.
#include "platform/classmeta.h"
#include "platform/zenlo_export.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUuid>

namespace modCreateObj {

struct ClassEntry {
    QString name; // as the metadata writes it
    QUuid clsid;
};

// True with the library's classes in metadata order; false with an empty list
// when the file has no valid class metadata.
ZENLO_CORE_EXPORT bool ListTypeLibClasses(const QString &path, QList<ClassEntry> *classes);

// A new object of the first class whose name equals className in any letter
// case, owned by the caller; nullptr when the metadata cannot be read, no class
// has that name, the library cannot be loaded, has no entry point, does not
// serve the class or makes no object.
// Throws RuntimeError 9 "下标越界" when the metadata is valid but lists no class
// at all: the lookup runs over an empty class list.
ZENLO_CORE_EXPORT QObject *CreateFromDll(const QString &path, const QString &className);

// Why the last attempt on this library file failed; empty after a success or
// when the file was never tried. Paths are compared after making them absolute
// and resolving links, as the loader does.
ZENLO_CORE_EXPORT QString lastLoadError(const QString &path);
// The libraries this process loaded (canonical paths, in name order) and those
// that failed, each with its last reason (for the diagnostics page).
ZENLO_CORE_EXPORT QStringList loadedLibraries();
ZENLO_CORE_EXPORT QList<QPair<QString, QString>> refusedLibraries();

// For the object factory: readClassMetadata that keeps the reason for lastLoadError.
ZENLO_CORE_EXPORT bool readLibraryMetadata(const QString &path, objects::LibraryMeta *meta);
// A new object of class clsid from the library at path, loaded or reused as
// above, without consulting its metadata (the entry point decides, as for a
// registered class); nullptr and *reason on failure, also kept for lastLoadError.
ZENLO_CORE_EXPORT QObject *createFromLibrary(const QString &path, const QUuid &clsid, QString *reason = nullptr);

} // namespace modCreateObj
