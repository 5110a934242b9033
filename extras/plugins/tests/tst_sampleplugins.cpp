// The demo's plug-ins: their checks and file work on real folders and a real
// demo database, and the built libraries loaded as the shell loads them.
#include "addins.h"
#include "startcheck.h"
#include "tools.h"

#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "platform/modcreateobj.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "testsite.h"
#include "modal.h"
#include "testsupport.h"

namespace {

const QDateTime kAt(QDate(2026, 12, 8), QTime(9, 30, 5));

int countRows(const QString &file, const char *table)
{
    sqlite3 *db = nullptr;
    int n = -1;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        const QByteArray sql = QByteArray("select count(*) from ") + table;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}

// The session of a logged-in admin over the site.
bool openSession(testsupport::TestSite &site, QString *why)
{
    Session &s = Session::open();
    s.configPath = site.configPath();
    s.config = std::make_unique<clsConfig>();
    s.db = std::make_unique<Database>();
    s.op = std::make_unique<Operator>();
    s.sys = std::make_unique<SystemServices>();
    if (!s.config->Init(site.configPath()) || !s.db->Init(site.configPath(), true) || !s.db->Connect()
        || !s.sys->Init(s.db.get(), s.op.get(), 0)) {
        *why = s.db->LastError().description;
        return false;
    }
    s.op->setName(QStringLiteral("admin"));
    return s.op->VerifyPassword(QString());
}

template <class T>
std::unique_ptr<QObject> load(const char *library, const char *className, T **plugin)
{
    std::unique_ptr<QObject> o(modCreateObj::CreateFromDll(QStringLiteral(ZENLO_PLUGIN_DIR "/") + QLatin1String(library),
                                                           QLatin1String(className)));
    *plugin = qobject_cast<T *>(o.get());
    return o;
}

} // namespace

class tst_SamplePlugins : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { bMain::LogOut(); }
    void versionProblem_data();
    void versionProblem();
    void folderProblem();
    void startupLibraryReportsAnOlderClient();
    void csvField_data();
    void csvField();
    void backupIsARestorableCopy();
    void backupPluginUsesTheChosenFolder();
    void postgresWithoutPgDump();
    void postgresBackupWithPgDump();
    void configureKeepsTheChosenFolder();
    void opLogExport();
    void closePeriod();
    void closePeriodRefused_data();
    void closePeriodRefused();
    void periodCloseAddInAsksFirst();
};

void tst_SamplePlugins::versionProblem_data()
{
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no minimum") << "" << "";
    QTest::newRow("the same version") << "1.0.0" << "";
    QTest::newRow("an older minimum") << "0.9" << "";
    QTest::newRow("blanks around it") << " 1.0 " << "";
    QTest::newRow("a newer minimum") << "1.2" << "客户端版本 1.0.0 低于账套要求的最低版本 1.2，请升级客户端";
    QTest::newRow("not a version") << "abc" << "账套参数中的最低客户端版本“abc”无效，无法检查客户端版本";
    QTest::newRow("text after the version") << "1.0 beta" << "账套参数中的最低客户端版本“1.0 beta”无效，无法检查客户端版本";
}

void tst_SamplePlugins::versionProblem()
{
    QFETCH(QString, minimum);
    QTEST(startcheck::versionProblem(minimum, QVersionNumber(1, 0, 0)), "expected");
}

void tst_SamplePlugins::folderProblem()
{
    QTemporaryDir dir;
    QCOMPARE(startcheck::folderProblem(dir.path()), QString());
    QCOMPARE(startcheck::folderProblem(dir.filePath("new/log")), QString());
    QVERIFY(QDir(dir.filePath("new/log")).exists());
    QVERIFY(testsupport::writeFile(dir.filePath("file"), "x"));
    QCOMPARE(startcheck::folderProblem(dir.filePath("file")), QStringLiteral("同名的文件已存在"));
    QCOMPARE(startcheck::folderProblem(QString()), QStringLiteral("未设置"));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).contains("file"));
    QCOMPARE(QDir(dir.path()).entryList({"zenlo-check-*"}, QDir::Files), QStringList()); // the probe goes
    // A folder the program may not write to. Root writes through permissions, so
    // there the folder becomes a read-only bind mount in a mount namespace of this
    // process's own (the rest of the machine never sees it).
    const QString ro = dir.filePath("ro");
    QVERIFY(QDir().mkpath(ro));
    if (geteuid() != 0) {
        QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(startcheck::folderProblem(ro), QStringLiteral("不可写入"));
        QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return;
    }
    const QByteArray path = QFile::encodeName(ro);
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        QFAIL(qPrintable(QStringLiteral("no mount namespace of its own for the read-only folder: %1")
                             .arg(QString::fromLocal8Bit(std::strerror(errno)))));
    QVERIFY2(mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0, std::strerror(errno));
    QVERIFY2(mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0, std::strerror(errno));
    const QString problem = startcheck::folderProblem(ro);
    umount(path.constData());
    QCOMPARE(problem, QStringLiteral("不可写入"));
}

