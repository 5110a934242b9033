#pragma once
// The database access component ("kxDataAccessHelper.Database"): SQL text in,
// record sets out, the last error instead of exceptions.
//
// Connection settings come from the configuration file's own node:
//   <configuration>
//     <database driver="sqlite|postgres|mssql|odbc">
//       <server>host[,port] or host</server> <port>5432</port>
//       <database>file path (sqlite, path macros allowed) or database name</database>
//       <user>...</user>
//       <passwordfile>file holding the password (owner-only permissions)</passwordfile>
//       <password>discouraged: plain text in the configuration</password>
//       <options>driver-specific connect options</options>
//       <dsn>odbc: DSN name or a whole connection string</dsn>
//     </database>
//   </configuration>
// The environment variable ZENLO_DB_PASSWORD, when set, gives the password;
// else the first line of <passwordfile>; else <password>. Without a driver
// attribute the driver is "sqlite". A sqlite path may hold "%app.path%" (any
// case); a relative path (database or password file) is taken relative to the
// program folder.
//
// A sqlite file that does not exist is an error at Connect: an empty database
// is never made silently. Tools that mean to create one set
// ConnectionSettings::createIfMissing.
//
// mssql goes through ODBC: FreeTDS on Linux (the driver name "FreeTDS" when
// unixODBC knows it, else the library path), the platform's "SQL Server"
// driver on Windows. Entries of <options> named SQL_ATTR_... are ODBC
// connection attributes (SQL_ATTR_LOGIN_TIMEOUT=5); the others are appended to
// the connection string. For postgres, <options> are libpq keywords separated
// by ";" (connect_timeout=5;sslmode=disable).
//
// A connection the server dropped is opened again once before a statement is
// reported as failed (not inside a transaction: its work is gone anyway).
//
// The suite's SQL text is T-SQL. For sqlite and postgres the few T-SQL forms
// the program sends are translated ("select top N", "left(text, n)",
// "getdate()"); nothing else is rewritten.
#include "components/errorinfo.h"
#include "platform/zenlo_export.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A result read whole. Field names match without regard to case. Binary
// columns come as QByteArray, nulls as a null QVariant.
class ZENLO_CORE_EXPORT RecordSet
{
public:
    RecordSet();
    RecordSet(QStringList fieldNames, std::vector<QVariantList> rows);

    bool isOpen() const { return m_open; }
    bool isEOF() const;
    bool isBOF() const;
    int recordCount() const { return int(m_rows.size()); }
    int fieldCount() const { return int(m_fields.size()); }
    QString fieldName(int index) const;
    int fieldIndex(const QString &name) const; // -1 when there is no such field

    // The value of the current row; an invalid QVariant when there is no current row or field.
    QVariant field(const QString &name) const;
    QVariant value(int index) const;
    // The value as text, "" for null (the suite's "" + value).
    QString text(const QString &name) const;

    void moveNext();
    void moveFirst();
    void close();
    // Cuts the record set from its connection; it keeps its rows.
    void detach() { m_detached = true; }
    bool isDetached() const { return m_detached; }

    // The first column of the first row (invalid when there is none).
    QVariant firstValue() const;

private:
    QStringList m_fields;
    std::vector<QVariantList> m_rows;
    int m_pos = 0;
    bool m_open = true;
    bool m_detached = false;
};
using RecordSetPtr = std::shared_ptr<RecordSet>;

enum class SqlDialect { SqlServer, SQLite, PostgreSQL };

struct ZENLO_CORE_EXPORT ConnectionSettings {
    QString driver; // "sqlite", "postgres", "mssql", "odbc"
    QString server;
    int port = 0;
    QString database;
    QString user;
    QString password;
    QString options;
    QString dsn;
    // sqlite only: create the file (and its folder) when it does not exist.
    bool createIfMissing = false;
    // The node is marked demo="true": the program makes the demo database when it is missing.
    bool demo = false;
    // The demo file the configuration names, when its folder cannot be made and the user's
    // data folder holds the demo database instead ("" otherwise).
    QString demoMovedFrom;
    // copy="test" or copy="training": a copy of the real books, shown as such in the main window.
    QString copyKind;
};

// What Qt SQL is given for a connection, worked out from the settings alone.
struct ZENLO_CORE_EXPORT SqlConnectionParameters {
    QString qtDriver;     // "QSQLITE", "QPSQL", "QODBC"
    QString databaseName; // sqlite: the file's URI (or ":memory:"); mssql: the ODBC connection string; odbc: the DSN
    QString hostName;
    int port = 0;
    QString userName;
    QString password;
    QString connectOptions;
};

