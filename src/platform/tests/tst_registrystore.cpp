// The registry store: Windows' naming and ordering rules, refusals, limits, a
// read-only hive, and two processes writing one hive at the same time.
#include "platform/registryansi.h"
#include "platform/registrystore.h"
#include "platform/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

using namespace registry;

namespace {

const char kChildVariable[] = "ZENLO_REGSTORE_CHILD";

QStringList subkeysOf(HKEY key)
{
    QStringList names;
    QString name;
    for (uint32_t i = 0; enumKey(key, i, &name) == Success; ++i)
        names << name;
    return names;
}

QStringList valueNamesOf(HKEY key)
{
    QStringList names;
    QString name;
    for (uint32_t i = 0; enumValue(key, i, &name) == Success; ++i)
        names << name;
    return names;
}

// The work of a child process, named by the environment variable:
//   "write TAG N GOFILE": waits for GOFILE, then N times creates Shared\TAG\k<i>
//                         and sets the value TAG_<i> in Shared;
//   "delete PATH":        deletes HKEY_CURRENT_USER\PATH.
int runChild(const QString &job)
{
    const QStringList words = job.split(QLatin1Char(' '));
    if (words.value(0) == QLatin1String("delete"))
        return deleteKey(HKEY_CURRENT_USER, words.value(1)) == Success ? 0 : 1;
    if (words.value(0) != QLatin1String("write") || words.size() != 4)
        return 2;
    const QString tag = words.at(1);
    const int n = words.at(2).toInt();
    for (int waited = 0; !QFileInfo::exists(words.at(3)); ++waited) {
        if (waited > 30000)
            return 3;
        QThread::msleep(1);
    }
    for (int i = 0; i < n; ++i) {
        HKEY shared = 0, child = 0;
        int32_t st = createKey(HKEY_CURRENT_USER, QStringLiteral("Shared"), KeyAllAccess, &shared);
        if (st == Success)
            st = createKey(shared, tag + QStringLiteral("\\k%1").arg(i), KeyWrite, &child);
        if (st == Success)
            st = setValue(shared, tag + QStringLiteral("_%1").arg(i), RegDword, dwordData(uint32_t(i)));
        closeKey(child);
        closeKey(shared);
        if (st != Success) {
            fprintf(stderr, "child %s: write %d failed with %d\n", qPrintable(tag), i, st);
            return 1;
        }
    }
    return 0;
}

} // namespace

class tst_RegistryStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void namesCompareWithoutCase_data();
    void namesCompareWithoutCase();
    void namesKeepFirstCase();
    void enumerationOrder();
    void deleteKeyRefusedWhileSubkeys();
    void accessRights_data();
    void accessRights();
    void readOnlyHive();
    void reopenedHive();
    void hiveOpenedAhead();
    void limits_data();
    void limits();
    void handles();
    void keyDeletedByAnotherProcess();
    void largeKeyEnumeration();
    void twoProcessesWriteOneHive();
    void writeBatch();
    void abortedBatch();
    void hiveVersionSeesEveryChange();
    void hiveLocation();
    void settingsStore();
    void plainBytesNames_data();
    void plainBytesNames();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    HKEY create(const QString &path, uint32_t access = KeyAllAccess);
};

HKEY tst_RegistryStore::create(const QString &path, uint32_t access)
{
    HKEY h = 0;
    const int32_t st = createKey(HKEY_CURRENT_USER, path, access, &h);
    if (st != Success)
        qWarning("createKey(%s) failed: %d", qPrintable(path), st);
    return h;
}

void tst_RegistryStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(m_dir->path()));
}

void tst_RegistryStore::cleanup()
{
    closeAllHives();
    m_dir.reset();
}

void tst_RegistryStore::namesCompareWithoutCase_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<bool>("same");
    QTest::newRow("ascii") << "Software\\Zenlo" << "SOFTWARE\\zenlo" << true;
    QTest::newRow("trailing backslash") << "Software\\Zenlo" << "software\\zenlo\\" << true;
    QTest::newRow("fullwidth letters") << "Ｚｅｎｌｏ" << "ＺＥＮＬＯ" << true;
    QTest::newRow("greek") << "Σοφία" << "ΣΟΦΊΑ" << true;
    QTest::newRow("chinese") << "软件\\设置" << "软件\\设置" << true;
    QTest::newRow("different name") << "Software\\Zenlo" << "Software\\Zenlo2" << false;
    QTest::newRow("accent is no case") << "Cafe" << "Café" << false;
}

