#include "platform/registrystore.h"

#include "platform/ansi.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <QUrl>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

Q_LOGGING_CATEGORY(lcRegistry, "zenlo.registry", QtInfoMsg)

namespace registry {
namespace {

constexpr int kRootCount = 7;
const char *const kRootNames[kRootCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

int rootIndex(HKEY h)
{
    return (h >= HKEY_CLASSES_ROOT && h <= HKEY_DYN_DATA) ? int(h - HKEY_CLASSES_ROOT) : -1;
}

// DELETE, WRITE_DAC and WRITE_OWNER count as writing as well.
constexpr uint32_t kWriteRights = KeySetValue | KeyCreateSubKey | KeyCreateLink | 0x10000u | 0x40000u | 0x80000u;
constexpr int64_t kRootKeyId = 1;
// Values larger than this stay out of an enumeration snapshot and are read when asked for.
constexpr qsizetype kSnapshotDataLimit = 4096;
constexpr int kBusyTimeoutMs = 30000;

const char kSchema[] =
    // Key ids are never reused, so a handle on a deleted key can never reach a newer one.
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " fold TEXT NOT NULL,"
    " UNIQUE(parent, fold));"
    // A new value's id is one more than the largest present, so ids keep the
    // order values were first written in; AUTOINCREMENT would only cost a write.
    "CREATE TABLE IF NOT EXISTS vals("
    " id INTEGER PRIMARY KEY,"
    " key INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " fold TEXT NOT NULL,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " UNIQUE(key, fold));"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, 0, '', '');";

// Names compare as Windows compares them: without regard to case.
QString fold(const QString &name)
{
    // Most names are ASCII: only upper-case letters need folding there.
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || (u >= 'A' && u <= 'Z'))
            return name.toCaseFolded();
    }
    return name;
}

