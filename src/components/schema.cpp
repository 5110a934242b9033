#include "components/schema.h"

#include "components/database.h"

namespace schema {

namespace {

Column T(const char *n, int len = 0, bool nn = false) { return {QString::fromLatin1(n), ColumnType::Text, len, nn}; }
Column I(const char *n, bool nn = false) { return {QString::fromLatin1(n), ColumnType::Integer, 0, nn}; }
[[maybe_unused]] Column N(const char *n) { return {QString::fromLatin1(n), ColumnType::Number, 0, false}; }
Column B(const char *n) { return {QString::fromLatin1(n), ColumnType::Blob, 0, false}; }
Column D(const char *n) { return {QString::fromLatin1(n), ColumnType::DateTime, 0, false}; }

QList<Table> build()
{
    QList<Table> t;
    t.append({QStringLiteral("xt_mode"), {T("systemcode", 20, true), T("systemcatalog", 100), T("systemname", 100)},
              {QStringLiteral("systemcode")}, false, {}});
    t.append({QStringLiteral("xt_menu"),
              {T("menucode", 40, true), T("menuname", 100), T("parent", 40), T("systemcode", 20), I("menuorder"),
               I("menuismx"), I("menuIsMajor"), I("menulevel"), I("menucatalog"), I("progID"), I("inActive"),
               T("MenuType", 20)},
              {QStringLiteral("menucode")}, false, {{QStringLiteral("parent")}, {QStringLiteral("systemcode")}}});
    t.append({QStringLiteral("xt_objects"), {I("progID", true), T("systemcode", 20), T("progCommandLine", 400), T("progName", 100), T("progClass", 200)},
              {QStringLiteral("progID")}, false, {}});
    t.append({QStringLiteral("xt_menuPilot"),
              {T("menuCode", 40, true), I("type", true), T("filename", 260), I("iscompress"), B("contents"), I("filesize")},
              {QStringLiteral("menuCode"), QStringLiteral("type")}, false, {}});
    t.append({QStringLiteral("sysdatabase"),
              {T("zt_code", 20, true), T("zt_account", 100), T("zt_addrb", 200), T("zt_addrg", 200), T("zt_addrr", 200),
               T("zt_attrib", 100), T("zt_coname", 200), T("zt_database", 100), T("zt_eaddrr", 200), T("zt_ename", 200),
               T("zt_fax", 50), T("zt_fr", 50), T("zt_mail", 100), T("zt_phone", 50), T("zt_tax", 50), T("zt_name", 200)},
              {QStringLiteral("zt_code")}, false, {}});
    t.append({QStringLiteral("sys_operator"),
              {T("opcode", 20, true), T("opname", 60, true), T("pwhash", 200), I("isadmin"), I("disabled"), D("lastlogin")},
              {QStringLiteral("opcode")}, false, {{QStringLiteral("opname")}}});
    t.append({QStringLiteral("sys_rights"), {T("opcode", 20, true), I("progid", true), I("rights")},
              {QStringLiteral("opcode"), QStringLiteral("progid")}, false, {}});
    t.append({QStringLiteral("sys_param"), {I("sysno", true), I("paramno", true), T("name", 60), T("value", 400), T("remark", 200)},
              {QStringLiteral("sysno"), QStringLiteral("paramno")}, false, {{QStringLiteral("name")}}});
    t.append({QStringLiteral("sys_system"), {I("sysno", true), T("code", 20), T("name", 100)}, {QStringLiteral("sysno")}, false, {}});
    // A period is one month of one year of a system: closing it marks its row closed and keeps it.
    t.append({QStringLiteral("sys_period"),
              {T("syscode", 20, true), I("year", true), I("period", true), D("startdate"), D("enddate"), I("iscurrent"), I("isclosed")},
              {QStringLiteral("syscode"), QStringLiteral("year"), QStringLiteral("period")}, false, {}});
    t.append({QStringLiteral("sys_language"), {T("family", 40, true), T("path", 200, true), T("text", 1000)},
              {QStringLiteral("family"), QStringLiteral("path")}, false, {}});
    t.append({QStringLiteral("sys_oplog"), {D("logtime"), T("opname", 60), I("progid"), T("message", 4000)}, {}, true, {}});
    return t;
}

QString columnType(const Column &c, SqlDialect dialect)
{
    switch (dialect) {
    case SqlDialect::SQLite:
        switch (c.type) {
        case ColumnType::Text: return QStringLiteral("text collate nocase");
        case ColumnType::Integer: return QStringLiteral("integer");
        case ColumnType::Number: return QStringLiteral("numeric");
        case ColumnType::Blob: return QStringLiteral("blob");
        case ColumnType::DateTime: return QStringLiteral("datetime");
        }
        break;
    case SqlDialect::PostgreSQL:
        switch (c.type) {
        case ColumnType::Text: return QStringLiteral("citext");
        case ColumnType::Integer: return QStringLiteral("integer");
        case ColumnType::Number: return QStringLiteral("numeric(19,4)");
        case ColumnType::Blob: return QStringLiteral("bytea");
        case ColumnType::DateTime: return QStringLiteral("timestamp(3)");
        }
        break;
    case SqlDialect::SqlServer:
        switch (c.type) {
        case ColumnType::Text:
            return c.length > 0 && c.length <= 4000 ? QStringLiteral("nvarchar(%1)").arg(c.length)
                                                    : QStringLiteral("nvarchar(max)");
        case ColumnType::Integer: return QStringLiteral("int");
        case ColumnType::Number: return QStringLiteral("decimal(19,4)");
        case ColumnType::Blob: return QStringLiteral("varbinary(max)");
        case ColumnType::DateTime: return QStringLiteral("datetime");
        }
        break;
    }
    return QString();
}

QStringList tableStatements(const Table &t, SqlDialect dialect)
{
    QStringList defs;
    if (t.autoId) {
        switch (dialect) {
        case SqlDialect::SQLite: defs << QStringLiteral("id integer primary key autoincrement"); break;
        case SqlDialect::PostgreSQL: defs << QStringLiteral("id bigint generated by default as identity primary key"); break;
        case SqlDialect::SqlServer: defs << QStringLiteral("id int identity(1,1) primary key"); break;
        }
    }
    for (const Column &c : t.columns)
        defs << c.name + u' ' + columnType(c, dialect) + (c.notNull ? QStringLiteral(" not null") : QString());
    if (!t.primaryKey.isEmpty())
        defs << QStringLiteral("primary key (") + t.primaryKey.join(QStringLiteral(", ")) + u')';
    QStringList out;
    out << QStringLiteral("create table ") + t.name + QStringLiteral(" (") + defs.join(QStringLiteral(", ")) + u')';
    for (const QStringList &ix : t.indexes)
        out << QStringLiteral("create index ix_") + t.name + u'_' + ix.join(u'_') + QStringLiteral(" on ") + t.name
                + QStringLiteral(" (") + ix.join(QStringLiteral(", ")) + u')';
    return out;
}

// Text columns compare without regard to case on PostgreSQL through this type.
const QString kCitext = QStringLiteral("create extension if not exists citext");

} // namespace

QStringList createStatements(const Database &db)
{
    QStringList out;
    if (db.dialect() == SqlDialect::PostgreSQL)
        out << kCitext;
    for (const Table &t : tables())
        out << tableStatements(t, db.dialect());
    return out;
}

QStringList createStatements(const Database &db, const Table &table)
{
    return tableStatements(table, db.dialect());
}

bool create(Database &db, QString *error)
{
    return createTables(db, tables(), error);
}

bool createTables(Database &db, const QList<Table> &list, QString *error)
{
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!db.isConnected())
        return fail(db.LastError().isEmpty() ? QStringLiteral("数据库尚未连接") : db.LastError().description);
    // One transaction: a failure leaves no half-made schema behind.
    if (!db.transaction())
        return fail(db.LastError().description);
    QStringList statements;
    if (db.dialect() == SqlDialect::PostgreSQL)
        statements << kCitext;
    for (const Table &t : list) {
        if (!db.hasTable(t.name))
            statements << tableStatements(t, db.dialect());
    }
    for (const QString &sql : std::as_const(statements)) {
        if (!db.exec(sql)) {
            const QString reason = db.LastError().description;
            db.rollback();
            return fail(reason);
        }
    }
    if (!db.commit())
        return fail(db.LastError().description);
    return true;
}

