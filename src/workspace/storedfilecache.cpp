#include "workspace/storedfilecache.h"

#include "core/bcommon.h"
#include "components/archive.h"
#include "components/database.h"
#include "platform/vbconv.h"
#include "util/bgettempfile.h"
#include "util/file2db.h"
#include "workspace/menurules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace workspace {

namespace {

// A folder counts as writable when a file can really be made in it (permission
// bits say nothing to an administrator on a read-only mount).
bool canWriteIn(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(folder + QStringLiteral("/.probe-XXXXXX"));
    return probe.open();
}

// A stored file name must name a file in the cache folder and nothing else.
bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

} // namespace

StoredFileCache::StoredFileCache(zLibControl *archive, const QString &subfolder)
    : m_archive(archive)
    , m_subfolder(subfolder)
{
}

void StoredFileCache::setTempFolder(const QString &tempFolder)
{
    if (tempFolder == m_tempFolder)
        return;
    m_tempFolder = tempFolder;
    m_resolved = false;
    m_writeFolder.clear();
}

QString StoredFileCache::writeFolder(QString *note)
{
    if (m_resolved)
        return m_writeFolder;
    m_resolved = true;
    if (!m_tempFolder.trimmed().isEmpty()) {
        const QString primary = QDir::cleanPath(m_tempFolder + QLatin1Char('/') + m_subfolder);
        if (!QFileInfo(primary).isDir())
            bCommon::MakeDirs(primary);
        if (canWriteIn(primary)) {
            m_writeFolder = primary;
            return m_writeFolder;
        }
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString fallback = cache.isEmpty() ? QString() : QDir::cleanPath(cache + QLatin1Char('/') + m_subfolder);
    if (!fallback.isEmpty() && QDir().mkpath(fallback) && canWriteIn(fallback))
        m_writeFolder = fallback;
    if (note) {
        *note = m_writeFolder.isEmpty()
            ? QStringLiteral("临时文件夹“%1”不能写入，用户缓存文件夹也不能使用，图标不能缓存").arg(m_tempFolder)
            : QStringLiteral("临时文件夹“%1”不能写入，改用缓存文件夹“%2”").arg(m_tempFolder, m_writeFolder);
    }
    return m_writeFolder;
}

QString StoredFileCache::fetch(Database *db, const QString &code, int type, QString *problem, QString *note)
{
    auto fail = [problem](const QString &why) {
        if (problem)
            *problem = why;
        return QString();
    };
    if (problem)
        problem->clear();
    if (!db)
        return fail(QStringLiteral("没有数据库连接"));

    RecordSetPtr rs = db->query(storedFileQuery(type), {code});
    if (!db->LastError().description.isEmpty()) {
        const QString why = db->LastError().description;
        db->ClearError();
        return fail(why);
    }
    if (!rs || rs->isEOF())
        return {};

    const QString fileName = rs->text(QStringLiteral("filename"));
    const bool compressed = vbconv::leadingNumber(rs->text(QStringLiteral("iscompress"))) == 1.0;
    const QVariant contents = rs->field(QStringLiteral("contents"));
    rs->close();
    if (!isPlainFileName(fileName))
        return fail(QStringLiteral("文件名“%1”不是单纯的文件名").arg(fileName));

    if (!m_tempFolder.trimmed().isEmpty()) {
        const QString cached = QDir::cleanPath(m_tempFolder + QLatin1Char('/') + m_subfolder) + QLatin1Char('/') + fileName;
        if (QFileInfo(cached).isFile())
            return cached;
    }
    const QString folder = writeFolder(note);
    if (folder.isEmpty())
        return fail(QStringLiteral("没有可写入的缓存文件夹"));
    const QString path = folder + QLatin1Char('/') + fileName;
    if (QFileInfo(path).isFile())
        return path;

    if (!compressed) {
        if (!file2db::SaveFieldToFile(path, contents, true))
            return fail(QStringLiteral("文件“%1”不能写入").arg(path));
        return path;
    }

    const QString tmp = bGetTempFile::GetTempFile(QStringLiteral("tmp"));
    if (tmp.isEmpty())
        return fail(QStringLiteral("不能建立临时文件"));
    const bool saved = file2db::SaveFieldToFile(tmp, contents, true);
    zLibControl local;
    zLibControl *archive = m_archive ? m_archive : &local;
    const bool extracted = saved && archive->Extract(tmp, folder, false, true, false, true, false, true);
    QFile::remove(tmp);
    if (!saved)
        return fail(QStringLiteral("压缩内容不能写入临时文件"));
    if (!extracted)
        return fail(QStringLiteral("压缩内容不能解压：") + archive->lastError());
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("压缩包中没有文件“%1”").arg(fileName));
    return path;
}

} // namespace workspace
