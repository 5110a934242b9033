#pragma once
// A throw-away installation for tests: a program folder with a configuration
// file and a demo database, on SQLite or on the test PostgreSQL server
// (scripts/pg-test-server.sh; ZENLO_TEST_PG_* variables).
#include <QString>
#include <QTemporaryDir>

#include <memory>

class Database;

namespace testsupport {

class TestSite
{
public:
    enum Driver { SQLite, PostgreSQL };

    // Builds the folder, the demo database and a configuration; check ok().
    explicit TestSite(Driver driver = SQLite, bool withDemoData = true);
    ~TestSite();

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    Driver driver() const { return m_driver; }

    QString programFolder() const;
    QString configPath() const;
    QString databaseFile() const { return m_dbFile; }
    QString databaseName() const { return m_pgDatabase; }

    // The <database> node of this site's database.
    QString databaseNode() const;
    // Rewrites the configuration: systemInner goes inside <system>, the database node as given
    // (empty: this site's database).
    void writeConfig(const QString &systemInner = QString(), const QString &databaseNode = QString(),
                     const QString &extra = QString());
    // SQLite sites: keeps a copy of the database as it is now; restore() puts it back and
    // empties the log folder, so each case of a test can start from the same site.
    bool snapshot();
    bool restore();
    // A separate connection to the site's database, for checks.
    std::unique_ptr<Database> connect() const;

    // Whether PostgreSQL tests can run; when not, why (and whether that is a failure).
    static bool postgresAvailable(QString *why);
    static bool postgresRequired();

private:
    Driver m_driver;
    QTemporaryDir m_dir;
    QString m_dbFile;
    QString m_pgDatabase;
    QString m_snapshot;
    QString m_error;
};

} // namespace testsupport
