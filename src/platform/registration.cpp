#include "platform/registration.h"

#include "platform/classmeta.h"
#include "platform/registrystore.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace objects {

using namespace registry;

namespace {

const QString kRoot = QStringLiteral("HKEY_CLASSES_ROOT\\");

class Key
{
public:
    ~Key()
    {
        if (h)
            closeKey(h);
    }
    HKEY h = 0;
};

QString statusText(int32_t st)
{
    switch (st) {
    case AccessDenied:
        return QStringLiteral("access denied");
    case IoFailed:
        return QStringLiteral("the registry file cannot be read or written");
    case InvalidParameter:
        return QStringLiteral("invalid key name");
    default:
        return QStringLiteral("registry error %1").arg(st);
    }
}

bool refuse(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

// The default value of HKEY_CLASSES_ROOT\sub as text; NotFound when the key or
// the value is missing, InvalidParameter when the value is no REG_SZ.
int32_t readDefault(const QString &sub, QString *text)
{
    Key k;
    int32_t st = openKey(HKEY_CLASSES_ROOT, sub, KeyQueryValue, &k.h);
    if (st != Success)
        return st;
    uint32_t type = 0;
    QByteArray data;
    st = queryValue(k.h, QString(), &type, &data);
    if (st != Success)
        return st;
    if (type != RegSz)
        return InvalidParameter;
    *text = stringFromData(data);
    return Success;
}

bool isProgIdKey(const QString &progId)
{
    return !progId.isEmpty() && progId.size() <= MaxKeyNameLength && !progId.contains(QLatin1Char('\\'));
}

QString clsidKey(const QUuid &clsid)
{
    return QStringLiteral("CLSID\\") + guidText(clsid);
}

bool samePath(const QString &a, const QString &b)
{
    if (QDir::cleanPath(a) == QDir::cleanPath(b))
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// Whether a key holds nothing: no subkey, no value.
bool isEmptyKey(const QString &sub)
{
    Key k;
    if (openKey(HKEY_CLASSES_ROOT, sub, KeyRead, &k.h) != Success)
        return false;
    QString name;
    return enumKey(k.h, 0, &name) == NoMoreItems && enumValue(k.h, 0, &name) == NoMoreItems;
}

// The library's absolute path and metadata, checked for what registration needs.
bool prepare(const QString &path, QString *absolute, LibraryMeta *meta, QString *reason)
{
    if (!readClassMetadata(path, meta, reason))
        return false;
    if (meta->classes.isEmpty())
        return refuse(reason, QStringLiteral("the library lists no class"));
    *absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    bool ok = false;
    stringData(*absolute, &ok);
    if (!ok)
        return refuse(reason, QStringLiteral("the path has characters the ANSI code page cannot hold"));
    for (const ClassInfo &c : std::as_const(meta->classes)) {
        stringData(meta->progId(c), &ok);
        if (!ok)
            return refuse(reason, QStringLiteral("the ProgID %1 has characters the ANSI code page cannot hold")
                                      .arg(meta->progId(c)));
    }
    return true;
}

// Ends the batch of a (un)registration; the entries are reported only when it was saved.
bool commit(WriteBatch &batch, const QList<RegistryEntry> &done, QString *reason, QList<RegistryEntry> *entries)
{
    const int32_t st = batch.commit();
    if (st != Success)
        return refuse(reason, QStringLiteral("the registry did not save the changes: %1").arg(statusText(st)));
    if (entries)
        *entries = done;
    return true;
}

} // namespace

bool registerLibrary(const QString &path, QString *reason, QList<RegistryEntry> *entries)
{
    QString absolute;
    LibraryMeta meta;
    if (!prepare(path, &absolute, &meta, reason))
        return false;

    QList<RegistryEntry> done;
    WriteBatch batch;
    auto write = [&](const QString &sub, const QString &text) {
        Key k;
        int32_t st = createKey(HKEY_CLASSES_ROOT, sub, KeySetValue, &k.h);
        if (st == Success)
            st = setValue(k.h, QString(), RegSz, stringData(text));
        if (st != Success && reason)
            *reason = QStringLiteral("cannot write %1%2: %3").arg(kRoot, sub, statusText(st));
        return st == Success;
    };
    QSet<QString> seen;
    for (const ClassInfo &c : std::as_const(meta.classes)) {
        const QString progId = meta.progId(c);
        RegistryEntry e{progId, c.clsid, false};
        if (!seen.contains(progId.toCaseFolded())) {
            seen.insert(progId.toCaseFolded());
            const QString cls = clsidKey(c.clsid);
            if (!write(progId + QStringLiteral("\\CLSID"), guidText(c.clsid))
                || !write(cls + QStringLiteral("\\InprocServer32"), absolute)
                || !write(cls + QStringLiteral("\\ProgID"), progId)) {
                batch.abort();
                return false;
            }
            e.changed = true;
        }
        done.append(e);
    }
    return commit(batch, done, reason, entries);
}

bool unregisterLibrary(const QString &path, QString *reason, QList<RegistryEntry> *entries)
{
    QString absolute;
    LibraryMeta meta;
    if (!prepare(path, &absolute, &meta, reason))
        return false;

    // Decide before changing anything: the class ids registered to this library.
    QSet<QUuid> ours;
    for (const ClassInfo &c : std::as_const(meta.classes)) {
        QString server;
        if (readDefault(clsidKey(c.clsid) + QStringLiteral("\\InprocServer32"), &server) == Success
            && samePath(server, absolute))
            ours.insert(c.clsid);
    }

    QList<RegistryEntry> done;
    WriteBatch batch;
    auto remove = [&](const QString &sub) {
        const int32_t st = deleteKey(HKEY_CLASSES_ROOT, sub);
        if (st == Success || st == NotFound)
            return true;
        if (reason)
            *reason = QStringLiteral("cannot remove %1%2: %3").arg(kRoot, sub, statusText(st));
        return false;
    };
    QSet<QString> seenProgIds;
    QSet<QUuid> seenClasses;
    for (const ClassInfo &c : std::as_const(meta.classes)) {
        RegistryEntry e{meta.progId(c), c.clsid, false};
        const QString folded = e.progId.toCaseFolded();
        if (!seenProgIds.contains(folded)) {
            seenProgIds.insert(folded);
            QString value;
            const QString progKey = e.progId + QStringLiteral("\\CLSID");
            if (readDefault(progKey, &value) == Success && ours.contains(parseGuid(value))) {
                if (!remove(progKey) || (isEmptyKey(e.progId) && !remove(e.progId))) {
                    batch.abort();
                    return false;
                }
                e.changed = true;
            }
        }
        if (ours.contains(c.clsid) && !seenClasses.contains(c.clsid)) {
            seenClasses.insert(c.clsid);
            const QString cls = clsidKey(c.clsid);
            if (!remove(cls + QStringLiteral("\\InprocServer32")) || !remove(cls + QStringLiteral("\\ProgID"))
                || (isEmptyKey(cls) && !remove(cls))) {
                batch.abort();
                return false;
            }
            e.changed = true;
        }
        done.append(e);
    }
    return commit(batch, done, reason, entries);
}

Registration findRegisteredClass(const QString &progId, QUuid *clsid, QString *library, QString *reason,
                                 bool checkLibraryFile)
{
    auto broken = [reason](const QString &text) {
        if (reason)
            *reason = text;
        return Registration::Broken;
    };
    if (!isProgIdKey(progId))
        return Registration::None;
    QString value;
    int32_t st = readDefault(progId + QStringLiteral("\\CLSID"), &value);
    if (st == NotFound) {
        Key k;
        st = openKey(HKEY_CLASSES_ROOT, progId, KeyQueryValue, &k.h);
        if (st == NotFound)
            return Registration::None;
        if (st == Success)
            return broken(QStringLiteral("%1%2 has no CLSID").arg(kRoot, progId));
    }
    if (st == InvalidParameter)
        return broken(QStringLiteral("%1%2\\CLSID is not text").arg(kRoot, progId));
    if (st != Success)
        return broken(QStringLiteral("%1%2: %3").arg(kRoot, progId, statusText(st)));
    const QUuid id = parseGuid(value.trimmed());
    if (id.isNull())
        return broken(QStringLiteral("%1%2\\CLSID is not a class id").arg(kRoot, progId));

    const QString server = clsidKey(id) + QStringLiteral("\\InprocServer32");
    QString file;
    st = readDefault(server, &file);
    if (st == NotFound)
        return broken(QStringLiteral("%1%2 is missing").arg(kRoot, server));
    if (st == InvalidParameter)
        return broken(QStringLiteral("%1%2 is not text").arg(kRoot, server));
    if (st != Success)
        return broken(QStringLiteral("%1%2: %3").arg(kRoot, server, statusText(st)));
    if (file.isEmpty() || !QDir::isAbsolutePath(file))
        return broken(QStringLiteral("%1%2 names no absolute library path").arg(kRoot, server));
    if (checkLibraryFile && !QFileInfo(file).isFile())
        return broken(QStringLiteral("library file not found: %1").arg(file));
    if (clsid)
        *clsid = id;
    if (library)
        *library = file;
    return Registration::Found;
}

} // namespace objects