void tst_RegistryStore::namesCompareWithoutCase()
{
    QFETCH(QString, written);
    QFETCH(QString, asked);
    QFETCH(bool, same);
    HKEY key = create(written);
    QVERIFY(key);
    QCOMPARE(setValue(key, QStringLiteral("Value") + written.right(1), RegSz, stringData("x")), Success);
    closeKey(key);

    HKEY other = 0;
    const int32_t st = openKey(HKEY_CURRENT_USER, asked, KeyRead, &other);
    QCOMPARE(st, same ? Success : NotFound);
    if (same) {
        // Value names follow the same rule.
        uint32_t type = 0;
        QCOMPARE(queryValue(other, QStringLiteral("VALUE") + written.right(1).toUpper(), &type, nullptr), Success);
        QCOMPARE(type, uint32_t(RegSz));
        closeKey(other);
    }
}

void tst_RegistryStore::namesKeepFirstCase()
{
    HKEY key = create(QStringLiteral("MixedCase\\SubKey"));
    QCOMPARE(setValue(key, QStringLiteral("Count"), RegDword, dwordData(1)), Success);
    QCOMPARE(setValue(key, QStringLiteral("COUNT"), RegDword, dwordData(2)), Success);
    closeKey(key);
    bool created = true;
    HKEY again = 0;
    QCOMPARE(createKey(HKEY_CURRENT_USER, QStringLiteral("MIXEDCASE\\SUBKEY"), KeyAllAccess, &again, &created), Success);
    QVERIFY(!created);

    HKEY parent = 0;
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("mixedcase"), KeyRead, &parent), Success);
    QCOMPARE(subkeysOf(parent), QStringList{QStringLiteral("SubKey")});
    QCOMPARE(subkeysOf(HKEY_CURRENT_USER), QStringList{QStringLiteral("MixedCase")});
    QCOMPARE(valueNamesOf(again), QStringList{QStringLiteral("Count")});
    QByteArray data;
    QCOMPARE(queryValue(again, QStringLiteral("count"), nullptr, &data), Success);
    QCOMPARE(data, dwordData(2));
    closeKey(again);
    closeKey(parent);
}

void tst_RegistryStore::enumerationOrder()
{
    HKEY key = create(QStringLiteral("Order"));
    for (const char *name : {"b", "C", "a", "_x", "B2"}) {
        HKEY child = 0;
        QCOMPARE(createKey(key, QString::fromLatin1(name), KeyWrite, &child), Success);
        closeKey(child);
    }
    // Subkeys: case-insensitive name order.
    QCOMPARE(subkeysOf(key), (QStringList{"_x", "a", "b", "B2", "C"}));

    // Values: the order in which they were first written; rewriting keeps the place.
    for (const char *name : {"z", "A", "m"})
        QCOMPARE(setValue(key, QString::fromLatin1(name), RegSz, stringData("1")), Success);
    QCOMPARE(setValue(key, QStringLiteral("a"), RegSz, stringData("2")), Success);
    QCOMPARE(valueNamesOf(key), (QStringList{"z", "A", "m"}));
    QCOMPARE(deleteValue(key, QStringLiteral("Z")), Success);
    QCOMPARE(setValue(key, QStringLiteral("Z"), RegSz, stringData("3")), Success);
    QCOMPARE(valueNamesOf(key), (QStringList{"A", "m", "Z"}));
    QCOMPARE(deleteValue(key, QStringLiteral("nothing")), NotFound);

    // Asking for an index without starting at 0 works too, and so does the end.
    QString name;
    QCOMPARE(enumValue(key, 1, &name), Success);
    QCOMPARE(name, QStringLiteral("m"));
    QCOMPARE(enumValue(key, 3, &name), NoMoreItems);
    QCOMPARE(enumKey(key, 5, &name), NoMoreItems);
    closeKey(key);
}

void tst_RegistryStore::deleteKeyRefusedWhileSubkeys()
{
    HKEY leaf = create(QStringLiteral("Tree\\Branch\\Leaf"));
    QCOMPARE(setValue(leaf, QStringLiteral("v"), RegSz, stringData("x")), Success);
    closeKey(leaf);

    QCOMPARE(deleteKey(HKEY_CURRENT_USER, QStringLiteral("Tree\\Branch")), AccessDenied);
    HKEY h = 0;
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Tree\\Branch\\Leaf"), KeyRead, &h), Success);
    closeKey(h);
    QCOMPARE(deleteKey(HKEY_CURRENT_USER, QStringLiteral("tree\\branch\\leaf")), Success);
    QCOMPARE(deleteKey(HKEY_CURRENT_USER, QStringLiteral("Tree\\Branch")), Success);
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Tree\\Branch"), KeyRead, &h), NotFound);
    QCOMPARE(deleteKey(HKEY_CURRENT_USER, QStringLiteral("Tree\\Branch")), NotFound);
    // A root is never deleted.
    QCOMPARE(deleteKey(HKEY_CURRENT_USER, QString()), AccessDenied);

    // A new key never takes over the identity of a deleted one.
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Tree"), KeyAllAccess, &h), Success);
    QCOMPARE(deleteKey(HKEY_CURRENT_USER, QStringLiteral("Tree")), Success);
    HKEY fresh = create(QStringLiteral("Tree"));
    QCOMPARE(setValue(h, QStringLiteral("v"), RegSz, stringData("x")), KeyDeleted);
    QCOMPARE(queryValue(fresh, QStringLiteral("v"), nullptr, nullptr), NotFound);
    closeKey(h);
    closeKey(fresh);
}

