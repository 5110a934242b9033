#pragma once
// The add-ins of the menu (catalog 230): a plug-in of the _IExtPluginUI kind,
// named by ProgID in the program's row of xt_objects, given four parameters,
// initialised with the system services object and run, with status prompts
// and one operation record.
#include <QString>

#include <cstdint>

class Database;
class Session;

namespace plugins {

// The program-definition object: the ProgID and the stored command line of one program number.
class ProgramDefinition
{
public:
    explicit ProgramDefinition(Database *db) : m_db(db) {}
    // Reads the program's row; false (ProgID and command line empty) when there is none.
    // Throws RuntimeError with the database's message when the table cannot be read.
    bool Load(int32_t programNumber);
    QString ProgID() const { return m_progId; }
    QString CommandLine() const { return m_commandLine; }

private:
    Database *m_db;
    QString m_progId;
    QString m_commandLine;
};

void RunAddIn(Session &session, int32_t programNumber, const QString &systemCode, const QString &menuName);

} // namespace plugins
