#include "core/diagnostics.h"

#include "components/database.h"
#include "platform/appinfo.h"
#include "platform/modcreateobj.h"
#include "platform/registrystore.h"
#include "platform/settings.h"
#include "platform/timing.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSysInfo>

namespace diagnostics {

namespace {

QString driverName(const QString &driver)
{
    if (driver == QLatin1String("sqlite"))
        return QStringLiteral("SQLite");
    if (driver == QLatin1String("postgres"))
        return QStringLiteral("PostgreSQL");
    if (driver == QLatin1String("mssql"))
        return QStringLiteral("SQL Server (ODBC)");
    return driver.isEmpty() ? QStringLiteral("（未配置）") : driver.toUpper();
}

void database(QStringList &out, Database *db)
{
    out << QStringLiteral("[数据库]");
    if (!db || !db->isConnected()) {
        out << QStringLiteral("连接: 未连接") + (db && !db->LastError().isEmpty() ? QStringLiteral("（") + db->LastError().description + u'）' : QString());
        return;
    }
    const ConnectionSettings &s = db->settings();
    out << QStringLiteral("驱动: ") + driverName(s.driver);
    if (s.driver == QLatin1String("sqlite"))
        out << QStringLiteral("文件: ") + Database::programPath(s.database);
    else
        out << QStringLiteral("服务器: ") + (s.server.isEmpty() ? QStringLiteral("localhost") : s.server)
                   + (s.port ? QStringLiteral(":%1").arg(s.port) : QString())
            << QStringLiteral("数据库: ") + (s.driver == QLatin1String("odbc") ? s.dsn : s.database);
    if (!s.copyKind.isEmpty())
        out << QStringLiteral("副本: ") + s.copyKind;
    const QString versionSql = db->dialect() == SqlDialect::SQLite       ? QStringLiteral("select sqlite_version()")
                               : db->dialect() == SqlDialect::PostgreSQL ? QStringLiteral("select version()")
                                                                         : QStringLiteral("select @@version");
    RecordSetPtr v = db->query(versionSql, {});
    out << QStringLiteral("版本: ") + (v ? v->firstValue().toString().section(u'\n', 0, 0) : QStringLiteral("（无法读取）"));
    // The best of five: one slow answer is no property of the connection.
    double best = -1;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        RecordSetPtr r = db->query(QStringLiteral("select 1"), {});
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (r && (best < 0 || ms < best))
            best = ms;
    }
    out << QStringLiteral("往返时间: ") + (best < 0 ? QStringLiteral("（无法测量）") : QString::number(best, 'f', 3) + QStringLiteral(" ms"));
    db->ClearError();
}

void libraries(QStringList &out, const QStringList &folders)
{
    out << QStringLiteral("[已加载的库]");
    const QStringList loaded = modCreateObj::loadedLibraries();
    if (loaded.isEmpty())
        out << QStringLiteral("（无）");
    for (const QString &path : loaded) {
        QList<modCreateObj::ClassEntry> classes;
        modCreateObj::ListTypeLibClasses(path, &classes);
        QStringList names;
        for (const modCreateObj::ClassEntry &c : std::as_const(classes))
            names << c.name;
        out << path + QStringLiteral(": ") + names.join(QStringLiteral(", "));
    }
    out << QStringLiteral("[未能加载的库]");
    const auto refused = modCreateObj::refusedLibraries();
    if (refused.isEmpty())
        out << QStringLiteral("（无）");
    for (const auto &[path, why] : refused)
        out << path + QStringLiteral(": ") + why;
    for (const QString &folder : folders) {
        out << QStringLiteral("[库文件夹 %1]").arg(QDir::toNativeSeparators(folder));
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
        if (files.isEmpty())
            out << QStringLiteral("（空，或不存在）");
        for (const QFileInfo &f : files) {
            objects::LibraryMeta meta;
            if (!modCreateObj::readLibraryMetadata(f.absoluteFilePath(), &meta)) {
                out << f.fileName() + QStringLiteral(": 没有类的说明（不是组件或插件库）");
                continue;
            }
            QStringList names;
            for (const objects::ClassInfo &c : std::as_const(meta.classes))
                names << meta.progId(c);
            out << f.fileName() + QStringLiteral(": ") + names.join(QStringLiteral(", "));
        }
    }
}

// What the caller may do with a hive file: the file system's answer, not how
// this process happened to open it (a tool that only reads opens every hive read-only).
QString hiveState(registry::HKEY root)
{
    const QFileInfo file(registry::hiveFilePath(root));
    if (!file.exists())
        return QStringLiteral("（不存在）");
    if (!file.isWritable() || !QFileInfo(file.absolutePath()).isWritable())
        return QStringLiteral("（只读）");
    return QString();
}

// A start-up milestone in the operator's words, its name (as ZENLO_TIMINGS prints it) in brackets.
QString milestoneLabel(const char *name)
{
    static const struct {
        const char *name, *label;
    } kLabels[] = {{"qapp_ready", "程序界面就绪"},        {"config_loaded", "参数文件已读取"}, {"plugins_100_done", "初始化插件已运行"},
                   {"db_connected", "数据库已连接"},       {"login_shown", "登录窗口已显示"},  {"login_done", "登录完成"},
                   {"main_shown", "主窗口已显示"}};
    const QString id = QString::fromLatin1(name);
    for (const auto &l : kLabels)
        if (qstrcmp(l.name, name) == 0)
            return QString::fromUtf8(l.label) + QStringLiteral(" (") + id + u')';
    return id;
}

} // namespace

QString report(const Inputs &in)
{
    QStringList out;
    out << QStringLiteral("[程序]")
        << QStringLiteral("版本: %1.%2.%3").arg(appinfo::versionMajor()).arg(appinfo::versionMinor()).arg(appinfo::versionRevision())
        << QStringLiteral("文件夹: ") + appinfo::programFolder()
        << QStringLiteral("系统: ") + QSysInfo::prettyProductName() + QStringLiteral(" ") + QSysInfo::currentCpuArchitecture()
        << QStringLiteral("配置文件: ") + (in.configFile.isEmpty() ? QStringLiteral("（未知）") : in.configFile);
    out << QStringLiteral("[本次启动]");
    const std::vector<timing::Milestone> marks = timing::milestones();
    if (marks.empty())
        out << QStringLiteral("（没有记录）");
    for (const timing::Milestone &m : marks)
        out << milestoneLabel(m.name) + QStringLiteral(": ") + QString::number(m.ms, 'f', 0) + QStringLiteral(" ms");
    database(out, in.db);
    out << QStringLiteral("[注册表]");
    for (registry::HKEY root : {registry::HKEY_CURRENT_USER, registry::HKEY_LOCAL_MACHINE, registry::HKEY_CLASSES_ROOT})
        out << registry::rootName(root) + QStringLiteral(": ") + registry::hiveFilePath(root) + hiveState(root);
    QString userKey = settings::sectionPath(in.appName.isEmpty() ? QStringLiteral("zenlo") : in.appName, QString());
    while (userKey.endsWith(u'\\'))
        userKey.chop(1);
    out << QStringLiteral("个人设置: HKEY_CURRENT_USER\\") + userKey;
    libraries(out, in.libraryFolders);
    return out.join(u'\n') + u'\n';
}

} // namespace diagnostics