// One use of a prepared statement; reset when done so the statement can be reused.
class Query
{
public:
    explicit Query(sqlite3_stmt *st) : m_st(st) {}
    ~Query()
    {
        if (m_st) {
            sqlite3_reset(m_st);
            sqlite3_clear_bindings(m_st);
        }
    }
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    Query &bind(int i, int64_t v)
    {
        sqlite3_bind_int64(m_st, i, v);
        return *this;
    }
    Query &bind(int i, const QString &s)
    {
        sqlite3_bind_text16(m_st, i, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
        return *this;
    }
    Query &bindBlob(int i, const QByteArray &b)
    {
        if (b.isEmpty())
            sqlite3_bind_zeroblob(m_st, i, 0);
        else
            sqlite3_bind_blob(m_st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int step() { return m_st ? sqlite3_step(m_st) : SQLITE_MISUSE; }
    int64_t int64(int c) const { return sqlite3_column_int64(m_st, c); }
    QString text(int c) const
    {
        const void *p = sqlite3_column_text16(m_st, c);
        const int bytes = sqlite3_column_bytes16(m_st, c);
        return p ? QString::fromUtf16(static_cast<const char16_t *>(p), bytes / 2) : QString();
    }
    QByteArray blob(int c) const
    {
        const void *p = sqlite3_column_blob(m_st, c);
        const int bytes = sqlite3_column_bytes(m_st, c);
        return p ? QByteArray(static_cast<const char *>(p), bytes) : QByteArray("", 0);
    }
    bool isNull(int c) const { return sqlite3_column_type(m_st, c) == SQLITE_NULL; }

private:
    sqlite3_stmt *m_st;
};

struct ValueRow {
    int64_t id = 0;
    QString name;
    uint32_t type = 0;
    QByteArray data;
    bool hasData = false;
};

class Hive
{
public:
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

    ~Hive() { close(); }

    QString path;
    bool readOnly = true;
    // Bumped by each write of this process, so enumeration snapshots know they are stale.
    uint64_t generation = 0;
    // Tells this opening of the hive from every other one.
    uint64_t serial = 0;

    bool hasDatabase() const { return m_db != nullptr; }

    bool open(int flags, const QByteArray &name = QByteArray())
    {
        close();
        const QByteArray file = name.isEmpty() ? QFile::encodeName(path) : name;
        sqlite3 *db = nullptr;
        const int rc = sqlite3_open_v2(file.constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            qCWarning(lcRegistry) << "cannot open hive" << path << (db ? sqlite3_errmsg(db) : "");
            sqlite3_close_v2(db);
            return false;
        }
        m_db = db;
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        readOnly = (flags & SQLITE_OPEN_READWRITE) == 0 || sqlite3_db_readonly(m_db, "main") == 1;
        return true;
    }

    void close()
    {
        for (auto &st : m_stmts) {
            sqlite3_finalize(st);
            st = nullptr;
        }
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
    }

    // Puts a writable hive into WAL mode and makes sure its tables exist. Two
    // processes may do this at once on a brand-new file; the busy timeout and the
    // immediate transaction keep them from stepping on each other.
    bool initWritable()
    {
        const QDeadlineTimer deadline(kBusyTimeoutMs);
        for (;;) {
            QString mode;
            sqlite3_stmt *st = nullptr;
            if (sqlite3_prepare_v2(m_db, "PRAGMA journal_mode=WAL", -1, &st, nullptr) == SQLITE_OK) {
                if (sqlite3_step(st) == SQLITE_ROW)
                    mode = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            }
            sqlite3_finalize(st);
            if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
                break;
            if (deadline.hasExpired()) {
                qCWarning(lcRegistry) << "cannot switch hive to WAL mode" << path << sqlite3_errmsg(m_db);
                return false;
            }
            QThread::msleep(5);
        }
        if (!exec("PRAGMA synchronous=NORMAL"))
            return false;
        if (!exec("BEGIN IMMEDIATE"))
            return false;
        if (!exec(kSchema)) {
            exec("ROLLBACK");
            return false;
        }
        if (!exec("COMMIT")) {
            exec("ROLLBACK");
            return false;
        }
        return prepare();
    }

    bool initReadOnly()
    {
        sqlite3_stmt *st = nullptr;
        bool ok = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master WHERE name IN ('keys','vals')", -1, &st,
                                     nullptr)
                      == SQLITE_OK
                  && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) == 2;
        sqlite3_finalize(st);
        return ok && prepare();
    }

    sqlite3_stmt *stmt(Stmt s) const { return m_stmts[s]; }
    int changes() const { return m_db ? sqlite3_changes(m_db) : 0; }
    QString errorText() const { return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString(); }

    // Every write runs in one immediate transaction: the writer takes the hive's
    // write lock before reading what it will change. Inside a write batch the
    // transaction stays open until the batch ends and each write is a savepoint,
    // so a failing write still leaves nothing half done.
    bool inBatch = false;

    bool begin(bool batch)
    {
        if (!batch)
            return Query(stmt(Begin)).step() == SQLITE_DONE;
        if (!inBatch) {
            if (Query(stmt(Begin)).step() != SQLITE_DONE)
                return false;
            inBatch = true;
        }
        return Query(stmt(Savepoint)).step() == SQLITE_DONE;
    }
    bool commit()
    {
        if (Query(stmt(inBatch ? Release : Commit)).step() == SQLITE_DONE) {
            ++generation;
            return true;
        }
        rollback();
        return false;
    }
    void rollback()
    {
        if (inBatch) {
            Query(stmt(RollbackTo)).step();
            Query(stmt(Release)).step();
        } else {
            Query(stmt(Rollback)).step();
        }
    }
    int32_t endBatch()
    {
        if (!inBatch)
            return Success;
        inBatch = false;
        if (Query(stmt(Commit)).step() == SQLITE_DONE)
            return Success;
        qCWarning(lcRegistry) << "hive" << path << "cannot commit a write batch:" << errorText();
        Query(stmt(Rollback)).step();
        ++generation;
        return IoFailed;
    }
    void abortBatch()
    {
        if (!inBatch)
            return;
        inBatch = false;
        Query(stmt(Rollback)).step();
        ++generation; // what the batch wrote is gone again
    }
    // Changes when another connection committed to the hive since the last call
    // (SQLite's data_version); -1 when it cannot be read.
    int64_t dataVersion()
    {
        if (!m_db)
            return 0;
        Query q(stmt(DataVersion));
        return q.step() == SQLITE_ROW ? q.int64(0) : -1;
    }
    // Several reads in one transaction take the hive's read lock once.
    bool beginRead() { return m_db && !inBatch && Query(stmt(BeginRead)).step() == SQLITE_DONE; }
    void endRead() { Query(stmt(Commit)).step(); }

    // Status of a key id: Success while it exists.
    int32_t alive(int64_t id)
    {
        if (id == kRootKeyId)
            return Success;
        if (!m_db)
            return KeyDeleted;
        Query q(stmt(KeyAlive));
        q.bind(1, id);
        const int rc = q.step();
        if (rc == SQLITE_ROW)
            return Success;
        return rc == SQLITE_DONE ? KeyDeleted : IoFailed;
    }

    int32_t findChild(int64_t parent, const QString &name, int64_t *id)
    {
        if (!m_db)
            return NotFound;
        Query q(stmt(FindChild));
        q.bind(1, parent).bind(2, fold(name));
        const int rc = q.step();
        if (rc == SQLITE_ROW) {
            *id = q.int64(0);
            return Success;
        }
        return rc == SQLITE_DONE ? NotFound : IoFailed;
    }

    int32_t lookup(int64_t from, const QStringList &parts, int64_t *id)
    {
        int64_t cur = from;
        for (const QString &part : parts) {
            const int32_t st = findChild(cur, part, &cur);
            if (st != Success)
                return st;
        }
        *id = cur;
        return Success;
    }

    int32_t insertKey(int64_t parent, const QString &name, int64_t *id)
    {
        Query q(stmt(InsertKey));
        q.bind(1, parent).bind(2, name).bind(3, fold(name));
        if (q.step() != SQLITE_DONE)
            return IoFailed;
        *id = sqlite3_last_insert_rowid(m_db);
        return Success;
    }

    int32_t hasChildren(int64_t id, bool *has)
    {
        *has = false;
        if (!m_db)
            return Success;
        Query q(stmt(HasChildren));
        q.bind(1, id);
        const int rc = q.step();
        *has = rc == SQLITE_ROW;
        return (rc == SQLITE_ROW || rc == SQLITE_DONE) ? Success : IoFailed;
    }

    int32_t removeKey(int64_t id)
    {
        {
            Query q(stmt(DeleteKeyValues));
            q.bind(1, id);
            if (q.step() != SQLITE_DONE)
                return IoFailed;
        }
        Query q(stmt(DeleteKeyRow));
        q.bind(1, id);
        return q.step() == SQLITE_DONE ? Success : IoFailed;
    }

    int32_t children(int64_t id, std::vector<QString> *names)
    {
        names->clear();
        if (!m_db)
            return Success;
        Query q(stmt(ListChildren));
        q.bind(1, id);
        int rc;
        while ((rc = q.step()) == SQLITE_ROW)
            names->push_back(q.text(0));
        return rc == SQLITE_DONE ? Success : IoFailed;
    }

    int32_t values(int64_t id, std::vector<ValueRow> *rows)
    {
        rows->clear();
        if (!m_db)
            return Success;
        Query q(stmt(ListValues));
        q.bind(1, id).bind(2, int64_t(kSnapshotDataLimit));
        int rc;
        while ((rc = q.step()) == SQLITE_ROW) {
            ValueRow r;
            r.id = q.int64(0);
            r.name = q.text(1);
            r.type = uint32_t(q.int64(2));
            r.hasData = !q.isNull(3);
            if (r.hasData)
                r.data = q.blob(3);
            rows->push_back(std::move(r));
        }
        return rc == SQLITE_DONE ? Success : IoFailed;
    }

    int32_t valueData(int64_t key, const ValueRow &row, QByteArray *data)
    {
        Query q(stmt(ValueById));
        q.bind(1, row.id).bind(2, key).bind(3, fold(row.name));
        const int rc = q.step();
        if (rc == SQLITE_ROW) {
            *data = q.blob(0);
            return Success;
        }
        return rc == SQLITE_DONE ? NotFound : IoFailed;
    }

    int32_t getValue(int64_t key, const QString &name, uint32_t *type, QByteArray *data)
    {
        if (!m_db)
            return NotFound;
        Query q(stmt(GetValue));
        q.bind(1, key).bind(2, fold(name));
        const int rc = q.step();
        if (rc == SQLITE_ROW) {
            if (type)
                *type = uint32_t(q.int64(0));
            if (data)
                *data = q.blob(1);
            return Success;
        }
        return rc == SQLITE_DONE ? NotFound : IoFailed;
    }

    int32_t putValue(int64_t key, const QString &name, uint32_t type, const QByteArray &data)
    {
        Query q(stmt(UpsertValue));
        q.bind(1, key).bind(2, name).bind(3, fold(name)).bind(4, int64_t(type)).bindBlob(5, data);
        return q.step() == SQLITE_DONE ? Success : IoFailed;
    }

    int32_t removeValue(int64_t key, const QString &name)
    {
        Query q(stmt(DeleteValue));
        q.bind(1, key).bind(2, fold(name));
        if (q.step() != SQLITE_DONE)
            return IoFailed;
        return changes() > 0 ? Success : NotFound;
    }

private:
    bool exec(const char *sql)
    {
        char *msg = nullptr;
        const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &msg);
        if (rc != SQLITE_OK)
            qCWarning(lcRegistry) << "hive" << path << sql << (msg ? msg : "");
        sqlite3_free(msg);
        return rc == SQLITE_OK;
    }