void tst_SamplePlugins::startupLibraryReportsAnOlderClient()
{
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    {
        auto db = site.connect();
        QVERIFY(db->exec(QStringLiteral("update sys_param set value='99.1' where sysno=12 and name='minclientversion'")));
    }
    QString why;
    QVERIFY2(openSession(site, &why), qPrintable(why));
    IStartupPlugin *check = nullptr;
    auto object = load("zenlo_startcheck.so", "VersionCheck", &check);
    QVERIFY(check);
    check->Initialise();
    QString out;
    check->Run(QString(), out);
    QCOMPARE(check->LastError().description, QStringLiteral("客户端版本 1.0.0 低于账套要求的最低版本 99.1，请升级客户端"));

    IStartupPlugin *folders = nullptr;
    auto folderObject = load("zenlo_startcheck.so", "FolderCheck", &folders);
    QVERIFY(folders);
    folders->Environment()->setConfigFile(site.configPath());
    QVERIFY(testsupport::writeFile(site.programFolder() + "/log", "a file where the log folder should be"));
    folders->Initialise();
    folders->Run(QString(), out);
    QVERIFY2(folders->LastError().description.startsWith(QStringLiteral("日志文件夹 ") + site.programFolder() + "/log 同名的文件已存在"),
             qPrintable(folders->LastError().description));
    // Told once: the same problem at the next start asks nothing.
    folders->Run(QString(), out);
    QCOMPARE(folders->LastError().description, QString());
    QVERIFY(out.startsWith(QStringLiteral("日志文件夹 ")));
    // An ordinary user of an all-users install: the log moved to the user's own folder, whose
    // first line names the reason; the check has nothing to stop the start for.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    LogConfig moved;
    moved.setFolder(site.programFolder() + "/log");
    QVERIFY(LogService::instance().Init(nullptr, &moved));
    QCOMPARE(LogService::instance().logFile(), state.filePath("zenlo/log/zenlo.log"));
    folders->Run(QString(), out);
    QCOMPARE(folders->LastError().description, QString());
    QCOMPARE(out, QStringLiteral("ok"));
    // The user's folder failing too is reported with that folder.
    QFile::remove(state.filePath("zenlo/log/zenlo.log"));
    QVERIFY(QDir(state.filePath("zenlo/log")).removeRecursively());
    QVERIFY(testsupport::writeFile(state.filePath("zenlo/log"), "a file"));
    folders->Run(QString(), out);
    QVERIFY2(folders->LastError().description.startsWith(QStringLiteral("日志文件夹 ") + state.filePath("zenlo/log") + " 同名的文件已存在"),
             qPrintable(folders->LastError().description));
    qunsetenv("XDG_STATE_HOME");
}

void tst_SamplePlugins::csvField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "登录" << "登录";
    QTest::newRow("comma") << "a,b" << "\"a,b\"";
    QTest::newRow("quote") << "说\"好\"" << "\"说\"\"好\"\"\"";
    QTest::newRow("line break") << "a\nb" << "\"a\nb\"";
    QTest::newRow("formula") << "=1+2" << "\"'=1+2\"";
    QTest::newRow("minus") << "-5" << "\"'-5\"";
    QTest::newRow("empty") << "" << "";
}

void tst_SamplePlugins::csvField()
{
    QFETCH(QString, text);
    QTEST(zenlotools::csvField(text), "expected");
}

