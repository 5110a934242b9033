#include "commands.h"

namespace admin {

int regCommand(const QStringList &args)
{
    if (args.isEmpty() || args.contains(QLatin1String("--help")))
        return usage(QStringLiteral("usage: zenlo-admin reg query KEY | export KEY FILE [--no-subkeys] | import FILE"));
    return fail(QStringLiteral("unknown reg command '%1'").arg(args.first()));
}

} // namespace admin
