#pragma once
// The SQLite file behind one root of the registry store: keys and values in two
// tables, names kept as written and compared folded (as Windows compares them),
// every write in one immediate transaction or, inside a write batch, a savepoint.
// The store's Win32-shaped functions (registrystore.h) sit on top of it and hold
// the handles, paths and batches; nothing else uses this class.
#include "platform/registrystore.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

Q_DECLARE_LOGGING_CATEGORY(lcRegistry)

namespace registry {

inline constexpr int64_t kRootKeyId = 1;

struct ValueRow {
    int64_t id = 0;
    QString name;
    uint32_t type = 0;
    QByteArray data;
    bool hasData = false; // false: larger than a snapshot holds, read with valueData()
};

class Hive
{
public:
    ~Hive();

    QString path;
    bool readOnly = true;
    // Bumped by each write of this process, so enumeration snapshots know they are stale.
    uint64_t generation = 0;
    // Tells this opening of the hive from every other one.
    uint64_t serial = 0;

    bool hasDatabase() const;

    bool open(int flags, const QByteArray &name = QByteArray());

    void close();

    // Puts a writable hive into WAL mode and makes sure its tables exist. Two
    // processes may do this at once on a brand-new file; the busy timeout and the
    // immediate transaction keep them from stepping on each other.
    bool initWritable();

    bool initReadOnly();

    QString errorText() const;

    // Every write runs in one immediate transaction: the writer takes the hive's
    // write lock before reading what it will change. Inside a write batch the
    // transaction stays open until the batch ends and each write is a savepoint,
    // so a failing write still leaves nothing half done.
    bool inBatch = false;

    bool begin(bool batch);
    bool commit();
    void rollback();
    int32_t endBatch();
    void abortBatch();
    // Changes when another connection committed to the hive since the last call
    // (SQLite's data_version); -1 when it cannot be read.
    int64_t dataVersion();
    // Several reads in one transaction take the hive's read lock once.
    bool beginRead();
    void endRead();

    // Status of a key id: Success while it exists.
    int32_t alive(int64_t id);

    int32_t findChild(int64_t parent, const QString &name, int64_t *id);

    int32_t lookup(int64_t from, const QStringList &parts, int64_t *id);

    int32_t insertKey(int64_t parent, const QString &name, int64_t *id);

    int32_t hasChildren(int64_t id, bool *has);

    int32_t removeKey(int64_t id);

    int32_t children(int64_t id, std::vector<QString> *names);

    int32_t values(int64_t id, std::vector<ValueRow> *rows);

    int32_t valueData(int64_t key, const ValueRow &row, QByteArray *data);

    int32_t getValue(int64_t key, const QString &name, uint32_t *type, QByteArray *data);

    int32_t putValue(int64_t key, const QString &name, uint32_t type, const QByteArray &data);

    int32_t removeValue(int64_t key, const QString &name);

private:
    enum Stmt {
        FindChild,
        KeyAlive,
        InsertKey,
        HasChildren,
        DeleteKeyValues,
        DeleteKeyRow,
        ListChildren,
        GetValue,
        UpsertValue,
        DeleteValue,
        ListValues,
        ValueById,
        Begin,
        BeginRead,
        Commit,
        Rollback,
        Savepoint,
        Release,
        RollbackTo,
        DataVersion,
        StmtCount
    };

    sqlite3_stmt *stmt(Stmt s) const;
    int changes() const;
    bool exec(const char *sql);

    sqlite3_stmt *prepareStatement(Stmt s) const;
    // Whether the file holds the hive's tables (and, when asked, its root key).
    bool hasSchema(bool withRoot);

    sqlite3 *m_db = nullptr;
    mutable std::array<sqlite3_stmt *, StmtCount> m_stmts{};
};

// Whether this user may create files in a folder.
bool isWritableFolder(const QString &dir);

// Opens the hive file at path: writable when its file and folder allow it,
// else read-only, else (unreadable, or missing while createFiles is false) an
// empty read-only root without a database. With createFiles, a missing file
// and its folders are created.
std::shared_ptr<Hive> openHive(const QString &path, bool createFiles);

} // namespace registry
