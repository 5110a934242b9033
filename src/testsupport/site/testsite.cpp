#include "testsite.h"

#include "components/database.h"
#include "demo/demodb.h"
#include "platform/appinfo.h"

#include <QDir>
#include <QFile>
#include <QUuid>

namespace testsupport {

namespace {

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

} // namespace

bool TestSite::postgresRequired()
{
    return qEnvironmentVariable("ZENLO_TEST_PG_REQUIRED") == QLatin1String("1");
}

bool TestSite::postgresAvailable(QString *why)
{
    if (qEnvironmentVariable("ZENLO_TEST_PG_HOST").isEmpty()) {
        if (why)
            *why = QStringLiteral("ZENLO_TEST_PG_HOST is not set (scripts/pg-test-server.sh start BUILD_DIR)");
        return false;
    }
    return true;
}

TestSite::TestSite(Driver driver, bool withDemoData) : m_driver(driver)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    appinfo::setProgramFolder(programFolder());
    appinfo::setExecutableName(QStringLiteral("zenlo"));
    QDir().mkpath(programFolder() + QStringLiteral("/demo"));
    if (driver == SQLite) {
        m_dbFile = programFolder() + QStringLiteral("/demo/site.db");
        if (withDemoData) {
            if (!demo::create(m_dbFile, &m_error))
                return;
        }
    } else {
        if (!postgresAvailable(&m_error))
            return;
        m_pgDatabase = QStringLiteral("zt_site_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        Database admin;
        if (!admin.Init(pgSettings(qEnvironmentVariable("ZENLO_TEST_PG_DATABASE"))) || !admin.Connect()
            || !admin.exec(QStringLiteral("create database ") + m_pgDatabase)) {
            m_error = admin.LastError().description;
            m_pgDatabase.clear();
            return;
        }
        if (withDemoData) {
            Database db;
            if (!db.Init(pgSettings(m_pgDatabase)) || !db.Connect() || !demo::populate(db, &m_error)) {
                if (m_error.isEmpty())
                    m_error = db.LastError().description;
                return;
            }
        }
    }
    writeConfig();
}

TestSite::~TestSite()
{
    if (!m_pgDatabase.isEmpty()) {
        Database admin;
        if (admin.Init(pgSettings(qEnvironmentVariable("ZENLO_TEST_PG_DATABASE"))) && admin.Connect())
            admin.exec(QStringLiteral("drop database if exists ") + m_pgDatabase + QStringLiteral(" with (force)"));
    }
}

QString TestSite::programFolder() const
{
    return m_dir.path() + QStringLiteral("/app");
}

QString TestSite::configPath() const
{
    return programFolder() + QStringLiteral("/zenlo.Exe.Config");
}

QString TestSite::databaseNode() const
{
    if (m_driver == SQLite)
        return QStringLiteral("<database driver=\"sqlite\"><database>%1</database></database>").arg(m_dbFile);
    const ConnectionSettings s = pgSettings(m_pgDatabase);
    return QStringLiteral("<database driver=\"postgres\"><server>%1</server><port>%2</port><database>%3</database><user>%4</user></database>")
        .arg(s.server)
        .arg(s.port)
        .arg(s.database, s.user);
}

void TestSite::writeConfig(const QString &systemInner, const QString &databaseNode, const QString &extra)
{
    QDir().mkpath(programFolder());
    QFile f(configPath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = configPath() + QStringLiteral(": cannot be written");
        return;
    }
    const QString inner = systemInner.isEmpty() ? QStringLiteral("<caption>测试系统</caption><subject>测试</subject>") : systemInner;
    f.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configuration><system>%1</system>%2"
                           "<log folder=\"%3/log\"/>%4</configuration>\n")
                .arg(inner, databaseNode.isEmpty() ? this->databaseNode() : databaseNode, programFolder(), extra)
                .toUtf8());
}

bool TestSite::snapshot()
{
    if (m_driver != SQLite || m_dbFile.isEmpty())
        return false;
    m_snapshot = m_dbFile + QStringLiteral(".snapshot");
    QFile::remove(m_snapshot);
    return QFile::copy(m_dbFile, m_snapshot);
}

bool TestSite::restore()
{
    if (m_snapshot.isEmpty())
        return false;
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(m_dbFile + QString::fromLatin1(suffix));
    const QString log = programFolder() + QStringLiteral("/log");
    return QFile::copy(m_snapshot, m_dbFile) && (!QDir(log).exists() || QDir(log).removeRecursively());
}

std::unique_ptr<Database> TestSite::connect() const
{
    auto db = std::make_unique<Database>();
    bool ok = false;
    if (m_driver == SQLite) {
        ConnectionSettings s;
        s.driver = QStringLiteral("sqlite");
        s.database = m_dbFile;
        ok = db->Init(s) && db->Connect();
    } else {
        ok = db->Init(pgSettings(m_pgDatabase)) && db->Connect();
    }
    return ok ? std::move(db) : nullptr;
}

} // namespace testsupport
