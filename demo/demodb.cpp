#include "demo/demodb.h"
#include "demo/demomaps.h"

#include "demo/business.h"

#include "components/archive.h"
#include "components/database.h"
#include "components/schema.h"
#include "components/sysservices.h"
#include "components/xmldocument.h"
#include "platform/appinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

// Resources of a static library are registered by hand, once.
static void initDemoResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(demo);
        return true;
    }();
    Q_UNUSED(done);
}

namespace demo {

namespace {

const DemoOperator kOperators[] = {
    {"00", "admin", "", true},
    {"01", "张三", "zhang3", false},
    {"02", "李四", "li4", false},
};

// Program numbers each non-administrator may run and what else they may do there:
// right 1 runs, 2 approves (审核), 3 unapproves (弃审), 4 deletes a document.
struct Grant {
    const char *code;
    int from, to;
    quint32 rights;
};
const Grant kGrants[] = {
    {"01", 2101, 2199, 0xF}, // 张三: purchasing, approving it
    {"01", 2201, 2299, 0x9}, //       and sales, approving nothing
    {"02", 2301, 2399, 0x9}, // 李四: inventory only, approving nothing
};

// One icon per first-level and grouping entry: the navigation items and the
// catalogs' menu buttons show them. About a third are kept as zip archives, so
// a newcomer's first start goes through both ways of the icon loader.
struct MenuIcon {
    const char *code;
    bool archived;
};
const MenuIcon kMenuIcons[] = {
    {"01", false},   {"0101", false}, {"0102", true},  {"0103", false}, // purchasing
    {"02", true},    {"0201", false}, {"0202", false}, {"0203", true},  // sales
    {"03", false},   {"0301", false}, {"0302", true},  {"0303", false}, // inventory
    {"04", true},    {"0401", false}, {"0402", true},                   // general ledger
    {"05", false},   {"0501", false}, {"0502", false},                  // receivables
    {"06", false},   {"0601", true},  {"0602", false},                  // system
};

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

QStringList seedStatements()
{
    initDemoResources();
    QFile f(QStringLiteral(":/demo/seed.sql"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    QString current;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("--")))
            continue;
        current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + line;
        if (line.endsWith(QLatin1Char(';'))) {
            current.chop(1);
            out << current;
            current.clear();
        }
    }
    return out;
}

struct IconRow {
    QString code;
    QString filename;
    bool archived = false;
    QByteArray contents;
    qint64 filesize = 0;
};

// The loaders cache icons by file name, so every icon has a name of its own.
bool iconRows(QList<IconRow> *rows, QString *error)
{
    initDemoResources();
    QTemporaryDir work;
    for (const MenuIcon &icon : kMenuIcons) {
        IconRow row;
        row.code = QString::fromLatin1(icon.code);
        row.filename = QStringLiteral("m") + row.code + QStringLiteral(".png");
        row.archived = icon.archived;
        QFile png(QStringLiteral(":/demo/icons/") + row.filename);
        if (!png.open(QIODevice::ReadOnly))
            return fail(error, QStringLiteral("the icon %1 is missing from the program").arg(row.filename));
        const QByteArray bytes = png.readAll();
        row.filesize = bytes.size();
        if (!icon.archived) {
            row.contents = bytes;
        } else {
            // Stored under the row's file name: the name the loader looks for after extracting.
            if (!work.isValid())
                return fail(error, QStringLiteral("no temporary folder for the icon archives: ") + work.errorString());
            const QString source = work.filePath(row.filename);
            const QString zip = source + QStringLiteral(".zip");
            QFile out(source);
            if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush())
                return fail(error, source + QStringLiteral(": cannot be written"));
            out.close();
            if (!zLibControl::compress(source, zip, row.filename))
                return fail(error, QStringLiteral("cannot pack the icon ") + row.filename);
            QFile packed(zip);
            if (!packed.open(QIODevice::ReadOnly))
                return fail(error, zip + QStringLiteral(": cannot be read"));
            row.contents = packed.readAll();
        }
        rows->append(row);
    }
    return true;
}

bool insertIcons(Database &db, const QList<IconRow> &rows, QString *error)
{
    const QString sql = QStringLiteral(
        "insert into xt_menuPilot(menuCode, type, filename, iscompress, contents, filesize) values (?, ?, ?, ?, ?, ?)");
    for (const IconRow &row : rows) {
        if (!db.exec(sql, {row.code, 1, row.filename, row.archived ? 1 : 0, row.contents, row.filesize}))
            return fail(error, QStringLiteral("%1 (icon %2)").arg(db.LastError().description, row.filename));
    }
    return true;
}

} // namespace