void tst_RegistryStore::accessRights_data()
{
    QTest::addColumn<uint32_t>("access");
    QTest::addColumn<int32_t>("query");
    QTest::addColumn<int32_t>("set");
    QTest::addColumn<int32_t>("enumerate");
    QTest::newRow("read") << uint32_t(KeyRead) << int32_t(Success) << int32_t(AccessDenied) << int32_t(Success);
    QTest::newRow("write") << uint32_t(KeyWrite) << int32_t(AccessDenied) << int32_t(Success) << int32_t(AccessDenied);
    QTest::newRow("all") << uint32_t(KeyAllAccess) << int32_t(Success) << int32_t(Success) << int32_t(Success);
    QTest::newRow("default") << uint32_t(DefaultAccess) << int32_t(Success) << int32_t(Success) << int32_t(Success);
    QTest::newRow("query only") << uint32_t(KeyQueryValue) << int32_t(Success) << int32_t(AccessDenied)
                                << int32_t(AccessDenied);
}

void tst_RegistryStore::accessRights()
{
    QFETCH(uint32_t, access);
    QFETCH(int32_t, query);
    QFETCH(int32_t, set);
    QFETCH(int32_t, enumerate);
    HKEY key = create(QStringLiteral("Rights\\Child"));
    QCOMPARE(setValue(key, QStringLiteral("v"), RegSz, stringData("x")), Success);
    closeKey(key);

    HKEY h = 0;
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Rights"), access, &h), Success);
    HKEY child = 0;
    QCOMPARE(openKey(h, QStringLiteral("Child"), access, &child), Success);
    QCOMPARE(queryValue(child, QStringLiteral("v"), nullptr, nullptr), query);
    QCOMPARE(setValue(child, QStringLiteral("w"), RegSz, stringData("y")), set);
    QCOMPARE(deleteValue(child, QStringLiteral("v")), set);
    QString name;
    QCOMPARE(enumKey(h, 0, &name), enumerate);
    closeKey(child);
    closeKey(h);
}