    bool prepare()
    {
        static const char *const sql[StmtCount] = {
            "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2",
            "SELECT 1 FROM keys WHERE id = ?1",
            "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)",
            "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
            "DELETE FROM vals WHERE key = ?1",
            "DELETE FROM keys WHERE id = ?1",
            "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold",
            "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2",
            "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
            " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data",
            "DELETE FROM vals WHERE key = ?1 AND fold = ?2",
            "SELECT id, name, type, CASE WHEN length(data) <= ?2 THEN data END FROM vals WHERE key = ?1 ORDER BY id",
            "SELECT data FROM vals WHERE id = ?1 AND key = ?2 AND fold = ?3",
            "BEGIN IMMEDIATE",
            "BEGIN",
            "COMMIT",
            "ROLLBACK",
            "SAVEPOINT w",
            "RELEASE w",
            "ROLLBACK TO w",
            "PRAGMA data_version",
        };
        for (int i = 0; i < StmtCount; ++i) {
            if (sqlite3_prepare_v3(m_db, sql[i], -1, SQLITE_PREPARE_PERSISTENT, &m_stmts[i], nullptr) != SQLITE_OK) {
                qCWarning(lcRegistry) << "hive" << path << sqlite3_errmsg(m_db);
                close();
                return false;
            }
        }
        return true;
    }

