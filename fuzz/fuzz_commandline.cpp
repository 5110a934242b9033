// The program's command line and the switches stored with a function: any text,
// and any list of arguments (separated by NUL in the input), must parse.
#include "components/commandline.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString line = QString::fromUtf8(input);

    CommandLine cl;
    cl.parse(line);
    for (const char *name : {"cfg", "MultiThread", "s", "w", ""})
        cl.option(QString::fromLatin1(name));
    cl.positional();

    // Every option or positional argument comes from at least one split argument.
    const QStringList args = CommandLine::split(line);
    if (cl.positional().size() > args.size())
        std::abort();

    QStringList list;
    for (const QByteArray &part : input.split('\0'))
        list << QString::fromUtf8(part);
    CommandLine byList;
    byList.setIgnoreCase(size % 2 == 0);
    byList.parseArguments(list);
    byList.option(QStringLiteral("cfg"));
    if (!list.isEmpty())
        byList.option(list.first());
    return 0;
}