void tst_SamplePlugins::backupIsARestorableCopy()
{
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    QTemporaryDir out;
    const QString folder = out.filePath("备份");
    QString file, error;
    // A reader holding the database open does not stop the copy.
    auto reader = site.connect();
    QVERIFY(reader->transaction());
    QVERIFY(zenlotools::backupSqlite(site.databaseFile(), folder, kAt, &file, &error));
    reader->rollback();
    QCOMPARE(file, folder + "/site-20261208-093005.db");
    QCOMPARE(countRows(file, "xt_menu"), countRows(site.databaseFile(), "xt_menu"));
    QVERIFY(countRows(file, "xt_menu") > 10);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"site-20261208-093005.db"});

    // A second copy of the same second would overwrite the first: refused.
    QVERIFY(!zenlotools::backupSqlite(site.databaseFile(), folder, kAt, &file, &error));
    QVERIFY(error.startsWith(QStringLiteral("备份文件已存在")));
    QVERIFY(!zenlotools::backupSqlite(site.programFolder() + "/none.db", folder, kAt.addSecs(1), &file, &error));
    QVERIFY(error.startsWith(QStringLiteral("数据库文件不存在")));
    QVERIFY(!zenlotools::backupSqlite(site.databaseFile(), QString(), kAt, &file, &error));
    QCOMPARE(error, QStringLiteral("尚未选择文件夹，请先点击“配置”选择文件夹"));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);
}

void tst_SamplePlugins::backupPluginUsesTheChosenFolder()
{
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    testsupport::RecordingUi ui;
    QString why;
    QVERIFY2(openSession(site, &why), qPrintable(why));
    _IExtPluginUI *backup = nullptr;
    QVERIFY(Session::current()->saveSetting("plugins", "backupfolder", QString())); // an earlier run's choice
    auto object = load("zenlo_tools.so", "dbbackup", &backup);
    QVERIFY(backup);
    SystemServices *sys = Session::current()->sys.get();
    QVERIFY(backup->Init(sys));
    QString text;
    backup->Run(text);
    QCOMPARE(backup->LastError().description, QStringLiteral("尚未选择文件夹，请先点击“配置”选择文件夹"));
    QCOMPARE(ui.messageTexts(4), QStringList{QStringLiteral("数据库备份：尚未选择文件夹，请先点击“配置”选择文件夹")});

    QTemporaryDir out;
    QVERIFY(Session::current()->saveSetting("plugins", "backupfolder", out.path()));
    ui.clear();
    backup->Run(text);
    QCOMPARE(backup->LastError().description, QString());
    const QStringList files = QDir(out.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QCOMPARE(ui.messageTexts(2), QStringList{QStringLiteral("数据库已备份到 ") + out.filePath(files.at(0))});
    QCOMPARE(countRows(out.filePath(files.at(0)), "sys_operator"), 3);
    backup->Terminate();
}

void tst_SamplePlugins::postgresWithoutPgDump()
{
    QTemporaryDir empty, out;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(empty.path()));
    ConnectionSettings settings;
    settings.driver = QStringLiteral("postgres");
    settings.database = QStringLiteral("zenlo");
    QString file, error;
    const bool ok = zenlotools::backupPostgres(settings, out.path(), kAt, &file, &error);
    qputenv("PATH", path);
    QVERIFY(!ok);
    QCOMPARE(error, QStringLiteral("找不到 pg_dump 程序，无法备份 PostgreSQL 数据库。请安装 PostgreSQL 客户端工具并把它加入 PATH。"));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList());
}

// The test server of the server suite; skipped, with the reason, when none is configured.
void tst_SamplePlugins::postgresBackupWithPgDump()
{
    QString why;
    if (!testsupport::TestSite::postgresAvailable(&why)) {
        if (testsupport::TestSite::postgresRequired())
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }
    if (QStandardPaths::findExecutable(QStringLiteral("pg_dump")).isEmpty()) {
        if (testsupport::TestSite::postgresRequired())
            QFAIL("pg_dump is not on the path, and the server suite is required");
        QSKIP("pg_dump is not on the path");
    }
    testsupport::TestSite site(testsupport::TestSite::PostgreSQL);
    QVERIFY2(site.ok(), qPrintable(site.error()));
    ConnectionSettings settings;
    QVERIFY2(Database::readSettings(site.configPath(), &settings, &why), qPrintable(why));
    QTemporaryDir out;
    QString file, error;
    QVERIFY2(zenlotools::backupPostgres(settings, out.path(), kAt, &file, &error), qPrintable(error));
    QCOMPARE(file, out.filePath(settings.database + "-20261208-093005.dump"));
    QProcess list;
    list.start(QStandardPaths::findExecutable(QStringLiteral("pg_restore")), {QStringLiteral("--list"), file});
    QVERIFY(list.waitForFinished(60000));
    QCOMPARE(list.exitCode(), 0);
    QVERIFY(QString::fromUtf8(list.readAllStandardOutput()).contains(QStringLiteral("TABLE public xt_menu")));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 1); // no partial file left beside it
}

