#include "core/bcommon.h"

#include "platform/appinfo.h"
#include "platform/vbconv.h"

#include <QDir>
#include <QFileInfo>

PathStyle nativePathStyle()
{
#ifdef Q_OS_WIN
    return PathStyle::Windows;
#else
    return PathStyle::Posix;
#endif
}

PathContext PathContext::current()
{
    PathContext c;
    c.style = nativePathStyle();
    c.programFolder = appinfo::programFolder();
    if (c.style == PathStyle::Windows)
        c.programFolder = QDir::toNativeSeparators(c.programFolder);
    c.today = QDate::currentDate();
    return c;
}

namespace {
QString replaceMacros(QString t, const PathContext &ctx, Qt::CaseSensitivity cs)
{
    const QString year = ctx.today.isValid() ? ctx.today.toString(QStringLiteral("yyyy")) : QString();
    const QString shortYear = ctx.today.isValid() ? ctx.today.toString(QStringLiteral("yy")) : QString();
    t.replace(QStringLiteral("%app.path%"), ctx.programFolder, cs);
    t.replace(QStringLiteral("%year%"), year, cs);
    t.replace(QStringLiteral("%shortyear%"), shortYear, cs);
    return t;
}

QString prefixAndCollapse(QString t, const PathContext &ctx)
{
    if (ctx.style == PathStyle::Windows) {
        if (!t.contains(QLatin1Char(':')))
            t = ctx.programFolder + QLatin1Char('\\') + t;
        return t.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    }
    if (!t.startsWith(QLatin1Char('/')))
        t = ctx.programFolder + QLatin1Char('/') + t;
    return t.replace(QStringLiteral("//"), QStringLiteral("/"));
}

} // namespace

namespace bCommon {
QString ExpandPath(const QString &path, bool keepRelative)
{
    return ExpandPath(path, keepRelative, PathContext::current());
}

QString ExpandPath(const QString &path, bool keepRelative, const PathContext &ctx)
{
    QString t;
    if (ctx.style == PathStyle::Windows) {
        t = vbconv::trimBlanks(path.toLower());
        if (t.isEmpty())
            return t;
        t = replaceMacros(t, ctx, Qt::CaseSensitive);
    } else {
        t = vbconv::trimBlanks(path);
        t.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (t.isEmpty())
            return t;
        t = replaceMacros(t, ctx, Qt::CaseInsensitive);
    }
    if (!keepRelative)
        t = prefixAndCollapse(t, ctx);
    return t;
}

QString ExpandPathTwin(const QString &path, bool lowerCase, bool keepRelative, const PathContext &ctx)
{
    QString t;
    if (ctx.style == PathStyle::Windows) {
        t = lowerCase ? path.toLower() : path;
        t = replaceMacros(t, ctx, Qt::CaseSensitive);
    } else {
        t = path;
        t.replace(QLatin1Char('\\'), QLatin1Char('/'));
        t = replaceMacros(t, ctx, Qt::CaseInsensitive);
    }
    if (!keepRelative)
        t = prefixAndCollapse(t, ctx);
    return t;
}

QString GetFullPath(const QString &path)
{
    return GetFullPath(path, PathContext::current());
}

QString GetFullPath(const QString &path, const PathContext &ctx)
{
    if (ctx.style == PathStyle::Windows) {
        if (path.contains(QLatin1Char(':')) || path.startsWith(QLatin1String("\\\\")))
            return vbconv::trimBlanks(path);
        QString t = ctx.programFolder + QLatin1Char('\\') + vbconv::trimBlanks(path);
        return t.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    }
    QString t = vbconv::trimBlanks(path);
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (t.startsWith(QLatin1Char('/')))
        return t;
    t = ctx.programFolder + QLatin1Char('/') + t;
    return t.replace(QStringLiteral("//"), QStringLiteral("/"));
}

bool GetBool(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return false;
    const QString t = vbconv::trimBlanks(value.toString()).toLower();
    return !(t.isEmpty() || t == QLatin1String("0") || t == QLatin1String("false"));
}

QString toNativePath(const QString &path, PathStyle style)
{
    if (style == nativePathStyle())
        return path;
    if (style == PathStyle::Windows) {
        // A drive letter or UNC name has no meaning on this file system.
        if (path.contains(QLatin1Char(':')) || path.startsWith(QLatin1String("\\\\")))
            return QString();
        return QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    }
    return QString(path).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

bool MakeDirs(const QString &path)
{
    return MakeDirs(path, nativePathStyle());
}

bool MakeDirs(const QString &path, PathStyle style)
{
    const QChar sep = style == PathStyle::Windows ? QLatin1Char('\\') : QLatin1Char('/');
    const QStringList pieces = path.split(sep);
    QString running;
    QDir dir;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        running = i == 0 ? pieces.at(0) : running + sep + pieces.at(i);
        const QString native = toNativePath(running, style);
        if (!native.isEmpty())
            dir.mkdir(native); // failures (exists already, a drive name, an empty piece) are expected
    }
    const QString native = toNativePath(path, style);
    return !native.isEmpty() && QFileInfo(native).isDir();
}

} // namespace bCommon