const DemoOperator *operators(int *count)
{
    if (count)
        *count = int(std::size(kOperators));
    return kOperators;
}

namespace {

bool upgradeTables(Database &db, QString *error);

int schemaStamp(Database &db)
{
    const RecordSetPtr rs = db.query(QStringLiteral("PRAGMA user_version"), {});
    const QVariant v = rs ? rs->firstValue() : QVariant();
    return v.isValid() ? v.toInt() : -1;
}

bool setSchemaStamp(Database &db, QString *error)
{
    if (db.driver() != QLatin1String("sqlite"))
        return true;
    if (!db.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaStamp)))
        return fail(error, db.LastError().description);
    return true;
}

} // namespace

bool populate(Database &db, QString *error)
{
    QString why;
    if (!schema::create(db, &why))
        return fail(error, QStringLiteral("cannot create the tables: ") + why);
    const QStringList statements = seedStatements();
    if (statements.isEmpty())
        return fail(error, QStringLiteral("the seed data is missing from the program"));
    QList<IconRow> icons;
    if (!iconRows(&icons, error))
        return false;
    if (!db.transaction())
        return fail(error, db.LastError().description);
    for (const QString &sql : statements) {
        if (!db.exec(sql)) {
            const QString e = db.LastError().description;
            db.rollback();
            return fail(error, QStringLiteral("%1 (%2)").arg(e, sql.left(120)));
        }
    }
    if (!insertIcons(db, icons, error) || !storePilotMaps(db, error)) {
        db.rollback();
        return false;
    }
    if (!db.commit())
        return fail(error, db.LastError().description);
    for (const DemoOperator &op : kOperators) {
        if (!Operator::createOperator(&db, QString::fromUtf8(op.code), QString::fromUtf8(op.name), QString::fromUtf8(op.password),
                                      op.administrator, &why))
            return fail(error, why);
    }
    for (const Grant &gr : kGrants) {
        for (int p = gr.from; p <= gr.to; ++p)
            if (!Operator::grantRights(&db, QString::fromLatin1(gr.code), p, gr.rights, &why))
                return fail(error, why);
    }
    if (!populateBusiness(db, &why))
        return fail(error, QStringLiteral("cannot create the business data: ") + why);
    return setSchemaStamp(db, error);
}

bool create(const QString &file, QString *error, bool makeFolders)
{
    const QFileInfo info(file);
    if (info.exists() || info.isSymLink())
        return fail(error, file + (info.isDir() ? QStringLiteral(": a folder of that name exists") : QStringLiteral(": the file exists already")));
    const QString folder = info.absolutePath();
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        return fail(error, file + QStringLiteral(": ") + folder + QStringLiteral(" is a file, not a folder"));
    if (!folderInfo.exists()) {
        if (!makeFolders)
            return fail(error, file + QStringLiteral(": the folder ") + folder + QStringLiteral(" does not exist"));
        if (!QDir().mkpath(folder))
            return fail(error, folder + QStringLiteral(": the folder cannot be created"));
    }
    // Built under a temporary name and renamed at the end, so a failure leaves no half-made database.
    const QString temp = folder + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
        + QUuid::createUuid().toString(QUuid::Id128).left(8) + QStringLiteral(".tmp");
    // Reasons name the file asked for, never the hidden one it is built in.
    auto named = [&](const QString &why) {
        QString text = why;
        return text.replace(temp, file);
    };
    bool ok = false;
    QString why;
    {
        Database db;
        ConnectionSettings s;
        s.driver = QStringLiteral("sqlite");
        s.database = temp;
        s.createIfMissing = true;
        if (!db.Init(s) || !db.Connect()) {
            why = db.LastError().description;
        } else {
            ok = populate(db, &why);
            db.Close();
        }
    }
    if (ok && !QFile::rename(temp, file)) {
        ok = false;
        why = file + QStringLiteral(": cannot be written");
    }
    if (!ok) {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        QFile::remove(temp + QStringLiteral("-wal"));
        QFile::remove(temp + QStringLiteral("-shm"));
        return fail(error, named(why));
    }
    return true;
}

