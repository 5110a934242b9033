#pragma once
// The embedded demo account set: schema, seed data, operators and icons of a
// small trading company, in a SQLite file (or any connected database).
#include <QString>

class Database;

namespace demo {

// Creates a new demo database file; refuses an existing file. On failure no file is left.
bool create(const QString &file, QString *error = nullptr);
// Creates the tables and fills them on an open, empty database.
bool populate(Database &db, QString *error = nullptr);
// For the program's own configuration: when its <database> node is marked
// demo="true", uses the sqlite driver and names a file that does not exist,
// the demo database is created there. True when there is nothing to do or it was created.
bool createIfMissing(const QString &configPath, QString *error = nullptr);

// The demo operators (name, password) for documentation and tests.
struct DemoOperator {
    const char *code;
    const char *name;
    const char *password;
    bool administrator;
};
const DemoOperator *operators(int *count);

} // namespace demo
