#include "commands.h"

#include "platform/classmeta.h"
#include "platform/objectfactory.h"
#include "platform/registration.h"

namespace admin {

namespace {

const char kRegsvrHelp[] =
    "usage: zenlo-admin regsvr [/u | --unregister] FILE\n"
    "Registers every class of the library FILE under HKEY_CLASSES_ROOT (ProgID, CLSID,\n"
    "InprocServer32), so it is created by its ProgID; /u removes the keys that point at FILE.\n"
    "The library's code is not run. A file without valid class metadata changes nothing.\n"
    "The registry files are in $ZENLO_REGISTRY_DIR when it is set.";

QString line(const QString &verb, const objects::RegistryEntry &e)
{
    return QStringLiteral("%1 %2 %3").arg(verb, e.progId, objects::guidText(e.clsid));
}

} // namespace

int regsvrCommand(const QStringList &args)
{
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h")))
        return usage(QString::fromLatin1(kRegsvrHelp));
    bool unregister = false;
    QStringList files;
    for (const QString &a : args) {
        if (a.compare(QLatin1String("/u"), Qt::CaseInsensitive) == 0 || a == QLatin1String("--unregister"))
            unregister = true;
        else if (a.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
        else
            files.append(a);
    }
    if (files.size() != 1)
        return usageError(QStringLiteral("regsvr needs exactly one FILE"));
    const QString &file = files.first();

    QList<objects::RegistryEntry> entries;
    QString reason;
    const bool ok = unregister ? objects::unregisterLibrary(file, &reason, &entries)
                               : objects::registerLibrary(file, &reason, &entries);
    if (!ok)
        return fail(QStringLiteral("%1: %2").arg(file, reason));

    QTextStream &o = out();
    bool any = false;
    for (const objects::RegistryEntry &e : std::as_const(entries)) {
        if (unregister) {
            if (e.changed)
                o << line(QStringLiteral("unregistered"), e) << '\n';
            any = any || e.changed;
            continue;
        }
        if (!e.changed) {
            o << line(QStringLiteral("skipped"), e) << ": an earlier class has this ProgID\n";
            continue;
        }
        o << line(QStringLiteral("registered"), e) << '\n';
        if (objects::isBuiltin(e.progId))
            o << "note: " << e.progId << " is a built-in class of the shell; the built-in is created, not this one\n";
    }
    if (unregister && !any)
        o << "nothing to unregister: no class of " << file << " is registered to it\n";
    o.flush();
    return 0;
}

} // namespace admin
