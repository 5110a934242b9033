#pragma once
// The tables the program reads and the system services' own tables, written
// once in a neutral form and created in the connected server's dialect. Text
// columns compare without regard to case on every driver (NOCASE on SQLite,
// citext on PostgreSQL, the server's default collation on SQL Server).
#include "platform/zenlo_export.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;

namespace schema {

enum class ColumnType { Text, Integer, Number, Blob, DateTime };

struct Column {
    QString name;
    ColumnType type = ColumnType::Text;
    int length = 0; // text length on servers that need one (0: long text)
    bool notNull = false;
};

struct Table {
    QString name;
    QList<Column> columns;
    QStringList primaryKey;
    bool autoId = false; // an "id" column numbered by the server
    QList<QStringList> indexes;
};

// Every table: xt_menu, xt_mode, xt_objects, xt_menuPilot, sysdatabase,
// sys_operator, sys_rights, sys_param, sys_system, sys_period, sys_language, sys_oplog.
ZENLO_CORE_EXPORT const QList<Table> &tables();
ZENLO_CORE_EXPORT const Table *table(const QString &name);

// CREATE TABLE statements (and indexes) for the connected database's dialect.
ZENLO_CORE_EXPORT QStringList createStatements(const Database &db);
// The CREATE statements of one table.
ZENLO_CORE_EXPORT QStringList createStatements(const Database &db, const Table &table);
// Creates every missing table; false with the reason when a statement fails.
ZENLO_CORE_EXPORT bool create(Database &db, QString *error = nullptr);
// The same for other tables (an application's own, e.g. the demo's business data), in one transaction.
ZENLO_CORE_EXPORT bool createTables(Database &db, const QList<Table> &tables, QString *error = nullptr);

// The column names of a table of the connected database ("" list when it has none).
ZENLO_CORE_EXPORT QStringList columnNames(Database &db, const QString &table);
// Adds the columns of the tables the database lacks (existing tables only), in one transaction.
ZENLO_CORE_EXPORT bool addMissingColumns(Database &db, const QList<Table> &tables, QString *error = nullptr);

} // namespace schema