// Configure asks for the folder; the operator's choice is kept per user, a cancel keeps the earlier one.
void tst_SamplePlugins::configureKeepsTheChosenFolder()
{
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    QString why;
    QVERIFY2(openSession(site, &why), qPrintable(why));
    QTemporaryDir chosen;
    _IExtPluginUI *exporter = nullptr;
    auto object = load("zenlo_tools.so", "OpLogExport", &exporter);
    QVERIFY(exporter);
    SystemServices *sys = Session::current()->sys.get();
    QVERIFY(exporter->Init(sys));
    auto answered = testsupport::whenModal<QFileDialog>([&](QFileDialog *d) {
        d->setDirectory(chosen.path());
        d->selectFile(chosen.path());
        static_cast<QDialog *>(d)->accept(); // as the operator presses 选择
    });
    QVERIFY(exporter->Configure().toBool());
    QVERIFY(*answered);
    QCOMPARE(QDir(Session::current()->getSetting("plugins", "oplogfolder")).canonicalPath(), QDir(chosen.path()).canonicalPath());

    answered = testsupport::whenModal<QFileDialog>([](QFileDialog *d) { d->reject(); });
    QVERIFY(!exporter->Configure().toBool());
    QVERIFY(*answered);
    QCOMPARE(exporter->LastError().description, QString());
    QCOMPARE(QDir(Session::current()->getSetting("plugins", "oplogfolder")).canonicalPath(), QDir(chosen.path()).canonicalPath());

    QString text;
    exporter->Run(text);
    QCOMPARE(QDir(chosen.path()).entryList({"oplog-*.csv"}, QDir::Files).size(), 1);
    exporter->Terminate();
}

void tst_SamplePlugins::opLogExport()
{
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    auto db = site.connect();
    QVERIFY(db->exec(QStringLiteral("insert into sys_oplog(logtime, opname, progid, message) values (?, ?, ?, ?)"),
                     {"2026-12-08 09:00:00", "admin", 0, "成功登录[示范,账套]"}));
    QVERIFY(db->exec(QStringLiteral("insert into sys_oplog(logtime, opname, progid, message) values (?, ?, ?, ?)"),
                     {"2026-12-08 09:01:00", "=cmd", 100027, "退出[插件管理]"}));
    QTemporaryDir out;
    QString file, error;
    int rows = 0;
    QVERIFY2(zenlotools::exportOpLog(*db, out.path(), kAt, &file, &rows, &error), qPrintable(error));
    QCOMPARE(rows, 2);
    QCOMPARE(file, out.filePath("oplog-20261208-093005.csv"));
    const QByteArray bytes = testsupport::readFile(file);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF")); // spreadsheets read it as UTF-8 then
    QCOMPARE(QString::fromUtf8(bytes.mid(3)),
             QStringLiteral("时间,操作员,功能号,内容\r\n2026-12-08 09:00:00,admin,0,\"成功登录[示范,账套]\"\r\n"
                            "2026-12-08 09:01:00,\"'=cmd\",100027,退出[插件管理]\r\n"));
}

