#pragma once
// The embedded demo account set: schema, seed data, operators and icons of a
// small trading company, in a SQLite file (or any connected database).
#include <QString>

class Database;

namespace demo {

// Creates a new demo database file; refuses an existing file, and a missing
// folder unless makeFolders is set. On failure no file is left.
bool create(const QString &file, QString *error = nullptr, bool makeFolders = false);
// Creates the tables and fills them on an open, empty database.
bool populate(Database &db, QString *error = nullptr);
// For the program's own configuration: when its <database> node is marked
// demo="true", uses the sqlite driver and its file (Database::demoDatabaseFile:
// the user's data folder when the program folder cannot take it) does not
// exist, that file. "" when there is nothing to create.
QString missingDemoFile(const QString &configPath, QString *movedFrom = nullptr);
// Creates the file missingDemoFile names, with its folders. True when there is
// nothing to do or it was created.
bool createIfMissing(const QString &configPath, QString *error = nullptr);

// For the program's own configuration: a demo database file an earlier build
// made is brought up to today's tables (its rows stay), and its operators get
// the rights of today's demo. True when there is nothing to do or it was done.
bool upgradeIfOld(const QString &configPath, QString *error = nullptr);
// The same on the program's open database: nothing for a database that is not
// a demo SQLite file, or whose stamp says it has today's tables already.
bool upgradeIfOld(Database &db, QString *error = nullptr);
// Brings an open demo database up to today's tables and stamps it.
bool upgrade(Database &db, QString *error = nullptr);
// The stamp of today's demo tables (SQLite's user_version); raised with every
// change of the tables, keys or demo rights, so older files are upgraded once.
constexpr int kSchemaStamp = 7;

// The demo operators (name, password) for documentation and tests.
struct DemoOperator {
    const char *code;
    const char *name;
    const char *password;
    bool administrator;
};
const DemoOperator *operators(int *count);

} // namespace demo
