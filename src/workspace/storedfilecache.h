#pragma once
// The local cache of the files stored in xt_menuPilot (menu icons, process
// maps): one file per stored row, named by its file name, in a folder below
// the environment's temporary folder. A file already in the cache is used as
// it is, even when the stored row has changed since; deleting the cached file
// makes the next use fetch it again.
#include <QString>

class Database;
class zLibControl;

namespace workspace {

class StoredFileCache
{
public:
    // archive extracts compressed rows; subfolder is the cache's folder below
    // the temporary folder ("icon").
    StoredFileCache(zLibControl *archive, const QString &subfolder);

    // The environment's temporary folder; the cache lives in tempFolder/subfolder.
    void setTempFolder(const QString &tempFolder);
    QString tempFolder() const { return m_tempFolder; }

    // The folder files are written to: tempFolder/subfolder, or, when that
    // cannot be made or written (no temporary folder, a plain file in the
    // way, no permission), subfolder in the user's cache folder. Worked out
    // on the first write; note tells why the fallback was taken (once).
    QString writeFolder(QString *note = nullptr);

    // The cached file of the row (code, type), fetched into the cache when it
    // is not there yet. "" when there is no such row, or, with problem set,
    // when the row cannot give a file: a name that is not a plain file name,
    // a failed query or write, a damaged archive, an archive without the file.
    // A failure leaves no file under the row's name.
    QString fetch(Database *db, const QString &code, int type, QString *problem, QString *note = nullptr);

private:
    zLibControl *m_archive;
    QString m_subfolder;
    QString m_tempFolder;
    QString m_writeFolder;
    bool m_resolved = false;
};

} // namespace workspace
