#pragma once
// The log service: a program-wide object, usable without explicit creation.
// Entries go to a rotating log file; levels 2, 4 and 8 are addressed to the
// operator and presented at once through the UI service (notice, warning,
// error); operation records (level 48) are also stored in the operation-log
// table once a database is attached.
//
// The log configuration is read from the configuration file's node
//   <configuration><log folder="%app.path%/log" maxsize="5242880" maxfiles="5"/></configuration>
// (all optional; defaults: the program folder's "log" folder, 5 MiB, 5 files).
#include "platform/zenlo_export.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class Database;
class QIODevice;
class XmlDocument;

struct LogEntry {
    QString source;
    int level = 1;
    QString message;
};

class ZENLO_CORE_EXPORT LogConfig : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    // Reads the <log> node of the configuration file; absent values keep their defaults.
    bool load(const QString &configFile);
    bool load(QIODevice *device);
    bool loadData(const QByteArray &bytes);
    // Why the last load returned false.
    QString lastError() const { return m_lastError; }
    QString folder() const;
    qint64 maxSize() const { return m_maxSize; }
    int maxFiles() const { return m_maxFiles; }
    void setFolder(const QString &f) { m_folder = f; }
    void setMaxSize(qint64 s) { m_maxSize = s; }
    void setMaxFiles(int n) { m_maxFiles = n; }

private:
    bool read(const XmlDocument &doc);
    QString m_folder;
    QString m_lastError;
    qint64 m_maxSize = 5 * 1024 * 1024;
    int m_maxFiles = 5;
};

class ZENLO_CORE_EXPORT LogService
{
public:
    static LogService &instance();

    void setConfigFile(const QString &path) { m_configFile = path; }
    QString configFile() const { return m_configFile; }
    // Opens the log file; entries written before are kept and written then.
    // When the configured folder cannot take the file (it cannot be created or
    // written, or it is a file), the log goes to fallbackFolder() and its first
    // line says so; false only when neither can be used.
    bool Init(QObject *application, LogConfig *config);
    // The user's own log folder: $XDG_STATE_HOME/zenlo/log (~/.local/state/zenlo/log).
    static QString fallbackFolder();
    bool isInitialised() const;
    QString logFile() const;

    // flag LogOnly: written, never presented to the operator.
    enum { LogOnly = 1 };
    void Write(const LogEntry &entry, int flag = 0);
    // Operation records are stored in sys_oplog while a database is attached.
    void attachDatabase(Database *db);
    void detachDatabase(Database *db);
    void flush();
    // Closes the file (log-out); later entries are kept in memory until the next Init.
    void shutdown();

    // Splits an operation record "<log><progid>..</progid><user>..</user><message>..</message></log>".
    static bool parseOperationRecord(const QString &record, int *progId, QString *user, QString *message);
    // A message as the one line of the file it becomes: its lines trimmed and
    // joined by a blank, empty ones left out.
    static QString oneLine(const QString &message);

private:
    LogService();
    ~LogService();
    struct Private;
    std::unique_ptr<Private> d;
    QString m_configFile;
};
