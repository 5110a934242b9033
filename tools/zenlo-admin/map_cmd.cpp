#include "commands.h"

#include "components/archive.h"
#include "components/xmldocument.h"
#include "workspace/pilotmap.h"
#include "workspace/pilotview.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <algorithm>

namespace admin {

namespace {

const char kHelp[] =
    "usage: zenlo-admin map check FILE\n"
    "       zenlo-admin map render FILE OUT.png [--size WxH]\n"
    "check   reads a process map in the stored XML format as the main window does and prints\n"
    "        one line per arrow and box in creation order (twips, decoded captions and icon\n"
    "        names), then \"ok A arrows, B boxes\".\n"
    "render  draws the map as the home area shows it (96 dpi) into a new PNG file; OUT is never\n"
    "        overwritten. The size defaults to the map's extent.";

bool readable(const QString &file, QString *why)
{
    const QFileInfo info(file);
    if (!info.exists()) {
        *why = file + QStringLiteral(": the file does not exist");
        return false;
    }
    if (!info.isFile() || !info.isReadable()) {
        *why = file + QStringLiteral(": not a readable file");
        return false;
    }
    return true;
}

// The map file itself: a stored map may come as the zip archive the database
// keeps (iscompress 1); its one file is unpacked into unpacked.
bool mapFile(const QString &file, const QTemporaryDir &unpacked, QString *map, QString *why)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.read(4) != QByteArray("PK\x03\x04", 4)) {
        *map = file;
        return true;
    }
    f.close();
    zLibControl archive;
    if (!unpacked.isValid() || !archive.Extract(file, unpacked.path()) || archive.extractedFiles().isEmpty()) {
        *why = file + QStringLiteral(": the archive cannot be unpacked: ") + archive.lastError();
        return false;
    }
    *map = unpacked.filePath(archive.extractedFiles().first());
    return true;
}

// Well-formed XML is not yet a map: the stored format's elements must be there.
bool loadMap(workspace::PilotMapReader &reader, const QString &file, QString *why)
{
    if (!reader.load(file)) {
        *why = workspace::pilotFormatMessage() + QStringLiteral("（") + reader.formatError() + QStringLiteral("）");
        return false;
    }
    XmlDocument doc;
    if (doc.load(file) && doc.count(QStringLiteral("/print/page/blocks")) == 0) {
        *why = workspace::pilotFormatMessage() + QStringLiteral("（不是导航窗口文件：没有 /print/page/blocks）");
        return false;
    }
    return true;
}

int check(const QStringList &args)
{
    if (args.size() != 1)
        return usageError(QStringLiteral("map check needs exactly one FILE"));
    QString why, file;
    if (!readable(args.first(), &why))
        return fail(why);
    QTemporaryDir unpacked;
    if (!mapFile(args.first(), unpacked, &file, &why))
        return fail(why);
    workspace::PilotMapReader reader;
    if (!loadMap(reader, file, &why))
        return fail(why);
    const workspace::PilotMap map = reader.read();
    for (qsizetype i = 0; i < map.arrows.size(); ++i)
        out() << workspace::describeArrow(map.arrows[i], int(i + 1)) << '\n';
    for (qsizetype i = 0; i < map.boxes.size(); ++i)
        out() << workspace::describeBox(map.boxes[i], int(i + 1)) << '\n';
    out().flush();
    if (!map.complete())
        return fail(workspace::pilotErrorPrefix() + map.error);
    out() << "ok " << map.arrows.size() << " arrows, " << map.boxes.size() << " boxes" << Qt::endl;
    return 0;
}

int render(const QStringList &args)
{
    QStringList files;
    QSize size;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--size")) {
            if (i + 1 >= args.size())
                return usageError(QStringLiteral("option --size needs a value"));
            static const QRegularExpression wxh(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$"));
            const QRegularExpressionMatch m = wxh.match(args.at(++i));
            const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
            const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
            if (w < 1 || h < 1 || w > 10000 || h > 10000)
                return usageError(QStringLiteral("--size takes WIDTHxHEIGHT in pixels, 1 to 10000 each, not '%1'").arg(args.at(i)));
            size = QSize(w, h);
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
        } else {
            files << a;
        }
    }
    if (files.size() != 2)
        return usageError(QStringLiteral("map render needs a FILE and an OUT.png"));
    const QString &target = files.at(1);
    QString why, file;
    if (!readable(files.at(0), &why))
        return fail(why);
    const QFileInfo outInfo(target);
    if (outInfo.isDir())
        return fail(target + QStringLiteral(": is a folder; render writes a new PNG file"));
    if (outInfo.exists() || outInfo.isSymLink())
        return fail(target + QStringLiteral(": the file exists already"));
    if (!QFileInfo(outInfo.absolutePath()).isDir())
        return fail(target + QStringLiteral(": the folder ") + outInfo.absolutePath() + QStringLiteral(" does not exist"));

    QTemporaryDir unpacked;
    if (!mapFile(files.at(0), unpacked, &file, &why))
        return fail(why);
    workspace::PilotMapReader reader;
    if (!loadMap(reader, file, &why))
        return fail(why);
    if (!size.isValid()) {
        // The map's extent at 96 dpi (15 twips a pixel) with the home area's margin, within reason.
        const workspace::PilotMap map = reader.read();
        qint64 right = 640, bottom = 400;
        auto extend = [&](const workspace::TwipsRect &r) {
            right = std::max<qint64>(right, (qint64(r.left) + std::max(0, r.width)) / 15 + 67);
            bottom = std::max<qint64>(bottom, (qint64(r.top) + std::max(0, r.height)) / 15 + 67);
        };
        for (const auto &a : map.arrows)
            extend(a.rect);
        for (const auto &b : map.boxes)
            extend(b.rect);
        size = QSize(int(std::min<qint64>(right, 4000)), int(std::min<qint64>(bottom, 4000)));
    }

    QTemporaryDir images; // the icons are decoded here, never into the user's caches
    if (!images.isValid())
        return fail(QStringLiteral("no temporary folder for the map's pictures: ") + images.errorString());
    QString error;
    const QImage picture = workspace::renderPilotMap(file, images.path(), size, &error);
    if (!error.isEmpty())
        return fail(error);
    if (picture.isNull())
        return fail(QStringLiteral("the map could not be drawn"));
    QTemporaryFile part(outInfo.absolutePath() + QStringLiteral("/.") + outInfo.fileName() + QStringLiteral(".XXXXXX"));
    if (!part.open() || !picture.save(&part, "PNG") || !part.flush())
        return fail(target + QStringLiteral(": cannot be written"));
    part.close();
    part.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    // The rename refuses a name taken meanwhile: OUT is never replaced.
    if (!part.rename(target))
        return fail(target + QStringLiteral(": cannot be written"));
    part.setAutoRemove(false);
    out() << "wrote " << target << " (" << size.width() << "x" << size.height() << ")" << Qt::endl;
    return 0;
}

} // namespace

int mapCommand(const QStringList &args)
{
    if (wantsHelp(args))
        return usage(QString::fromLatin1(kHelp));
    if (args.isEmpty())
        return usageError(QStringLiteral("map needs a command: check or render"));
    if (args.first() == QLatin1String("check")) {
        for (const QString &a : args.mid(1))
            if (a.startsWith(QLatin1String("--")))
                return usageError(QStringLiteral("unknown option '%1'").arg(a));
        return check(args.mid(1));
    }
    if (args.first() == QLatin1String("render"))
        return render(args.mid(1));
    return usageError(QStringLiteral("unknown map command '%1'").arg(args.first()));
}

} // namespace admin
