#include "commands.h"

#include "platform/registrystore.h"
#include "util/clsregistryaccess.h"

#include <QFileInfo>

namespace admin {

namespace {

const char kRegHelp[] =
    "usage: zenlo-admin reg query KEY | export KEY FILE [--no-subkeys] | import FILE\n"
    "KEY is a registry path such as HKCU\\Software\\Demo or HKEY_LOCAL_MACHINE\\Software.\n"
    "The registry files are in $ZENLO_REGISTRY_DIR when it is set.";
const char kQueryHelp[] =
    "usage: zenlo-admin reg query KEY\n"
    "Prints the key's values, one per line as name=TYPE:data (\"@\" is the default value),\n"
    "then its subkeys, one per line ending with \"\\\".";
const char kExportHelp[] =
    "usage: zenlo-admin reg export KEY FILE [--no-subkeys]\n"
    "Writes KEY (and its subkeys unless --no-subkeys) to the new REGEDIT4 file FILE.\n"
    "An existing FILE is never overwritten.";
const char kImportHelp[] =
    "usage: zenlo-admin reg import FILE\n"
    "Applies the REGEDIT4 file FILE. A file with a fault is refused and changes nothing.";

// The first argument that looks like an option ("--x"), wherever it stands.
QString unknownOption(const QStringList &args)
{
    for (const QString &a : args)
        if (a.startsWith(QLatin1String("--")))
            return a;
    return QString();
}

QString statusText(int32_t st)
{
    switch (st) {
    case registry::NotFound:
        return QStringLiteral("no such key");
    case registry::AccessDenied:
        return QStringLiteral("access denied");
    case registry::InvalidParameter:
        return QStringLiteral("a key name is empty or longer than %1 characters").arg(registry::MaxKeyNameLength);
    case registry::IoFailed:
        return QStringLiteral("the registry file cannot be read");
    default:
        return QStringLiteral("the key cannot be opened (error %1)").arg(st);
    }
}

QString typeName(uint32_t type)
{
    switch (type) {
    case registry::RegNone:
        return QStringLiteral("REG_NONE");
    case registry::RegSz:
        return QStringLiteral("REG_SZ");
    case registry::RegExpandSz:
        return QStringLiteral("REG_EXPAND_SZ");
    case registry::RegBinary:
        return QStringLiteral("REG_BINARY");
    case registry::RegDword:
        return QStringLiteral("REG_DWORD");
    case registry::RegMultiSz:
        return QStringLiteral("REG_MULTI_SZ");
    default:
        return QStringLiteral("REG_%1").arg(type);
    }
}

QString dataText(uint32_t type, const QByteArray &data)
{
    if (type == registry::RegSz || type == registry::RegExpandSz) {
        QString s = registry::stringFromData(data);
        // One value per line, whatever the text holds.
        s.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
        return s;
    }
    if (type == registry::RegDword && data.size() == 4) {
        const uint32_t v = uint32_t(uchar(data[0])) | uint32_t(uchar(data[1])) << 8 | uint32_t(uchar(data[2])) << 16
                           | uint32_t(uchar(data[3])) << 24;
        return QStringLiteral("0x%1 (%2)").arg(v, 8, 16, QLatin1Char('0')).arg(v);
    }
    return clsRegistryAccess::BinToStr(data).trimmed();
}

int regQuery(const QStringList &args)
{
    if (wantsHelp(args))
        return usage(QString::fromLatin1(kQueryHelp));
    if (const QString option = unknownOption(args); !option.isEmpty())
        return usageError(QStringLiteral("unknown option '%1'").arg(option));
    if (args.size() != 1)
        return usageError(QStringLiteral("reg query needs exactly one KEY"));
    // A query reads: it never creates a registry file or folder.
    registry::setCreateHives(false);
    const QString path = args.first();
    QString sub;
    const registry::HKEY root = clsRegistryAccess::ParseKeyPath(path, &sub);
    if (!root)
        return fail(QStringLiteral("%1: unknown root key").arg(path));
    registry::HKEY key = 0;
    const int32_t st = registry::openKey(root, sub, registry::KeyRead, &key);
    if (st != registry::Success)
        return fail(QStringLiteral("%1: %2").arg(path, statusText(st)));

    QTextStream &o = out();
    o << '[' << clsRegistryAccess::fullKeyPath(path) << "]\n";
    QString name;
    uint32_t type = 0;
    QByteArray data;
    for (uint32_t i = 0; registry::enumValue(key, i, &name, &type, &data) == registry::Success; ++i)
        o << (name.isEmpty() ? QStringLiteral("@") : name) << '=' << typeName(type) << ':' << dataText(type, data)
          << '\n';
    for (uint32_t i = 0; registry::enumKey(key, i, &name) == registry::Success; ++i)
        o << name << "\\\n";
    registry::closeKey(key);
    o.flush();
    return 0;
}

int regExport(const QStringList &args)
{
    if (wantsHelp(args))
        return usage(QString::fromLatin1(kExportHelp));
    QStringList positional;
    bool subkeys = true;
    for (const QString &a : args) {
        if (a == QLatin1String("--no-subkeys"))
            subkeys = false;
        else if (a.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
        else
            positional.append(a);
    }
    if (positional.size() != 2)
        return usageError(QStringLiteral("reg export needs KEY and FILE"));
    const QString &path = positional.at(0);
    const QString &file = positional.at(1);
    if (QFileInfo(file).isDir())
        return fail(QStringLiteral("%1: is a folder; an export writes a new file").arg(file));
    // An export reads the registry: a missing hive is not created for it.
    registry::setCreateHives(false);
    if (!clsRegistryAccess::ParseKeyPath(path, nullptr))
        return fail(QStringLiteral("%1: unknown root key").arg(path));
    clsRegistryAccess reg;
    if (!reg.ExportToReg(path, file, subkeys))
        return fail(reg.lastError());
    out() << "exported " << clsRegistryAccess::fullKeyPath(path) << " to " << file << Qt::endl;
    return 0;
}

int regImport(const QStringList &args)
{
    if (wantsHelp(args))
        return usage(QString::fromLatin1(kImportHelp));
    if (const QString option = unknownOption(args); !option.isEmpty())
        return usageError(QStringLiteral("unknown option '%1'").arg(option));
    if (args.size() != 1)
        return usageError(QStringLiteral("reg import needs exactly one FILE"));
    if (QFileInfo(args.first()).isDir())
        return fail(QStringLiteral("%1: is a folder, not a REGEDIT4 file").arg(args.first()));
    clsRegistryAccess reg;
    QList<int> escaped;
    if (!reg.ImportFromReg(args.first(), &escaped))
        return fail(reg.lastError());
    out() << "imported " << args.first() << Qt::endl;
    if (!escaped.isEmpty()) {
        QStringList lines;
        for (int n : std::as_const(escaped))
            lines << QString::number(n);
        err() << "zenlo-admin: warning: " << escaped.size() << " value line(s) of " << args.first()
              << " hold \\\" or \\\\ (line " << lines.join(QStringLiteral(", "))
              << "): they were stored as written, every double quote dropped and no backslash unescaped" << Qt::endl;
    }
    return 0;
}

} // namespace

int regCommand(const QStringList &args)
{
    if (!args.isEmpty() && (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")))
        return usage(QString::fromLatin1(kRegHelp));
    if (args.isEmpty())
        return usageError(QStringLiteral("reg needs a command: query, export or import"));
    const QString cmd = args.first();
    if (cmd == QLatin1String("query"))
        return regQuery(args.mid(1));
    if (cmd == QLatin1String("export"))
        return regExport(args.mid(1));
    if (cmd == QLatin1String("import"))
        return regImport(args.mid(1));
    return usageError(QStringLiteral("unknown reg command '%1'").arg(cmd));
}

} // namespace admin
