#include "commands.h"

#include "demo/demodb.h"

namespace admin {

int dbCommand(const QStringList &args)
{
    if (wantsHelp(args))
        return usage(QStringLiteral("usage: zenlo-admin db init-demo FILE\n"
                                    "Creates the demo account set in a new SQLite file. An existing file is never touched,\n"
                                    "and the file's folder must exist."));
    if (args.isEmpty())
        return usageError(QStringLiteral("db needs a command: init-demo"));
    if (args.first() == QLatin1String("init-demo")) {
        for (const QString &a : args.mid(1))
            if (a.startsWith(QLatin1String("--")))
                return usageError(QStringLiteral("unknown option '%1'").arg(a));
        if (args.size() != 2)
            return usageError(QStringLiteral("db init-demo needs exactly one FILE"));
        QString error;
        if (!demo::create(args.at(1), &error))
            return fail(error);
        out() << "created " << args.at(1) << Qt::endl;
        return 0;
    }
    return usageError(QStringLiteral("unknown db command '%1'").arg(args.first()));
}

} // namespace admin
