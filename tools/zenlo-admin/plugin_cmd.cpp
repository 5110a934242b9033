#include "commands.h"

#include "platform/appinfo.h"
#include "plugins/pluginscan.h"

#include <QDir>
#include <QFileInfo>

namespace admin {

namespace {

const char kPluginHelp[] =
    "usage: zenlo-admin plugin list [FOLDER]\n"
    "Lists the plug-ins of FOLDER (default: Plugin/ in the program folder) as the\n"
    "plug-in list window finds them, one line per class implementing _IExtPluginUI:\n"
    "  plugin PROGID registered=yes|no file=NAME [same-class-in=NAME,...] caption=CAPTION\n"
    "(same-class-in names the other files of the folder that give the same class)\n"
    "and one line per library that gives no plug-in, with the reason:\n"
    "  refused NAME reason=TEXT\n"
    "As in the window, a bad library does not hide the ones after it. Each plug-in\n"
    "is created once (Init, Caption, Terminate) without system services; nothing is\n"
    "written. Exit codes: 0 when the folder could be read, 1 when not, 2 usage error.";

} // namespace

int pluginCommand(const QStringList &args)
{
    if (wantsHelp(args))
        return usage(QString::fromLatin1(kPluginHelp));
    if (args.isEmpty())
        return usageError(QStringLiteral("plugin needs a command: list"));
    if (args.first() != QLatin1String("list"))
        return usageError(QStringLiteral("unknown plugin command '%1'").arg(args.first()));
    const QStringList rest = args.mid(1);
    if (rest.size() > 1)
        return usageError(QStringLiteral("plugin list takes at most one FOLDER"));
    if (!rest.isEmpty() && rest.first().startsWith(QLatin1String("--")))
        return usageError(QStringLiteral("unknown option '%1'").arg(rest.first()));
    const QString programFolder = appinfo::programFolder();
    const QString folder = rest.isEmpty() ? plugins::pluginFolder(programFolder) : QFileInfo(rest.first()).absoluteFilePath();
    const QFileInfo info(folder);
    if (!info.exists())
        return fail(QStringLiteral("%1: no such folder").arg(folder));
    if (!info.isDir())
        return fail(QStringLiteral("%1: not a folder").arg(folder));
    if (!info.isReadable() || !QDir(folder).isReadable())
        return fail(QStringLiteral("%1: the folder cannot be read").arg(folder));

    QTextStream &o = out();
    for (const plugins::LibraryReport &library : plugins::inspectPluginFolder(programFolder, folder, QString(), nullptr)) {
        for (const plugins::PluginRow &row : library.rows) {
            o << "plugin " << row.progId << " registered=" << (row.reg == QLatin1String("1") ? "yes" : "no")
              << " file=" << library.file;
            if (!row.sameClassIn.isEmpty())
                o << " same-class-in=" << row.sameClassIn.join(QLatin1Char(','));
            o << " caption=" << row.caption << '\n';
        }
        if (!library.refused.isEmpty())
            o << "refused " << library.file << " reason=" << QString(library.refused).replace(QLatin1Char('\n'), QLatin1Char(' '))
              << '\n';
    }
    o.flush();
    return 0;
}

} // namespace admin