void tst_RegistryStore::readOnlyHive()
{
    HKEY key = 0;
    QCOMPARE(createKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Vendor"), KeyAllAccess, &key), Success);
    QCOMPARE(setValue(key, QStringLiteral("Path"), RegSz, stringData("/opt/zenlo")), Success);
    closeKey(key);
    closeAllHives();

    const QString hive = hiveFilePath(HKEY_LOCAL_MACHINE);
    QVERIFY(QFileInfo(hive).isFile());
    QVERIFY(QFile::setPermissions(hive, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const auto restore = qScopeGuard([&] {
        closeAllHives();
        QFile::setPermissions(hive, QFile::ReadOwner | QFile::WriteOwner);
    });

    QCOMPARE(openKey(HKEY_LOCAL_MACHINE, QStringLiteral("software\\vendor"), KeyRead, &key), Success);
    QByteArray data;
    QCOMPARE(queryValue(key, QStringLiteral("path"), nullptr, &data), Success);
    QCOMPARE(stringFromData(data), QStringLiteral("/opt/zenlo"));
    QCOMPARE(setValue(key, QStringLiteral("Path"), RegSz, stringData("x")), AccessDenied);
    closeKey(key);

    HKEY h = 0;
    QCOMPARE(openKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Vendor"), KeyWrite, &h), AccessDenied);
    QCOMPARE(openKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Vendor"), KeyAllAccess, &h), AccessDenied);
    QCOMPARE(createKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Other"), KeyRead, &h), AccessDenied);
    QCOMPARE(deleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Vendor")), AccessDenied);
    QCOMPARE(setValue(HKEY_LOCAL_MACHINE, QStringLiteral("x"), RegSz, stringData("x")), AccessDenied);
    // Default access on a read-only hive is read access.
    QCOMPARE(openKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software"), DefaultAccess, &h), Success);
    QCOMPARE(subkeysOf(h), QStringList{QStringLiteral("Vendor")});
    closeKey(h);

    // The other hives are not affected.
    QVERIFY(create(QStringLiteral("Writable")) != 0);
}

// Opening a hive that has its tables writes nothing: another process's write lock
// does not hold it up, and the statements it then needs still work. A file whose
// root key went missing gets it back.
void tst_RegistryStore::reopenedHive()
{
    HKEY key = create(QStringLiteral("Software\\Vendor"));
    QVERIFY(key != 0);
    QCOMPARE(setValue(key, QStringLiteral("Path"), RegSz, stringData("/opt/zenlo")), Success);
    closeKey(key);
    closeAllHives();

    const QString hive = hiveFilePath(HKEY_CURRENT_USER);
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(hive);
        QVERIFY(other.open());
        QSqlQuery lock(other);
        QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));

        // Opened for writing all the same (not fallen back to read-only while the lock is held).
        QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("software\\vendor"), KeyAllAccess, &key), Success);
        QByteArray data;
        QCOMPARE(queryValue(key, QStringLiteral("path"), nullptr, &data), Success);
        QCOMPARE(stringFromData(data), QStringLiteral("/opt/zenlo"));
        closeKey(key);

        // The root key is lost while the lock is held; the next opening puts it back.
        QVERIFY(lock.exec(QStringLiteral("DELETE FROM keys WHERE id = 1")));
        QVERIFY(lock.exec(QStringLiteral("COMMIT")));
        lock.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));

    closeAllHives();
    key = create(QStringLiteral("Second"));
    QVERIFY(key != 0);
    QCOMPARE(setValue(key, QStringLiteral("Name"), RegSz, stringData("x")), Success);
    closeKey(key);
    QCOMPARE(subkeysOf(HKEY_CURRENT_USER), (QStringList{QStringLiteral("Second"), QStringLiteral("Software")}));
}

// The start opens a hive on a helper thread before its first use: the program then reads and
// writes it as ever, and a hive with no file yet gets none until it is written.
void tst_RegistryStore::hiveOpenedAhead()
{
    std::unique_ptr<QThread> ahead(QThread::create([] { openExistingHive(HKEY_CURRENT_USER); }));
    ahead->start();
    QVERIFY(ahead->wait(10000));
    QVERIFY(!QFileInfo::exists(hiveFilePath(HKEY_CURRENT_USER)));

    HKEY key = create(QStringLiteral("Software\\Vendor"));
    QVERIFY(key != 0);
    QCOMPARE(setValue(key, QStringLiteral("Path"), RegSz, stringData("/opt/zenlo")), Success);
    closeKey(key);
    closeAllHives();

    ahead.reset(QThread::create([] { openExistingHive(HKEY_CURRENT_USER); }));
    ahead->start();
    QVERIFY(ahead->wait(10000));
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("software\\vendor"), KeyAllAccess, &key), Success);
    QByteArray data;
    QCOMPARE(queryValue(key, QStringLiteral("path"), nullptr, &data), Success);
    QCOMPARE(stringFromData(data), QStringLiteral("/opt/zenlo"));
    QCOMPARE(setValue(key, QStringLiteral("Path"), RegSz, stringData("/srv/zenlo")), Success);
    QCOMPARE(queryValue(key, QStringLiteral("path"), nullptr, &data), Success);
    QCOMPARE(stringFromData(data), QStringLiteral("/srv/zenlo"));
    closeKey(key);
}

void tst_RegistryStore::limits_data()
{
    QTest::addColumn<QString>("keyPath");
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<int>("dataSize");
    QTest::addColumn<int32_t>("expected");
    const QString longest(MaxKeyNameLength, QLatin1Char('k'));
    QTest::newRow("key name 255") << longest << 1 << 1 << int32_t(Success);
    QTest::newRow("key name 256") << longest + QLatin1Char('k') << 1 << 1 << int32_t(InvalidParameter);
    QTest::newRow("deep key name 256") << QStringLiteral("a\\") + longest + QLatin1Char('k') << 1 << 1
                                       << int32_t(InvalidParameter);
    QTest::newRow("empty component") << QStringLiteral("a\\\\b") << 1 << 1 << int32_t(InvalidParameter);
    QTest::newRow("leading backslash") << QStringLiteral("\\a") << 1 << 1 << int32_t(InvalidParameter);
    QTest::newRow("value name 16383") << QStringLiteral("v") << MaxValueNameLength << 1 << int32_t(Success);
    QTest::newRow("value name 16384") << QStringLiteral("v") << MaxValueNameLength + 1 << 1
                                      << int32_t(InvalidParameter);
    QTest::newRow("data 1 MiB") << QStringLiteral("d") << 1 << MaxValueDataSize << int32_t(Success);
    QTest::newRow("data 1 MiB + 1") << QStringLiteral("d") << 1 << MaxValueDataSize + 1 << int32_t(InvalidParameter);
    QTest::newRow("empty data") << QStringLiteral("d") << 1 << 0 << int32_t(Success);
}