QStringList columnNames(Database &db, const QString &table)
{
    QStringList out;
    RecordSetPtr rs;
    switch (db.dialect()) {
    case SqlDialect::SQLite:
        rs = db.query(QStringLiteral("select name from pragma_table_info(?)"), {table});
        break;
    case SqlDialect::PostgreSQL:
        rs = db.query(QStringLiteral("select column_name from information_schema.columns where table_schema = any "
                                     "(current_schemas(false)) and table_name = ?"),
                      {table.toLower()});
        break;
    case SqlDialect::SqlServer:
        rs = db.query(QStringLiteral("select column_name from information_schema.columns where table_name = ?"), {table});
        break;
    }
    for (; rs && !rs->isEOF(); rs->moveNext())
        out << rs->value(0).toString();
    return out;
}

bool addMissingColumns(Database &db, const QList<Table> &list, QString *error)
{
    QStringList statements;
    for (const Table &t : list) {
        if (!db.hasTable(t.name))
            continue;
        const QStringList have = columnNames(db, t.name);
        for (const Column &c : t.columns)
            if (!have.contains(c.name, Qt::CaseInsensitive))
                // Added without "not null": the rows already there have no value for it.
                statements << QStringLiteral("alter table %1 add column %2 %3").arg(t.name, c.name, columnType(c, db.dialect()));
    }
    if (statements.isEmpty())
        return true;
    if (!db.transaction()) {
        if (error)
            *error = db.LastError().description;
        return false;
    }
    for (const QString &sql : std::as_const(statements))
        if (!db.exec(sql)) {
            if (error)
                *error = db.LastError().description;
            db.rollback();
            return false;
        }
    if (!db.commit()) {
        if (error)
            *error = db.LastError().description;
        return false;
    }
    return true;
}

const QList<Table> &tables()
{
    static const QList<Table> t = build();
    return t;
}

const Table *table(const QString &name)
{
    for (const Table &t : tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

} // namespace schema
