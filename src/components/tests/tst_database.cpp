// The database access component against real SQLite files and, when
// scripts/pg-test-server.sh has started one, a real PostgreSQL server (each
// run works in a database of its own, dropped at the end).
#include "components/database.h"
#include "components/logservice.h"
#include "components/schema.h"
#include "components/xmldocument.h"
#include "platform/appinfo.h"
#include "testsupport.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QStringList kDrivers = {QStringLiteral("sqlite"), QStringLiteral("postgres")};

// A loopback port nothing listens on: bound once by us, then released.
int closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool pgRequired() { return qEnvironmentVariable("ZENLO_TEST_PG_REQUIRED") == QLatin1String("1"); }

ConnectionSettings pgSettings(const QString &database)
{
    ConnectionSettings s;
    s.driver = QStringLiteral("postgres");
    s.server = qEnvironmentVariable("ZENLO_TEST_PG_HOST");
    s.port = qEnvironmentVariableIntValue("ZENLO_TEST_PG_PORT");
    s.user = qEnvironmentVariable("ZENLO_TEST_PG_USER");
    s.database = database;
    return s;
}

ConnectionSettings sqliteSettings(const QString &path, bool create = false)
{
    ConnectionSettings s;
    s.driver = QStringLiteral("sqlite");
    s.database = path;
    s.createIfMissing = create;
    return s;
}

QString firstColumn(const RecordSetPtr &rs)
{
    QStringList out;
    for (rs->moveFirst(); !rs->isEOF(); rs->moveNext())
        out << rs->text(rs->fieldName(0));
    return out.join(u'|');
}

QByteArray sampleBytes(int size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char(i * 7 % 256);
    b[0] = '\0';
    b[size - 1] = '\xff';
    return b;
}

// The rows the queries of the shell are checked against.
bool seed(Database &db, QString *error)
{
    struct Stmt {
        const char *sql;
        QVariantList values;
    };
    const QVariant null;
    const QList<Stmt> stmts = {
        {"insert into xt_mode (systemcode, systemcatalog, systemname) values (?, ?, ?)", {"01", "财务", "总账系统"}},
        {"insert into xt_mode (systemcode, systemcatalog, systemname) values (?, ?, ?)", {"02", "供应链", "采购系统"}},
    };
    const char *menuSql = "insert into xt_menu (menucode, menuname, parent, systemcode, menuorder, menuismx,"
                          " menuIsMajor, menulevel, menucatalog, progID, inActive, MenuType)"
                          " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    const QList<QVariantList> menus = {
        {"01", "总账", "", "01", 1, 0, 1, 1, 0, null, 0, ""},
        {"0101", "凭证", "01", "01", 2, 0, 1, 2, 0, null, 0, ""},
        {"010101", "凭证录入", "0101", "01", 3, 1, 1, 3, 100, 1001, 0, ""},
        {"0102", "总账报表", "01", "01", 4, 1, 1, 2, 101, 1002, 0, "报表"},
        {"0103", "明细账", "01", "01", 5, 1, 1, 2, 101, 1003, 1, "报表"},
        {"02", "采购", "", "02", 6, 0, 1, 1, 0, null, 0, ""},
        {"0201", "采购订单", "02", "02", 7, 1, 1, 2, 100, 2001, 0, ""},
        {"03", "插件", "", "02", 8, 1, 1, 1, 50, 100027, 0, ""},
        {"04", "空目录", "", "02", 9, 0, 0, 2, 0, null, 0, ""},
    };
    QList<Stmt> all = stmts;
    for (const QVariantList &m : menus)
        all.append({menuSql, m});
    all.append({"insert into xt_objects (progID, systemcode, progCommandLine, progName) values (?, ?, ?, ?)",
                {1001, "01", "/s /w=100", "凭证录入"}});
    all.append({"insert into xt_menuPilot (menuCode, type, filename, iscompress, contents, filesize) values (?, ?, ?, ?, ?, ?)",
                {"0101", 1, "icon.ico", 0, sampleBytes(4096), 4096}});
    all.append({"insert into sysdatabase (zt_code, zt_coname, zt_fax, zt_name) values (?, ?, ?, ?)",
                {"B002", "乙公司", "0571-1", "乙"}});
    all.append({"insert into sysdatabase (zt_code, zt_coname, zt_fax, zt_name) values (?, ?, ?, ?)",
                {"A001", "甲公司", QVariant(QMetaType::fromType<QString>()), "甲"}});
    all.append({"insert into sys_operator (opcode, opname, isadmin, disabled) values (?, ?, ?, ?)", {"OP1", "admin", 1, 0}});
    for (const Stmt &s : std::as_const(all)) {
        if (!db.exec(QString::fromUtf8(s.sql), s.values)) {
            *error = QString::fromUtf8(s.sql) + QStringLiteral(": ") + db.LastError().description;
            return false;
        }
    }
    return true;
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_sqlitePath;
    std::unique_ptr<Database> m_sqlite;
    std::unique_ptr<Database> m_pgAdmin;
    std::unique_ptr<Database> m_pg;
    QString m_pgDatabase;
    QString m_pgProblem; // why the PostgreSQL cases cannot run

    Database *db(const QString &driver) { return driver == QLatin1String("sqlite") ? m_sqlite.get() : m_pg.get(); }

