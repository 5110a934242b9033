#include "commands.h"

#include <QCoreApplication>

#include <functional>
#include <map>

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
int usage(const QString &text)
{
    out() << text << Qt::endl;
    return 0;
}

} // namespace admin

static const char kHelp[] =
    "usage: zenlo-admin GROUP COMMAND [ARGS]\n"
    "  config check FILE [--app-folder DIR]    load a configuration and print its settings\n"
    "  reg query KEY                           list a registry key's values and subkeys\n"
    "  reg export KEY FILE [--no-subkeys]      write a key tree to a new REGEDIT4 file\n"
    "  reg import FILE                         read a REGEDIT4 file into the registry\n"
    "  db init-demo FILE                       create the demo database\n"
    "  classes FILE                            list a library's classes from its metadata\n"
    "  regsvr [/u] FILE                        register (or with /u unregister) a library's classes\n"
    "Every command takes --help.";

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const std::map<QString, std::function<int(const QStringList &)>> groups{
        {QStringLiteral("config"), admin::configCommand},
        {QStringLiteral("reg"), admin::regCommand},
        {QStringLiteral("db"), admin::dbCommand},
        {QStringLiteral("classes"), admin::classesCommand},
        {QStringLiteral("regsvr"), admin::regsvrCommand},
    };
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        admin::out() << kHelp << Qt::endl;
        return args.isEmpty() ? 2 : 0;
    }
    const auto it = groups.find(args.first());
    if (it == groups.end())
        return admin::fail(QStringLiteral("unknown command group '%1' (try --help)").arg(args.first())), 2;
    const int rc = it->second(args.mid(1));
    admin::out().flush();
    admin::err().flush();
    return rc;
}
