#pragma once
// A benchmark's own account set in a folder: its configuration naming folder/bench.db, and
// the session opened on it in the start-up's order, with admin logged in.
#include "components/database.h"
#include "components/logservice.h"
#include "components/schema.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/session.h"

#include <QFile>
#include <QString>

namespace benchsite {

// Creates folder/bench.db with every table of the program, connected through db.
inline bool createDatabase(Database &db, const QString &folder, QString *error)
{
    ConnectionSettings s;
    s.driver = QStringLiteral("sqlite");
    s.database = folder + QStringLiteral("/bench.db");
    s.createIfMissing = true;
    return db.Init(s) && db.Connect() && schema::create(db, error);
}

// Writes folder/zenlo.Exe.Config; systemInner goes inside <system>.
inline bool writeConfig(const QString &folder, const QString &systemInner)
{
    QFile config(folder + QStringLiteral("/zenlo.Exe.Config"));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configuration><system>%2</system>"
                                "<database driver=\"sqlite\"><database>%1/bench.db</database></database>"
                                "<log folder=\"%1/log\"/></configuration>\n")
                     .arg(folder, systemInner)
                     .toUtf8());
    return true;
}

// Configuration, log, database, operator and system services; the environment's program
// folder is the site's, its temporary folder tempFolder.
inline bool openSite(const QString &folder, const QString &tempFolder)
{
    const QString configFile = folder + QStringLiteral("/zenlo.Exe.Config");
    Session &g = Session::open();
    g.config = std::make_unique<clsConfig>();
    if (!g.config->Init(configFile))
        return false;
    g.logConfig = std::make_unique<LogConfig>();
    g.logConfig->load(configFile);
    LogService::instance().Init(nullptr, g.logConfig.get());
    g.db = std::make_unique<Database>();
    if (!g.db->Init(configFile, true) || !g.db->Connect())
        return false;
    g.op = std::make_unique<Operator>();
    g.sys = std::make_unique<SystemServices>();
    if (!g.sys->Init(g.db.get(), g.op.get(), 0))
        return false;
    g.sys->environment()->setAppFolder(folder);
    g.sys->environment()->setTempFolder(tempFolder);
    g.op->setName(QStringLiteral("admin"));
    return g.op->VerifyPassword(QString());
}

} // namespace benchsite
