#include "commands.h"

#include "core/clsconfig.h"
#include "components/database.h"
#include "components/xmldocument.h"
#include "core/bcommon.h"
#include "platform/appinfo.h"
#include "platform/registrystore.h"

#include <QFileInfo>

namespace admin {

static QString b(bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); }

static int configCheck(const QStringList &args)
{
    QString file;
    PathContext ctx = PathContext::current();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if ((a == QLatin1String("--app-folder") || a == QLatin1String("--path-style")) && i + 1 >= args.size()) {
            return usageError(QStringLiteral("option %1 needs a value").arg(a));
        } else if (a == QLatin1String("--app-folder")) {
            ctx.programFolder = args.at(++i);
            while (ctx.programFolder.size() > 1 && (ctx.programFolder.endsWith(QLatin1Char('/')) || ctx.programFolder.endsWith(QLatin1Char('\\'))))
                ctx.programFolder.chop(1);
        } else if (a == QLatin1String("--path-style")) {
            const QString s = args.at(++i);
            if (s == QLatin1String("windows"))
                ctx.style = PathStyle::Windows;
            else if (s == QLatin1String("posix"))
                ctx.style = PathStyle::Posix;
            else
                return usageError(QStringLiteral("unknown path style '%1' (windows or posix)").arg(s));
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
        } else if (file.isEmpty()) {
            file = a;
        } else {
            return usageError(QStringLiteral("more than one file given"));
        }
    }
    if (file.isEmpty())
        return usageError(QStringLiteral("config check needs a FILE"));
    if (QFileInfo(file).isDir())
        return fail(QStringLiteral("%1: is a folder, not a configuration file").arg(file));
    if (!QFileInfo(file).isFile())
        return fail(QStringLiteral("%1: no such file").arg(file));
    // The folder must be one of the style's own: under Windows rules a path
    // without a drive letter is relative (a POSIX folder, a share) and gets the
    // folder put in front of it a second time.
    const bool windowsFolder =
        ctx.programFolder.size() >= 2 && ctx.programFolder.at(0).isLetter() && ctx.programFolder.at(1) == QLatin1Char(':');
    if (ctx.style == PathStyle::Windows && !windowsFolder)
        return usageError(QStringLiteral("--app-folder %1 is no Windows folder with a drive letter (C:\\...) for --path-style windows")
                              .arg(ctx.programFolder));
    if (ctx.style == PathStyle::Posix && !ctx.programFolder.startsWith(QLatin1Char('/')))
        return usageError(QStringLiteral("--app-folder %1 is no absolute POSIX folder for --path-style posix").arg(ctx.programFolder));
    if (ctx.style == PathStyle::Windows)
        ctx.programFolder.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (!ctx.programFolder.isEmpty() && QFileInfo(ctx.programFolder).isFile())
        return fail(QStringLiteral("%1: is a file, not a program folder").arg(ctx.programFolder));
    // A check reads: it never creates a registry file or folder.
    registry::setCreateHives(false);

    clsConfig cfg(ctx);
    if (!cfg.Init(file))
        return fail(QStringLiteral("%1: %2").arg(file, cfg.lastError().isEmpty() ? QStringLiteral("cannot be loaded") : cfg.lastError()));
    // What the program refuses at start-up is refused here too: the database settings.
    if (ctx.style == nativePathStyle())
        appinfo::setProgramFolder(ctx.programFolder);
    ConnectionSettings db;
    QString dbError;
    if (!Database::readSettings(*cfg.XML(), &db, &dbError, Database::environmentPassword()))
        return fail(QStringLiteral("%1: %2").arg(file, dbError));
    if (cfg.XML()->count(QStringLiteral("/configuration/system")) == 0)
        err() << "zenlo-admin: warning: " << file << " has no /configuration/system section; every setting takes its default" << Qt::endl;
    // A path as the program of that style reads it (Windows takes "/" for "\\").
    auto path = [&](QString p) {
        if (ctx.style == PathStyle::Windows)
            p.replace(QLatin1Char('/'), QLatin1Char('\\'));
        return p;
    };

    QTextStream &o = out();
    o << "Background_main=" << cfg.Background_main() << '\n'
      << "Background_splash=" << cfg.Background_splash() << '\n'
      << "Background_Login=" << cfg.Background_Login() << '\n'
      << "ConfigFileName=" << cfg.ConfigFileName() << '\n'
      << "MenuFileName=" << path(cfg.MenuFileName()) << '\n'
      << "UpdateFileName=" << cfg.UpdateFileName() << '\n'
      << "TreeWidth=" << cfg.TreeWidth() << '\n'
      << "SplashDelay=" << cfg.SplashDelay() << '\n'
      << "Caption=" << cfg.Caption() << '\n'
      << "HelpFileName=" << path(cfg.HelpFileName()) << '\n'
      << "MenuToolWidth=" << QString::number(cfg.MenuToolWidth(), 'g', 15) << '\n'
      << "AutoRegister=" << b(cfg.AutoRegister()) << '\n'
      << "AutoResize=" << b(cfg.AutoResize()) << '\n'
      << "Subject=" << cfg.Subject() << '\n'
      << "RootCaption=" << cfg.RootCaption() << '\n'
      << "MenuMode=" << cfg.MenuMode() << '\n'
      << "Navigate=" << cfg.Navigate() << '\n'
      << "UnFormStatus=" << b(cfg.UnFormStatus()) << '\n';
    o.flush();
    return 0;
}

int configCommand(const QStringList &args)
{
    if (wantsHelp(args))
        return usage(QStringLiteral(
            "usage: zenlo-admin config check FILE [--app-folder DIR] [--path-style windows|posix]\n"
            "Loads FILE as the program would (in the encoding its XML declaration names) and prints\n"
            "one line Name=value per setting. Nothing is written."));
    if (args.isEmpty())
        return usageError(QStringLiteral("config needs a command: check"));
    if (args.first() == QLatin1String("check"))
        return configCheck(args.mid(1));
    return usageError(QStringLiteral("unknown config command '%1'").arg(args.first()));
}

} // namespace admin
