#pragma once
// The archive control: unpacks the compressed stored files (icons, process
// maps) that the database keeps as zip archives, and packs one for the demo
// data and the tests.
#include "platform/zenlo_export.h"

#include <QList>
#include <QString>
#include <QStringList>

class ZENLO_CORE_EXPORT zLibControl
{
public:
    // Extracts every file of the zip archive into destFolder (created when
    // missing) under its stored name; stored sub-folders become folders.
    //
    // All or nothing: the entries are first written to temporary files in
    // destFolder and renamed to their names only when the whole archive has
    // been read and checked, so a damaged archive leaves neither a half
    // written file under a stored name nor a part of the archive behind.
    // Existing files of the same names are replaced.
    //
    // Refused (false, nothing written): a missing or unreadable file, a file
    // that is not a zip archive, a damaged or truncated archive (one whose
    // central directory is missing counts as truncated), an entry whose
    // name is absolute ("/x", "\x", "C:x") or climbs out with "..", a name that
    // would land outside destFolder through a linked folder, and entries that
    // are links or devices. Stored names are taken as UTF-8 when they are valid
    // UTF-8, else in the ANSI code page (archives made on Chinese Windows).
    //
    // The six flags are accepted for the stored-file loaders' call
    // (false, true, false, true, false, true) and have no effect.
    bool Extract(const QString &archivePath, const QString &destFolder, bool flag1 = false, bool flag2 = true,
                 bool flag3 = false, bool flag4 = true, bool flag5 = false, bool flag6 = true);

    // The most bytes the files of one archive may unpack to, together: a small
    // archive that would fill the disk (a "zip bomb") is refused once its files
    // pass the limit, and nothing of it stays behind. 64 MiB by default; stored
    // maps and icons are a few kilobytes.
    static constexpr qint64 kDefaultSizeLimit = qint64(64) * 1024 * 1024;
    void setSizeLimit(qint64 bytes) { m_sizeLimit = bytes; }
    qint64 sizeLimit() const { return m_sizeLimit; }

    // Why the last Extract failed ("" after a success).
    QString lastError() const { return m_lastError; }
    // The stored names written by the last successful Extract, in archive order.
    QStringList extractedFiles() const { return m_extracted; }

    struct Entry {
        QString sourceFile; // file whose bytes are stored
        QString storedName; // name inside the archive, kept exactly as given
    };
    // Writes a zip archive (deflate, UTF-8 names) of the given files. The
    // archive appears under zipPath only when complete. Stored names are not
    // checked here: extraction is where names are judged.
    static bool compress(const QList<Entry> &entries, const QString &zipPath);
    // One file, stored under storedName (default: the file's own name).
    static bool compress(const QString &sourceFile, const QString &zipPath, const QString &storedName = QString());

private:
    QString m_lastError;
    QStringList m_extracted;
    qint64 m_sizeLimit = kDefaultSizeLimit;
};
