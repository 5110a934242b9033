#include "platform/registryhive.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include "platform/lateload.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcRegistry, "zenlo.registry", QtInfoMsg)

namespace registry {
namespace {

// SQLite is opened when a hive is first opened, not mapped and bound by every start before
// the first window (the database driver loads the same library later in the start-up).
struct SqliteApi {
#define ZENLO_SQLITE_FUNCTIONS(X) X(sqlite3_bind_blob) X(sqlite3_bind_int64) X(sqlite3_bind_text16) X(sqlite3_bind_zeroblob) \
    X(sqlite3_busy_timeout) X(sqlite3_changes) X(sqlite3_clear_bindings) X(sqlite3_close_v2) \
    X(sqlite3_column_blob) X(sqlite3_column_bytes) X(sqlite3_column_bytes16) X(sqlite3_column_int) \
    X(sqlite3_column_int64) X(sqlite3_column_text) X(sqlite3_column_text16) X(sqlite3_column_type) \
    X(sqlite3_db_readonly) X(sqlite3_errmsg) X(sqlite3_exec) X(sqlite3_finalize) \
    X(sqlite3_free) X(sqlite3_last_insert_rowid) X(sqlite3_open_v2) X(sqlite3_prepare_v2) \
    X(sqlite3_prepare_v3) X(sqlite3_reset) X(sqlite3_step)
#define ZENLO_SQLITE_MEMBER(f) decltype(&::f) f = nullptr;
    ZENLO_SQLITE_FUNCTIONS(ZENLO_SQLITE_MEMBER)
#undef ZENLO_SQLITE_MEMBER
    template <typename F>
    void forEach(F &&visit)
    {
#define ZENLO_SQLITE_VISIT(f) visit(f, #f);
        ZENLO_SQLITE_FUNCTIONS(ZENLO_SQLITE_VISIT)
#undef ZENLO_SQLITE_VISIT
    }
};

// The library's functions, or null when it cannot be opened (every hive then fails to open).
const SqliteApi *sqlite()
{
    static const SqliteApi *api = [] {
        QString why;
        const SqliteApi *table = lateload::once<SqliteApi>(ZENLO_SQLITE_LIBRARY, &why);
        if (!table)
            qCWarning(lcRegistry) << "SQLite is not available:" << why;
        return table;
    }();
    return api;
}

// Only reached with a hive open, so with the library loaded.
const SqliteApi &sq() { return *sqlite(); }

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
            sq().sqlite3_reset(m_st);
            sq().sqlite3_clear_bindings(m_st);
        }
    }
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    Query &bind(int i, int64_t v)
    {
        sq().sqlite3_bind_int64(m_st, i, v);
        return *this;
    }
    Query &bind(int i, const QString &s)
    {
        sq().sqlite3_bind_text16(m_st, i, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
        return *this;
    }
    Query &bindBlob(int i, const QByteArray &b)
    {
        if (b.isEmpty())
            sq().sqlite3_bind_zeroblob(m_st, i, 0);
        else
            sq().sqlite3_bind_blob(m_st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int step() { return m_st ? sq().sqlite3_step(m_st) : SQLITE_MISUSE; }
    int64_t int64(int c) const { return sq().sqlite3_column_int64(m_st, c); }
    QString text(int c) const
    {
        const void *p = sq().sqlite3_column_text16(m_st, c);
        const int bytes = sq().sqlite3_column_bytes16(m_st, c);
        return p ? QString::fromUtf16(static_cast<const char16_t *>(p), bytes / 2) : QString();
    }
    QByteArray blob(int c) const
    {
        const void *p = sq().sqlite3_column_blob(m_st, c);
        const int bytes = sq().sqlite3_column_bytes(m_st, c);
        return p ? QByteArray(static_cast<const char *>(p), bytes) : QByteArray("", 0);
    }
    bool isNull(int c) const { return sq().sqlite3_column_type(m_st, c) == SQLITE_NULL; }

private:
    sqlite3_stmt *m_st;
};


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

} // namespace

Hive::~Hive() { close(); }

bool Hive::hasDatabase() const
{
    return m_db != nullptr;
}

bool Hive::open(int flags, const QByteArray &name)
{
    close();
    if (!sqlite())
        return false;
    const QByteArray file = name.isEmpty() ? QFile::encodeName(path) : name;
    sqlite3 *db = nullptr;
    const int rc = sq().sqlite3_open_v2(file.constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        qCWarning(lcRegistry) << "cannot open hive" << path << (db ? sq().sqlite3_errmsg(db) : "");
        sq().sqlite3_close_v2(db);
        return false;
    }
    m_db = db;
    sq().sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    readOnly = (flags & SQLITE_OPEN_READWRITE) == 0 || sq().sqlite3_db_readonly(m_db, "main") == 1;
    return true;
}

void Hive::close()
{
    if (!m_db) // no statement without the database
        return;
    for (auto &st : m_stmts) {
        sq().sqlite3_finalize(st);
        st = nullptr;
    }
    sq().sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool Hive::initWritable()
{
    const QDeadlineTimer deadline(kBusyTimeoutMs);
    for (;;) {
        QString mode;
        sqlite3_stmt *st = nullptr;
        if (sq().sqlite3_prepare_v2(m_db, "PRAGMA journal_mode=WAL", -1, &st, nullptr) == SQLITE_OK) {
            if (sq().sqlite3_step(st) == SQLITE_ROW)
                mode = QString::fromUtf8(reinterpret_cast<const char *>(sq().sqlite3_column_text(st, 0)));
        }
        sq().sqlite3_finalize(st);
        if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
            break;
        if (deadline.hasExpired()) {
            qCWarning(lcRegistry) << "cannot switch hive to WAL mode" << path << sq().sqlite3_errmsg(m_db);
            return false;
        }
        QThread::msleep(5);
    }
    if (!exec("PRAGMA synchronous=NORMAL"))
        return false;
    // A hive that already has its tables and root key needs no write to be used:
    // only a new (or emptied) file takes the schema, under the write lock.
    if (hasSchema(true))
        return true;
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
    return true;
}

bool Hive::initReadOnly()
{
    return hasSchema(false);
}

bool Hive::hasSchema(bool withRoot)
{
    sqlite3_stmt *st = nullptr;
    const char *sql = withRoot ? "SELECT (SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('keys','vals'))"
                                 " + (SELECT count(*) FROM keys WHERE id = 1)"
                               : "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('keys','vals')";
    // Without the tables the first query cannot even be prepared (it names keys): no schema.
    const bool ok = sq().sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) == SQLITE_OK && sq().sqlite3_step(st) == SQLITE_ROW
                    && sq().sqlite3_column_int(st, 0) == (withRoot ? 3 : 2);
    sq().sqlite3_finalize(st);
    return ok;
}

sqlite3_stmt *Hive::stmt(Stmt s) const
{
    // Prepared on first use: most runs read a few values and never write.
    if (!m_stmts[s] && m_db)
        m_stmts[s] = prepareStatement(s);
    return m_stmts[s];
}

int Hive::changes() const
{
    return m_db ? sq().sqlite3_changes(m_db) : 0;
}

QString Hive::errorText() const
{
    return m_db ? QString::fromUtf8(sq().sqlite3_errmsg(m_db)) : QString();
}

bool Hive::begin(bool batch)
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

bool Hive::commit()
{
    if (Query(stmt(inBatch ? Release : Commit)).step() == SQLITE_DONE) {
        ++generation;
        return true;
    }
    rollback();
    return false;
}

void Hive::rollback()
{
    if (inBatch) {
        Query(stmt(RollbackTo)).step();
        Query(stmt(Release)).step();
    } else {
        Query(stmt(Rollback)).step();
    }
}

int32_t Hive::endBatch()
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

void Hive::abortBatch()
{
    if (!inBatch)
        return;
    inBatch = false;
    Query(stmt(Rollback)).step();
    ++generation; // what the batch wrote is gone again
}

int64_t Hive::dataVersion()
{
    if (!m_db)
        return 0;
    Query q(stmt(DataVersion));
    return q.step() == SQLITE_ROW ? q.int64(0) : -1;
}

bool Hive::beginRead()
{
    return m_db && !inBatch && Query(stmt(BeginRead)).step() == SQLITE_DONE;
}

void Hive::endRead()
{
    Query(stmt(Commit)).step();
}

int32_t Hive::alive(int64_t id)
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

int32_t Hive::findChild(int64_t parent, const QString &name, int64_t *id)
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

int32_t Hive::lookup(int64_t from, const QStringList &parts, int64_t *id)
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

int32_t Hive::insertKey(int64_t parent, const QString &name, int64_t *id)
{
    Query q(stmt(InsertKey));
    q.bind(1, parent).bind(2, name).bind(3, fold(name));
    if (q.step() != SQLITE_DONE)
        return IoFailed;
    *id = sq().sqlite3_last_insert_rowid(m_db);
    return Success;
}

int32_t Hive::hasChildren(int64_t id, bool *has)
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

int32_t Hive::removeKey(int64_t id)
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

int32_t Hive::children(int64_t id, std::vector<QString> *names)
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

int32_t Hive::values(int64_t id, std::vector<ValueRow> *rows)
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

int32_t Hive::valueData(int64_t key, const ValueRow &row, QByteArray *data)
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

int32_t Hive::getValue(int64_t key, const QString &name, uint32_t *type, QByteArray *data)
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

int32_t Hive::putValue(int64_t key, const QString &name, uint32_t type, const QByteArray &data)
{
    Query q(stmt(UpsertValue));
    q.bind(1, key).bind(2, name).bind(3, fold(name)).bind(4, int64_t(type)).bindBlob(5, data);
    return q.step() == SQLITE_DONE ? Success : IoFailed;
}

int32_t Hive::removeValue(int64_t key, const QString &name)
{
    Query q(stmt(DeleteValue));
    q.bind(1, key).bind(2, fold(name));
    if (q.step() != SQLITE_DONE)
        return IoFailed;
    return changes() > 0 ? Success : NotFound;
}

bool Hive::exec(const char *sql)
{
    char *msg = nullptr;
    const int rc = sq().sqlite3_exec(m_db, sql, nullptr, nullptr, &msg);
    if (rc != SQLITE_OK)
        qCWarning(lcRegistry) << "hive" << path << sql << (msg ? msg : "");
    sq().sqlite3_free(msg);
    return rc == SQLITE_OK;
}

sqlite3_stmt *Hive::prepareStatement(Stmt s) const
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
    sqlite3_stmt *st = nullptr;
    if (sq().sqlite3_prepare_v3(m_db, sql[s], -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK) {
        qCWarning(lcRegistry) << "hive" << path << sq().sqlite3_errmsg(m_db);
        sq().sqlite3_finalize(st);
        return nullptr;
    }
    return st;
}

bool isWritableFolder(const QString &dir) { return ::access(QFile::encodeName(dir).constData(), W_OK) == 0; }

std::shared_ptr<Hive> openHive(const QString &path, bool createFiles)
{
    static uint64_t openings = 0; // under the state's lock
    auto hive = std::make_shared<Hive>();
    hive->path = path;
    hive->serial = ++openings;
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    if (createFiles)
        QDir().mkpath(dir);
    const bool exists = info.exists();
    if (!createFiles) {
        // A reader that leaves no trace: never read-write, so no journal files
        // appear beside the hive. A hive another process holds open (its WAL
        // file is there) is read through that process's journal; any other is
        // read as an unchanging file.
        hive->readOnly = true;
        if (!exists)
            return hive;
        if (QFileInfo::exists(path + QStringLiteral("-wal")) && hive->open(SQLITE_OPEN_READONLY) && hive->initReadOnly())
            return hive;
        const QByteArray uri = QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded() + "?immutable=1";
        if (hive->open(SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, uri) && hive->initReadOnly())
            return hive;
        hive->close();
        hive->readOnly = true;
        qCWarning(lcRegistry) << "hive cannot be read, using an empty read-only root:" << path;
        return hive;
    }
    // The journal files live beside the hive, so its folder must take new files too.
    const bool writable = isWritableFolder(dir) && (!exists || isWritableFile(path));
    if (writable && (exists || createFiles) && hive->open(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) && !hive->readOnly
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
    if (exists || createFiles)
        qCWarning(lcRegistry) << "hive unavailable, using an empty read-only root:" << path;
    return hive;
}

bool loadStoreLibrary()
{
    return sqlite() != nullptr;
}

} // namespace registry