    sqlite3 *m_db = nullptr;
    std::array<sqlite3_stmt *, StmtCount> m_stmts{};
};

bool isWritableFolder(const QString &dir) { return ::access(QFile::encodeName(dir).constData(), W_OK) == 0; }

// A file counts as writable only when the user may write it and it carries a
// write permission bit: a read-only hive stays read-only for root as well.
bool isWritableFile(const QString &file)
{
    const QByteArray name = QFile::encodeName(file);
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        return false;
    return (st.st_mode & 0222) != 0 && ::access(name.constData(), W_OK) == 0;
}

// Set by readers that must leave no trace (see setCreateHives).
bool g_createHives = true;

std::shared_ptr<Hive> openHive(const QString &path)
{
    static uint64_t openings = 0; // under the state's lock
    auto hive = std::make_shared<Hive>();
    hive->path = path;
    hive->serial = ++openings;
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    if (g_createHives)
        QDir().mkpath(dir);
    const bool exists = info.exists();
    // The journal files live beside the hive, so its folder must take new files too.
    const bool writable = isWritableFolder(dir) && (!exists || isWritableFile(path));
    if (writable && (exists || g_createHives) && hive->open(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) && !hive->readOnly
        && hive->initWritable())
        return hive;
    if (exists && hive->open(SQLITE_OPEN_READONLY) && hive->initReadOnly()) {
        qCDebug(lcRegistry) << "hive is read-only, writes are refused:" << path;
        return hive;
    }
    // A hive in WAL mode whose folder cannot take the shared-memory file (a
    // folder of root's, seeded by an administrator) is read as an unchanging file.
    if (exists) {
        const QByteArray uri = QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded() + "?immutable=1";
        if (hive->open(SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, uri) && hive->initReadOnly()) {
            qCDebug(lcRegistry) << "hive is read-only (its folder cannot be written), writes are refused:" << path;
            return hive;
        }
    }
    // A hive that cannot even be read: an empty, read-only root.
    hive->close();
    hive->readOnly = true;
    if (exists || g_createHives)
        qCWarning(lcRegistry) << "hive unavailable, using an empty read-only root:" << path;
    return hive;
}

