#include "commands.h"

namespace admin {

int dbCommand(const QStringList &args)
{
    if (args.isEmpty() || args.contains(QLatin1String("--help")))
        return usage(QStringLiteral("usage: zenlo-admin db init-demo FILE"));
    return fail(QStringLiteral("unknown db command '%1'").arg(args.first()));
}

} // namespace admin
