// The Win32-shaped registry functions: root and key handles, access rights,
// hive paths, write batches and enumeration snapshots. The keys and values
// themselves live in SQLite hive files (registryhive.h).
#include "platform/registrystore.h"

#include "platform/ansi.h"
#include "platform/registryhive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QStringList>

#include <unistd.h>

#include <memory>
#include <unordered_map>
#include <vector>

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

// Set by readers that must leave no trace (see setCreateHives).
bool g_createHives = true;

// What an enumeration at index 0 read of a key, served to the later indexes.
template <typename T>
struct Snapshot {
    std::vector<T> items;
    bool valid = false;
    uint64_t generation = 0;

    // Index 0, or a write to the hive since, reads the list anew.
    int32_t refresh(Hive &hive, int64_t id, uint32_t index, int32_t (Hive::*read)(int64_t, std::vector<T> *))
    {
        if (index != 0 && valid && generation == hive.generation)
            return Success;
        valid = false;
        int32_t st = hive.alive(id);
        if (st == Success)
            st = (hive.*read)(id, &items);
        if (st != Success)
            return st;
        valid = true;
        generation = hive.generation;
        return Success;
    }
};

struct KeyState {
    std::shared_ptr<Hive> hive;
    int64_t id = 0;
    uint32_t rights = 0;
    bool isRoot = false;

    Snapshot<QString> subkeys;
    Snapshot<ValueRow> values;
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
            s.hives[idx] = openHive(path, g_createHives);
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
    if ((st = ks->subkeys.refresh(*ks->hive, ks->id, index, &Hive::children)) != Success)
        return st;
    if (index >= ks->subkeys.items.size())
        return NoMoreItems;
    if (name)
        *name = ks->subkeys.items[index];
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
    if ((st = ks->values.refresh(hive, ks->id, index, &Hive::values)) != Success)
        return st;
    if (index >= ks->values.items.size())
        return NoMoreItems;
    const ValueRow &row = ks->values.items[index];
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

void openExistingHive(HKEY root)
{
    const int idx = rootIndex(root);
    if (idx < 0)
        return;
    State &s = state();
    QMutexLocker lock(&s.mutex);
    if (!QFileInfo::exists(hivePath(s, idx)))
        return; // left to its first use, which creates it as ever
    int32_t st = Success;
    resolve(s, root, &st);
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