struct KeyState {
    std::shared_ptr<Hive> hive;
    int64_t id = 0;
    uint32_t rights = 0;
    bool isRoot = false;

    std::vector<QString> subkeys;
    bool subkeysValid = false;
    uint64_t subkeysGeneration = 0;

    std::vector<ValueRow> values;
    bool valuesValid = false;
    uint64_t valuesGeneration = 0;
};

struct State {
    QMutex mutex;
    std::array<std::shared_ptr<Hive>, kRootCount> hives;
    std::array<KeyState, kRootCount> roots;
    std::unordered_map<HKEY, KeyState> handles;
    HKEY nextHandle = 0x1000;
    std::array<QString, kRootCount> paths;
    std::array<QByteArray, kRootCount> pathsVariable;
    std::array<bool, kRootCount> pathsKnown{};
    // What hiveVersion() last saw of each root's hive.
    struct Seen {
        uint64_t serial = 0;
        int64_t data = 0;
        uint64_t generation = 0;
        uint64_t version = 0;
    };
    std::array<Seen, kRootCount> seen{};
    int batchDepth = 0;
    bool batchAborted = false; // an inner batch was aborted: the outermost one ends undone
    std::vector<std::shared_ptr<Hive>> batchHives;
    QString userFolder;
    QString machineFolder;
};

State &state()
{
    static State s;
    return s;
}

// Worked out on first use, and only for the hives asked for: a program that only
// touches HKEY_CURRENT_USER never creates the machine folder.
QString userFolder(State &s)
{
    if (s.userFolder.isEmpty())
        s.userFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                       + QStringLiteral("/zenlo/registry");
    return s.userFolder;
}

const QString kSystemMachineFolder = QStringLiteral("/var/lib/zenlo/registry");

QString machineFolder(State &s)
{
    if (s.machineFolder.isEmpty()) {
        const QString system = kSystemMachineFolder;
        if ((g_createHives ? QDir().mkpath(system) : QFileInfo(system).isDir()) && isWritableFolder(system))
            s.machineFolder = system;
        else
            s.machineFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                              + QStringLiteral("/zenlo/machine-registry");
    }
    return s.machineFolder;
}

QString hivePath(State &s, int idx)
{
    // Every use of a root asks, so keep it cheap: the paths are worked out again
    // only when the variable changed.
    const QByteArray dir = qgetenv("ZENLO_REGISTRY_DIR");
    if (s.pathsKnown[idx] && dir == s.pathsVariable[idx])
        return s.paths[idx];
    const QString name = QString::fromLatin1(kRootNames[idx]) + QStringLiteral(".sqlite");
    const QString seeded = kSystemMachineFolder + QLatin1Char('/') + name;
    if (!dir.isEmpty())
        s.paths[idx] = QFile::decodeName(dir) + QLatin1Char('/') + name;
    else if (idx != rootIndex(HKEY_CURRENT_USER) && QFileInfo(seeded).isFile()
             && ::access(QFile::encodeName(seeded).constData(), R_OK) == 0)
        s.paths[idx] = seeded; // what an administrator put there stays visible, read-only or not
    else
        s.paths[idx] = (idx == rootIndex(HKEY_CURRENT_USER) ? userFolder(s) : machineFolder(s)) + QLatin1Char('/') + name;
    s.pathsVariable[idx] = dir;
    s.pathsKnown[idx] = true;
    return s.paths[idx];
}

uint32_t rightsFor(const Hive &hive, uint32_t access)
{
    if (access == DefaultAccess)
        return hive.readOnly ? uint32_t(KeyRead) : uint32_t(KeyAllAccess);
    return access;
}