void tst_RegistryStore::limits()
{
    QFETCH(QString, keyPath);
    QFETCH(int, nameLength);
    QFETCH(int, dataSize);
    QFETCH(int32_t, expected);
    HKEY key = 0;
    int32_t st = createKey(HKEY_CURRENT_USER, keyPath, KeyAllAccess, &key);
    if (st == Success) {
        const QString name(nameLength, QLatin1Char('n'));
        const QByteArray data(dataSize, '\x5A');
        st = setValue(key, name, RegBinary, data);
        if (st == Success) {
            QByteArray back;
            uint32_t type = 0;
            QCOMPARE(queryValue(key, name.toUpper(), &type, &back), Success);
            QCOMPARE(back, data);
            QCOMPARE(type, uint32_t(RegBinary));
        } else {
            QCOMPARE(queryValue(key, name, nullptr, nullptr), NotFound);
        }
        closeKey(key);
    } else {
        QCOMPARE(subkeysOf(HKEY_CURRENT_USER), QStringList()); // no parent was created either
    }
    QCOMPARE(st, expected);
}

void tst_RegistryStore::handles()
{
    HKEY key = create(QStringLiteral("Handles"));
    QVERIFY(key);
    QVERIFY(rootName(key).isEmpty());
    QCOMPARE(closeKey(key), Success);
    QCOMPARE(closeKey(key), InvalidHandle);
    QCOMPARE(setValue(key, QStringLiteral("v"), RegSz, stringData("x")), InvalidHandle);
    QCOMPARE(queryValue(0, QStringLiteral("v"), nullptr, nullptr), InvalidHandle);
    HKEY h = 0;
    QCOMPARE(openKey(0x80000007u, QString(), KeyRead, &h), InvalidHandle);
    QCOMPARE(openKey(HKEY_CURRENT_USER, QString(), KeyRead, nullptr), InvalidParameter);
    // Closing a root does nothing; the root stays usable.
    QCOMPARE(closeKey(HKEY_CURRENT_USER), Success);
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Handles"), KeyRead, &h), Success);
    closeKey(h);
    QCOMPARE(rootName(HKEY_USERS), QStringLiteral("HKEY_USERS"));
}

void tst_RegistryStore::keyDeletedByAnotherProcess()
{
    HKEY key = create(QStringLiteral("Doomed"));
    QCOMPARE(setValue(key, QStringLiteral("v"), RegSz, stringData("x")), Success);
    QString name;
    QCOMPARE(enumValue(key, 0, &name), Success);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("delete Doomed"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);

    // The handle outlives its key: every use fails, nothing crashes.
    QCOMPARE(queryValue(key, QStringLiteral("v"), nullptr, nullptr), KeyDeleted);
    QCOMPARE(setValue(key, QStringLiteral("v"), RegSz, stringData("y")), KeyDeleted);
    QCOMPARE(deleteValue(key, QStringLiteral("v")), KeyDeleted);
    QCOMPARE(enumValue(key, 0, &name), KeyDeleted);
    QCOMPARE(enumKey(key, 0, &name), KeyDeleted);
    HKEY sub = 0;
    QCOMPARE(createKey(key, QStringLiteral("Child"), KeyWrite, &sub), KeyDeleted);
    QCOMPARE(openKey(key, QString(), KeyRead, &sub), KeyDeleted);
    QCOMPARE(closeKey(key), Success);
    QCOMPARE(subkeysOf(HKEY_CURRENT_USER), QStringList());
}

void tst_RegistryStore::largeKeyEnumeration()
{
    HKEY key = create(QStringLiteral("Large"));
    const QByteArray big(64 * 1024, 'b'); // kept out of the snapshot, read when asked for
    for (int i = 0; i < 500; ++i)
        QCOMPARE(setValue(key, QStringLiteral("v%1").arg(i), RegBinary, i % 100 == 0 ? big : dwordData(i)), Success);
    QString name;
    QByteArray data;
    uint32_t type = 0;
    for (uint32_t i = 0; i < 500; ++i) {
        QCOMPARE(enumValue(key, i, &name, &type, &data), Success);
        QCOMPARE(name, QStringLiteral("v%1").arg(i));
        QCOMPARE(data, i % 100 == 0 ? big : dwordData(i));
    }
    QCOMPARE(enumValue(key, 500, &name), NoMoreItems);

    // A write in the middle of an enumeration is seen by the following indexes.
    QCOMPARE(enumValue(key, 0, &name), Success);
    QCOMPARE(deleteValue(key, QStringLiteral("v0")), Success);
    QCOMPARE(enumValue(key, 0, &name), Success);
    QCOMPARE(name, QStringLiteral("v1"));
    QCOMPARE(enumValue(key, 499, &name), NoMoreItems);
    closeKey(key);
}

