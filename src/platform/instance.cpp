#include "platform/instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace instance {

bool otherProcessRuns(const QString &executablePath)
{
    const QString target = QFileInfo(executablePath).canonicalFilePath();
    if (target.isEmpty())
        return false;
    const QString self = QString::number(::getpid());
    const QDir proc(QStringLiteral("/proc"));
    const QStringList pids = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        if (pid == self || pid.isEmpty() || !pid.at(0).isDigit())
            continue;
        const QString exe = QFileInfo(QStringLiteral("/proc/") + pid + QStringLiteral("/exe")).symLinkTarget();
        // A replaced executable shows as "path (deleted)"; it is not this program any more.
        if (!exe.isEmpty() && exe == target)
            return true;
    }
    return false;
}

bool previousInstanceRunning()
{
    const QString exe = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                     : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return otherProcessRuns(exe);
}

} // namespace instance