// The state behind a handle; a root handle (re)opens its hive when its file changed.
KeyState *resolve(State &s, HKEY h, int32_t *status)
{
    const int idx = rootIndex(h);
    if (idx >= 0) {
        const QString path = hivePath(s, idx);
        if (!s.hives[idx] || s.hives[idx]->path != path) {
            s.hives[idx] = openHive(path);
            s.roots[idx] = KeyState();
            s.roots[idx].hive = s.hives[idx];
            s.roots[idx].id = kRootKeyId;
            s.roots[idx].isRoot = true;
            s.roots[idx].rights = rightsFor(*s.hives[idx], DefaultAccess);
        }
        return &s.roots[idx];
    }
    const auto it = s.handles.find(h);
    if (it == s.handles.end()) {
        *status = InvalidHandle;
        return nullptr;
    }
    return &it->second;
}

// Splits a subkey path into its names; false when a name is empty or too long.
bool splitPath(const QString &subKey, QStringList *parts)
{
    parts->clear();
    if (subKey.isEmpty())
        return true;
    *parts = subKey.split(QLatin1Char('\\'));
    if (parts->size() > 1 && parts->last().isEmpty())
        parts->removeLast();
    for (const QString &p : *parts) {
        if (p.isEmpty() || p.size() > MaxKeyNameLength)
            return false;
    }
    return true;
}

bool beginWrite(State &s, const std::shared_ptr<Hive> &hive)
{
    if (s.batchDepth == 0)
        return hive->begin(false);
    const bool joined = hive->inBatch;
    const bool ok = hive->begin(true);
    if (!joined && hive->inBatch)
        s.batchHives.push_back(hive);
    return ok;
}

int32_t endBatches(State &s)
{
    int32_t st = Success;
    for (const auto &hive : s.batchHives) {
        if (s.batchAborted) {
            hive->abortBatch();
            continue;
        }
        const int32_t r = hive->endBatch();
        if (r != Success)
            st = r;
    }
    s.batchHives.clear();
    if (s.batchAborted)
        st = IoFailed;
    s.batchAborted = false;
    return st;
}

HKEY newHandle(State &s, KeyState &&ks)
{
    HKEY h = s.nextHandle;
    while (h == 0 || rootIndex(h) >= 0 || s.handles.count(h))
        h = (h >= 0x7FFFFFF0u) ? 0x1000 : h + 4;
    s.nextHandle = h + 4;
    s.handles.emplace(h, std::move(ks));
    return h;
}

} // namespace

int32_t openKey(HKEY key, const QString &subKey, uint32_t access, HKEY *result)
{
    if (!result)
        return InvalidParameter;
    *result = 0;
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    KeyState *base = resolve(s, key, &st);
    if (!base)
        return st;
    QStringList parts;
    if (!splitPath(subKey, &parts))
        return InvalidParameter;
    Hive &hive = *base->hive;
    const uint32_t rights = rightsFor(hive, access);
    if ((rights & kWriteRights) && hive.readOnly)
        return AccessDenied;
    const bool inRead = parts.size() > 1 && hive.beginRead();
    int64_t id = 0;
    st = hive.alive(base->id);
    if (st == Success)
        st = hive.lookup(base->id, parts, &id);
    if (inRead)
        hive.endRead();
    if (st != Success)
        return st;
    KeyState ks;
    ks.hive = base->hive;
    ks.id = id;
    ks.rights = rights;
    *result = newHandle(s, std::move(ks));
    return Success;
}

int32_t createKey(HKEY key, const QString &subKey, uint32_t access, HKEY *result, bool *created)
{
    if (created)
        *created = false;
    if (!result)
        return InvalidParameter;
    *result = 0;
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    KeyState *base = resolve(s, key, &st);
    if (!base)
        return st;
    QStringList parts;
    if (!splitPath(subKey, &parts))
        return InvalidParameter;
    Hive &hive = *base->hive;
    if (hive.readOnly)
        return AccessDenied;
    const uint32_t rights = rightsFor(hive, access);
    if (!beginWrite(s, base->hive))
        return IoFailed;
    int64_t id = base->id;
    bool made = false;
    st = hive.alive(id);
    for (qsizetype i = 0; st == Success && i < parts.size(); ++i) {
        int64_t child = 0;
        st = hive.findChild(id, parts.at(i), &child);
        if (st == NotFound) {
            st = hive.insertKey(id, parts.at(i), &child);
            made = true;
        }
        id = child;
    }
    if (st != Success) {
        hive.rollback();
        return st;
    }
    if (!hive.commit())
        return IoFailed;
    if (created)
        *created = made;
    KeyState ks;
    ks.hive = base->hive;
    ks.id = id;
    ks.rights = rights;
    *result = newHandle(s, std::move(ks));
    return Success;
}

