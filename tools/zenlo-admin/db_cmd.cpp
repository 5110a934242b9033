#include "commands.h"

#include "demo/demodb.h"

namespace admin {

int dbCommand(const QStringList &args)
{
    if (args.isEmpty() || args.contains(QLatin1String("--help")))
        return usage(QStringLiteral("usage: zenlo-admin db init-demo FILE\n"
                                    "Creates the demo account set in a new SQLite file (an existing file is never touched)."));
    if (args.first() == QLatin1String("init-demo")) {
        if (args.size() != 2)
            return fail(QStringLiteral("db init-demo needs exactly one FILE"));
        QString error;
        if (!demo::create(args.at(1), &error))
            return fail(error);
        out() << "created " << args.at(1) << Qt::endl;
        return 0;
    }
    return fail(QStringLiteral("unknown db command '%1'").arg(args.first()));
}

} // namespace admin
