#pragma once
// What the test plug-ins share: a trace of their calls kept in the
// application object (the test reads it back) and the behaviour a test asks
// of a class ("throw-init", "lasterror", "init-false", ...), also read there.
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <dlfcn.h>

#include <stdexcept>

namespace zt {

inline void trace(const QString &line)
{
    QStringList t = qApp->property("zt.trace").toStringList();
    t << line;
    qApp->setProperty("zt.trace", t);
}

inline QString mode(const QString &className)
{
    return qApp->property(("zt." + className).toUtf8().constData()).toString();
}

inline void failIf(const QString &className, const QString &member)
{
    if (mode(className) == QStringLiteral("throw-") + member)
        throw std::runtime_error(QStringLiteral("%1 在 %2 中出错").arg(className, member).toStdString());
}

// The file this library was loaded from.
inline QString libraryFile()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&libraryFile), &info) && info.dli_fname)
        return QString::fromLocal8Bit(info.dli_fname);
    return QString();
}

} // namespace zt