int32_t closeKey(HKEY key)
{
    if (rootIndex(key) >= 0)
        return Success;
    State &s = state();
    QMutexLocker lock(&s.mutex);
    return s.handles.erase(key) ? Success : InvalidHandle;
}

int32_t deleteKey(HKEY key, const QString &subKey)
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    KeyState *base = resolve(s, key, &st);
    if (!base)
        return st;
    QStringList parts;
    if (!splitPath(subKey, &parts))
        return InvalidParameter;
    if (parts.isEmpty() && base->isRoot)
        return AccessDenied;
    Hive &hive = *base->hive;
    if (hive.readOnly)
        return AccessDenied;
    if (!beginWrite(s, base->hive))
        return IoFailed;
    int64_t id = 0;
    bool hasChildren = false;
    st = hive.alive(base->id);
    if (st == Success)
        st = hive.lookup(base->id, parts, &id);
    if (st == Success)
        st = hive.hasChildren(id, &hasChildren);
    if (st == Success && hasChildren)
        st = AccessDenied;
    if (st == Success)
        st = hive.removeKey(id);
    if (st != Success) {
        hive.rollback();
        return st;
    }
    return hive.commit() ? Success : IoFailed;
}

int32_t deleteValue(HKEY key, const QString &name)
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    KeyState *ks = resolve(s, key, &st);
    if (!ks)
        return st;
    if (!(ks->rights & KeySetValue) || ks->hive->readOnly)
        return AccessDenied;
    if (name.size() > MaxValueNameLength)
        return NotFound;
    Hive &hive = *ks->hive;
    if (!beginWrite(s, ks->hive))
        return IoFailed;
    st = hive.alive(ks->id);
    if (st == Success)
        st = hive.removeValue(ks->id, name);
    if (st != Success) {
        hive.rollback();
        return st;
    }
    return hive.commit() ? Success : IoFailed;
}

int32_t enumKey(HKEY key, uint32_t index, QString *name)
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    KeyState *ks = resolve(s, key, &st);
    if (!ks)
        return st;
    if (!(ks->rights & KeyEnumerateSubKeys))
        return AccessDenied;
    Hive &hive = *ks->hive;
    if (index == 0 || !ks->subkeysValid || ks->subkeysGeneration != hive.generation) {
        ks->subkeysValid = false;
        if ((st = hive.alive(ks->id)) != Success)
            return st;
        if ((st = hive.children(ks->id, &ks->subkeys)) != Success)
            return st;
        ks->subkeysValid = true;
        ks->subkeysGeneration = hive.generation;
    }
    if (index >= ks->subkeys.size())
        return NoMoreItems;
    if (name)
        *name = ks->subkeys[index];
    return Success;
}

int32_t enumValue(HKEY key, uint32_t index, QString *name, uint32_t *type, QByteArray *data)
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    KeyState *ks = resolve(s, key, &st);
    if (!ks)
        return st;
    if (!(ks->rights & KeyQueryValue))
        return AccessDenied;
    Hive &hive = *ks->hive;
    if (index == 0 || !ks->valuesValid || ks->valuesGeneration != hive.generation) {
        ks->valuesValid = false;
        if ((st = hive.alive(ks->id)) != Success)
            return st;
        if ((st = hive.values(ks->id, &ks->values)) != Success)
            return st;
        ks->valuesValid = true;
        ks->valuesGeneration = hive.generation;
    }
    if (index >= ks->values.size())
        return NoMoreItems;
    const ValueRow &row = ks->values[index];
    if (data) {
        if (row.hasData) {
            *data = row.data;
        } else if ((st = hive.valueData(ks->id, row, data)) != Success) {
            // Deleted by another process since the snapshot was taken.
            if (st == NotFound && hive.alive(ks->id) != Success)
                return KeyDeleted;
            return st;
        }
    }
    if (name)
        *name = row.name;
    if (type)
        *type = row.type;
    return Success;
}