void tst_RegistryStore::twoProcessesWriteOneHive()
{
    const int n = 300;
    const QString go = m_dir->filePath(QStringLiteral("go"));
    QProcess a, b;
    for (auto [proc, tag] : {std::pair{&a, "A"}, std::pair{&b, "B"}}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("write %1 %2 %3").arg(QLatin1String(tag)).arg(n).arg(go));
        proc->setProcessEnvironment(env);
        proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc->start(QCoreApplication::applicationFilePath(), {});
    }
    QVERIFY(a.waitForStarted());
    QVERIFY(b.waitForStarted());
    // Both start on a hive that does not exist yet and begin at the same moment.
    QVERIFY(!QFileInfo::exists(hiveFilePath(HKEY_CURRENT_USER)));
    QFile(go).open(QIODevice::WriteOnly);
    QVERIFY(a.waitForFinished(120000));
    QVERIFY(b.waitForFinished(120000));
    QCOMPARE(a.exitCode(), 0);
    QCOMPARE(b.exitCode(), 0);

    HKEY shared = 0;
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Shared"), KeyRead, &shared), Success);
    const QStringList names = valueNamesOf(shared);
    QCOMPARE(names.size(), 2 * n);
    const QSet<QString> unique(names.begin(), names.end());
    for (const char *tag : {"A", "B"}) {
        for (int i = 0; i < n; ++i) {
            QVERIFY2(unique.contains(QStringLiteral("%1_%2").arg(QLatin1String(tag)).arg(i)), tag);
            QByteArray data;
            QCOMPARE(queryValue(shared, QStringLiteral("%1_%2").arg(QLatin1String(tag)).arg(i), nullptr, &data), Success);
            QCOMPARE(data, dwordData(uint32_t(i)));
        }
        HKEY t = 0;
        QCOMPARE(openKey(shared, QString::fromLatin1(tag), KeyRead, &t), Success);
        QCOMPARE(subkeysOf(t).size(), n);
        closeKey(t);
    }
    QCOMPARE(subkeysOf(shared), (QStringList{"A", "B"}));
    closeKey(shared);
}

void tst_RegistryStore::writeBatch()
{
    const QString go = m_dir->filePath(QStringLiteral("go"));
    QFile(go).open(QIODevice::WriteOnly);
    HKEY doomed = create(QStringLiteral("Doomed"));
    QCOMPARE(deleteKey(HKEY_CURRENT_USER, QStringLiteral("Doomed")), Success);

    beginWriteBatch();
    beginWriteBatch(); // batches nest: only the outer end commits
    HKEY shared = create(QStringLiteral("Shared"));
    QCOMPARE(setValue(shared, QStringLiteral("first"), RegSz, stringData("1")), Success);
    QCOMPARE(endWriteBatch(), Success);
    // A write that fails inside the batch leaves the writes before it in place.
    HKEY h = 0;
    QCOMPARE(createKey(shared, QStringLiteral("a\\\\b"), KeyWrite, &h), InvalidParameter);
    QCOMPARE(createKey(doomed, QStringLiteral("Child"), KeyWrite, &h), KeyDeleted);
    QCOMPARE(setValue(shared, QString(MaxValueNameLength + 1, QLatin1Char('n')), RegSz, stringData("x")),
             InvalidParameter);
    QCOMPARE(setValue(shared, QStringLiteral("second"), RegSz, stringData("2")), Success);
    QCOMPARE(valueNamesOf(shared), (QStringList{"first", "second"}));

    // A second process writing meanwhile waits for the batch and loses nothing.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("write C 3 %1").arg(go));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QVERIFY(!child.waitForFinished(500));
    QCOMPARE(setValue(shared, QStringLiteral("third"), RegSz, stringData("3")), Success);
    QCOMPARE(endWriteBatch(), Success);
    QCOMPARE(endWriteBatch(), InvalidParameter);
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);
    closeKey(shared);
    closeKey(doomed);

    closeAllHives(); // read back from the file
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Shared"), KeyRead, &shared), Success);
    QCOMPARE(valueNamesOf(shared), (QStringList{"first", "second", "third", "C_0", "C_1", "C_2"}));
    closeKey(shared);
}

