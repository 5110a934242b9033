#include "util/file2db.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

namespace file2db {

bool SaveFieldToFile(const QString &path, const QVariant &field, bool overwrite)
{
    if (path.isEmpty() || field.isNull() || field.typeId() != QMetaType::QByteArray)
        return false;
    const QByteArray bytes = field.toByteArray();
    const QFileInfo target(path);
    if (target.isDir())
        return false;

    if (overwrite) {
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return false;
        if (out.write(bytes) != bytes.size()) {
            out.cancelWriting();
            return false;
        }
        return out.commit();
    }

    if (target.exists() || target.isSymLink())
        return false;
    // Written beside the target and renamed without replacing: a file that
    // appeared in the meantime is not overwritten either.
    QTemporaryFile tmp(target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".XXXXXX")));
    if (!tmp.open())
        return false;
    if (tmp.write(bytes) != bytes.size() || !tmp.flush())
        return false;
    tmp.close();
    if (!QFile::rename(tmp.fileName(), path))
        return false; // tmp still removes itself
    tmp.setAutoRemove(false);
    return true;
}

} // namespace file2db
