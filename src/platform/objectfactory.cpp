#include "platform/objectfactory.h"

#include "platform/appinfo.h"
#include "platform/classmeta.h"
#include "platform/modcreateobj.h"
#include "platform/registration.h"
#include "platform/registrystore.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMutex>

namespace objects {

namespace {

struct Entry {
    QString progId;
    QString clsid;
    Factory factory;
};

struct ComponentClass {
    QUuid clsid;
    QString library;
};

// What the registry said of a ProgID, apart from whether the library file exists.
struct Registered {
    Registration result = Registration::None;
    QUuid clsid;
    QString library;
    QString reason;
};

struct Table {
    QMutex mutex;
    QHash<QString, Entry> byProgId; // folded ProgID -> entry

    // Registry answers, valid while HKEY_CLASSES_ROOT keeps this hive version.
    uint64_t registryVersion = 0;
    QHash<QString, Registered> registered; // folded ProgID

    bool scanned = false;
    QString scannedFolder;
    QHash<QString, ComponentClass> components; // folded ProgID -> first class of that ProgID
};

Table &table()
{
    static Table t;
    return t;
}

// Reads the metadata of every library in the folder (no library code runs).
// Called with the table locked.
void scanComponents(Table &t, const QString &folder)
{
    t.components.clear();
    t.scanned = true;
    t.scannedFolder = folder;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &fi : files) {
        if (!QLibrary::isLibrary(fi.fileName()))
            continue;
        LibraryMeta meta;
        if (!modCreateObj::readLibraryMetadata(fi.absoluteFilePath(), &meta))
            continue; // the reason stays in modCreateObj::lastLoadError
        for (const ClassInfo &c : std::as_const(meta.classes)) {
            const QString key = meta.progId(c).toCaseFolded();
            if (!t.components.contains(key))
                t.components.insert(key, {c.clsid, fi.absoluteFilePath()});
        }
    }
}

// The registry's answer for a ProgID, from the cache while the hive is unchanged:
// each registry read costs microseconds, and an answer takes four of them.
Registered lookUpRegistry(Table &t, const QString &progId, const QString &key)
{
    const uint64_t version = registry::hiveVersion(registry::HKEY_CLASSES_ROOT);
    {
        QMutexLocker lock(&t.mutex);
        if (t.registryVersion != version) {
            t.registered.clear();
            t.registryVersion = version;
        }
        const auto it = t.registered.constFind(key);
        if (it != t.registered.constEnd())
            return *it;
    }
    Registered r;
    r.result = findRegisteredClass(progId, &r.clsid, &r.library, &r.reason, false);
    QMutexLocker lock(&t.mutex);
    if (t.registryVersion == version) {
        if (t.registered.size() >= 4096) // any text can be asked for: keep the cache bounded
            t.registered.clear();
        t.registered.insert(key, r);
    }
    return r;
}

} // namespace

void registerBuiltin(const QString &progId, const QString &clsid, Factory factory)
{
    Table &t = table();
    QMutexLocker lock(&t.mutex);
    t.byProgId.insert(progId.toCaseFolded(), {progId, clsid, std::move(factory)});
}

bool isBuiltin(const QString &progId)
{
    Table &t = table();
    QMutexLocker lock(&t.mutex);
    return t.byProgId.contains(progId.toCaseFolded());
}

QString componentsFolder()
{
    return appinfo::programFolder() + QStringLiteral("/components");
}

void rescanComponents()
{
    Table &t = table();
    QMutexLocker lock(&t.mutex);
    t.scanned = false;
    t.components.clear();
}

ClassLocation locateClass(const QString &progId, QString *reason)
{
    ClassLocation where;
    const QString key = progId.toCaseFolded();
    Table &t = table();
    {
        QMutexLocker lock(&t.mutex);
        if (t.byProgId.contains(key)) {
            where.source = ClassSource::Builtin;
            return where;
        }
    }
    const Registered reg = lookUpRegistry(t, progId, key);
    switch (reg.result) {
    case Registration::Found:
        if (!QFileInfo(reg.library).isFile()) {
            if (reason)
                *reason = QStringLiteral("library file not found: %1").arg(reg.library);
            return where;
        }
        where.source = ClassSource::Registered;
        where.clsid = reg.clsid;
        where.library = reg.library;
        return where;
    case Registration::Broken:
        if (reason)
            *reason = reg.reason;
        return where;
    case Registration::None:
        break;
    }
    const QString folder = componentsFolder();
    QMutexLocker lock(&t.mutex);
    if (!t.scanned || t.scannedFolder != folder)
        scanComponents(t, folder);
    const auto it = t.components.constFind(key);
    if (it == t.components.constEnd()) {
        if (reason)
            *reason = QStringLiteral("no class of this ProgID is built in, registered or in %1").arg(folder);
        return where;
    }
    where.source = ClassSource::Component;
    where.clsid = it->clsid;
    where.library = it->library;
    return where;
}

QObject *createObject(const QString &progId, QString *error, QString *reason)
{
    QString why;
    QObject *object = nullptr;
    const ClassLocation where = locateClass(progId, &why);
    if (where.source == ClassSource::Builtin) {
        Factory f;
        {
            Table &t = table();
            QMutexLocker lock(&t.mutex);
            f = t.byProgId.value(progId.toCaseFolded()).factory;
        }
        object = f ? f() : nullptr;
        if (!object)
            why = QStringLiteral("the built-in class made no object");
    } else if (where.source != ClassSource::None) {
        object = modCreateObj::createFromLibrary(where.library, where.clsid, &why);
        if (!object)
            why = QStringLiteral("%1: %2").arg(where.library, why);
    }
    if (!object) {
        if (error)
            *error = QStringLiteral("ActiveX 部件不能创建对象: %1").arg(progId);
        if (reason)
            *reason = why;
    }
    return object;
}

} // namespace objects