void tst_RegistryStore::abortedBatch()
{
    HKEY kept = create(QStringLiteral("Kept"));
    QCOMPARE(setValue(kept, QStringLiteral("v"), RegSz, stringData("old")), Success);

    // An abort undoes the batch in every hive it wrote to, keys and values alike.
    beginWriteBatch();
    QCOMPARE(setValue(kept, QStringLiteral("v"), RegSz, stringData("new")), Success);
    HKEY fresh = create(QStringLiteral("Fresh\\Child"));
    HKEY machine = 0;
    QCOMPARE(createKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Fresh"), KeyAllAccess, &machine), Success);
    closeKey(machine);
    QCOMPARE(abortWriteBatch(), Success);
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Fresh"), KeyRead, &machine), NotFound);
    QCOMPARE(openKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Fresh"), KeyRead, &machine), NotFound);
    QCOMPARE(setValue(fresh, QStringLiteral("x"), RegSz, stringData("x")), KeyDeleted);
    closeKey(fresh);
    uint32_t type = 0;
    QByteArray data;
    QCOMPARE(queryValue(kept, QStringLiteral("v"), &type, &data), Success);
    QCOMPARE(stringFromData(data), QStringLiteral("old"));

    // An abort inside a nested batch undoes the outer one too, which then reports it.
    beginWriteBatch();
    QCOMPARE(setValue(kept, QStringLiteral("outer"), RegSz, stringData("1")), Success);
    beginWriteBatch();
    QCOMPARE(setValue(kept, QStringLiteral("inner"), RegSz, stringData("2")), Success);
    QCOMPARE(abortWriteBatch(), Success);
    QCOMPARE(endWriteBatch(), IoFailed);
    QCOMPARE(valueNamesOf(kept), QStringList{QStringLiteral("v")});
    QCOMPARE(abortWriteBatch(), InvalidParameter);

    // The next batch commits as usual.
    {
        WriteBatch batch;
        QCOMPARE(setValue(kept, QStringLiteral("after"), RegSz, stringData("3")), Success);
        QCOMPARE(batch.commit(), Success);
    }
    closeKey(kept);
    closeAllHives();
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Kept"), KeyRead, &kept), Success);
    QCOMPARE(valueNamesOf(kept), (QStringList{QStringLiteral("v"), QStringLiteral("after")}));
    closeKey(kept);
}

void tst_RegistryStore::hiveVersionSeesEveryChange()
{
    HKEY key = create(QStringLiteral("Watched"));
    const uint64_t v1 = hiveVersion(HKEY_CURRENT_USER);
    QVERIFY(v1 != 0);
    QCOMPARE(hiveVersion(HKEY_CURRENT_USER), v1); // reading changes nothing
    QCOMPARE(setValue(key, QStringLiteral("v"), RegSz, stringData("1")), Success);
    const uint64_t v2 = hiveVersion(HKEY_CURRENT_USER);
    QVERIFY(v2 != v1);
    closeKey(key);

    // A commit of another process.
    const QString go = m_dir->filePath(QStringLiteral("go"));
    QFile(go).open(QIODevice::WriteOnly);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("write C 1 %1").arg(go));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);
    const uint64_t v3 = hiveVersion(HKEY_CURRENT_USER);
    QVERIFY(v3 != v2);
    QCOMPARE(hiveVersion(HKEY_CURRENT_USER), v3);

    closeAllHives(); // the hive opened anew
    QVERIFY(hiveVersion(HKEY_CURRENT_USER) != v3);
    QCOMPARE(hiveVersion(0x1234), uint64_t(0));
}

void tst_RegistryStore::hiveLocation()
{
    QCOMPARE(hiveFilePath(HKEY_CURRENT_USER), m_dir->filePath(QStringLiteral("HKEY_CURRENT_USER.sqlite")));
    QCOMPARE(hiveFilePath(HKEY_CLASSES_ROOT), m_dir->filePath(QStringLiteral("HKEY_CLASSES_ROOT.sqlite")));
    QVERIFY(hiveFilePath(0x1234).isEmpty());

    // A change of the variable reaches the next use of a root; open handles keep their hive.
    HKEY before = create(QStringLiteral("Before"));
    QTemporaryDir other;
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(other.path()));
    HKEY h = 0;
    QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Before"), KeyRead, &h), NotFound);
    QCOMPARE(setValue(before, QStringLiteral("v"), RegSz, stringData("x")), Success);
    closeKey(before);
    QVERIFY(QFileInfo::exists(other.filePath(QStringLiteral("HKEY_CURRENT_USER.sqlite"))));

    // Without the variable the user's hive is in the configuration folder.
    qunsetenv("ZENLO_REGISTRY_DIR");
    QCOMPARE(hiveFilePath(HKEY_CURRENT_USER),
             QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                 + QStringLiteral("/zenlo/registry/HKEY_CURRENT_USER.sqlite"));
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(m_dir->path()));
    closeAllHives();
}

