#include "commands.h"

#include "components/database.h"
#include "core/clsconfig.h"
#include "core/diagnostics.h"
#include "platform/appinfo.h"
#include "platform/registrystore.h"

#include <QFileInfo>

namespace admin {

int diagCommand(const QStringList &args)
{
    if (wantsHelp(args))
        return usage(QStringLiteral("usage: zenlo-admin diag [--cfg FILE]\n"
                                    "  prints the diagnostics page of the about window for the configuration (default:\n"
                                    "  zenlo.Exe.Config beside zenlo-admin): program, database with its version and\n"
                                    "  round-trip time, registry folders, per-user settings key, and the libraries of\n"
                                    "  components/ and Plugin/ with their classes or why they give none.\n"));
    QString cfg;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) != QLatin1String("--cfg"))
            return usageError(args.at(i).startsWith(u'-') ? QStringLiteral("unknown option '%1'").arg(args.at(i))
                                                          : QStringLiteral("diag takes no argument '%1'").arg(args.at(i)));
        if (i + 1 >= args.size())
            return usageError(QStringLiteral("option --cfg needs a value"));
        cfg = args.at(++i);
    }
    if (cfg.isEmpty())
        cfg = appinfo::programFolder() + QStringLiteral("/zenlo.Exe.Config");
    if (QFileInfo(cfg).isDir())
        return fail(QStringLiteral("%1: is a folder, not a configuration file").arg(cfg));
    if (!QFileInfo(cfg).isFile())
        return fail(QStringLiteral("%1: no such file").arg(cfg));
    // Looking leaves no trace: no registry file or folder is made.
    registry::setCreateHives(false);
    // Another installation's configuration: its %app.path% (the database, the
    // libraries) is the folder of that configuration, not of zenlo-admin.
    appinfo::setProgramFolder(QFileInfo(cfg).absolutePath());
    diagnostics::Inputs in;
    in.configFile = QFileInfo(cfg).absoluteFilePath();
    clsConfig config;
    if (!config.Init(cfg))
        return fail(QStringLiteral("%1: %2").arg(cfg, config.lastError().isEmpty() ? QStringLiteral("cannot be loaded") : config.lastError()));
    in.appName = config.Caption();
    Database db;
    if (db.Init(cfg, false))
        db.Connect();
    in.db = &db;
    const QString folder = QFileInfo(cfg).absolutePath();
    in.libraryFolders = {folder + QStringLiteral("/components"), folder + QStringLiteral("/Plugin")};
    out() << diagnostics::report(in);
    out().flush();
    return 0;
}

} // namespace admin
