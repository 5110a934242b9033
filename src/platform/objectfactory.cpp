#include "platform/objectfactory.h"

#include <QHash>
#include <QMutex>

namespace objects {

namespace {

struct Entry {
    QString progId;
    QString clsid;
    Factory factory;
};

struct Table {
    QMutex mutex;
    QHash<QString, Entry> byProgId; // folded ProgID -> entry
};

Table &table()
{
    static Table t;
    return t;
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

QObject *createObject(const QString &progId, QString *error)
{
    Factory f;
    {
        Table &t = table();
        QMutexLocker lock(&t.mutex);
        const auto it = t.byProgId.constFind(progId.toCaseFolded());
        if (it != t.byProgId.constEnd())
            f = it->factory;
    }
    if (!f) {
        if (error)
            *error = QStringLiteral("ActiveX 部件不能创建对象: %1").arg(progId);
        return nullptr;
    }
    return f();
}

} // namespace objects