void tst_RegistryStore::settingsStore()
{
    using namespace settings;
    QCOMPARE(GetSetting(QStringLiteral("Zenlo系统"), QStringLiteral("main"), QStringLiteral("LogonUser"),
                        QStringLiteral("none")),
             QStringLiteral("none"));
    QVERIFY(SaveSetting(QStringLiteral("Zenlo系统"), QStringLiteral("main"), QStringLiteral("LogonUser"),
                        QStringLiteral("管理员")));
    QCOMPARE(GetSetting(QStringLiteral("zenlo系统"), QStringLiteral("MAIN"), QStringLiteral("logonuser")),
             QStringLiteral("管理员"));

    // Stored where VB keeps it, as ANSI text.
    HKEY key = 0;
    QCOMPARE(openKey(HKEY_CURRENT_USER,
                     QStringLiteral("Software\\VB and VBA Program Settings\\Zenlo系统\\main"), KeyRead, &key),
             Success);
    uint32_t type = 0;
    QByteArray data;
    QCOMPARE(queryValue(key, QStringLiteral("LogonUser"), &type, &data), Success);
    QCOMPARE(type, uint32_t(RegSz));
    QCOMPARE(data, QByteArray("\xB9\xDC\xC0\xED\xD4\xB1", 7)); // GBK, NUL-terminated
    closeKey(key);

    // An installer may seed a DWORD.
    key = create(sectionPath(QStringLiteral("App"), QStringLiteral("settings")));
    QCOMPARE(setValue(key, QStringLiteral("tipsshow"), RegDword, dwordData(0)), Success);
    closeKey(key);
    QCOMPARE(GetSetting(QStringLiteral("App"), QStringLiteral("settings"), QStringLiteral("tipsshow"),
                        QStringLiteral("1")),
             QStringLiteral("0"));

    // A text the code page cannot hold is refused, and the old value stays.
    QVERIFY(!SaveSetting(QStringLiteral("Zenlo系统"), QStringLiteral("main"), QStringLiteral("LogonUser"),
                         QStringLiteral("smile \U0001F600")));
    QVERIFY(!SaveSetting(QString(), QStringLiteral("main"), QStringLiteral("k"), QStringLiteral("v")));
    QCOMPARE(GetSetting(QStringLiteral("Zenlo系统"), QStringLiteral("main"), QStringLiteral("LogonUser")),
             QStringLiteral("管理员"));

    QVERIFY(DeleteSetting(QStringLiteral("Zenlo系统"), QStringLiteral("main"), QStringLiteral("LogonUser")));
    QCOMPARE(GetSetting(QStringLiteral("Zenlo系统"), QStringLiteral("main"), QStringLiteral("LogonUser"),
                        QStringLiteral("gone")),
             QStringLiteral("gone"));
    QVERIFY(SaveSetting(QStringLiteral("App"), QStringLiteral("main"), QStringLiteral("k"), QStringLiteral("v")));
    QVERIFY(DeleteSetting(QStringLiteral("App"), QStringLiteral("settings")));
    QCOMPARE(GetSetting(QStringLiteral("App"), QStringLiteral("settings"), QStringLiteral("tipsshow"),
                        QStringLiteral("1")),
             QStringLiteral("1"));
    QCOMPARE(GetSetting(QStringLiteral("App"), QStringLiteral("main"), QStringLiteral("k")), QStringLiteral("v"));
    QVERIFY(DeleteSetting(QStringLiteral("App"), QStringLiteral("nothing")));
}

// The plain-bytes functions read names as GBK: valid bytes reach the same key
// as the text; bytes that are no GBK text are refused rather than stored as
// U+FFFD, and a name the code page cannot hold reads back as '?', as the
// "...A" functions give it.
void tst_RegistryStore::plainBytesNames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text"); // the key's name as text, when it is made
    QTest::newRow("ascii") << QByteArray("Plain") << int(Success) << QStringLiteral("Plain");
    QTest::newRow("gbk") << QByteArray("\xD6\xD0\xCE\xC4") << int(Success) << QStringLiteral("中文");
    QTest::newRow("lone lead byte") << QByteArray("a\xD6") << int(InvalidParameter) << QString();
    QTest::newRow("bad trail byte") << QByteArray("\xD6\x7F") << int(InvalidParameter) << QString();
}

void tst_RegistryStore::plainBytesNames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(QString, text);
    HKEY h = 0;
    QCOMPARE(createKeyA(HKEY_CURRENT_USER, "Software\\" + bytes.toStdString(), KeyAllAccess, &h), status);
    if (status != Success) {
        QCOMPARE(h, HKEY(0));
        // Nothing was made, not even the parent.
        QCOMPARE(openKey(HKEY_CURRENT_USER, QStringLiteral("Software"), KeyRead, &h), int(NotFound));
        return;
    }
    QCOMPARE(setValueA(h, bytes.toStdString(), RegSz, Bytes{'x', 0}), int(Success));
    closeKeyA(h);
    QVERIFY(openKey(HKEY_CURRENT_USER, QStringLiteral("Software\\") + text, KeyRead, &h) == Success);
    QCOMPARE(valueNamesOf(h), QStringList{text});
    closeKey(h);

    // A name outside the code page, written as text, enumerates as '?'.
    QVERIFY(createKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Ελλάδα\u0E01"), KeyAllAccess, &h) == Success);
    closeKey(h);
    QVERIFY(openKeyA(HKEY_CURRENT_USER, "Software", KeyRead, &h) == Success);
    std::string name;
    bool sawQuestionMark = false;
    for (uint32_t i = 0; enumKeyA(h, i, &name) == Success; ++i)
        sawQuestionMark = sawQuestionMark || name.back() == '?';
    closeKeyA(h);
    QVERIFY(sawQuestionMark);
}

int main(int argc, char **argv)
{
    const QByteArray job = qgetenv(kChildVariable);
    if (!job.isEmpty())
        return runChild(QString::fromLocal8Bit(job));
    QCoreApplication app(argc, argv);
    tst_RegistryStore tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_registrystore.moc"
