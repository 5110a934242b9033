#include "components/database.h"

#include "components/logservice.h"
#include "components/xmldocument.h"
#include "platform/appinfo.h"

#include <QAtomicInteger>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>
#include <QStandardPaths>
#include <QUrl>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcDb, "zenlo.db")

namespace {

// ADO's number for a provider failure that carries no number of its own.
constexpr int kGenericErrorNumber = -2147467259; // 0x80004005

const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString valueText(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.metaType().id()) {
    case QMetaType::QDateTime:
        return v.toDateTime().toString(kDateTimeFormat);
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

} // namespace

// ---------------------------------------------------------------- RecordSet

RecordSet::RecordSet() : m_open(false) {}

RecordSet::RecordSet(QStringList fieldNames, std::vector<QVariantList> rows)
    : m_fields(std::move(fieldNames)), m_rows(std::move(rows))
{
}

bool RecordSet::isEOF() const { return m_pos >= int(m_rows.size()); }

bool RecordSet::isBOF() const { return m_rows.empty(); }

QString RecordSet::fieldName(int index) const { return m_fields.value(index); }

int RecordSet::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant RecordSet::value(int index) const
{
    if (isEOF() || index < 0 || index >= m_fields.size())
        return {};
    return m_rows[size_t(m_pos)].value(index);
}

QVariant RecordSet::field(const QString &name) const { return value(fieldIndex(name)); }

QString RecordSet::text(const QString &name) const { return valueText(field(name)); }

void RecordSet::moveNext()
{
    if (!isEOF())
        ++m_pos;
}

void RecordSet::moveFirst() { m_pos = 0; }

void RecordSet::close()
{
    // A closed set has no rows left to read, as ADO's closed record set has none.
    m_open = false;
    m_rows.clear();
    m_pos = 0;
}

QVariant RecordSet::firstValue() const
{
    if (m_rows.empty() || m_fields.isEmpty())
        return {};
    return m_rows.front().value(0);
}

// ---------------------------------------------------------------- helpers

namespace {

QAtomicInteger<quint64> g_connectionCounter;

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

// Length of a quoted literal, identifier or comment starting at i (0 when none starts there).
qsizetype opaqueLength(const QString &s, qsizetype i)
{
    const qsizetype n = s.size();
    const QChar c = s.at(i);
    if (c == u'\'' || c == u'"' || c == u'[') {
        const QChar close = c == u'[' ? QChar(u']') : c;
        qsizetype j = i + 1;
        while (j < n) {
            if (s.at(j) == close) {
                if (j + 1 < n && s.at(j + 1) == close) { // doubled: an escaped quote
                    j += 2;
                    continue;
                }
                return j + 1 - i;
            }
            ++j;
        }
        return n - i;
    }
    if (c == u'-' && i + 1 < n && s.at(i + 1) == u'-') {
        qsizetype j = s.indexOf(u'\n', i);
        return (j < 0 ? n : j) - i;
    }
    if (c == u'/' && i + 1 < n && s.at(i + 1) == u'*') {
        qsizetype j = s.indexOf(QLatin1String("*/"), i + 2);
        return (j < 0 ? n : j + 2) - i;
    }
    return 0;
}

qsizetype skipSpace(const QString &s, qsizetype i)
{
    while (i < s.size() && s.at(i).isSpace())
        ++i;
    return i;
}

qsizetype wordEnd(const QString &s, qsizetype i)
{
    while (i < s.size() && isIdentChar(s.at(i)))
        ++i;
    return i;
}

bool wordAt(const QString &s, qsizetype i, QLatin1String word)
{
    const qsizetype end = wordEnd(s, i);
    return end - i == word.size() && QStringView(s).mid(i, end - i).compare(word, Qt::CaseInsensitive) == 0;
}

// "top N" or "top (N)" at i: the number and the end of the clause; false for
// forms that have no LIMIT equivalent (PERCENT, WITH TIES, a variable).
bool parseTop(const QString &s, qsizetype i, QString *count, qsizetype *end)
{
    if (!wordAt(s, i, QLatin1String("top")))
        return false;
    qsizetype j = skipSpace(s, i + 3);
    const bool paren = j < s.size() && s.at(j) == u'(';
    if (paren)
        j = skipSpace(s, j + 1);
    const qsizetype digits = j;
    while (j < s.size() && s.at(j).isDigit())
        ++j;
    if (j == digits || (j < s.size() && isIdentChar(s.at(j))))
        return false;
    *count = s.mid(digits, j - digits);
    if (paren) {
        j = skipSpace(s, j);
        if (j >= s.size() || s.at(j) != u')')
            return false;
        ++j;
    }
    const qsizetype after = skipSpace(s, j);
    if (wordAt(s, after, QLatin1String("percent")) || wordAt(s, after, QLatin1String("with")))
        return false;
    *end = after;
    return true;
}

QString getdateExpression(SqlDialect dialect)
{
    switch (dialect) {
    case SqlDialect::SQLite:
        return QStringLiteral("datetime('now','localtime')");
    case SqlDialect::PostgreSQL:
        return QStringLiteral("to_char(localtimestamp,'YYYY-MM-DD HH24:MI:SS')");
    case SqlDialect::SqlServer:
        break;
    }
    return QStringLiteral("getdate()");
}

// ODBC attribute value: braced when it holds characters that end or open a value.
QString odbcValue(const QString &v)
{
    if (v.isEmpty())
        return v;
    if (!v.contains(u';') && !v.contains(u'{') && !v.contains(u'}') && !v.contains(u'=') && v.trimmed() == v)
        return v;
    QString inner = v;
    inner.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + inner + u'}';
}

QString expandProgramPath(const QString &path)
{
    QString p = path.trimmed();
    p.replace(QStringLiteral("%app.path%"), appinfo::programFolder(), Qt::CaseInsensitive);
#ifndef Q_OS_WIN
    // The suite's configuration files are written with Windows separators.
    p.replace(u'\\', u'/');
#endif
    if (p.isEmpty() || p == QLatin1String(":memory:"))
        return p;
    if (QDir::isRelativePath(p))
        p = QDir(appinfo::programFolder()).absoluteFilePath(p);
    return QDir::cleanPath(p);
}

#ifndef Q_OS_WIN
// The odbcinst.ini files unixODBC reads for driver names.
bool odbcDriverRegistered(const QString &name)
{
    QStringList files;
    const QString sysIni = qEnvironmentVariable("ODBCSYSINI");
    const QString instIni = qEnvironmentVariable("ODBCINSTINI", QStringLiteral("odbcinst.ini"));
    if (QDir::isAbsolutePath(instIni))
        files << instIni;
    else
        files << (sysIni.isEmpty() ? QStringLiteral("/etc") : sysIni) + u'/' + instIni;
    files << QDir::homePath() + QStringLiteral("/.odbcinst.ini");
    const QString section = u'[' + name + u']';
    for (const QString &f : files) {
        QFile file(f);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        while (!file.atEnd()) {
            if (QString::fromUtf8(file.readLine()).trimmed().compare(section, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}
#endif

QString freeTdsDriver()
{
#ifdef Q_OS_WIN
    return QStringLiteral("{SQL Server}");
#else
    static const QString lib = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");
    if (!odbcDriverRegistered(QStringLiteral("FreeTDS")) && QFileInfo::exists(lib))
        return lib;
    return QStringLiteral("{FreeTDS}");
#endif
}

// Splits "host,port" (SQL Server's form) into its parts.
void splitServer(const QString &server, QString *host, int *port)
{
    *host = server.trimmed();
    const qsizetype comma = host->lastIndexOf(u',');
    if (comma > 0) {
        bool ok = false;
        const int p = host->mid(comma + 1).trimmed().toInt(&ok);
        if (ok && p > 0) {
            *port = p;
            *host = host->left(comma).trimmed();
        }
    }
}

QStringList splitOptions(const QString &options)
{
    QStringList out;
    for (const QString &o : options.split(u';', Qt::SkipEmptyParts))
        if (!o.trimmed().isEmpty())
            out << o.trimmed();
    return out;
}

bool hasOption(const QStringList &options, QLatin1String key)
{
    for (const QString &o : options)
        if (o.section(u'=', 0, 0).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString sqlErrorText(const QSqlError &e)
{
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    if (t.isEmpty())
        t = QStringLiteral("数据库操作失败");
    return t;
}

int sqlErrorNumber(const QSqlError &e)
{
    bool ok = false;
    const int n = e.nativeErrorCode().trimmed().toInt(&ok);
    return ok && n != 0 ? n : kGenericErrorNumber;
}

} // namespace

// ---------------------------------------------------------------- Database

struct Database::Private {
    QString connectionName;
    QSqlDatabase db;
    bool initialised = false;
    bool connected = false; // Connect succeeded and Close was not called since
    bool inTransaction = false;
    QString sqlitePath;

    void dropConnection()
    {
        if (!db.isValid())
            return;
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
    }
};

Database::Database(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->connectionName = QStringLiteral("zenlo-db-%1").arg(++g_connectionCounter);
}

Database::~Database() { d->dropConnection(); }

void Database::setError(const QString &text, int number)
{
    m_lastError.number = number != 0 ? number : kGenericErrorNumber;
    m_lastError.description = text;
}

QString Database::programPath(const QString &configuredPath)
{
    return expandProgramPath(configuredPath);
}

namespace {

// The column names of a result, and the values of its current row.
QStringList fieldNames(const QSqlQuery &q)
{
    const QSqlRecord rec = q.record();
    QStringList names;
    for (int i = 0; i < rec.count(); ++i)
        names << rec.fieldName(i);
    return names;
}

QVariantList currentRow(const QSqlQuery &q, int columns)
{
    QVariantList row;
    row.reserve(columns);
    for (int i = 0; i < columns; ++i)
        row << q.value(i);
    return row;
}

} // namespace

namespace {

// Whether a new file can be made in the folder (or in the folders that would be made for it).
bool canCreateIn(QString folder)
{
    for (;;) {
        const QFileInfo fi(folder);
        if (fi.exists())
            return fi.isDir() && ::access(QFile::encodeName(fi.absoluteFilePath()).constData(), W_OK | X_OK) == 0;
        const QString parent = fi.absolutePath();
        if (parent == fi.absoluteFilePath())
            return false;
        folder = parent;
    }
}

} // namespace

QString Database::demoDatabaseFile(const QString &configuredFile)
{
    const QFileInfo fi(configuredFile);
    if (fi.exists() || canCreateIn(fi.absolutePath()))
        return configuredFile;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/zenlo/demo/")
        + fi.fileName();
}

bool Database::canWrite(QString *why) const
{
    auto no = [why](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    if (!isConnected())
        return no(QStringLiteral("数据库尚未连接"));
    if (m_settings.driver != QLatin1String("sqlite") || d->sqlitePath == QLatin1String(":memory:"))
        return true; // a server answers for its own rights, statement by statement
    const QByteArray file = QFile::encodeName(d->sqlitePath);
    const QByteArray folder = QFile::encodeName(QFileInfo(d->sqlitePath).absolutePath());
    if (::access(file.constData(), W_OK) != 0)
        return no(QStringLiteral("没有写入数据库文件 %1 的权限").arg(QDir::toNativeSeparators(d->sqlitePath)));
    // Every change goes through a journal file beside the database.
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return no(QStringLiteral("没有在文件夹 %1 中写入的权限（数据库的日志文件放在那里）")
                      .arg(QDir::toNativeSeparators(QString::fromLocal8Bit(folder))));
    if (hasOption(splitOptions(m_settings.options), QLatin1String("QSQLITE_OPEN_READONLY")))
        return no(QStringLiteral("数据库以只读方式打开 (QSQLITE_OPEN_READONLY)"));
    return true;
}

std::optional<QString> Database::environmentPassword()
{
    if (!qEnvironmentVariableIsSet("ZENLO_DB_PASSWORD"))
        return std::nullopt;
    return qEnvironmentVariable("ZENLO_DB_PASSWORD");
}

bool Database::readSettings(const QString &configFile, ConnectionSettings *out, QString *error)
{
    if (!QFileInfo(configFile).isFile()) {
        if (error)
            *error = QStringLiteral("找不到配置文件: ") + configFile;
        return false;
    }
    XmlDocument doc;
    if (!doc.load(configFile)) {
        if (error)
            *error = QStringLiteral("配置文件无法读取: ") + doc.lastError();
        return false;
    }
    return readSettings(doc, out, error, environmentPassword());
}

bool Database::readSettings(const XmlDocument &doc, ConnectionSettings *out, QString *error,
                            const std::optional<QString> &passwordFromEnvironment)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!doc.isLoaded())
        return fail(QStringLiteral("配置文件无法读取: ") + doc.lastError());
    const QString node = QStringLiteral("/configuration/database");
    if (doc.count(node) == 0)
        return fail(QStringLiteral("配置文件中没有数据库连接设置 (configuration/database)"));

    auto text = [&](const char *child) {
        return doc.value(node + u'/' + QLatin1String(child)).value_or(QString()).trimmed();
    };
    ConnectionSettings s;
    s.driver = doc.attribute(node, QStringLiteral("driver")).value_or(QString()).trimmed().toLower();
    if (s.driver.isEmpty())
        s.driver = text("driver").toLower();
    if (s.driver.isEmpty())
        s.driver = QStringLiteral("sqlite");
    s.server = text("server");
    const QString port = text("port");
    if (!port.isEmpty()) {
        bool ok = false;
        s.port = port.toInt(&ok);
        if (!ok || s.port <= 0 || s.port > 65535)
            return fail(QStringLiteral("数据库端口无效: ") + port);
    }
    s.database = text("database");
    s.user = text("user");
    s.options = text("options");
    s.dsn = text("dsn");
    s.demo = doc.attribute(node, QStringLiteral("demo")).value_or(QString()).trimmed().toLower() == QLatin1String("true");
    s.copyKind = doc.attribute(node, QStringLiteral("copy")).value_or(QString()).trimmed().toLower();
    if (!s.copyKind.isEmpty() && s.copyKind != QLatin1String("test") && s.copyKind != QLatin1String("training"))
        return fail(QStringLiteral("数据库副本类型无效（应为 test 或 training）: ") + s.copyKind);
    if (s.demo && s.driver == QLatin1String("sqlite") && !s.database.isEmpty()) {
        const QString configured = expandProgramPath(s.database);
        s.database = demoDatabaseFile(configured);
        if (s.database != configured)
            s.demoMovedFrom = configured;
    }

    // The environment first (nothing on disk), then the password file, then the configuration's plain text.
    if (passwordFromEnvironment) {
        s.password = *passwordFromEnvironment;
    } else if (const QString file = text("passwordfile"); !file.isEmpty()) {
        const QString path = expandProgramPath(file);
        QFile f(path);
        if (QFileInfo(path).isDir() || !f.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("无法读取密码文件: ") + path);
#ifndef Q_OS_WIN
        if (f.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
            qCWarning(lcDb) << "the password file" << path << "can be read by other users";
#endif
        QByteArray line = f.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        s.password = QString::fromUtf8(line);
    } else {
        s.password = doc.value(node + QStringLiteral("/password")).value_or(QString());
        if (!s.password.isEmpty())
            qCWarning(lcDb) << "the database password is written in plain text in the configuration";
    }
    QString why;
    if (!checkSettings(s, &why))
        return fail(why);
    *out = s;
    return true;
}

bool Database::checkSettings(const ConnectionSettings &s, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    const QString driver = s.driver.trimmed().toLower();
    static const QStringList known = {QStringLiteral("sqlite"), QStringLiteral("postgres"), QStringLiteral("mssql"),
                                      QStringLiteral("odbc")};
    if (!known.contains(driver))
        return fail(QStringLiteral("不支持的数据库驱动: ") + s.driver);
    if (driver == QLatin1String("odbc")) {
        if (s.dsn.trimmed().isEmpty() && s.database.trimmed().isEmpty())
            return fail(QStringLiteral("没有指定 ODBC 数据源 (dsn)"));
    } else if (s.database.trimmed().isEmpty()) {
        return fail(driver == QLatin1String("sqlite") ? QStringLiteral("没有指定数据库文件 (database)")
                                                      : QStringLiteral("没有指定数据库名称 (database)"));
    }
    return true;
}

QString Database::odbcConnectionString(const ConnectionSettings &s)
{
    QStringList extra;
    for (const QString &o : splitOptions(s.options))
        if (!o.startsWith(QLatin1String("SQL_ATTR_"), Qt::CaseInsensitive))
            extra << o;
    QString host;
    int port = 0;
    splitServer(s.server, &host, &port);
    if (s.port > 0)
        port = s.port;
    QStringList conn;
    if (!hasOption(extra, QLatin1String("DRIVER")))
        conn << QStringLiteral("DRIVER=") + freeTdsDriver();
#ifdef Q_OS_WIN
    conn << QStringLiteral("SERVER=") + odbcValue(port > 0 ? host + u',' + QString::number(port) : host);
    if (s.user.isEmpty() && !hasOption(extra, QLatin1String("Trusted_Connection")))
        conn << QStringLiteral("Trusted_Connection=yes");
#else
    conn << QStringLiteral("SERVER=") + odbcValue(host);
    if (port > 0)
        conn << QStringLiteral("PORT=") + QString::number(port);
    if (!hasOption(extra, QLatin1String("ClientCharset")))
        conn << QStringLiteral("ClientCharset=UTF-8");
#endif
    if (!s.database.isEmpty())
        conn << QStringLiteral("DATABASE=") + odbcValue(s.database);
    if (!s.user.isEmpty())
        conn << QStringLiteral("UID=") + odbcValue(s.user);
    if (!s.password.isEmpty())
        conn << QStringLiteral("PWD=") + odbcValue(s.password);
    conn << extra;
    return conn.join(u';');
}

bool Database::connectionParameters(const ConnectionSettings &s, SqlConnectionParameters *out, QString *error)
{
    QString why;
    if (!checkSettings(s, &why)) {
        if (error)
            *error = why;
        return false;
    }
    const QString drv = s.driver.trimmed().toLower();
    QStringList options = splitOptions(s.options);
    SqlConnectionParameters p;
    if (drv == QLatin1String("sqlite")) {
        p.qtDriver = QStringLiteral("QSQLITE");
        const QString path = expandProgramPath(s.database);
        p.databaseName = path;
        if (path != QLatin1String(":memory:")) {
            // The URI's mode makes "do not create" hold even if the file goes away after a check.
            const bool readOnly = hasOption(options, QLatin1String("QSQLITE_OPEN_READONLY"));
            const char *mode = readOnly ? "ro" : (s.createIfMissing ? "rwc" : "rw");
            p.databaseName = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=")
                + QLatin1String(mode);
            if (!hasOption(options, QLatin1String("QSQLITE_OPEN_URI")))
                options << QStringLiteral("QSQLITE_OPEN_URI");
        }
    } else if (drv == QLatin1String("postgres")) {
        p.qtDriver = QStringLiteral("QPSQL");
        splitServer(s.server, &p.hostName, &p.port);
        if (s.port > 0)
            p.port = s.port;
        // libpq waits for ever on a silent host unless told otherwise.
        if (!hasOption(options, QLatin1String("connect_timeout")))
            options << QStringLiteral("connect_timeout=15");
        p.databaseName = s.database;
        p.userName = s.user;
        p.password = s.password;
    } else {
        p.qtDriver = QStringLiteral("QODBC");
        QStringList attrs;
        for (const QString &o : std::as_const(options))
            if (o.startsWith(QLatin1String("SQL_ATTR_"), Qt::CaseInsensitive))
                attrs << o;
        if (!hasOption(attrs, QLatin1String("SQL_ATTR_LOGIN_TIMEOUT")))
            attrs << QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15");
        options = attrs;
        if (drv == QLatin1String("mssql")) {
            p.databaseName = odbcConnectionString(s);
        } else {
            QString dsn = s.dsn.trimmed();
            if (dsn.isEmpty())
                dsn = s.database.trimmed();
            // Qt prefixes "DSN=" to any string without DRIVER= or SERVER=; strip ours so it is not doubled.
            if (dsn.startsWith(QLatin1String("DSN="), Qt::CaseInsensitive)
                && !dsn.contains(QLatin1String("DRIVER="), Qt::CaseInsensitive)
                && !dsn.contains(QLatin1String("SERVER="), Qt::CaseInsensitive))
                dsn = dsn.mid(4);
            p.databaseName = dsn;
            // Qt appends ";UID=" and ";PWD=" with the values as they stand.
            p.userName = odbcValue(s.user);
            p.password = odbcValue(s.password);
        }
    }
    p.connectOptions = options.join(u';');
    *out = p;
    return true;
}

bool Database::Init(const QString &configFile, bool report)
{
    ConnectionSettings s;
    QString error;
    bool ok = readSettings(configFile, &s, &error);
    if (ok) {
        ok = Init(s);
        error = m_lastError.description;
    } else {
        d->dropConnection();
        d->initialised = d->connected = false;
        setError(error);
    }
    // The start-up ends without a message of its own here, so the component says why.
    if (!ok && report)
        LogService::instance().Write({QStringLiteral("数据库访问组件"), 8,
                                      QStringLiteral("数据库初始化失败，程序不能继续运行。原因：") + error
                                          + QStringLiteral("（配置文件：") + configFile + QStringLiteral("）")});
    return ok;
}

bool Database::Init(const ConnectionSettings &settings)
{
    d->dropConnection();
    d->initialised = d->connected = d->inTransaction = false;
    m_settings = settings;
    m_settings.driver = settings.driver.trimmed().toLower();
    QString why;
    if (!checkSettings(m_settings, &why)) {
        setError(why);
        return false;
    }
    d->sqlitePath = m_settings.driver == QLatin1String("sqlite") ? expandProgramPath(m_settings.database) : QString();
    d->initialised = true;
    return true;
}

bool Database::Connect()
{
    if (!d->initialised) {
        setError(QStringLiteral("数据库连接尚未初始化"));
        return false;
    }
    if (d->connected && d->db.isOpen())
        return true;
    d->dropConnection();
    d->connected = d->inTransaction = false;

    SqlConnectionParameters p;
    QString why;
    if (!connectionParameters(m_settings, &p, &why)) {
        setError(why);
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(p.qtDriver)) {
        setError(QStringLiteral("数据库驱动不可用: ") + p.qtDriver);
        return false;
    }
    const bool sqlite = m_settings.driver == QLatin1String("sqlite");
    if (sqlite && d->sqlitePath != QLatin1String(":memory:")) {
        const QFileInfo fi(d->sqlitePath);
        if (fi.exists() && !fi.isFile()) {
            setError(QStringLiteral("数据库文件不存在: ") + d->sqlitePath + QStringLiteral(" (这是一个文件夹)"));
            return false;
        }
        if (!fi.exists()) {
            if (!m_settings.createIfMissing) {
                setError(QStringLiteral("数据库文件不存在: ") + d->sqlitePath);
                return false;
            }
            QDir().mkpath(fi.absolutePath());
        }
    }
    d->db = QSqlDatabase::addDatabase(p.qtDriver, d->connectionName);
    d->db.setDatabaseName(p.databaseName);
    if (!p.hostName.isEmpty())
        d->db.setHostName(p.hostName);
    if (p.port > 0)
        d->db.setPort(p.port);
    if (!p.userName.isEmpty())
        d->db.setUserName(p.userName);
    if (!p.password.isEmpty())
        d->db.setPassword(p.password);
    d->db.setConnectOptions(p.connectOptions);

    if (!d->db.open()) {
        const QSqlError e = d->db.lastError();
        QString text = sqlErrorText(e);
        if (sqlite)
            text = QStringLiteral("无法打开数据库 ") + d->sqlitePath + QStringLiteral(": ") + text;
        setError(text, sqlErrorNumber(e));
        d->dropConnection();
        return false;
    }
    if (sqlite) {
        // SQLite opens any file lazily; a file that is not a database shows on the first read.
        QSqlQuery probe(d->db);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master"))) {
            const QSqlError e = probe.lastError();
            probe = QSqlQuery();
            setError(QStringLiteral("无法打开数据库 ") + d->sqlitePath + QStringLiteral(": ") + sqlErrorText(e),
                     sqlErrorNumber(e));
            d->dropConnection();
            return false;
        }
    }
    d->connected = true;
    return true;
}

bool Database::inTransaction() const { return d->inTransaction; }

bool Database::isConnected() const { return d->connected && d->db.isOpen(); }

void Database::Close()
{
    if (d->db.isValid())
        d->db.close();
    d->connected = d->inTransaction = false;
}

SqlDialect Database::dialect() const
{
    if (m_settings.driver == QLatin1String("sqlite"))
        return SqlDialect::SQLite;
    if (m_settings.driver == QLatin1String("postgres"))
        return SqlDialect::PostgreSQL;
    // The suite's own server; an ODBC data source is taken to speak T-SQL too.
    return SqlDialect::SqlServer;
}

QString Database::TranslateFunction(const QString &function) const
{
    QString f = function.trimmed();
    f.remove(QRegularExpression(QStringLiteral("\\s+")));
    if (f.compare(QLatin1String("getdate()"), Qt::CaseInsensitive) == 0)
        return getdateExpression(dialect());
    return translateSql(function, dialect());
}

QMap<QString, QString> Database::ConnectionProperties() const
{
    QMap<QString, QString> p;
    p.insert(QStringLiteral("driver"), m_settings.driver);
    p.insert(QStringLiteral("server"), m_settings.server);
    p.insert(QStringLiteral("database"),
             m_settings.driver == QLatin1String("sqlite") ? d->sqlitePath
             : m_settings.driver == QLatin1String("odbc") && !m_settings.dsn.isEmpty()
                 // a whole connection string may hold a password
                 ? (m_settings.dsn.contains(u'=') ? QString() : m_settings.dsn)
                 : m_settings.database);
    p.insert(QStringLiteral("user"), m_settings.user);
    if (m_settings.port > 0)
        p.insert(QStringLiteral("port"), QString::number(m_settings.port));
    return p;
}

bool Database::runStatement(const QString &tsql, const QVariantList *params, RecordSetPtr *rows, int *rowsAffected,
                            const RowCallback *each)
{
    bool delivered = false;
    if (!d->initialised) {
        setError(QStringLiteral("数据库连接尚未初始化"));
        return false;
    }
    if (!d->connected) {
        setError(QStringLiteral("数据库尚未连接"));
        return false;
    }
    if (tsql.trimmed().isEmpty()) {
        setError(QStringLiteral("SQL 语句为空"));
        return false;
    }
    const SqlDialect dia = dialect();
    const QString sql = translateSql(tsql, dia);

    QVariantList values;
    if (params) {
        for (const QVariant &v : *params) {
            switch (v.metaType().id()) {
            case QMetaType::Bool: // integer flag columns on every server
                values << QVariant(v.isNull() ? QVariant(QMetaType::fromType<int>()) : QVariant(v.toBool() ? 1 : 0));
                break;
            case QMetaType::QDateTime:
            case QMetaType::QDate:
                // As local text: the drivers' own forms differ (ISO "T", or shifted to UTC on PostgreSQL).
                if (dia != SqlDialect::SqlServer) {
                    values << (v.isNull() ? QVariant(QMetaType::fromType<QString>())
                                          : QVariant(v.toDateTime().toString(kDateTimeFormat)));
                    break;
                }
                [[fallthrough]];
            default:
                values << v;
            }
        }
    }

    auto execOnce = [&](QSqlError *err) {
        QSqlQuery q(d->db);
        q.setForwardOnly(true);
        bool ok;
        if (params) {
            ok = q.prepare(sql);
            if (ok) {
                for (const QVariant &v : std::as_const(values))
                    q.addBindValue(v);
                ok = q.exec();
            }
        } else {
            ok = q.exec(sql);
        }
        if (!ok) {
            *err = q.lastError();
            return false;
        }
        if (rowsAffected)
            *rowsAffected = q.numRowsAffected();
        if (each && q.isSelect()) {
            const QStringList names = fieldNames(q);
            while (q.next()) {
                const QVariantList row = currentRow(q, int(names.size()));
                delivered = true;
                if (!(*each)(names, row))
                    return true; // the caller stopped
            }
            if (q.lastError().isValid()) {
                *err = q.lastError();
                return false;
            }
            return true;
        }
        if (rows) {
            QStringList names;
            std::vector<QVariantList> data;
            if (q.isSelect()) {
                names = fieldNames(q);
                while (q.next())
                    data.push_back(currentRow(q, int(names.size())));
                // A server that sends rows one at a time reports a failure while they are read.
                if (q.lastError().isValid()) {
                    *err = q.lastError();
                    return false;
                }
            }
            *rows = std::make_shared<RecordSet>(names, std::move(data));
        }
        return true;
    };

    // A server that dropped the connection (restart, idle timeout, an administrator)
    // answers every statement with an error; "select 1" failing as well tells that
    // apart from a statement that is simply wrong.
    auto connectionLost = [&]() {
        if (dia == SqlDialect::SQLite || d->inTransaction)
            return false;
        QSqlQuery ping(d->db);
        return !ping.exec(QStringLiteral("select 1"));
    };

    if (!d->db.isOpen() && !d->db.open()) {
        setError(sqlErrorText(d->db.lastError()), sqlErrorNumber(d->db.lastError()));
        return false;
    }
    QSqlError err;
    if (execOnce(&err))
        return true;
    // Rows already handed out are not handed out twice.
    if (!delivered && connectionLost()) {
        qCInfo(lcDb) << "connection lost, opening it again:" << sqlErrorText(err);
        d->db.close();
        if (d->db.open()) {
            QSqlError retryErr;
            if (execOnce(&retryErr))
                return true;
            err = retryErr;
        } else {
            qCWarning(lcDb) << "could not open the connection again:" << sqlErrorText(d->db.lastError());
        }
    }
    setError(sqlErrorText(err), sqlErrorNumber(err));
    return false;
}

RecordSetPtr Database::OpenRecordset(const QString &sql, int)
{
    RecordSetPtr rows;
    if (!runStatement(sql, nullptr, &rows, nullptr) || !rows)
        return std::make_shared<RecordSet>(QStringList(), std::vector<QVariantList>());
    return rows;
}

RecordSetPtr Database::query(const QString &sql, const QVariantList &params)
{
    RecordSetPtr rows;
    if (!runStatement(sql, &params, &rows, nullptr) || !rows)
        return std::make_shared<RecordSet>(QStringList(), std::vector<QVariantList>());
    return rows;
}

bool Database::forEachRow(const QString &sql, const QVariantList &params, const RowCallback &f)
{
    return runStatement(sql, &params, nullptr, nullptr, &f);
}

bool Database::exec(const QString &sql, const QVariantList &params, int *rowsAffected)
{
    // Without values the text goes as it is: PostgreSQL cannot prepare DDL.
    return runStatement(sql, params.isEmpty() ? nullptr : &params, nullptr, rowsAffected);
}

bool Database::transaction()
{
    // A server connection the driver closed when the server ended it (in the middle of an earlier
    // transaction, whose work is gone) is opened again, as a statement outside a transaction would.
    if (d->connected && !d->db.isOpen() && dialect() != SqlDialect::SQLite) {
        qCInfo(lcDb) << "connection lost, opening it again before a transaction";
        if (!d->db.open()) {
            setError(sqlErrorText(d->db.lastError()), sqlErrorNumber(d->db.lastError()));
            return false;
        }
    }
    if (!isConnected()) {
        setError(QStringLiteral("数据库尚未连接"));
        return false;
    }
    if (!d->db.transaction()) {
        // A dropped connection shows here first for callers that begin with a transaction.
        if (dialect() != SqlDialect::SQLite) {
            d->db.close();
            if (d->db.open() && d->db.transaction()) {
                d->inTransaction = true;
                return true;
            }
        }
        setError(sqlErrorText(d->db.lastError()), sqlErrorNumber(d->db.lastError()));
        return false;
    }
    d->inTransaction = true;
    return true;
}

bool Database::commit()
{
    d->inTransaction = false;
    if (!isConnected()) {
        setError(QStringLiteral("数据库尚未连接"));
        return false;
    }
    if (!d->db.commit()) {
        setError(sqlErrorText(d->db.lastError()), sqlErrorNumber(d->db.lastError()));
        return false;
    }
    return true;
}

bool Database::rollback()
{
    d->inTransaction = false;
    if (!isConnected()) {
        setError(QStringLiteral("数据库尚未连接"));
        return false;
    }
    if (!d->db.rollback()) {
        setError(sqlErrorText(d->db.lastError()), sqlErrorNumber(d->db.lastError()));
        return false;
    }
    return true;
}

bool Database::hasTable(const QString &name)
{
    QString sql;
    QString key = name;
    switch (dialect()) {
    case SqlDialect::SQLite:
        sql = QStringLiteral("select count(*) from sqlite_master where type='table' and name=? collate nocase");
        break;
    case SqlDialect::PostgreSQL:
        // Unquoted names are folded to lower case by the server.
        sql = QStringLiteral("select count(*) from information_schema.tables"
                             " where table_schema = any (current_schemas(false)) and table_name=?");
        key = name.toLower();
        break;
    case SqlDialect::SqlServer:
        sql = QStringLiteral("select count(*) from information_schema.tables where table_name=?");
        break;
    }
    const RecordSetPtr rs = query(sql, {key});
    return rs->firstValue().toInt() > 0;
}

// ---------------------------------------------------------------- T-SQL translation

QString Database::translateSql(const QString &tsql, SqlDialect dialect)
{
    if (dialect == SqlDialect::SqlServer)
        return tsql;

    struct Group {
        QString limit;       // "select top N" seen directly in this group
        bool isLeft = false; // the argument list of left(), rewritten to substr()
        bool leftDone = false;
    };
    QString out;
    out.reserve(tsql.size() + 16);
    std::vector<Group> groups(1);
    qsizetype lastCode = 0;   // end of the last code character written (not blank, comment or ';')
    bool nextParenIsLeft = false;

    auto closeLimit = [&](Group &g) {
        if (g.limit.isEmpty())
            return;
        out.insert(lastCode, QStringLiteral(" limit ") + g.limit);
        g.limit.clear();
    };

    const qsizetype n = tsql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = tsql.at(i);
        if (const qsizetype len = opaqueLength(tsql, i)) {
            out += QStringView(tsql).mid(i, len);
            if (c == u'\'' || c == u'"' || c == u'[')
                lastCode = out.size();
            i += len;
            continue;
        }
        if (c.isSpace()) {
            out += c;
            ++i;
            continue;
        }
        if (c == u'(') {
            Group g;
            g.isLeft = nextParenIsLeft;
            nextParenIsLeft = false;
            groups.push_back(g);
            out += c;
            lastCode = out.size();
            ++i;
            continue;
        }
        if (c == u')') {
            if (groups.size() > 1) {
                closeLimit(groups.back());
                groups.pop_back();
            }
            out += c;
            lastCode = out.size();
            ++i;
            continue;
        }
        if (c == u',' && groups.back().isLeft && !groups.back().leftDone && groups.size() > 1) {
            groups.back().leftDone = true;
            out += QStringLiteral(",1,");
            lastCode = out.size();
            ++i;
            continue;
        }
        if (c == u';' && groups.size() == 1) {
            closeLimit(groups.back());
            out += c;
            ++i;
            continue;
        }
        const bool wordStart = isIdentChar(c) && (i == 0 || (!isIdentChar(tsql.at(i - 1)) && tsql.at(i - 1) != u'.'));
        if (!wordStart) {
            out += c;
            lastCode = out.size();
            ++i;
            continue;
        }
        const qsizetype end = wordEnd(tsql, i);
        const QStringView word = QStringView(tsql).mid(i, end - i);
        if (word.compare(QLatin1String("select"), Qt::CaseInsensitive) == 0) {
            out += word;
            lastCode = out.size();
            qsizetype j = skipSpace(tsql, end);
            qsizetype topAt = j;
            if (wordAt(tsql, j, QLatin1String("distinct")) || wordAt(tsql, j, QLatin1String("all")))
                topAt = skipSpace(tsql, wordEnd(tsql, j));
            QString count;
            qsizetype topEnd = 0;
            if (parseTop(tsql, topAt, &count, &topEnd)) {
                out += QStringView(tsql).mid(end, topAt - end); // blank and DISTINCT as written
                groups.back().limit = count;
                lastCode = out.size();
                i = topEnd;
            } else {
                i = end;
            }
            continue;
        }
        if (dialect == SqlDialect::SQLite && word.compare(QLatin1String("left"), Qt::CaseInsensitive) == 0) {
            const qsizetype j = skipSpace(tsql, end);
            if (j < n && tsql.at(j) == u'(') {
                out += QStringLiteral("substr");
                lastCode = out.size();
                nextParenIsLeft = true;
                i = end;
                continue;
            }
        }
        if (word.compare(QLatin1String("getdate"), Qt::CaseInsensitive) == 0) {
            qsizetype j = skipSpace(tsql, end);
            if (j < n && tsql.at(j) == u'(') {
                j = skipSpace(tsql, j + 1);
                if (j < n && tsql.at(j) == u')') {
                    out += getdateExpression(dialect);
                    lastCode = out.size();
                    i = j + 1;
                    continue;
                }
            }
        }
        out += word;
        lastCode = out.size();
        i = end;
    }
    closeLimit(groups.front());
    return out;
}
