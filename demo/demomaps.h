#pragma once
// The demo's process maps: one per second-level catalog entry (sources in
// demo/maps/), stored as xt_menuPilot rows of type 0.
#include <QString>

class Database;

namespace demo {

// The menu codes that have a map, in the order they are stored.
QStringList pilotMapCodes();
// The map of a code as stored (the XML file's bytes); empty when there is none.
QByteArray pilotMapSource(const QString &code);
// Inserts the map rows on an open database (inside the caller's transaction):
// the maps of the sales and general-ledger catalogs packed in zip archives
// (iscompress 1, filename the XML file inside), the others as plain XML;
// filesize is always the XML file's length, the length the cache is checked by.
bool storePilotMaps(Database &db, QString *error = nullptr);

} // namespace demo
