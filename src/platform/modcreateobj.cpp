#include "platform/modcreateobj.h"

#include "platform/classobject.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QPluginLoader>

#include <algorithm>
#include <memory>

namespace modCreateObj {

namespace {

struct Library {
    QPluginLoader *loader = nullptr; // never deleted: the library stays loaded
    QString path;                    // canonical
    objects::IClassObjectEntry *entry = nullptr;
    bool entryKnown = false;
};

struct Table {
    QMutex mutex;
    QHash<QString, Library *> byPath; // canonical path and every absolute spelling used
    QHash<QString, QString> reasons;  // canonical (or absolute) path -> last failure
};

// Never destroyed: the libraries it holds stay loaded until the process ends.
Table &table()
{
    static Table *t = new Table;
    return *t;
}

QString absolutePath(const QString &path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The name a library file is known by: its canonical path, or the absolute one
// when the file does not exist.
QString fileKey(const QString &absolute)
{
    const QString canonical = QFileInfo(absolute).canonicalFilePath();
    return canonical.isEmpty() ? absolute : canonical;
}

void keepReason(const QString &key, const QString &reason)
{
    Table &t = table();
    QMutexLocker lock(&t.mutex);
    if (reason.isEmpty())
        t.reasons.remove(key);
    else
        t.reasons.insert(key, reason);
}

QObject *failed(const QString &key, const QString &why, QString *reason)
{
    keepReason(key, why);
    if (reason)
        *reason = why;
    return nullptr;
}

// "Cannot load library /x/a.so: (/x/a.so: undefined symbol: f)" -> "undefined symbol: f".
QString loadReason(const QString &error, const QString &path)
{
    QString detail = error;
    const qsizetype open = detail.indexOf(QLatin1Char('('));
    if (open >= 0 && detail.endsWith(QLatin1Char(')')))
        detail = detail.mid(open + 1, detail.size() - open - 2);
    if (detail.startsWith(path + QLatin1String(": ")))
        detail = detail.mid(path.size() + 2);
    detail.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("the library cannot be loaded: %1").arg(detail.trimmed());
}

// The loaded library of the file, loading it on first use. Library code (its
// static initialisers) runs here, outside the table's lock.
// A loader that has already read the file's metadata (reader) loads it without reading it again.
Library *loadLibrary(const QString &absolute, QString *why, std::unique_ptr<QPluginLoader> reader = {})
{
    Table &t = table();
    {
        QMutexLocker lock(&t.mutex);
        if (Library *lib = t.byPath.value(absolute))
            return lib;
    }
    const QString canonical = QFileInfo(absolute).canonicalFilePath();
    if (canonical.isEmpty()) {
        *why = QStringLiteral("no such file");
        return nullptr;
    }
    {
        QMutexLocker lock(&t.mutex);
        if (Library *lib = t.byPath.value(canonical)) {
            t.byPath.insert(absolute, lib);
            return lib;
        }
    }
    auto *loader = reader ? reader.release() : new QPluginLoader(canonical);
    loader->setLoadHints(QLibrary::ResolveAllSymbolsHint | QLibrary::PreventUnloadHint);
    if (!loader->load()) {
        *why = loadReason(loader->errorString(), canonical);
        delete loader;
        return nullptr;
    }
    QMutexLocker lock(&t.mutex);
    Library *lib = t.byPath.value(canonical);
    if (lib) {
        delete loader; // another thread was quicker; deleting a loader never unloads
    } else {
        lib = new Library;
        lib->loader = loader;
        lib->path = canonical;
        t.byPath.insert(canonical, lib);
    }
    t.byPath.insert(absolute, lib);
    return lib;
}

objects::IClassObjectEntry *entryPoint(Library *lib, QString *why)
{
    Table &t = table();
    {
        QMutexLocker lock(&t.mutex);
        if (lib->entryKnown) {
            if (!lib->entry)
                *why = QStringLiteral("the library has no class-object entry point");
            return lib->entry;
        }
    }
    objects::IClassObjectEntry *entry = nullptr;
    try {
        entry = qobject_cast<objects::IClassObjectEntry *>(lib->loader->instance());
    } catch (...) {
        *why = QStringLiteral("the library's root object threw an exception");
        return nullptr;
    }
    QMutexLocker lock(&t.mutex);
    lib->entry = entry;
    lib->entryKnown = true;
    if (!entry)
        *why = QStringLiteral("the library has no class-object entry point");
    return entry;
}

} // namespace

bool readLibraryMetadata(const QString &path, objects::LibraryMeta *meta)
{
    QString why;
    const bool ok = objects::readClassMetadata(path, meta, &why);
    keepReason(fileKey(absolutePath(path)), ok ? QString() : why);
    return ok;
}

namespace {

// The classes of the library file; *reader, when asked for, is the loader that read them.
bool listClasses(const QString &path, QList<ClassEntry> *classes, std::unique_ptr<QPluginLoader> *reader)
{
    if (classes)
        classes->clear();
    objects::LibraryMeta meta;
    QString why;
    QPluginLoader *loader = nullptr;
    const bool ok = objects::readClassMetadata(path, &meta, &why, reader ? &loader : nullptr);
    if (reader)
        reader->reset(loader);
    keepReason(fileKey(absolutePath(path)), ok ? QString() : why);
    if (!ok)
        return false;
    if (classes) {
        for (const objects::ClassInfo &c : std::as_const(meta.classes))
            classes->append({c.name, c.clsid});
    }
    return true;
}

QObject *createFromLibrary(const QString &path, const QUuid &clsid, QString *reason, std::unique_ptr<QPluginLoader> reader);

} // namespace

bool ListTypeLibClasses(const QString &path, QList<ClassEntry> *classes)
{
    return listClasses(path, classes, nullptr);
}

QObject *CreateFromDll(const QString &path, const QString &className)
{
    // The file is read once: the loader that read its classes also loads it.
    QList<ClassEntry> classes;
    std::unique_ptr<QPluginLoader> reader;
    if (!listClasses(path, &classes, &reader))
        return nullptr;
    const QString key = fileKey(absolutePath(path));
    if (classes.isEmpty()) {
        keepReason(key, QStringLiteral("the class metadata lists no class"));
        throw RuntimeError(QStringLiteral("下标越界"), RuntimeError::SubscriptOutOfRange);
    }
    const ClassEntry *found = nullptr;
    for (const ClassEntry &c : std::as_const(classes)) {
        if (c.name.compare(className, Qt::CaseInsensitive) == 0) {
            found = &c;
            break;
        }
    }
    if (!found)
        return failed(key, QStringLiteral("the library lists no class named \"%1\"").arg(className), nullptr);
    return createFromLibrary(path, found->clsid, nullptr, std::move(reader));
}

QObject *createFromLibrary(const QString &path, const QUuid &clsid, QString *reason)
{
    return createFromLibrary(path, clsid, reason, {});
}

namespace {

QObject *createFromLibrary(const QString &path, const QUuid &clsid, QString *reason, std::unique_ptr<QPluginLoader> reader)
{
    const QString absolute = absolutePath(path);
    if (absolute.isEmpty())
        return failed(QString(), QStringLiteral("no library file given"), reason);
    QString why;
    Library *lib = loadLibrary(absolute, &why, std::move(reader));
    if (!lib)
        return failed(fileKey(absolute), why, reason);
    objects::IClassObjectEntry *entry = entryPoint(lib, &why);
    if (!entry)
        return failed(lib->path, why, reason);

    const QString guid = objects::guidText(clsid);
    QObject *object = nullptr;
    try {
        objects::IClassFactory *factory = entry->DllGetClassObject(clsid);
        if (!factory)
            return failed(lib->path, QStringLiteral("the library does not serve the class %1").arg(guid), reason);
        object = factory->CreateInstance();
    } catch (...) {
        return failed(lib->path, QStringLiteral("the library threw an exception creating %1").arg(guid), reason);
    }
    if (!object)
        return failed(lib->path, QStringLiteral("the class factory of %1 made no object").arg(guid), reason);
    {
        Table &t = table();
        QMutexLocker lock(&t.mutex);
        if (!t.reasons.isEmpty())
            t.reasons.remove(lib->path);
    }
    return object;
}

} // namespace

QString lastLoadError(const QString &path)
{
    const QString key = fileKey(absolutePath(path));
    Table &t = table();
    QMutexLocker lock(&t.mutex);
    return t.reasons.value(key);
}

QStringList loadedLibraries()
{
    Table &t = table();
    QMutexLocker lock(&t.mutex);
    QStringList out;
    for (const Library *lib : std::as_const(t.byPath))
        if (lib && !out.contains(lib->path))
            out << lib->path;
    out.sort();
    return out;
}

QList<QPair<QString, QString>> refusedLibraries()
{
    Table &t = table();
    QMutexLocker lock(&t.mutex);
    QList<QPair<QString, QString>> out;
    for (auto it = t.reasons.cbegin(); it != t.reasons.cend(); ++it)
        out.append({it.key(), it.value()});
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace modCreateObj