class XmlDocument;

class ZENLO_CORE_EXPORT Database : public QObject
{
    Q_OBJECT
public:
    explicit Database(QObject *parent = nullptr);
    ~Database() override;

    // Reads the connection settings from the configuration file. With report set,
    // a failure is also written to the log at level 8 (and so shown to the
    // operator): the start-up ends silently after a failed initialisation.
    bool Init(const QString &configFile, bool report = true);
    bool Init(const ConnectionSettings &settings);
    bool Connect();
    bool isConnected() const;
    void Close();

    ErrorInfo LastError() const { return m_lastError; }
    void ClearError() { m_lastError.clear(); }

    // Never throws: bad SQL gives an empty record set and the driver's message as the last error.
    RecordSetPtr OpenRecordset(const QString &sql, int mode = 1);
    // The expression for the connected server, to be used after "select " ("getdate()" only).
    QString TranslateFunction(const QString &function) const;
    // driver, server, database, user (never the password).
    QMap<QString, QString> ConnectionProperties() const;
    QString driver() const { return m_settings.driver; }
    // The configuration's node is marked demo="true".
    bool isDemo() const { return m_settings.demo; }
    const ConnectionSettings &settings() const { return m_settings; }
    // Between transaction() and its commit or rollback: what this connection wrote is not
    // seen by any other connection yet.
    bool inTransaction() const;
    SqlDialect dialect() const;

    // Statements with bound values, for the components' own tables: values are
    // never pasted into the SQL text. Placeholders are "?".
    RecordSetPtr query(const QString &sql, const QVariantList &params);
    bool exec(const QString &sql, const QVariantList &params = {}, int *rowsAffected = nullptr);
    // A select read row by row without keeping its rows (an export of a few hundred
    // thousand): f gets the field names and one row's values and returns false to
    // stop, which is no failure. False with the last error when the statement fails.
    using RowCallback = std::function<bool(const QStringList &names, const QVariantList &row)>;
    bool forEachRow(const QString &sql, const QVariantList &params, const RowCallback &f);
    bool transaction();
    bool commit();
    bool rollback();
    // Whether the connected database has a table of that name (any case).
    bool hasTable(const QString &name);

    // Whether statements that change data can succeed: for a sqlite file, the
    // permissions of the file and of its folder (which takes the journal); a
    // server is asked nothing. False with the reason.
    bool canWrite(QString *why = nullptr) const;
    // The file of a demo node: the configured one, unless it does not exist and
    // its folder cannot take it (a program folder that belongs to root); then
    // the same name in the user's data folder ($XDG_DATA_HOME/zenlo/demo).
    static QString demoDatabaseFile(const QString &configuredFile);

    // T-SQL -> the dialect's SQL (public for tests).
    static QString translateSql(const QString &tsql, SqlDialect dialect);
    static bool readSettings(const QString &configFile, ConnectionSettings *out, QString *error);
    // The <database> node of a loaded configuration. The password comes from
    // passwordFromEnvironment when it is set (the program passes
    // ZENLO_DB_PASSWORD), else from the first line of <passwordfile>, else from <password>.
    static bool readSettings(const XmlDocument &config, ConnectionSettings *out, QString *error,
                             const std::optional<QString> &passwordFromEnvironment);
    static std::optional<QString> environmentPassword();
    // A known driver and a database (or DSN) to open; false with the reason.
    static bool checkSettings(const ConnectionSettings &settings, QString *error);
    // The Qt SQL parameters of a connection; false with the reason when the settings cannot be used.
    static bool connectionParameters(const ConnectionSettings &settings, SqlConnectionParameters *out, QString *error);
    // The ODBC connection string of an mssql connection (the password included).
    static QString odbcConnectionString(const ConnectionSettings &settings);
    // A configured file path as the component opens it ("%app.path%" replaced, relative to the program folder).
    static QString programPath(const QString &configuredPath);

private:
    bool runStatement(const QString &tsql, const QVariantList *params, RecordSetPtr *rows, int *rowsAffected,
                      const RowCallback *each = nullptr);
    void setError(const QString &text, int number = 0);

    struct Private;
    std::unique_ptr<Private> d;
    ConnectionSettings m_settings;
    ErrorInfo m_lastError;
};
