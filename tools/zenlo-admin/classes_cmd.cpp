#include "commands.h"

#include "platform/classmeta.h"

namespace admin {

namespace {

const char kClassesHelp[] =
    "usage: zenlo-admin classes FILE\n"
    "Lists the classes of the library FILE from its class metadata, one per line:\n"
    "  ProgID {CLSID} Interface1 Interface2 ...\n"
    "The library's code is not run, and nothing is written.";

} // namespace

int classesCommand(const QStringList &args)
{
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h")))
        return usage(QString::fromLatin1(kClassesHelp));
    for (const QString &a : args)
        if (a.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
    if (args.size() != 1)
        return usageError(QStringLiteral("classes needs exactly one FILE"));
    const QString &file = args.first();
    objects::LibraryMeta meta;
    QString reason;
    if (!objects::readClassMetadata(file, &meta, &reason))
        return fail(QStringLiteral("%1: %2").arg(file, reason));
    QTextStream &o = out();
    for (const objects::ClassInfo &c : std::as_const(meta.classes)) {
        o << meta.progId(c) << ' ' << objects::guidText(c.clsid);
        for (const objects::InterfaceInfo &i : c.interfaces)
            o << ' ' << i.name;
        o << '\n';
    }
    o.flush();
    return 0;
}

} // namespace admin
