#pragma once
// The business data of the demo account set: suppliers, customers, items,
// purchase and sales orders with lines, stock movements, vouchers, receivables
// and the definitions (xt_progdef) that tell the business components what each
// program number shows. Generated from a fixed seed: every demo database holds
// the same rows.
#include <QList>
#include <QString>

class Database;

namespace schema {
struct Table;
}

namespace demo {

// The tables of the business data and of the program definitions.
const QList<schema::Table> &businessTables();
// Creates those tables and fills them on an open database (in one transaction).
bool populateBusiness(Database &db, QString *error);
// Brings the business tables of a demo account set an earlier build made up to
// today's (new columns, definitions, totals of stored lines); its rows stay.
bool upgradeBusiness(Database &db, QString *error);

} // namespace demo
