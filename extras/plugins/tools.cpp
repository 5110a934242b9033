#include "tools.h"

#include "components/database.h"
#include "components/sysservices.h"
#include "core/logger.h"
#include "core/session.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <sqlite3.h>

namespace zenlotools {

namespace {

bool failWith(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

QString stamp(const QDateTime &at) { return at.toString(QStringLiteral("yyyyMMdd-HHmmss")); }

bool prepareFolder(const QString &folder, QString *error)
{
    if (folder.isEmpty())
        return failWith(error, QStringLiteral("尚未选择文件夹，请先点击“配置”选择文件夹"));
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return failWith(error, QStringLiteral("无法创建文件夹 ") + QDir::toNativeSeparators(folder));
    return true;
}

} // namespace

bool backupSqlite(const QString &source, const QString &folder, const QDateTime &at, QString *file, QString *error)
{
    if (!prepareFolder(folder, error))
        return false;
    if (!QFileInfo(source).isFile())
        return failWith(error, QStringLiteral("数据库文件不存在: ") + QDir::toNativeSeparators(source));
    const QString target = QDir(folder).filePath(QFileInfo(source).completeBaseName() + QLatin1Char('-') + stamp(at) + QStringLiteral(".db"));
    if (QFileInfo::exists(target))
        return failWith(error, QStringLiteral("备份文件已存在: ") + QDir::toNativeSeparators(target));
    const QString partial = target + QStringLiteral(".part");
    QFile::remove(partial);

    sqlite3 *from = nullptr, *to = nullptr;
    QString why;
    if (sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        why = QString::fromUtf8(sqlite3_errmsg(from));
    } else if (sqlite3_open_v2(QFile::encodeName(partial).constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
               != SQLITE_OK) {
        why = QString::fromUtf8(sqlite3_errmsg(to));
    } else {
        sqlite3_busy_timeout(from, 5000);
        sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
        if (!backup) {
            why = QString::fromUtf8(sqlite3_errmsg(to));
        } else {
            int rc;
            // Pages in steps, so a writer of the shell is never held up for long; a change meanwhile restarts the copy.
            do {
                rc = sqlite3_backup_step(backup, 256);
                if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                    sqlite3_sleep(20);
            } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
            sqlite3_backup_finish(backup);
            if (rc != SQLITE_DONE)
                why = QString::fromUtf8(sqlite3_errstr(rc));
        }
    }
    sqlite3_close(from);
    if (to && sqlite3_close(to) != SQLITE_OK && why.isEmpty())
        why = QStringLiteral("备份文件无法关闭");
    if (!why.isEmpty()) {
        QFile::remove(partial);
        return failWith(error, QStringLiteral("数据库备份失败: ") + why);
    }
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        return failWith(error, QStringLiteral("备份文件无法写入: ") + QDir::toNativeSeparators(target));
    }
    if (file)
        *file = target;
    return true;
}

bool backupPostgres(const ConnectionSettings &settings, const QString &folder, const QDateTime &at, QString *file,
                    QString *error)
{
    const QString pgDump = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
    if (pgDump.isEmpty())
        return failWith(error, QStringLiteral("找不到 pg_dump 程序，无法备份 PostgreSQL 数据库。请安装 PostgreSQL 客户端工具并把它加入 PATH。"));
    if (!prepareFolder(folder, error))
        return false;
    const QString target = QDir(folder).filePath(settings.database + QLatin1Char('-') + stamp(at) + QStringLiteral(".dump"));
    const QString partial = target + QStringLiteral(".part");
    QStringList args{QStringLiteral("--format=custom"), QStringLiteral("--file=") + partial};
    if (!settings.server.isEmpty())
        args << QStringLiteral("--host=") + settings.server;
    if (settings.port > 0)
        args << QStringLiteral("--port=") + QString::number(settings.port);
    if (!settings.user.isEmpty())
        args << QStringLiteral("--username=") + settings.user;
    args << QStringLiteral("--no-password") << QStringLiteral("--dbname=") + settings.database;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!settings.password.isEmpty())
        env.insert(QStringLiteral("PGPASSWORD"), settings.password); // never on the command line
    p.setProcessEnvironment(env);
    p.start(pgDump, args);
    const bool finished = p.waitForStarted(10000) && p.waitForFinished(30 * 60 * 1000);
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QFile::remove(partial);
        const QString why = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return failWith(error, QStringLiteral("pg_dump 备份失败: ") + (why.isEmpty() ? p.errorString() : why));
    }
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        return failWith(error, QStringLiteral("备份文件无法写入: ") + QDir::toNativeSeparators(target));
    }
    if (file)
        *file = target;
    return true;
}

QString csvField(const QString &text)
{
    QString t = text;
    if (!t.isEmpty() && QStringLiteral("=+-@").contains(t.at(0)))
        t.prepend(QLatin1Char('\''));
    if (t.contains(QLatin1Char(',')) || t.contains(QLatin1Char('"')) || t.contains(QLatin1Char('\n'))
        || t.contains(QLatin1Char('\r')) || t != text) {
        t.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return QLatin1Char('"') + t + QLatin1Char('"');
    }
    return t;
}

