#pragma once
// The registry of this platform, shaped like the Win32 registry API so that a
// Windows build maps each function onto its "...A" counterpart (noted beside it).
//
// On Linux every hive is one SQLite file, "<root name>.sqlite":
//  - when the environment variable ZENLO_REGISTRY_DIR is set (tests, portable
//    installs), every hive is a file in that folder;
//  - otherwise HKEY_CURRENT_USER lives in the user's configuration folder
//    (GenericConfigLocation + "/zenlo/registry") and the machine hives
//    (HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_PERFORMANCE_DATA,
//    HKEY_CURRENT_CONFIG, HKEY_DYN_DATA) in /var/lib/zenlo/registry when that
//    folder exists or can be created and is writable, else in
//    GenericDataLocation + "/zenlo/machine-registry".
// The variable is read on every use of a root handle, so a program (or test) that
// changes it reaches the new hives; handles opened before keep their old hive.
//
// Windows' rules hold: key and value names compare case-insensitively and keep
// the case they were first written with; subkeys enumerate in case-insensitive
// name order, values in the order they were first written; a key with subkeys
// cannot be deleted; every write is one transaction, safe against a second
// process writing the same hive. A hive file that cannot be written (no write
// permission bit, or a folder that cannot take its journal) opens read-only:
// opens for writing then fail with AccessDenied; its keys and values are read
// as usual (a hive an administrator seeded in a folder of root's as well).
// A machine hive that exists in /var/lib/zenlo/registry is used there even when
// this user cannot write it.
//
// String data (RegSz) is what the "...A" functions exchange: text in the ANSI
// code page with a terminating NUL; stringData()/stringFromData() convert.
//
// This is the Qt-facing form; registryansi.h has the same functions over plain
// bytes in the ANSI code page, the form the Windows build implements.
#include "platform/registryansi.h"
#include "platform/registrytypes.h"
#include "platform/zenlo_export.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace registry {

// Opens the SQLite library the store's files need, so that the first registry call does not
// have to; from any thread, any number of times. False when it cannot be opened.
ZENLO_CORE_EXPORT bool loadStoreLibrary();

// Opens a root's hive before its first use, when its file is there: from any thread, any
// number of times; the first registry call then finds it open.
ZENLO_CORE_EXPORT void openExistingHive(HKEY root);

// RegOpenKeyExA. An empty subKey opens a new handle on the key itself.
ZENLO_CORE_EXPORT int32_t openKey(HKEY key, const QString &subKey, uint32_t access, HKEY *result);
// RegCreateKeyExA: opens the key, creating it and any missing parents.
// *created (optional) tells whether the key itself was new.
ZENLO_CORE_EXPORT int32_t createKey(HKEY key, const QString &subKey, uint32_t access, HKEY *result,
                                    bool *created = nullptr);
// RegCloseKey. Closing a root handle does nothing.
ZENLO_CORE_EXPORT int32_t closeKey(HKEY key);
// RegDeleteKeyA: refused (AccessDenied) while the key has subkeys. An empty
// subKey deletes the handle's own key (never a root).
ZENLO_CORE_EXPORT int32_t deleteKey(HKEY key, const QString &subKey);
// RegDeleteValueA. The empty name is the key's default value.
ZENLO_CORE_EXPORT int32_t deleteValue(HKEY key, const QString &name);
// RegEnumKeyExA. Index 0 takes a snapshot of the subkey names that later
// indexes are served from, so walking a large key costs one query.
ZENLO_CORE_EXPORT int32_t enumKey(HKEY key, uint32_t index, QString *name);
// RegEnumValueA, with the data in full. Snapshots like enumKey.
ZENLO_CORE_EXPORT int32_t enumValue(HKEY key, uint32_t index, QString *name, uint32_t *type = nullptr,
                                    QByteArray *data = nullptr);
// RegQueryValueExA, with the data in full.
ZENLO_CORE_EXPORT int32_t queryValue(HKEY key, const QString &name, uint32_t *type, QByteArray *data);
// RegSetValueExA.
ZENLO_CORE_EXPORT int32_t setValue(HKEY key, const QString &name, uint32_t type, const QByteArray &data);

// Write batches (beginWriteBatch, endWriteBatch, abortWriteBatch, WriteBatch)
// and isReadOnly() are declared in registryansi.h: they take no text.

// A subkey path the store accepts: components separated by "\", each 1 to
// MaxKeyNameLength characters; one trailing "\" is tolerated; "" is the key itself.
ZENLO_CORE_EXPORT bool isValidSubKeyPath(const QString &subKey);

// RegSz data for a text: its ANSI bytes and a NUL. *ok is false when the code
// page cannot hold every character.
ZENLO_CORE_EXPORT QByteArray stringData(const QString &text, bool *ok = nullptr);
// The text of string data: ANSI bytes up to the first NUL.
ZENLO_CORE_EXPORT QString stringFromData(const QByteArray &data);
ZENLO_CORE_EXPORT QByteArray dwordData(uint32_t value);

// "HKEY_CURRENT_USER" for HKEY_CURRENT_USER; "" for a handle that is no root.
ZENLO_CORE_EXPORT QString rootName(HKEY root);
// The hive file a root handle uses now; "" for a handle that is no root.
ZENLO_CORE_EXPORT QString hiveFilePath(HKEY root);
// A number that changes whenever the hive of a root handle may hold other data
// than at the last call: after a write of this process (also inside a write
// batch, and after an abort) or a commit of another process, and when the hive
// file is opened anew. Never 0 for a root handle; 0 for a handle that is no root.
// For caches of what was read from a hive.
ZENLO_CORE_EXPORT uint64_t hiveVersion(HKEY root);
// With false, a hive is opened read-only and nothing is created or changed
// beside it (no file, folder or journal): a missing hive reads as an empty,
// read-only root (tools that only read). Default true.
ZENLO_CORE_EXPORT void setCreateHives(bool create);

// Closes every hive file this process holds and invalidates every open handle
// (for tests that remove their registry folder).
ZENLO_CORE_EXPORT void closeAllHives();

} // namespace registry