QString missingDemoFile(const QString &configPath, QString *movedFrom)
{
    ConnectionSettings s;
    QString why;
    // A configuration that cannot be read, or a database node that cannot be used, is reported by the start-up.
    XmlDocument doc;
    if (!doc.load(configPath) || !Database::readSettings(doc, &s, &why, std::nullopt))
        return QString();
    if (!s.demo || s.driver != QLatin1String("sqlite"))
        return QString();
    if (movedFrom)
        *movedFrom = s.demoMovedFrom;
    const QString file = Database::programPath(s.database);
    if (file == QLatin1String(":memory:") || QFileInfo::exists(file))
        return QString();
    return file;
}


bool upgrade(Database &db, QString *error)
{
    if (!upgradeTables(db, error))
        return false;
    return setSchemaStamp(db, error);
}

bool upgradeIfOld(Database &db, QString *error)
{
    if (!db.isDemo() || db.driver() != QLatin1String("sqlite") || schemaStamp(db) == kSchemaStamp)
        return true;
    // A demo file the operator keeps read-only is used as it is.
    if (!db.canWrite())
        return true;
    return upgrade(db, error);
}

namespace {

// Periods of an earlier build were keyed by system and period only, so a period close
// rewrote last year's row: the table is rebuilt keyed by year too, each row's year read
// from its start date, the flagged current period open and every earlier one closed.
bool upgradePeriods(Database &db, QString *error)
{
    if (!db.hasTable(QStringLiteral("sys_period"))
        || schema::columnNames(db, QStringLiteral("sys_period")).contains(QStringLiteral("year"), Qt::CaseInsensitive))
        return true;
    const schema::Table *table = schema::table(QStringLiteral("sys_period"));
    if (!table)
        return fail(error, QStringLiteral("sys_period: the program has no definition of the table"));
    QStringList statements{QStringLiteral("alter table sys_period rename to sys_period_old")};
    statements << schema::createStatements(db, *table)
               << QStringLiteral("insert into sys_period(syscode, year, period, startdate, enddate, iscurrent, isclosed) "
                                 "select syscode, cast(substr(startdate, 1, 4) as integer), period, startdate, enddate, iscurrent, "
                                 "case when iscurrent = 1 then 0 else 1 end from sys_period_old")
               << QStringLiteral("drop table sys_period_old");
    if (!db.transaction())
        return fail(error, db.LastError().description);
    for (const QString &sql : std::as_const(statements))
        if (!db.exec(sql)) {
            const QString why = db.LastError().description;
            db.rollback();
            return fail(error, QStringLiteral("sys_period: ") + why);
        }
    if (!db.commit())
        return fail(error, db.LastError().description);
    return true;
}

bool upgradeTables(Database &db, QString *error)
{
    if (!upgradePeriods(db, error))
        return false;
    const bool earlier = db.hasTable(QStringLiteral("xt_progdef"))
        && !schema::columnNames(db, QStringLiteral("xt_progdef")).contains(QStringLiteral("docopts"), Qt::CaseInsensitive);
    if (!upgradeBusiness(db, error))
        return false;
    if (!earlier)
        return true;
    // The demo operators get today's rights where they had the earlier "run" only.
    for (const Grant &gr : kGrants)
        if (!db.exec(QStringLiteral("update sys_rights set rights = ? where opcode = ? and progid between ? and ? and rights = 1"),
                     {qint64(gr.rights), QString::fromLatin1(gr.code), gr.from, gr.to}))
            return fail(error, db.LastError().description);
    return true;
}

} // namespace

bool upgradeIfOld(const QString &configPath, QString *error)
{
    ConnectionSettings s;
    QString why;
    XmlDocument doc;
    if (!doc.load(configPath) || !Database::readSettings(doc, &s, &why, std::nullopt))
        return true;
    if (!s.demo || s.driver != QLatin1String("sqlite"))
        return true;
    const QString file = Database::programPath(s.database);
    if (file == QLatin1String(":memory:") || !QFileInfo::exists(file))
        return true;
    Database db;
    ConnectionSettings open = s;
    open.database = file;
    if (!db.Init(open) || !db.Connect())
        return fail(error, db.LastError().description);
    return upgradeIfOld(db, error);
}

bool createIfMissing(const QString &configPath, QString *error)
{
    const QString file = missingDemoFile(configPath);
    if (file.isEmpty())
        return true;
    return create(file, error, true);
}

} // namespace demo
