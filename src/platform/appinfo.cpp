#include "platform/appinfo.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace appinfo {

namespace {
QString g_folder;
QString g_exeName;
} // namespace

QString programFolder()
{
    if (!g_folder.isEmpty())
        return g_folder;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

QString executableName()
{
    if (!g_exeName.isEmpty())
        return g_exeName;
    QString path = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(path).completeBaseName();
}

void setProgramFolder(const QString &folder)
{
    g_folder = folder;
    while (g_folder.size() > 1 && (g_folder.endsWith(QLatin1Char('/')) || g_folder.endsWith(QLatin1Char('\\'))))
        g_folder.chop(1);
}

void setExecutableName(const QString &name)
{
    g_exeName = name;
}

int versionMajor() { return ZENLO_VERSION_MAJOR; }
int versionMinor() { return ZENLO_VERSION_MINOR; }
int versionRevision() { return ZENLO_VERSION_PATCH; }

} // namespace appinfo
