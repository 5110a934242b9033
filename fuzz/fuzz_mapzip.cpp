// A process map stored compressed in the database (xt_menuPilot.iscompress = 1): the
// bytes of the archive are written to a file and unpacked as the map cache does, into a
// folder of their own, and every file unpacked is read as a map. Properties: a refused
// archive says why and leaves nothing behind; an accepted one unpacks to at most the size
// limit, under plain relative names inside the folder; a map file is read or refused with
// a reason, and a map read has no more elements than its file has bytes. The limit is set
// low here so a zip bomb is refused quickly; the same check guards the program's default.
#include "components/archive.h"
#include "workspace/pilotmap.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
constexpr qint64 kLimit = 1 << 20;

QStringList filesBelow(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTemporaryDir work;
    if (!work.isValid())
        std::abort();
    const QString zip = work.filePath(QStringLiteral("stored.zip"));
    {
        QFile f(zip);
        if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    const QString dest = work.filePath(QStringLiteral("unpack"));
    zLibControl archive;
    archive.setSizeLimit(kLimit);
    if (!archive.Extract(zip, dest, false, true, false, true, false, true)) {
        // All or nothing: a refusal says why and leaves no file, not even a temporary one.
        if (archive.lastError().isEmpty() || !archive.extractedFiles().isEmpty() || !filesBelow(dest).isEmpty())
            std::abort();
        return 0;
    }
    if (!archive.lastError().isEmpty())
        std::abort();
    const QString canonical = QFileInfo(dest).canonicalFilePath();
    qint64 total = 0;
    for (const QString &name : archive.extractedFiles()) {
        if (name.isEmpty() || name.startsWith(u'/') || name.contains(u'\\') || name.split(u'/').contains(QStringLiteral("..")))
            std::abort();
        const QFileInfo fi(QDir(dest).filePath(name));
        if (!fi.isFile() || fi.isSymLink() || !fi.canonicalFilePath().startsWith(canonical + u'/'))
            std::abort();
        total += fi.size();
    }
    if (total > kLimit)
        std::abort();

    for (const QString &name : archive.extractedFiles()) {
        const QString path = QDir(dest).filePath(name);
        const qint64 bytes = QFileInfo(path).size();
        workspace::PilotMapReader reader;
        if (!reader.load(path)) {
            if (reader.formatError().isEmpty())
                std::abort();
            continue;
        }
        const workspace::PilotMap map = reader.read();
        if (map.arrows.size() + map.boxes.size() > bytes)
            std::abort();
        for (qsizetype i = 0; i < map.boxes.size(); ++i)
            if (!workspace::isPlainFileName(map.boxes[i].iconName))
                std::abort();
    }
    return 0;
}