#define REQUIRE_DB(driver)                                                                                                \
    Database *db = this->db(driver);                                                                                   \
    if (!db) {                                                                                                         \
        if (pgRequired())                                                                                              \
            QFAIL(qPrintable(m_pgProblem));                                                                            \
        QSKIP(qPrintable(m_pgProblem));                                                                                \
    }

    void addDriverColumn() { QTest::addColumn<QString>("driver"); }

    // A server on a closed loopback port: Connect fails with the driver's words, nothing crashes.
    void checkUnreachable(const QString &driver)
    {
        ConnectionSettings s;
        s.driver = driver;
        s.server = QStringLiteral("127.0.0.1");
        s.port = closedPort();
        s.database = QStringLiteral("erp");
        s.user = QStringLiteral("sa");
        s.password = QStringLiteral("pw");
        s.dsn = QStringLiteral("zenlo_no_such_dsn");
        s.options = driver == QLatin1String("postgres") ? QStringLiteral("connect_timeout=3") : QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=3");
        Database db;
        QVERIFY(db.Init(s));
        QVERIFY(!db.Connect());
        QVERIFY(!db.isConnected());
        const QString error = db.LastError().description;
        QVERIFY(db.LastError().number != 0);
        QVERIFY2(error.size() > 10, qPrintable(error));
        if (driver == QLatin1String("mssql")) {
            // The driver was loaded and tried the server: no "driver not found" from the manager.
            QVERIFY2(error.contains(QStringLiteral("FreeTDS")), qPrintable(error));
            QVERIFY2(!error.contains(QStringLiteral("IM002")) && !error.contains(QStringLiteral("not found")), qPrintable(error));
        } else if (driver == QLatin1String("postgres")) {
            QVERIFY2(error.contains(QString::number(s.port)), qPrintable(error));
        } else {
            QVERIFY2(error.contains(QStringLiteral("Data source name not found")), qPrintable(error));
        }
        db.ClearError();
        QVERIFY(db.OpenRecordset(QStringLiteral("select 1"))->isEOF());
        QVERIFY(!db.LastError().isEmpty());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        appinfo::setProgramFolder(m_dir.path());
        if (qEnvironmentVariableIsSet("ZENLO_TEST_ODBC_CHILD"))
            return; // runs one case that needs no tables
        // A Chinese name with a blank: the file name travels inside an SQLite URI.
        m_sqlitePath = m_dir.filePath(QStringLiteral("账套 数据.db"));
        m_sqlite = std::make_unique<Database>();
        QVERIFY(m_sqlite->Init(sqliteSettings(m_sqlitePath, true)));
        QVERIFY2(m_sqlite->Connect(), qPrintable(m_sqlite->LastError().description));
        QString error;
        QVERIFY2(schema::create(*m_sqlite, &error), qPrintable(error));
        QVERIFY2(schema::create(*m_sqlite, &error), qPrintable(error)); // a second run finds every table
        QVERIFY2(seed(*m_sqlite, &error), qPrintable(error));

        if (qEnvironmentVariable("ZENLO_TEST_PG_HOST").isEmpty()) {
            m_pgProblem = QStringLiteral("ZENLO_TEST_PG_HOST is not set (scripts/pg-test-server.sh start BUILD_DIR)");
            return;
        }
        m_pgAdmin = std::make_unique<Database>();
        m_pgAdmin->Init(pgSettings(qEnvironmentVariable("ZENLO_TEST_PG_DATABASE")));
        if (!m_pgAdmin->Connect()) {
            m_pgProblem = QStringLiteral("cannot reach the test server: ") + m_pgAdmin->LastError().description;
            m_pgAdmin.reset();
            return;
        }
        m_pgDatabase = QStringLiteral("zenlo_tst_%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0'));
        QVERIFY2(m_pgAdmin->exec(QStringLiteral("create database ") + m_pgDatabase),
                 qPrintable(m_pgAdmin->LastError().description));
        auto pg = std::make_unique<Database>();
        QVERIFY(pg->Init(pgSettings(m_pgDatabase)));
        QVERIFY2(pg->Connect(), qPrintable(pg->LastError().description));
        QVERIFY2(schema::create(*pg, &error), qPrintable(error));
        QVERIFY2(schema::create(*pg, &error), qPrintable(error));
        QVERIFY2(seed(*pg, &error), qPrintable(error));
        m_pg = std::move(pg);
    }

    void cleanupTestCase()
    {
        m_pg.reset();
        if (m_pgAdmin && !m_pgDatabase.isEmpty())
            m_pgAdmin->exec(QStringLiteral("drop database if exists ") + m_pgDatabase + QStringLiteral(" with (force)"));
        m_pgAdmin.reset();
        m_sqlite.reset();
    }

    void init()
    {
        if (m_sqlite)
            m_sqlite->ClearError();
        if (m_pg)
            m_pg->ClearError();
    }

    // ------------------------------------------------------------ pure translation

    void translateSql_data()
    {
        QTest::addColumn<int>("dialect");
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QString>("expected");
        const int lite = int(SqlDialect::SQLite), pg = int(SqlDialect::PostgreSQL), ms = int(SqlDialect::SqlServer);
        const QString now = QStringLiteral("datetime('now','localtime')");
        const QString pgNow = QStringLiteral("to_char(localtimestamp,'YYYY-MM-DD HH24:MI:SS')");

        QTest::newRow("top: order by stays before limit") << lite << "select top 1 * from sysdatabase order by zt_code"
                                                          << "select * from sysdatabase order by zt_code limit 1";
        QTest::newRow("top on postgres") << pg << "SELECT TOP 10 a FROM t" << "SELECT a FROM t limit 10";
        QTest::newRow("top untouched for SQL Server") << ms << "select top 1 * from t where a=left(b,2) and c<getdate()"
                                                      << "select top 1 * from t where a=left(b,2) and c<getdate()";
        QTest::newRow("top before a semicolon") << lite << "select top 2 a from t;  " << "select a from t limit 2;  ";
        QTest::newRow("top in parentheses") << pg << "select top (3) a from t" << "select a from t limit 3";
        QTest::newRow("distinct top") << pg << "select distinct top 3 a from t order by a"
                                      << "select distinct a from t order by a limit 3";
        QTest::newRow("top inside a subquery") << lite << "select a from t where b in (select top 1 b from u order by b )"
                                               << "select a from t where b in (select b from u order by b limit 1 )";
        QTest::newRow("outer top over a subquery") << lite << "select top 1 a from (select a from t) x order by a"
                                                   << "select a from (select a from t) x order by a limit 1";
        QTest::newRow("two statements") << lite << "select top 1 a from t; select top 2 b from u"
                                        << "select a from t limit 1; select b from u limit 2";
        QTest::newRow("limit before a trailing comment") << lite << "select top 1 a from t -- first"
                                                         << "select a from t limit 1 -- first";
        QTest::newRow("top percent has no equivalent") << pg << "select top 10 percent a from t"
                                                        << "select top 10 percent a from t";
        QTest::newRow("literal stays") << lite << "select 'select top 1' as x from t" << "select 'select top 1' as x from t";
        QTest::newRow("literal with doubled quote") << lite << "select 'it''s left(a,1) getdate()', left(b,1) from t"
                                                    << "select 'it''s left(a,1) getdate()', substr(b,1,1) from t";
        QTest::newRow("quoted identifier stays") << lite << "select \"top 1\", [left(x,1)] from t"
                                                 << "select \"top 1\", [left(x,1)] from t";
        QTest::newRow("left on sqlite") << lite << "select left(parent,2) from xt_menu" << "select substr(parent,1,2) from xt_menu";
        QTest::newRow("left kept on postgres") << pg << "select left(parent,2) from xt_menu" << "select left(parent,2) from xt_menu";
        QTest::newRow("left nested") << lite << "select LEFT(left(a,3), 2)" << "select substr(substr(a,1,3),1, 2)";
        QTest::newRow("left over a call with commas") << lite << "select left(coalesce(a,b),2)"
                                                      << "select substr(coalesce(a,b),1,2)";
        QTest::newRow("left join stays") << lite << "select * from a left join b on a.x=b.x" << "select * from a left join b on a.x=b.x";
        QTest::newRow("other names ending in left stay") << lite << "select myleft(a,2), t.left(a,2)"
                                                         << "select myleft(a,2), t.left(a,2)";
        QTest::newRow("getdate on sqlite") << lite << "select getdate()" << QString(QStringLiteral("select ") + now);
        QTest::newRow("getdate on postgres") << pg << "select GETDATE ( )" << QString(QStringLiteral("select ") + pgNow);
        QTest::newRow("getdate inside a name stays") << lite << "select xgetdate(), getdate" << "select xgetdate(), getdate";
        QTest::newRow("a placeholder stays") << pg << "select top 1 a from t where b=?" << "select a from t where b=? limit 1";
        QTest::newRow("the catalog query")
            << lite
            << " SELECT menucode,systemcatalog,xt_menu.systemcode FROM xt_menu INNER JOIN xt_mode ON "
               "xt_menu.systemcode=xt_mode.systemcode  WHERE (menucode in (select left(parent,2) from xt_menu) or menucode "
               "in(select menucode from xt_menu where parent='' and menuismx=1)) ORDER BY menuorder"
            << " SELECT menucode,systemcatalog,xt_menu.systemcode FROM xt_menu INNER JOIN xt_mode ON "
               "xt_menu.systemcode=xt_mode.systemcode  WHERE (menucode in (select substr(parent,1,2) from xt_menu) or menucode "
               "in(select menucode from xt_menu where parent='' and menuismx=1)) ORDER BY menuorder";
    }

    void translateSql()
    {
        QFETCH(int, dialect);
        QFETCH(QString, tsql);
        QFETCH(QString, expected);
        QCOMPARE(Database::translateSql(tsql, SqlDialect(dialect)), expected);
    }

    // ------------------------------------------------------------ settings

    void readSettings_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("envPassword"); // "-": not set
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("database"); // as ConnectionProperties reports it ("@" = program folder)
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("errorPart");

        const QString head = QStringLiteral("<?xml version=\"1.0\"?><configuration><system/>");
        const QString tail = QStringLiteral("</configuration>");
        QTest::newRow("sqlite with the program folder macro")
            << head + "<database driver=\"sqlite\"><database>%APP.PATH%\\data\\z.db</database></database>" + tail << "-" << true
            << "sqlite" << "@/data/z.db" << "" << "";
        QTest::newRow("relative sqlite path") << head + "<database driver=\"sqlite\"><database>data/z.db</database></database>" + tail
                                              << "-" << true << "sqlite" << "@/data/z.db" << "" << "";
        QTest::newRow("no driver attribute means sqlite")
            << head + "<database><database>z.db</database></database>" + tail << "-" << true << "sqlite" << "@/z.db" << "" << "";
        QTest::newRow("plain password") << head + "<database driver=\"postgres\"><server>db1</server><database>erp</database>"
                                                  "<user>u</user><password>p;w}</password></database>" + tail
                                        << "-" << true << "postgres" << "erp" << "p;w}" << "";
        QTest::newRow("password file before plain password")
            << head + "<database driver=\"mssql\"><database>erp</database><passwordfile>pw.txt</passwordfile>"
                      "<password>plain</password></database>" + tail
            << "-" << true << "mssql" << "erp" << "fromfile" << "";
        QTest::newRow("environment before everything")
            << head + "<database driver=\"MSSQL\"><database>erp</database><passwordfile>pw.txt</passwordfile>"
                      "<password>plain</password></database>" + tail
            << "fromenv" << true << "mssql" << "erp" << "fromenv" << "";
        QTest::newRow("missing password file")
            << head + "<database driver=\"mssql\"><passwordfile>nope.txt</passwordfile></database>" + tail << "-" << false << ""
            << "" << "" << "无法读取密码文件";
        QTest::newRow("no database node") << head + tail << "-" << false << "" << "" << "" << "没有数据库连接设置";
        QTest::newRow("unknown driver") << head + "<database driver=\"oracle\"/>" + tail << "-" << false << "" << "" << ""
                                        << "不支持的数据库驱动: oracle";
        QTest::newRow("bad port") << head + "<database driver=\"postgres\"><port>99999</port></database>" + tail << "-" << false
                                  << "" << "" << "" << "数据库端口无效";
        QTest::newRow("a copy of another kind") << head + "<database driver=\"sqlite\" copy=\"yes\"><database>z.db</database></database>" + tail
                                                << "-" << false << "" << "" << "" << "数据库副本类型无效（应为 test 或 training）: yes";
        QTest::newRow("not xml") << QStringLiteral("<configuration><database") << "-" << false << "" << "" << "" << "配置文件无法读取";
    }

    void readSettings()
    {
        QFETCH(QString, xml);
        QFETCH(QString, envPassword);
        QFETCH(bool, ok);
        QFETCH(QString, driver);
        QFETCH(QString, database);
        QFETCH(QString, password);
        QFETCH(QString, errorPart);

        QTemporaryDir dir;
        appinfo::setProgramFolder(dir.path());
        const auto restore = qScopeGuard([this] {
            appinfo::setProgramFolder(m_dir.path());
            qunsetenv("ZENLO_DB_PASSWORD");
        });
        QFile pw(dir.filePath(QStringLiteral("pw.txt")));
        QVERIFY(pw.open(QIODevice::WriteOnly));
        pw.write("fromfile\r\nsecond line\n");
        pw.close();
        const QString cfg = dir.filePath(QStringLiteral("zenlo.exe.config"));
        QFile f(cfg);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(xml.toUtf8());
        f.close();
        if (envPassword != QLatin1String("-"))
            qputenv("ZENLO_DB_PASSWORD", envPassword.toUtf8());
        else
            qunsetenv("ZENLO_DB_PASSWORD");

        Database db;
        QCOMPARE(db.Init(cfg), ok);
        if (!ok) {
            QVERIFY2(db.LastError().description.contains(errorPart), qPrintable(db.LastError().description));
            QVERIFY(db.LastError().number != 0);
            QVERIFY(!db.Connect());
            return;
        }
        ConnectionSettings s;
        QString error;
        QVERIFY(Database::readSettings(cfg, &s, &error));
        QCOMPARE(s.password, password);
        const auto props = db.ConnectionProperties();
        QCOMPARE(props.value(QStringLiteral("driver")), driver);
        QCOMPARE(props.value(QStringLiteral("database")), QString(database).replace(u'@', dir.path()));
        QVERIFY(!props.contains(QStringLiteral("password")));
        for (const QString &v : props)
            QVERIFY(password.isEmpty() || !v.contains(password));
    }

    // The settings of a node straight from a document, with the password's sources in their order.
    void settingsFromDocument_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("environment"); // "-": not set
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("database");
        QTest::newRow("environment wins, even empty")
            << "<database driver=\"postgres\"><database>erp</database><password>plain</password></database>" << "" << ""
            << "erp";
        QTest::newRow("plain text last") << "<database driver=\"postgres\"><database>erp</database><password> p w </password></database>"
                                         << "-" << " p w " << "erp";
        QTest::newRow("password file before plain text")
            << "<database driver=\"mssql\"><database>erp</database><passwordfile>%app.path%/pw.txt</passwordfile>"
               "<password>plain</password></database>"
            << "-" << "fromfile" << "erp";
        QTest::newRow("demo file the program folder can take")
            << "<database driver=\"sqlite\" demo=\"true\"><database>%app.path%/demo/z.db</database></database>" << "-" << ""
            << "@/demo/z.db";
    }

    void settingsFromDocument()
    {
        QFETCH(QString, node);
        QFETCH(QString, environment);
        QFETCH(QString, password);
        QFETCH(QString, database);
        QTemporaryDir dir;
        appinfo::setProgramFolder(dir.path());
        const auto restore = qScopeGuard([this] { appinfo::setProgramFolder(m_dir.path()); });
        QVERIFY(testsupport::writeFile(dir.filePath(QStringLiteral("pw.txt")), "fromfile\nnext\n"));
        XmlDocument doc;
        QVERIFY(doc.loadData(QStringLiteral("<configuration>%1</configuration>").arg(node).toUtf8()));
        ConnectionSettings s;
        QString error;
        const std::optional<QString> env = environment == QLatin1String("-") ? std::nullopt : std::optional<QString>(environment);
        QVERIFY2(Database::readSettings(doc, &s, &error, env), qPrintable(error));
        QCOMPARE(s.password, password);
        QCOMPARE(QDir::cleanPath(s.database.replace(QStringLiteral("%app.path%"), dir.path())), QString(database).replace(u'@', dir.path()));
    }

    // What Qt SQL is given, worked out without a server.
    void connectionParameters_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("options");
        QTest::addColumn<bool>("create");
        QTest::addColumn<QString>("qtDriver");
        QTest::addColumn<QString>("databaseName"); // "@" = the program folder
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("qtPort");
        QTest::addColumn<QString>("connectOptions");
        QTest::newRow("sqlite opens, never creates") << "sqlite" << "" << 0 << "" << false << "QSQLITE"
                                                     << "file://@/z%20b.db?mode=rw" << "" << 0 << "QSQLITE_OPEN_URI";
        QTest::newRow("sqlite created on request") << "sqlite" << "" << 0 << "" << true << "QSQLITE" << "file://@/z%20b.db?mode=rwc"
                                                   << "" << 0 << "QSQLITE_OPEN_URI";
        QTest::newRow("sqlite read-only option") << "sqlite" << "" << 0 << "QSQLITE_OPEN_READONLY" << false << "QSQLITE"
                                                 << "file://@/z%20b.db?mode=ro" << "" << 0
                                                 << "QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI";
        QTest::newRow("postgres host,port") << "postgres" << "db1,5433" << 0 << "sslmode=disable" << false << "QPSQL" << "erp"
                                            << "db1" << 5433 << "sslmode=disable;connect_timeout=15";
        QTest::newRow("postgres port element wins") << "postgres" << "db1,5433" << 6000 << "connect_timeout=3" << false << "QPSQL"
                                                    << "erp" << "db1" << 6000 << "connect_timeout=3";
        QTest::newRow("odbc DSN without its prefix") << "odbc" << "" << 0 << "SQL_ATTR_LOGIN_TIMEOUT=4;Other=1" << false << "QODBC"
                                                     << "erp" << "" << 0 << "SQL_ATTR_LOGIN_TIMEOUT=4";
    }

    void connectionParameters()
    {
        QFETCH(QString, driver);
        QFETCH(QString, server);
        QFETCH(int, port);
        QFETCH(QString, options);
        QFETCH(bool, create);
        ConnectionSettings s;
        s.driver = driver;
        s.server = server;
        s.port = port;
        s.options = options;
        s.createIfMissing = create;
        s.database = driver == QLatin1String("sqlite") ? QStringLiteral("z b.db") : QStringLiteral("erp");
        s.dsn = driver == QLatin1String("odbc") ? QStringLiteral("DSN=erp") : QString();
        s.user = QStringLiteral("u");
        s.password = QStringLiteral("p");
        SqlConnectionParameters p;
        QString error;
        QVERIFY2(Database::connectionParameters(s, &p, &error), qPrintable(error));
        QTEST(p.qtDriver, "qtDriver");
        QFETCH(QString, databaseName);
        QCOMPARE(p.databaseName, databaseName.replace(u'@', QUrl::fromLocalFile(m_dir.path()).path(QUrl::FullyEncoded)));
        QTEST(p.hostName, "host");
        QTEST(p.port, "qtPort");
        QTEST(p.connectOptions, "connectOptions");
        if (driver == QLatin1String("postgres")) {
            QCOMPARE(p.userName, QStringLiteral("u"));
            QCOMPARE(p.password, QStringLiteral("p"));
        }
    }

    // The ODBC string of SQL Server: values that hold ";" or "}" are braced, nothing else is touched.
    void odbcConnectionString()
    {
        ConnectionSettings s;
        s.driver = QStringLiteral("mssql");
        s.server = QStringLiteral("sql1,1444");
        s.database = QStringLiteral("erp;x");
        s.user = QStringLiteral("sa");
        s.password = QStringLiteral("p}w;");
        s.options = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=5;Encrypt=no");
        const QString conn = Database::odbcConnectionString(s);
        QVERIFY2(conn.startsWith(QLatin1String("DRIVER=")), qPrintable(conn));
        QVERIFY2(conn.endsWith(QLatin1String(";SERVER=sql1;PORT=1444;ClientCharset=UTF-8;DATABASE={erp;x};UID=sa;PWD={p}}w;};Encrypt=no")),
                 qPrintable(conn));
        SqlConnectionParameters p;
        QVERIFY(Database::connectionParameters(s, &p, nullptr));
        QCOMPARE(p.databaseName, conn);
        QCOMPARE(p.connectOptions, QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=5"));
    }

    // A node that cannot be used: the start-up stays silent, so the component itself
    // writes why to the log and presents it to the operator.
    void unusableNodeIsReported_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown driver") << "<database driver=\"oracle\"><database>erp</database></database>" << "不支持的数据库驱动: oracle";
        QTest::newRow("no database node") << "" << "没有数据库连接设置";
        QTest::newRow("sqlite without a file") << "<database driver=\"sqlite\"/>" << "没有指定数据库文件";
        QTest::newRow("server without a database name") << "<database driver=\"postgres\"><server>db1</server></database>"
                                                        << "没有指定数据库名称";
        QTest::newRow("odbc without a data source") << "<database driver=\"odbc\"><user>u</user></database>" << "没有指定 ODBC 数据源";
    }

    void unusableNodeIsReported()
    {
        QFETCH(QString, node);
        QFETCH(QString, reason);
        const QString cfg = m_dir.filePath(QStringLiteral("unusable.config"));
        QVERIFY(testsupport::writeFile(cfg, QStringLiteral("<configuration><system/>%1</configuration>").arg(node).toUtf8()));
        testsupport::RecordingUi ui;
        Database quiet;
        QVERIFY(!quiet.Init(cfg, false));
        QVERIFY2(quiet.LastError().description.contains(reason), qPrintable(quiet.LastError().description));
        QVERIFY(ui.messages.isEmpty());

        Database db;
        QVERIFY(!db.Init(cfg, true));
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages.first().level, 8);
        QVERIFY2(ui.messages.first().text.contains(reason), qPrintable(ui.messages.first().text));
        QVERIFY(ui.messages.first().text.contains(cfg));
        QVERIFY(ui.boxes.isEmpty());
        QVERIFY(!db.Connect());
    }

    void missingConfigFile()
    {
        Database db;
        QVERIFY(!db.Init(m_dir.filePath(QStringLiteral("none.config"))));
        QVERIFY(db.LastError().description.contains(QStringLiteral("找不到配置文件")));
        db.ClearError();
        // Nothing initialised: statements fail with a reason, no crash.
        QVERIFY(db.OpenRecordset(QStringLiteral("select 1"))->isEOF());
        QVERIFY(!db.LastError().isEmpty());
    }

    void properties_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("reportedDriver");
        QTest::addColumn<QString>("getdate");
        QTest::newRow("mssql") << "mssql" << "mssql" << "getdate()";
        QTest::newRow("odbc is not mssql") << "ODBC" << "odbc" << "getdate()";
        QTest::newRow("postgres") << "postgres" << "postgres" << "to_char(localtimestamp,'YYYY-MM-DD HH24:MI:SS')";
        QTest::newRow("sqlite") << "sqlite" << "sqlite" << "datetime('now','localtime')";
    }

    void properties()
    {
        QFETCH(QString, driver);
        QFETCH(QString, reportedDriver);
        QFETCH(QString, getdate);
        ConnectionSettings s;
        s.driver = driver;
        s.server = QStringLiteral("db1");
        s.database = QStringLiteral("erp");
        s.user = QStringLiteral("sa");
        s.password = QStringLiteral("s3cret");
        Database db;
        QVERIFY(db.Init(s));
        QCOMPARE(db.ConnectionProperties().value(QStringLiteral("driver")), reportedDriver);
        QCOMPARE(db.TranslateFunction(QStringLiteral("getdate()")), getdate);
        for (const QString &v : db.ConnectionProperties())
            QVERIFY(!v.contains(QStringLiteral("s3cret")));
    }

    // ------------------------------------------------------------ record sets on both servers

    void recordSet_data()
    {
        addDriverColumn();
        for (const QString &d : kDrivers)
            QTest::newRow(qPrintable(d)) << d;
    }

    void recordSet()
    {
        QFETCH(QString, driver);
        REQUIRE_DB(driver);
        RecordSetPtr rs = db->OpenRecordset(QStringLiteral("select * from sysdatabase order by zt_code"), 1);
        QVERIFY2(db->LastError().isEmpty(), qPrintable(db->LastError().description));
        QVERIFY(rs->isOpen());
        QVERIFY(!rs->isBOF());
        QVERIFY(!rs->isEOF());
        QCOMPARE(rs->recordCount(), 2);
        QCOMPARE(rs->fieldCount(), 16);
        QCOMPARE(rs->text(QStringLiteral("ZT_CODE")), QStringLiteral("A001"));
        QCOMPARE(rs->text(QStringLiteral("Zt_CoName")), QStringLiteral("甲公司"));
        QVERIFY(rs->field(QStringLiteral("zt_fax")).isNull());
        QCOMPARE(rs->text(QStringLiteral("zt_fax")), QString(""));
        QVERIFY(!rs->field(QStringLiteral("no_such_field")).isValid());
        QCOMPARE(rs->fieldIndex(QStringLiteral("no_such_field")), -1);
        QCOMPARE(rs->firstValue().toString(), QStringLiteral("A001"));
        rs->moveNext();
        QCOMPARE(rs->text(QStringLiteral("zt_code")), QStringLiteral("B002"));
        QCOMPARE(rs->text(QStringLiteral("zt_fax")), QStringLiteral("0571-1"));
        rs->moveNext();
        QVERIFY(rs->isEOF());
        QVERIFY(!rs->field(QStringLiteral("zt_code")).isValid());
        rs->moveNext(); // past the end stays at the end
        QVERIFY(rs->isEOF());
        rs->moveFirst();
        QCOMPARE(rs->text(QStringLiteral("zt_code")), QStringLiteral("A001"));
        rs->detach();
        QVERIFY(rs->isDetached());
        QCOMPARE(rs->text(QStringLiteral("zt_code")), QStringLiteral("A001"));
        rs->close();
        QVERIFY(!rs->isOpen());
        QVERIFY(rs->isEOF());
        QVERIFY(!rs->field(QStringLiteral("zt_code")).isValid());

        RecordSetPtr empty = db->OpenRecordset(QStringLiteral("select * from sysdatabase where zt_code='none'"));
        QVERIFY(db->LastError().isEmpty());
        QVERIFY(empty->isEOF());
        QVERIFY(empty->isBOF());
        QCOMPARE(empty->fieldCount(), 16);
        QVERIFY(!empty->firstValue().isValid());
    }

    // Every SQL text the shell sends, run unchanged on the schema.
    void shellQueries_data()
    {
        addDriverColumn();
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected"); // first column of every row, joined by "|"
        const QList<QPair<const char *, QPair<QString, QString>>> cases = {
            {"catalog query", {QStringLiteral(" SELECT menucode,systemcatalog,xt_menu.systemcode")
                                   + QStringLiteral(" FROM xt_menu INNER JOIN xt_mode ON xt_menu.systemcode=xt_mode.systemcode ")
                                   + QStringLiteral(" WHERE (menucode in (select left(parent,") + QString::number(2)
                                   + QStringLiteral(") from xt_menu)")
                                   + QStringLiteral(" or menucode in(select menucode from xt_menu where parent='' and menuismx=1))")
                                   + QStringLiteral(" ORDER BY menuorder"),
                               QStringLiteral("01|02|03")}},
            {"button query", {QStringLiteral(" SELECT menucode ,menuname,systemcode,menuIsMajor,parent,menuorder")
                                  + QStringLiteral(" FROM xt_menu")
                                  + QStringLiteral(" WHERE ((menucode in (select parent from xt_menu) and menuismx=0) or menulevel=1)")
                                  + QStringLiteral(" and menuIsMajor=1 and systemcode in(select systemcode from xt_mode where systemcatalog='")
                                  + QStringLiteral("财务") + QStringLiteral("')") + QStringLiteral(" ORDER BY parent,menuorder"),
                              QStringLiteral("01|0101")}},
            {"company record", {QStringLiteral("select top 1 * from sysdatabase order by zt_code"), QStringLiteral("A001")}},
            {"report query", {QStringLiteral("SELECT menucode ,menuname FROM xt_menu A")
                                  + QStringLiteral(" WHERE inActive <> 1 and menuismx=1 and menuIsMajor=1 and MenuType='报表'")
                                  + QStringLiteral(" and menucode like '") + QStringLiteral("01") + QStringLiteral("%'")
                                  + QStringLiteral(" ORDER BY parent,menuorder"),
                              QStringLiteral("0102")}},
            {"menu icon", {QStringLiteral("SELECT filename,iscompress,contents FROM xt_menuPilot WHERE type=1 and menuCode='0101'"),
                           QStringLiteral("icon.ico")}},
            {"process map (none stored)",
             {QStringLiteral("SELECT filename,iscompress,contents,filesize FROM xt_menuPilot WHERE type=0 and menuCode='0101'"),
              QString()}},
            {"menu entry", {QStringLiteral("select menucatalog,progID,menuname,systemcode,menuIsMx from xt_menu  where menucode='010101'"),
                            QStringLiteral("100")}},
            {"menu by program number", {QStringLiteral("select menucatalog,progID,menuname,systemcode from xt_menu where progID=1001"),
                                        QStringLiteral("100")}},
            {"system of a function", {QStringLiteral("select systemcode from xt_objects where progID=1001"), QStringLiteral("01")}},
            {"command line", {QStringLiteral("select progCommandLine from xt_objects where progID=1001"), QStringLiteral("/s /w=100")}},
            {"window geometry", {QStringLiteral("SELECT progCommandLine From xt_objects Where ProgID=1001"), QStringLiteral("/s /w=100")}},
        };
        for (const QString &d : kDrivers)
            for (const auto &c : cases)
                QTest::newRow(qPrintable(d + QStringLiteral(": ") + QLatin1String(c.first))) << d << c.second.first << c.second.second;
    }

    void shellQueries()
    {
        QFETCH(QString, driver);
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        REQUIRE_DB(driver);
        const RecordSetPtr rs = db->OpenRecordset(sql, 1);
        QVERIFY2(db->LastError().isEmpty(), qPrintable(db->LastError().description));
        QCOMPARE(firstColumn(rs), expected);
    }

    void serverTime_data() { recordSet_data(); }

    void serverTime()
    {
        QFETCH(QString, driver);
        REQUIRE_DB(driver);
        const RecordSetPtr rs = db->OpenRecordset(QStringLiteral("select ") + db->TranslateFunction(QStringLiteral("getdate()")), 1);
        QVERIFY2(db->LastError().isEmpty(), qPrintable(db->LastError().description));
        const QString text = rs->firstValue().toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")).match(text).hasMatch(), qPrintable(text));
        const QDateTime server = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        // The test server runs on this machine, in its time zone.
        QVERIFY2(qAbs(server.secsTo(QDateTime::currentDateTime())) < 300, qPrintable(text));
    }

    void binaryRoundTrip_data()
    {
        addDriverColumn();
        QTest::addColumn<int>("size");
        for (const QString &d : kDrivers) {
            QTest::newRow(qPrintable(d + QStringLiteral(": 1 byte"))) << d << 1;
            QTest::newRow(qPrintable(d + QStringLiteral(": every byte value"))) << d << 256;
            QTest::newRow(qPrintable(d + QStringLiteral(": 1 MiB"))) << d << (1 << 20);
        }
    }

    void binaryRoundTrip()
    {
        QFETCH(QString, driver);
        QFETCH(int, size);
        REQUIRE_DB(driver);
        const QByteArray bytes = sampleBytes(size);
        const QString code = QStringLiteral("BIN%1").arg(size);
        QVERIFY2(db->exec(QStringLiteral("insert into xt_menuPilot (menuCode, type, filename, iscompress, contents, filesize)"
                                         " values (?, 1, 'b.bin', 1, ?, ?)"),
                          {code, bytes, size}),
                 qPrintable(db->LastError().description));
        const RecordSetPtr rs = db->OpenRecordset(
            QStringLiteral("SELECT filename,iscompress,contents FROM xt_menuPilot WHERE type=1 and menuCode='") + code + u'\'');
        QVERIFY2(db->LastError().isEmpty(), qPrintable(db->LastError().description));
        QCOMPARE(rs->field(QStringLiteral("contents")).metaType().id(), int(QMetaType::QByteArray));
        QCOMPARE(rs->field(QStringLiteral("contents")).toByteArray(), bytes);
        const RecordSetPtr bound = db->query(QStringLiteral("select contents from xt_menuPilot where menuCode=? and type=?"), {code, 1});
        QCOMPARE(bound->firstValue().toByteArray(), bytes);
        QVERIFY(db->exec(QStringLiteral("delete from xt_menuPilot where menuCode=?"), {code}));
    }

    void badSql_data()
    {
        addDriverColumn();
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("errorPart");
        for (const QString &d : kDrivers) {
            QTest::newRow(qPrintable(d + QStringLiteral(": no such table"))) << d << "select * from no_such_table" << "no_such_table";
            QTest::newRow(qPrintable(d + QStringLiteral(": no such column"))) << d << "select no_such_col from xt_menu" << "no_such_col";
            QTest::newRow(qPrintable(d + QStringLiteral(": syntax"))) << d << "selec menucode from xt_menu" << "selec";
            QTest::newRow(qPrintable(d + QStringLiteral(": empty text"))) << d << "" << "SQL 语句为空";
        }
    }

    void badSql()
    {
        QFETCH(QString, driver);
        QFETCH(QString, sql);
        QFETCH(QString, errorPart);
        REQUIRE_DB(driver);
        const RecordSetPtr rs = db->OpenRecordset(sql, 1);
        QVERIFY(rs);
        QVERIFY(rs->isEOF());
        QVERIFY(rs->isBOF());
        QVERIFY(!rs->firstValue().isValid());
        const ErrorInfo error = db->LastError();
        QVERIFY(!error.isEmpty());
        QVERIFY(error.number != 0);
        QVERIFY2(error.description.contains(errorPart), qPrintable(error.description));

        // A later good statement works (no aborted transaction left behind) and leaves the error for the caller.
        const RecordSetPtr good = db->OpenRecordset(QStringLiteral("select count(*) from xt_menu"));
        QCOMPARE(good->firstValue().toInt(), 9);
        QCOMPARE(db->LastError().description, error.description);
        db->ClearError();
        QVERIFY(db->LastError().isEmpty());
        QCOMPARE(db->LastError().number, 0);

        QVERIFY(!db->exec(sql.isEmpty() ? QStringLiteral("insert into no_such_table values (1)") : sql));
        QVERIFY(!db->LastError().isEmpty());
    }

    void caseInsensitive_data()
    {
        addDriverColumn();
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("params");
        QTest::addColumn<QString>("expected");
        for (const QString &d : kDrivers) {
            auto row = [&](const char *name) -> QTestData & { return QTest::newRow(qPrintable(d + QStringLiteral(": ") + QLatin1String(name))); };
            row("equal") << d << "select opcode from sys_operator where opname='ADMIN'" << QVariantList() << "OP1";
            row("like") << d << "select opcode from sys_operator where opname like 'ADM%'" << QVariantList() << "OP1";
            row("key") << d << "select opname from sys_operator where opcode='op1'" << QVariantList() << "admin";
            row("bound value") << d << "select opcode from sys_operator where opname=?" << QVariantList{"Admin"} << "OP1";
            row("in a list") << d << "select opcode from sys_operator where opname in ('x','AdMiN')" << QVariantList() << "OP1";
            row("join") << d
                        << "select count(*) from xt_menu inner join xt_mode on xt_menu.systemcode=xt_mode.systemcode where "
                           "xt_mode.systemcatalog='财务'"
                        << QVariantList() << "5";
        }
    }

    void caseInsensitive()
    {
        QFETCH(QString, driver);
        QFETCH(QString, sql);
        QFETCH(QVariantList, params);
        QFETCH(QString, expected);
        REQUIRE_DB(driver);
        const RecordSetPtr rs = params.isEmpty() ? db->OpenRecordset(sql) : db->query(sql, params);
        QVERIFY2(db->LastError().isEmpty(), qPrintable(db->LastError().description));
        QCOMPARE(firstColumn(rs), expected);
    }

    void keysIgnoreCase_data() { recordSet_data(); }

    void keysIgnoreCase()
    {
        QFETCH(QString, driver);
        REQUIRE_DB(driver);
        // SQL Server's default collation makes "op1" the same key as "OP1".
        QVERIFY(!db->exec(QStringLiteral("insert into sys_operator (opcode, opname) values (?, ?)"), {"op1", "other"}));
        QVERIFY(!db->LastError().isEmpty());
    }

    void boundValues_data() { recordSet_data(); }

    void boundValues()
    {
        QFETCH(QString, driver);
        REQUIRE_DB(driver);
        const QDateTime when(QDate(2024, 1, 2), QTime(10, 11, 12));
        const QString quoted = QStringLiteral("O'Brien; drop table xt_menu --");
        int affected = -1;
        QVERIFY2(db->exec(QStringLiteral("insert into sys_oplog (logtime, opname, progid, message) values (?, ?, ?, ?)"),
                          {when, quoted, 7, QStringLiteral("第一条")}, &affected),
                 qPrintable(db->LastError().description));
        QCOMPARE(affected, 1);
        QVERIFY(db->exec(QStringLiteral("insert into sys_oplog (logtime, opname, progid, message) values (?, ?, ?, ?)"),
                         {when.addSecs(1), quoted, true, QVariant(QMetaType::fromType<QString>())}));
        const RecordSetPtr rs = db->query(QStringLiteral("select id, logtime, progid, message from sys_oplog where opname=? order by id"),
                                          {quoted});
        QVERIFY2(db->LastError().isEmpty(), qPrintable(db->LastError().description));
        QCOMPARE(rs->recordCount(), 2);
        const qlonglong firstId = rs->field(QStringLiteral("id")).toLongLong();
        QCOMPARE(rs->text(QStringLiteral("logtime")), QStringLiteral("2024-01-02 10:11:12"));
        QCOMPARE(rs->text(QStringLiteral("message")), QStringLiteral("第一条"));
        rs->moveNext();
        QVERIFY(rs->field(QStringLiteral("id")).toLongLong() > firstId); // numbered by the server
        QCOMPARE(rs->text(QStringLiteral("logtime")), QStringLiteral("2024-01-02 10:11:13"));
        QCOMPARE(rs->field(QStringLiteral("progid")).toInt(), 1);
        QVERIFY(rs->field(QStringLiteral("message")).isNull());
        QCOMPARE(db->OpenRecordset(QStringLiteral("select count(*) from xt_menu"))->firstValue().toInt(), 9);
        QVERIFY(db->exec(QStringLiteral("delete from sys_oplog where opname=?"), {quoted}, &affected));
        QCOMPARE(affected, 2);
    }

    void transactions_data() { recordSet_data(); }

    void transactions()
    {
        QFETCH(QString, driver);
        REQUIRE_DB(driver);
        const QString insert = QStringLiteral("insert into sys_param (sysno, paramno, name, value) values (?, ?, ?, ?)");
        const QString count = QStringLiteral("select count(*) from sys_param where sysno=99");
        QVERIFY(db->transaction());
        QVERIFY(db->exec(insert, {99, 1, "menubm", "22222"}));
        QVERIFY(db->rollback());
        QCOMPARE(db->OpenRecordset(count)->firstValue().toInt(), 0);
        QVERIFY(db->transaction());
        QVERIFY(db->exec(insert, {99, 1, "menubm", "22222"}));
        QVERIFY(db->commit());
        QCOMPARE(db->OpenRecordset(count)->firstValue().toInt(), 1);
        QVERIFY(db->exec(QStringLiteral("delete from sys_param where sysno=99")));
    }

    // ------------------------------------------------------------ SQLite files

    void sqliteFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("createIfMissing");
        QTest::addColumn<bool>("connects");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("missing file") << "missing" << false << false << "数据库文件不存在";
        QTest::newRow("missing file, created on request") << "missing" << true << true << "no such table";
        QTest::newRow("empty file: no tables") << "empty" << false << true << "no such table";
        QTest::newRow("text file") << "text" << false << false << "not a database";
        QTest::newRow("folder") << "folder" << false << false << "数据库文件不存在";
        QTest::newRow("damaged header") << "damaged" << false << false << "file is not a database";
    }

    void sqliteFiles()
    {
        QFETCH(QString, kind);
        QFETCH(bool, createIfMissing);
        QFETCH(bool, connects);
        QFETCH(QString, errorPart);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/zenlo.db"));
        QDir().mkpath(dir.filePath(QStringLiteral("sub")));
        if (kind == QLatin1String("empty")) {
            QVERIFY(testsupport::writeFile(path, QByteArray()));
        } else if (kind == QLatin1String("text")) {
            QVERIFY(testsupport::writeFile(path, QByteArray(5000, 'x')));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == QLatin1String("damaged")) {
            QByteArray bytes = testsupport::readFile(m_sqlitePath);
            QVERIFY(bytes.size() > 100);
            bytes.replace(0, 16, QByteArray(16, '\x01'));
            QVERIFY(testsupport::writeFile(path, bytes));
        }
        Database db;
        QVERIFY(db.Init(sqliteSettings(path, createIfMissing)));
        QCOMPARE(db.Connect(), connects);
        QCOMPARE(db.isConnected(), connects);
        if (!connects) {
            QVERIFY2(db.LastError().description.contains(errorPart), qPrintable(db.LastError().description));
            QVERIFY(db.LastError().number != 0);
            QCOMPARE(QFileInfo(path).isDir() || QFileInfo::exists(path), kind != QLatin1String("missing"));
            db.ClearError();
            QVERIFY(db.OpenRecordset(QStringLiteral("select * from xt_menu"))->isEOF());
            QVERIFY(!db.LastError().isEmpty());
            return;
        }
        QVERIFY(QFileInfo::exists(path));
        const RecordSetPtr rs = db.OpenRecordset(QStringLiteral("select * from xt_menu"));
        QVERIFY(rs->isEOF() && rs->isBOF());
        QVERIFY2(db.LastError().description.contains(errorPart), qPrintable(db.LastError().description));
    }

    void relativeSqlitePath()
    {
        // "%app.path%" in any case and paths without a folder both mean the program folder.
        for (const QString &name : {QStringLiteral("%App.Path%\\账套 数据.db"), QStringLiteral("账套 数据.db")}) {
            Database db;
            QVERIFY(db.Init(sqliteSettings(name)));
            QVERIFY2(db.Connect(), qPrintable(db.LastError().description));
            QCOMPARE(db.OpenRecordset(QStringLiteral("select count(*) from xt_menu"))->firstValue().toInt(), 9);
        }
    }

    void connectionsAreSeparate()
    {
        const QStringList before = QSqlDatabase::connectionNames();
        {
            Database a, b;
            QVERIFY(a.Init(sqliteSettings(m_sqlitePath)));
            QVERIFY(b.Init(sqliteSettings(m_sqlitePath)));
            QVERIFY(a.Connect());
            QVERIFY(b.Connect());
            QCOMPARE(QSqlDatabase::connectionNames().size(), before.size() + 2);
            QVERIFY(a.transaction());
            QVERIFY(a.exec(QStringLiteral("insert into sys_system (sysno, code, name) values (77, 'x', 'y')")));
            // b does not see a's open transaction: they are two connections.
            QCOMPARE(b.OpenRecordset(QStringLiteral("select count(*) from sys_system where sysno=77"))->firstValue().toInt(), 0);
            QVERIFY(a.rollback());
            a.Close();
            QVERIFY(!a.isConnected());
            QVERIFY(a.OpenRecordset(QStringLiteral("select 1"))->isEOF());
            QVERIFY(a.LastError().description.contains(QStringLiteral("尚未连接")));
            QCOMPARE(b.OpenRecordset(QStringLiteral("select count(*) from xt_menu"))->firstValue().toInt(), 9);
        }
        QCOMPARE(QSqlDatabase::connectionNames(), before);
    }

    // ------------------------------------------------------------ servers

    void unknownDriver()
    {
        ConnectionSettings s;
        s.driver = QStringLiteral("oracle");
        Database db;
        QVERIFY(!db.Init(s));
        QCOMPARE(db.LastError().description, QStringLiteral("不支持的数据库驱动: oracle"));
        QVERIFY(!db.Connect());
    }

    void unreachableServer_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::newRow("postgres") << "postgres";
        QTest::newRow("mssql") << "mssql";
        QTest::newRow("odbc, unknown data source") << "odbc";
    }

    void unreachableServer()
    {
        QFETCH(QString, driver);
        checkUnreachable(driver);
    }

    // unixODBC reads its driver list once per process, so the case where it
    // does not know the name "FreeTDS" runs in a process of its own.
    void mssqlDriverByLibraryPath()
    {
        if (qEnvironmentVariableIsSet("ZENLO_TEST_ODBC_CHILD")) {
            checkUnreachable(QStringLiteral("mssql"));
            return;
        }
        QTemporaryDir odbcDir; // no odbcinst.ini at all
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ODBCSYSINI"), odbcDir.path());
        env.insert(QStringLiteral("ZENLO_TEST_ODBC_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("mssqlDriverByLibraryPath")});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
        QVERIFY2(output.contains("PASS   : TestDatabase::mssqlDriverByLibraryPath()"), output.constData());
    }

    void reconnect_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("record set") << "open";
        QTest::newRow("bound query") << "query";
        QTest::newRow("statement") << "exec";
        QTest::newRow("transaction") << "transaction";
        QTest::newRow("bad statement still fails") << "bad";
    }

    void reconnect()
    {
        QFETCH(QString, kind);
        REQUIRE_DB(QStringLiteral("postgres"));
        Database conn;
        QVERIFY(conn.Init(pgSettings(m_pgDatabase)));
        QVERIFY2(conn.Connect(), qPrintable(conn.LastError().description));
        const int pid = conn.OpenRecordset(QStringLiteral("select pg_backend_pid()"))->firstValue().toInt();
        QVERIFY(pid > 0);
        // Waits (up to 10 s) until the backend is gone.
        const RecordSetPtr killed =
            m_pgAdmin->OpenRecordset(QStringLiteral("select pg_terminate_backend(%1, 10000)").arg(pid));
        QVERIFY2(killed->firstValue().toBool(), qPrintable(m_pgAdmin->LastError().description));

        if (kind == QLatin1String("open")) {
            QCOMPARE(conn.OpenRecordset(QStringLiteral("select count(*) from xt_menu"))->firstValue().toInt(), 9);
        } else if (kind == QLatin1String("query")) {
            QCOMPARE(firstColumn(conn.query(QStringLiteral("select menucode from xt_menu where menucode=?"), {"0101"})),
                     QStringLiteral("0101"));
        } else if (kind == QLatin1String("exec")) {
            QVERIFY(conn.exec(QStringLiteral("update xt_menu set menuorder=menuorder where menucode=?"), {"01"}));
        } else if (kind == QLatin1String("transaction")) {
            QVERIFY(conn.transaction());
            QVERIFY(conn.exec(QStringLiteral("update xt_menu set menuorder=menuorder where menucode='01'")));
            QVERIFY(conn.commit());
        } else {
            QVERIFY(conn.OpenRecordset(QStringLiteral("select * from no_such_table"))->isEOF());
            QVERIFY2(conn.LastError().description.contains(QStringLiteral("no_such_table")), qPrintable(conn.LastError().description));
            conn.ClearError();
        }
        QVERIFY2(conn.LastError().isEmpty(), qPrintable(conn.LastError().description));
        QVERIFY(conn.isConnected());
        const int newPid = conn.OpenRecordset(QStringLiteral("select pg_backend_pid()"))->firstValue().toInt();
        QVERIFY(newPid > 0);
        QVERIFY(newPid != pid);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
