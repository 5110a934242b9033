// Start-up checks of the demo installation.
//  FolderCheck (stage 100): the log folder in use (the configuration's, or the
//    user's own when the log had to move there) and the temporary folder can
//    take a new file; the same problem is reported to a user once.
//  VersionCheck (stage 101): this program is not older than the minimum client
//    version kept in the parameters of the account set ("minclientversion" of
//    system 12).
// Both report through their last error, which the shell shows to the operator.
#include "startcheck.h"

#include "components/logservice.h"
#include "components/sysservices.h"
#include "core/session.h"
#include "platform/appinfo.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QVersionNumber>

namespace startcheck {

QString folderProblem(const QString &folder)
{
    if (folder.isEmpty())
        return QStringLiteral("未设置");
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("同名的文件已存在");
    if (!info.exists() && !QDir().mkpath(folder))
        return QStringLiteral("无法创建");
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("zenlo-check-XXXXXX")));
    if (!probe.open() || probe.write("ok") != 2 || !probe.flush())
        return QStringLiteral("不可写入");
    return QString();
}

QString versionProblem(const QString &minimum, const QVersionNumber &current)
{
    const QString text = minimum.trimmed();
    if (text.isEmpty())
        return QString();
    qsizetype end = 0;
    const QVersionNumber required = QVersionNumber::fromString(text, &end);
    if (required.isNull() || end != text.size())
        return QStringLiteral("账套参数中的最低客户端版本“") + text + QStringLiteral("”无效，无法检查客户端版本");
    if (QVersionNumber::compare(current, required) < 0)
        return QStringLiteral("客户端版本 ") + current.toString() + QStringLiteral(" 低于账套要求的最低版本 ") + required.toString()
            + QStringLiteral("，请升级客户端");
    return QString();
}

QString FolderCheck::Name() const { return QStringLiteral("文件夹检查"); }

void FolderCheck::Run(const QString &, QString &output)
{
    m_error.clear();
    LogConfig log;
    QString logFolder;
    if (log.load(m_env.configFile))
        logFolder = log.folder();
    else
        logFolder = m_env.appFolder + QStringLiteral("/log");
    // When the configured folder could not take the log, the log writes to the user's own
    // folder and its first line says why: that folder is the one that has to work now.
    const LogService &service = LogService::instance();
    if (service.isInitialised()) {
        const QString used = QFileInfo(service.logFile()).absolutePath();
        if (QDir::cleanPath(used) != QDir::cleanPath(QFileInfo(logFolder).absoluteFilePath()))
            logFolder = used;
    }
    QStringList problems;
    if (const QString why = folderProblem(logFolder); !why.isEmpty())
        problems << QStringLiteral("日志文件夹 ") + QDir::toNativeSeparators(logFolder) + QStringLiteral(" ") + why;
    const QString temp = QDir::tempPath();
    if (const QString why = folderProblem(temp); !why.isEmpty())
        problems << QStringLiteral("临时文件夹 ") + QDir::toNativeSeparators(temp) + QStringLiteral(" ") + why;
    const QString text = problems.isEmpty() ? QString() : problems.join(QStringLiteral("；")) + QStringLiteral("。请检查文件夹的权限。");
    // Shown once per user: the same folders failing again at the next start ask nothing more.
    const Session *s = Session::current();
    const QString shown = s ? s->getSetting(QStringLiteral("main"), QStringLiteral("foldercheck")) : QString();
    if (!text.isEmpty() && text != shown)
        m_error = {1, text};
    if (s && text != shown)
        s->saveSetting(QStringLiteral("main"), QStringLiteral("foldercheck"), text);
    output = text.isEmpty() ? QStringLiteral("ok") : text;
}

QString VersionCheck::Name() const { return QStringLiteral("客户端版本检查"); }

void VersionCheck::Run(const QString &, QString &output)
{
    m_error.clear();
    const Session *s = Session::current();
    if (!s || !s->sys) {
        output = QStringLiteral("no system services");
        return;
    }
    const Parameter minimum = s->sys->parameter(12, QStringLiteral("minclientversion"));
    const QVersionNumber current(appinfo::versionMajor(), appinfo::versionMinor(), appinfo::versionRevision());
    if (const QString why = versionProblem(minimum.exists ? minimum.value : QString(), current); !why.isEmpty())
        m_error = {1, why};
    output = m_error.description;
}

} // namespace startcheck