bool exportOpLog(Database &db, const QString &folder, const QDateTime &at, QString *file, int *rows, QString *error)
{
    if (!prepareFolder(folder, error))
        return false;
    RecordSetPtr rs = db.query(QStringLiteral("select logtime, opname, progid, message from sys_oplog order by logtime, id"), {});
    if (!rs || !db.LastError().isEmpty())
        return failWith(error, QStringLiteral("无法读取操作日志: ") + db.LastError().description);
    const QString target = QDir(folder).filePath(QStringLiteral("oplog-") + stamp(at) + QStringLiteral(".csv"));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return failWith(error, QStringLiteral("文件无法写入: ") + QDir::toNativeSeparators(target));
    QString text = QStringLiteral("\xFEFF时间,操作员,功能号,内容\r\n");
    int n = 0;
    for (; !rs->isEOF(); rs->moveNext(), ++n)
        text += csvField(rs->text(QStringLiteral("logtime"))) + QLatin1Char(',') + csvField(rs->text(QStringLiteral("opname")))
            + QLatin1Char(',') + csvField(rs->text(QStringLiteral("progid"))) + QLatin1Char(',')
            + csvField(rs->text(QStringLiteral("message"))) + QStringLiteral("\r\n");
    const QByteArray bytes = text.toUtf8();
    if (out.write(bytes) != bytes.size() || !out.commit())
        return failWith(error, QStringLiteral("文件无法写入: ") + QDir::toNativeSeparators(target));
    if (file)
        *file = target;
    if (rows)
        *rows = n;
    return true;
}

bool ToolPlugin::Init(SystemServices *&sys)
{
    m_sys = sys;
    m_error.clear();
    return true;
}

QVariant ToolPlugin::Terminate()
{
    m_sys = nullptr;
    return QVariant();
}

QString ToolPlugin::folder() const
{
    const Session *s = Session::current();
    return s ? s->getSetting(QStringLiteral("plugins"), settingKey()) : QString();
}

QVariant ToolPlugin::Configure()
{
    m_error.clear();
    Session *s = Session::current();
    if (!s) {
        m_error = {1, QStringLiteral("程序尚未启动完毕，无法保存设置")};
        return false;
    }
    const QString start = folder().isEmpty() ? QDir::homePath() : folder();
    const QString chosen = QFileDialog::getExistingDirectory(nullptr, dialogTitle(), start);
    if (chosen.isEmpty())
        return false; // the operator cancelled: the setting stays
    if (!s->saveSetting(QStringLiteral("plugins"), settingKey(), chosen)) {
        m_error = {1, QStringLiteral("设置无法保存")};
        return false;
    }
    return true;
}

void ToolPlugin::fail(const QString &text)
{
    m_error = {1, text};
    Logger::WriteMessage(Caption() + QStringLiteral("：") + text, 4);
}

void ToolPlugin::done(const QString &text)
{
    Logger::WriteMessage(text, 2);
}

QString DbBackup::Description() const
{
    return QStringLiteral("把账套数据库完整地备份到“配置”中选定的文件夹。SQLite 账套使用在线备份，"
                          "备份时可以继续工作；PostgreSQL 账套使用 pg_dump。");
}

QVariant DbBackup::Run(QString &)
{
    m_error.clear();
    const Session *s = Session::current();
    ConnectionSettings settings;
    QString why;
    if (!s || !Database::readSettings(s->configPath, &settings, &why)) {
        fail(why.isEmpty() ? QStringLiteral("找不到配置文件") : why);
        return false;
    }
    const QDateTime now = QDateTime::currentDateTime();
    QString file;
    bool ok = false;
    if (settings.driver == QLatin1String("sqlite"))
        ok = backupSqlite(Database::programPath(settings.database), folder(), now, &file, &why);
    else if (settings.driver == QLatin1String("postgres"))
        ok = backupPostgres(settings, folder(), now, &file, &why);
    else
        why = QStringLiteral("此数据库类型不能由本插件备份: ") + settings.driver + QStringLiteral("，请使用数据库服务器自己的备份");
    if (!ok) {
        fail(why);
        return false;
    }
    done(QStringLiteral("数据库已备份到 ") + QDir::toNativeSeparators(file));
    return true;
}

QString OpLogExport::Description() const
{
    return QStringLiteral("把操作日志（谁在什么时间做了什么）导出为 CSV 文件，保存到“配置”中选定的文件夹，可以用电子表格打开。");
}

QVariant OpLogExport::Run(QString &)
{
    m_error.clear();
    Database *db = m_sys ? m_sys->database() : nullptr;
    if (!db) {
        fail(QStringLiteral("数据库未连接"));
        return false;
    }
    QString file, why;
    int rows = 0;
    if (!exportOpLog(*db, folder(), QDateTime::currentDateTime(), &file, &rows, &why)) {
        fail(why);
        return false;
    }
    done(QStringLiteral("已导出 %1 条操作日志到 ").arg(rows) + QDir::toNativeSeparators(file));
    return true;
}

} // namespace zenlotools
