#include "util/bgettempfile.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace bGetTempFile {

static QString createIn(const QString &folder, const QString &prefix)
{
    if (folder.isEmpty() || !QDir(folder).exists())
        return {};
    QTemporaryFile file(QDir(folder).filePath(prefix + QStringLiteral("XXXXXX.tmp")));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    return QFileInfo(file.fileName()).absoluteFilePath();
}

QString GetTempFile(const QString &prefix)
{
    if (prefix.contains(QLatin1Char('/')) || prefix.contains(QLatin1Char('\\')))
        return {};

    QString path = createIn(QDir::tempPath(), prefix);
    if (!path.isEmpty())
        return path;

    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return {};
    const QString fallback = cache + QStringLiteral("/zenlo/tmp");
    if (!QDir().mkpath(fallback))
        return {};
    return createIn(fallback, prefix);
}

} // namespace bGetTempFile
