#pragma once
// Creation of objects by ProgID, as COM's CreateObject does. ProgIDs compare in
// any letter case. A ProgID is looked up in this order, and the first place
// that knows it decides:
//  1. the shell's built-in classes (registerBuiltin; e.g. the database stand-in
//     "kxDataAccessHelper.Database"). They are part of the program, so a
//     registration cannot silently put another class in their place, nor can a
//     stale entry break the start-up; "zenlo-admin regsvr" says so when it
//     registers a ProgID that is built in.
//  2. classes registered in the registry (platform/registration.h):
//     HKEY_CLASSES_ROOT\<ProgID>\CLSID, then
//     HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 names the library, whose
//     class-object entry point is asked for the class id. A ProgID key that
//     leads nowhere (no class id, no library, a missing file) creates nothing:
//     the reason says where it ends, and the classes of components/ are not tried.
//     The registry's answers are kept while HKEY_CLASSES_ROOT is unchanged
//     (registry::hiveVersion), so a registration by another process counts at once.
//  3. the libraries in the program folder's "components" subfolder, creatable
//     without registration. Their metadata (not their code) is read once, on
//     the first lookup that reaches this step, and kept until rescanComponents()
//     or until the program folder changes. Libraries are taken in file-name
//     order and classes in metadata order; the first class of a ProgID wins.
// Libraries are loaded and kept as modCreateObj does (platform/modcreateobj.h).
#include "platform/zenlo_export.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>

namespace objects {

using Factory = std::function<QObject *()>;

// Registers a built-in class; a later registration of the same ProgID replaces it.
ZENLO_CORE_EXPORT void registerBuiltin(const QString &progId, const QString &clsid, Factory factory);
ZENLO_CORE_EXPORT bool isBuiltin(const QString &progId);

// A new object of the class, owned by the caller; nullptr when it cannot be made.
// *error then holds the operator's text ("ActiveX 部件不能创建对象: " + ProgID),
// *reason what an administrator needs (which step refused and why, in English).
ZENLO_CORE_EXPORT QObject *createObject(const QString &progId, QString *error = nullptr, QString *reason = nullptr);

enum class ClassSource { None, Builtin, Registered, Component };
struct ClassLocation {
    ClassSource source = ClassSource::None;
    QUuid clsid;     // Registered and Component
    QString library; // Registered and Component: the library file
};
// Where createObject would find the class, without loading anything; for None,
// *reason tells why (a broken registration, or no class of that ProgID).
ZENLO_CORE_EXPORT ClassLocation locateClass(const QString &progId, QString *reason = nullptr);

// The folder scanned in step 3: the program folder + "/components".
ZENLO_CORE_EXPORT QString componentsFolder();
// Forgets the scan, so the next lookup reads the folder again (after an install).
ZENLO_CORE_EXPORT void rescanComponents();

} // namespace objects
