#include "demo/demomaps.h"

#include "components/archive.h"
#include "components/database.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

static void initMapResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(maps);
        return true;
    }();
    Q_UNUSED(done);
}

namespace demo {

namespace {

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// Archived maps: those of the sales and general-ledger catalogs.
bool archived(const QString &code)
{
    return code.startsWith(QLatin1String("02")) || code.startsWith(QLatin1String("04"));
}

} // namespace

QStringList pilotMapCodes()
{
    initMapResources();
    QStringList codes;
    const QStringList files = QDir(QStringLiteral(":/demo/maps")).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    for (const QString &f : files)
        codes << f.chopped(4);
    return codes;
}

QByteArray pilotMapSource(const QString &code)
{
    initMapResources();
    QFile f(QStringLiteral(":/demo/maps/") + code + QStringLiteral(".xml"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool storePilotMaps(Database &db, QString *error)
{
    const QString sql = QStringLiteral(
        "insert into xt_menuPilot(menuCode, type, filename, iscompress, contents, filesize) values (?, 0, ?, ?, ?, ?)");
    QTemporaryDir work;
    for (const QString &code : pilotMapCodes()) {
        const QByteArray xml = pilotMapSource(code);
        if (xml.isEmpty())
            return fail(error, QStringLiteral("the map %1 is missing from the program").arg(code));
        const QString name = code + QStringLiteral(".xml");
        QByteArray contents = xml;
        if (archived(code)) {
            if (!work.isValid())
                return fail(error, QStringLiteral("no temporary folder for the map archives: ") + work.errorString());
            const QString source = work.filePath(name);
            QFile out(source);
            if (!out.open(QIODevice::WriteOnly) || out.write(xml) != xml.size() || !out.flush())
                return fail(error, source + QStringLiteral(": cannot be written"));
            out.close();
            const QString zip = source + QStringLiteral(".zip");
            if (!zLibControl::compress(source, zip, name))
                return fail(error, QStringLiteral("cannot pack the map ") + name);
            QFile packed(zip);
            if (!packed.open(QIODevice::ReadOnly))
                return fail(error, zip + QStringLiteral(": cannot be read"));
            contents = packed.readAll();
        }
        if (!db.exec(sql, {code, name, archived(code) ? 1 : 0, contents, int(xml.size())}))
            return fail(error, QStringLiteral("%1 (map %2)").arg(db.LastError().description, code));
    }
    return true;
}

} // namespace demo