// Thirteen closes from December 2026: every closed month keeps its row and its dates.
void tst_SamplePlugins::closePeriod()
{
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    auto db = site.connect();
    zenloaddins::PeriodChange change;
    QString error;
    for (int i = 0; i < 13; ++i)
        QVERIFY2(zenloaddins::closePeriod(*db, "GL", &change, &error), qPrintable(error));
    QCOMPARE(change.closedYear, 2027);
    QCOMPARE(change.closed, 12);
    QCOMPARE(change.year, 2028);
    QCOMPARE(change.current, 1);
    QCOMPARE(change.start, QDate(2028, 1, 1));
    QCOMPARE(change.end, QDate(2028, 1, 31));
    RecordSetPtr rs = db->query("select year, period, substr(startdate, 1, 10) as s, substr(enddate, 1, 10) as e, iscurrent, isclosed "
                                "from sys_period where syscode='GL' order by year, period", {});
    QStringList rows;
    for (; rs && !rs->isEOF(); rs->moveNext())
        rows << QStringLiteral("%1-%2 %3..%4 %5%6")
                    .arg(rs->field("year").toInt())
                    .arg(rs->field("period").toInt(), 2, 10, QLatin1Char('0'))
                    .arg(rs->field("s").toString(), rs->field("e").toString())
                    .arg(rs->field("iscurrent").toInt())
                    .arg(rs->field("isclosed").toInt());
    QCOMPARE(rows.size(), 15);
    QCOMPARE(rows.first(), QStringLiteral("2026-11 2026-11-01..2026-11-30 01"));
    QCOMPARE(rows.at(1), QStringLiteral("2026-12 2026-12-01..2026-12-31 01"));
    QCOMPARE(rows.at(3), QStringLiteral("2027-02 2027-02-01..2027-02-28 01"));
    QCOMPARE(rows.at(13), QStringLiteral("2027-12 2027-12-01..2027-12-31 01"));
    QCOMPARE(rows.last(), QStringLiteral("2028-01 2028-01-01..2028-01-31 10"));
}

void tst_SamplePlugins::closePeriodRefused_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("no current period") << "XX" << "" << "系统 XX 没有当前会计期间";
    QTest::newRow("two current periods")
        << "PU" << "insert into sys_period(syscode, year, period, startdate, enddate, iscurrent) values ('PU', 2026, 11, '2026-11-01', '2026-11-30', 1)"
        << "系统 PU 有多个当前会计期间，请先修正期间设置";
    QTest::newRow("current period closed already") << "PU" << "update sys_period set isclosed=1 where syscode='PU'"
                                                   << "系统 PU 2026年第 12 期已结转，不能再次结转";
    QTest::newRow("next period closed already")
        << "PU" << "insert into sys_period(syscode, year, period, startdate, enddate, iscurrent, isclosed) values ('PU', 2027, 1, '2027-01-01', '2027-01-31', 0, 1)"
        << "结转失败，会计期间没有改变: 系统 PU 2027年第 1 期已经结转过，请先修正期间设置";
}

// A refused close changes no row.
void tst_SamplePlugins::closePeriodRefused()
{
    QFETCH(QString, system);
    QFETCH(QString, setup);
    QFETCH(QString, message);
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    auto db = site.connect();
    if (!setup.isEmpty())
        QVERIFY2(db->exec(setup), qPrintable(db->LastError().description));
    const QString snapshot = QStringLiteral("select group_concat(syscode || year || '-' || period || iscurrent || coalesce(isclosed, 'n'), ',') "
                                            "from (select * from sys_period order by syscode, year, period)");
    const QString before = db->query(snapshot, {})->firstValue().toString();
    QString error;
    QVERIFY(!zenloaddins::closePeriod(*db, system, nullptr, &error));
    QCOMPARE(error, message);
    QCOMPARE(db->query(snapshot, {})->firstValue().toString(), before);
}

void tst_SamplePlugins::periodCloseAddInAsksFirst()
{
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    testsupport::RecordingUi ui;
    QString why;
    QVERIFY2(openSession(site, &why), qPrintable(why));
    SystemServices *sys = Session::current()->sys.get();
    for (int answer : {int(ui::No), int(ui::Yes)}) {
        _IExtPluginUI *addIn = nullptr;
        auto object = load("zenlo_addins.so", "PeriodClose", &addIn);
        QVERIFY(addIn);
        addIn->Parameters()->Add("ModeCode", QString(), QStringLiteral("GL"));
        QVERIFY(addIn->Init(sys));
        ui.answers = {answer};
        QString text;
        addIn->Run(text);
        addIn->Terminate();
        QCOMPARE(ui.boxes.last().text, QStringLiteral("确定要结转系统 GL 的第 12 期吗？结转后当前期间将变为第 1 期。"));
    }
    QCOMPARE(ui.messageTexts(2), QStringList{QStringLiteral("系统 GL 第 12 期已结转，当前期间为第 1 期（2027-01-01 至 2027-01-31）")});
    QCOMPARE(sys->accountPeriod("GL", 0).current, 1);
}

QTEST_MAIN(tst_SamplePlugins)
#include "tst_sampleplugins.moc"