int32_t queryValue(HKEY key, const QString &name, uint32_t *type, QByteArray *data)
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    KeyState *ks = resolve(s, key, &st);
    if (!ks)
        return st;
    if (!(ks->rights & KeyQueryValue))
        return AccessDenied;
    if (name.size() > MaxValueNameLength)
        return NotFound;
    Hive &hive = *ks->hive;
    st = hive.getValue(ks->id, name, type, data);
    if (st == NotFound && ks->id != kRootKeyId && hive.alive(ks->id) == KeyDeleted)
        return KeyDeleted;
    return st;
}

int32_t setValue(HKEY key, const QString &name, uint32_t type, const QByteArray &data)
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    KeyState *ks = resolve(s, key, &st);
    if (!ks)
        return st;
    if (!(ks->rights & KeySetValue) || ks->hive->readOnly)
        return AccessDenied;
    if (name.size() > MaxValueNameLength || data.size() > MaxValueDataSize)
        return InvalidParameter;
    Hive &hive = *ks->hive;
    if (!beginWrite(s, ks->hive))
        return IoFailed;
    st = hive.alive(ks->id);
    if (st == Success)
        st = hive.putValue(ks->id, name, type, data);
    if (st != Success) {
        hive.rollback();
        return st;
    }
    return hive.commit() ? Success : IoFailed;
}

bool isValidSubKeyPath(const QString &subKey)
{
    QStringList parts;
    return splitPath(subKey, &parts);
}

QByteArray stringData(const QString &text, bool *ok)
{
    QByteArray bytes = ansi::fromUnicode(text, ok);
    bytes.append('\0');
    return bytes;
}

QString stringFromData(const QByteArray &data)
{
    const qsizetype nul = data.indexOf('\0');
    return ansi::toUnicode(data.constData(), nul < 0 ? data.size() : nul);
}

QByteArray dwordData(uint32_t value)
{
    const char bytes[4] = {char(value & 0xFF), char((value >> 8) & 0xFF), char((value >> 16) & 0xFF),
                           char((value >> 24) & 0xFF)};
    return QByteArray(bytes, 4);
}

QString rootName(HKEY root)
{
    const int idx = rootIndex(root);
    return idx < 0 ? QString() : QString::fromLatin1(kRootNames[idx]);
}

QString hiveFilePath(HKEY root)
{
    const int idx = rootIndex(root);
    if (idx < 0)
        return {};
    State &s = state();
    QMutexLocker lock(&s.mutex);
    return hivePath(s, idx);
}

uint64_t hiveVersion(HKEY root)
{
    const int idx = rootIndex(root);
    if (idx < 0)
        return 0;
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    if (!resolve(s, root, &st))
        return 0;
    Hive &hive = *s.hives[idx];
    const int64_t data = hive.dataVersion();
    State::Seen &seen = s.seen[idx];
    if (seen.version == 0 || data < 0 || seen.serial != hive.serial || seen.data != data
        || seen.generation != hive.generation) {
        ++seen.version;
        seen.serial = hive.serial;
        seen.data = data;
        seen.generation = hive.generation;
    }
    return seen.version;
}

void beginWriteBatch()
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    ++s.batchDepth;
}

int32_t endWriteBatch()
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.batchDepth == 0)
        return InvalidParameter;
    if (--s.batchDepth > 0)
        return Success;
    return endBatches(s);
}

int32_t abortWriteBatch()
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.batchDepth == 0)
        return InvalidParameter;
    s.batchAborted = true;
    if (--s.batchDepth > 0)
        return Success;
    endBatches(s);
    return Success;
}

void setCreateHives(bool create)
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    g_createHives = create;
}

bool isReadOnly(HKEY root)
{
    const int idx = rootIndex(root);
    if (idx < 0)
        return true;
    State &s = state();
    QMutexLocker lock(&s.mutex);
    int32_t st = Success;
    const KeyState *ks = resolve(s, root, &st);
    return !ks || ks->hive->readOnly;
}

void closeAllHives()
{
    State &s = state();
    QMutexLocker lock(&s.mutex);
    s.batchDepth = 0;
    endBatches(s);
    s.batchAborted = false;
    s.handles.clear();
    for (int i = 0; i < kRootCount; ++i) {
        s.roots[i] = KeyState();
        s.hives[i].reset();
    }
}

} // namespace registry
