#include "commands.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <memory>

namespace admin {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}
QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}
int fail(const QString &reason)
{
    err() << "zenlo-admin: " << reason << Qt::endl;
    return 1;
}
int usageError(const QString &reason)
{
    err() << "zenlo-admin: " << reason << " (try --help)" << Qt::endl;
    return 2;
}
int usage(const QString &text)
{
    out() << text << Qt::endl;
    return 0;
}
bool wantsHelp(const QStringList &args)
{
    return args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"));
}

} // namespace admin

static const char kHelp[] =
    "usage: zenlo-admin GROUP COMMAND [ARGS]\n"
    "  config check FILE [--app-folder DIR] [--path-style windows|posix]\n"
    "                                          load a configuration and print its settings\n"
    "  reg query KEY                           list a registry key's values and subkeys\n"
    "  reg export KEY FILE [--no-subkeys]      write a key tree to a new REGEDIT4 file\n"
    "  reg import FILE                         read a REGEDIT4 file into the registry\n"
    "  db init-demo FILE                       create the demo database in a new file\n"
    "  classes FILE                            list a library's classes from its metadata\n"
    "  regsvr [/u] FILE                        register (or with /u unregister) a library's classes\n"
    "  plugin list [FOLDER]                    list the plug-ins of a Plugin folder, and why a library is refused\n"
    "  map check FILE                          read a process map and list its arrows and boxes\n"
    "  map render FILE OUT.png [--size WxH]    draw a process map into a new PNG file\n"
    "  oplog [--since DATE] [--until DATE] [--user NAME] [--csv FILE] [--cfg FILE]\n"
    "                                          list the operation records, or write them to a new CSV file\n"
    "  diag [--cfg FILE]                       print the diagnostics page (program, database, registry, libraries)\n"
    "Every command takes --help.";

// The exit codes of every command; the README's table states the same rows.
const admin::ExitCode kExitCodes[] = {
    {0, "success"},
    {1, "failure, with a one-line reason on stderr: a file, folder, key, library or configuration that cannot be used"},
    {2, "usage error: a missing or unknown command, argument or option, an option without its value, or a bad option value"},
};

static QString helpText()
{
    QString text = QString::fromLatin1(kHelp) + QStringLiteral("\nExit codes (every command):");
    for (const admin::ExitCode &c : kExitCodes)
        text += QStringLiteral("\n  %1  %2").arg(c.code).arg(QString::fromLatin1(c.meaning));
    return text;
}

int main(int argc, char **argv)
{
    // Maps are drawn with the home area's controls: widgets, on the offscreen platform.
    // Only drawing needs them: a check runs without a window system (and so
    // without a runtime folder of its own).
    bool widgets = false;
    for (int i = 2; i < argc && !widgets; ++i)
        widgets = qstrcmp(argv[1], "map") == 0 && qstrcmp(argv[i], "render") == 0;
    // Without a runtime folder Qt would make /tmp/runtime-<user> and warn: a
    // private one lives as long as the command.
    std::unique_ptr<QTemporaryDir> runtime;
    if (widgets) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            runtime = std::make_unique<QTemporaryDir>();
            if (runtime->isValid()) {
                QFile::setPermissions(runtime->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
            }
        }
    }
    std::unique_ptr<QCoreApplication> app(widgets ? new QApplication(argc, argv) : new QCoreApplication(argc, argv));
    QStringList args = app->arguments().mid(1);
    const std::map<QString, std::function<int(const QStringList &)>> groups{
        {QStringLiteral("config"), admin::configCommand},
        {QStringLiteral("reg"), admin::regCommand},
        {QStringLiteral("db"), admin::dbCommand},
        {QStringLiteral("classes"), admin::classesCommand},
        {QStringLiteral("regsvr"), admin::regsvrCommand},
        {QStringLiteral("plugin"), admin::pluginCommand},
        {QStringLiteral("map"), admin::mapCommand},
        {QStringLiteral("oplog"), admin::oplogCommand},
        {QStringLiteral("diag"), admin::diagCommand},
    };
    if (args.isEmpty()) {
        admin::err() << helpText() << Qt::endl;
        return 2;
    }
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        admin::out() << helpText() << Qt::endl;
        return 0;
    }
    const auto it = groups.find(args.first());
    if (it == groups.end())
        return admin::usageError(QStringLiteral("unknown command group '%1'").arg(args.first()));
    const int rc = it->second(args.mid(1));
    admin::out().flush();
    admin::err().flush();
    return rc;
}
