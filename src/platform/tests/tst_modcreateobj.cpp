// Class metadata and modCreateObj against small real libraries built beside the
// tests (src/platform/tests/libs) and broken metadata fixtures.
#include "platform/classmeta.h"
#include "platform/classobject.h"
#include "platform/modcreateobj.h"
#include "platform/runtimeerror.h"
#include "testgreeter.h"

#include <QDir>
#include <QFile>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

#include <memory>

using namespace objects;

namespace {

QString lib(const QString &name)
{
    return QStringLiteral(ZENLO_TEST_LIBS_DIR "/") + name + QStringLiteral(".so");
}

QString fixture(const QString &name)
{
    return QStringLiteral(ZENLO_TEST_FIXTURES_DIR "/classmeta/") + name;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool copyTo(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::copy(from, to);
}

// What the greeter made by a library says, or "" when nothing was made.
QString greeting(QObject *o)
{
    const auto *g = qobject_cast<ITestGreeter *>(o);
    return g ? g->greet() : QString();
}

bool isMapped(const QString &path)
{
    return readAll(QStringLiteral("/proc/self/maps")).contains(QFile::encodeName(QFileInfo(path).canonicalFilePath()));
}

} // namespace

class tst_ModCreateObj : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void parseFixtures_data();
    void parseFixtures();
    void validMetadata();
    void readFiles_data();
    void readFiles();
    void createFromDll_data();
    void createFromDll();
    void noClassesRaisesSubscriptOutOfRange();
    void loadedLibraryIsReusedAndKept();
    void chinesePath();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ModCreateObj::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_ModCreateObj::parseFixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    const QString A = QStringLiteral("{7789CAA1-0ECA-4653-87C6-02F7369C2872}");
    const QString notGuid = QStringLiteral("is not a GUID {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}");
    QTest::newRow("not JSON") << "not-json.json" << "not JSON: unterminated object at offset 51";
    QTest::newRow("array") << "not-an-object.json" << "the metadata is not a JSON object";
    QTest::newRow("no library") << "no-library.json" << "the metadata has no \"library\"";
    QTest::newRow("library number") << "library-not-text.json" << "the metadata: \"library\" is not text";
    QTest::newRow("library blank") << "library-with-blank.json" << "the metadata: \"library\" is not a valid name";
    QTest::newRow("classes object") << "classes-not-a-list.json" << "the metadata: \"classes\" is not a list";
    QTest::newRow("class text") << "class-not-an-object.json" << "class 1 is not an object";
    QTest::newRow("second class nameless") << "class-without-name.json" << "class 2 has no \"name\"";
    QTest::newRow("backslash") << "class-name-backslash.json" << "class 1: \"name\" is not a valid name";
    QTest::newRow("newline") << "class-name-newline.json" << "class 1: \"name\" is not a valid name";
    QTest::newRow("no clsid") << "class-without-clsid.json" << "class 1 has no \"clsid\"";
    QTest::newRow("no braces") << "clsid-without-braces.json" << "class 1: \"clsid\" " + notGuid;
    QTest::newRow("short") << "clsid-one-digit-short.json" << "class 1: \"clsid\" " + notGuid;
    QTest::newRow("not hex") << "clsid-not-hex.json" << "class 1: \"clsid\" " + notGuid;
    QTest::newRow("number") << "clsid-number.json" << "class 1: \"clsid\" " + notGuid;
    QTest::newRow("nil") << "clsid-nil.json" << "class 1: \"clsid\" is the nil GUID";
    QTest::newRow("clsid twice") << "clsid-twice.json" << "class 2: \"clsid\" " + A + " belongs to an earlier class";
    QTest::newRow("interfaces text") << "interfaces-not-a-list.json" << "class 1: \"interfaces\" is not a list";
    QTest::newRow("interface nameless") << "interface-without-name.json" << "class 1, interface 2 has no \"name\"";
    QTest::newRow("zero-width space") << "interface-name-zero-width.json"
                                      << "class 1, interface 1: \"name\" is not a valid name";
    QTest::newRow("interface no iid") << "interface-without-iid.json" << "class 1, interface 1 has no \"iid\"";
    QTest::newRow("long ProgID") << "progid-too-long.json" << "class 1: the ProgID is longer than 255 characters";
}

void tst_ModCreateObj::parseFixtures()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    const QByteArray json = readAll(fixture(file));
    QVERIFY(!json.isEmpty());
    LibraryMeta meta;
    meta.library = QStringLiteral("untouched");
    QString why;
    QVERIFY(!parseClassMetadata(json, &meta, &why));
    QCOMPARE(why, reason);
    QCOMPARE(meta.library, QStringLiteral("untouched"));
}

void tst_ModCreateObj::validMetadata()
{
    LibraryMeta meta;
    QString why;
    QVERIFY2(parseClassMetadata(readAll(fixture(QStringLiteral("valid.json"))), &meta, &why), qPrintable(why));
    QCOMPARE(meta.library, QStringLiteral("LwEdit"));
    QCOMPARE(meta.classes.size(), 2);
    QCOMPARE(meta.progId(meta.classes.at(0)), QStringLiteral("LwEdit.oedit"));
    QCOMPARE(meta.classes.at(0).interfaces.size(), 1);
    QCOMPARE(meta.classes.at(0).interfaces.at(0).name, QStringLiteral("ILwComponent"));
    QCOMPARE(guidText(meta.classes.at(0).interfaces.at(0).iid), QStringLiteral(ZENLO_TEST_GREETER_IID));
    // A class id in lower case is the same id, written back in Windows' upper case.
    QCOMPARE(guidText(meta.classes.at(1).clsid), QStringLiteral("{911F3323-7CEE-4F16-8E6D-1E5849A49EB2}"));
    QVERIFY(meta.classes.at(1).interfaces.isEmpty());

    // Chinese names, one beyond the basic plane, make a ProgID like any other.
    QVERIFY2(parseClassMetadata(readAll(fixture(QStringLiteral("valid-chinese-names.json"))), &meta, &why),
             qPrintable(why));
    QCOMPARE(meta.progId(meta.classes.at(0)), QStringLiteral("中文.\U00020000组件"));

    QVERIFY(parseClassMetadata(readAll(fixture(QStringLiteral("valid-no-classes.json"))), &meta, &why));
    QCOMPARE(meta.library, QStringLiteral("LwEmpty"));
    QVERIFY(meta.classes.isEmpty());
}

void tst_ModCreateObj::readFiles_data()
{
    QTest::addColumn<QString>("path"); // "@" stands for the test's folder
    QTest::addColumn<QString>("reason"); // empty: the metadata is read
    QTest::addColumn<int>("classes");
    QTest::newRow("two classes") << lib(QStringLiteral("zt_pair")) << QString() << 2;
    // Its static initialiser aborts the process: reading must not load it.
    QTest::newRow("code never runs") << lib(QStringLiteral("zt_tripwire")) << QString() << 1;
    QTest::newRow("no classes") << lib(QStringLiteral("zt_noclasses")) << QString() << 0;
    QTest::newRow("missing symbol") << lib(QStringLiteral("zt_missingsym")) << QString() << 1;
    QTest::newRow("plain library") << lib(QStringLiteral("zt_nometa")) << "no class metadata (not a Qt plug-in)" << 0;
    QTest::newRow("text file") << fixture(QStringLiteral("not_a_library.so"))
                               << "not a loadable library (file too small)" << 0;
    QTest::newRow("other processor") << "@/arm64.so" << "not a loadable library (file is for a different processor)"
                                     << 0;
    QTest::newRow("empty file") << "@/empty.so" << "not a loadable library (empty file)" << 0;
    QTest::newRow("built for Qt 5") << "@/qt5.so"
                                    << QStringLiteral("refused by the plug-in loader: built for Qt 5.%1, this program uses Qt %2.%1")
                                           .arg(QT_VERSION_MINOR)
                                           .arg(QT_VERSION_MAJOR)
                                    << 0;
    QTest::newRow("built for a later Qt") << "@/later.so"
                                          << QStringLiteral("refused by the plug-in loader: built for Qt %1.%2, this program uses Qt %1.%3")
                                                 .arg(QT_VERSION_MAJOR)
                                                 .arg(QT_VERSION_MINOR + 1)
                                                 .arg(QT_VERSION_MINOR)
                                          << 0;
    QTest::newRow("folder") << "@" << "not a file" << 0;
    QTest::newRow("missing") << "@/none.so" << "no such file" << 0;
}

void tst_ModCreateObj::readFiles()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QFETCH(int, classes);
    path.replace(QLatin1Char('@'), m_dir->path());

    QByteArray elf = readAll(lib(QStringLiteral("zt_pair")));
    QVERIFY(elf.size() > 4096);
    elf[18] = char(0xB7); // e_machine: AArch64
    elf[19] = 0;
    {
        QFile f(m_dir->filePath(QStringLiteral("arm64.so")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(elf);
    }
    QFile(m_dir->filePath(QStringLiteral("empty.so"))).open(QIODevice::WriteOnly);
    // The Qt version the plug-in was built for, in its metadata note: after "qt-project!",
    // a format byte, then Qt's major and minor version.
    const QByteArray pair = readAll(lib(QStringLiteral("zt_pair")));
    const qsizetype note = pair.indexOf(QByteArray("qt-project!\0", 12));
    QVERIFY(note > 0);
    QCOMPARE(int(pair[note + 13]), QT_VERSION_MAJOR);
    for (const auto &[name, at, value] : {std::tuple{"qt5.so", 13, 5}, std::tuple{"later.so", 14, QT_VERSION_MINOR + 1}}) {
        QByteArray patched = pair;
        patched[note + at] = char(value);
        QFile f(m_dir->filePath(QLatin1String(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(patched);
    }

    LibraryMeta meta;
    QString why;
    const bool ok = readClassMetadata(path, &meta, &why);
    if (reason.isEmpty()) {
        QVERIFY2(ok, qPrintable(why));
        QCOMPARE(meta.classes.size(), classes);
    } else {
        QVERIFY(!ok);
        QVERIFY2(why.startsWith(reason), qPrintable(why));
        QVERIFY(!why.contains(QLatin1Char('\n')));
        // The same reason is what modCreateObj keeps for administrators.
        QVERIFY(!modCreateObj::ListTypeLibClasses(path, nullptr));
        QCOMPARE(modCreateObj::lastLoadError(path), why);
    }
}

void tst_ModCreateObj::createFromDll_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("greeting"); // empty: nothing is made
    QTest::addColumn<QString>("reason");   // the start of lastLoadError
    const QString pair = lib(QStringLiteral("zt_pair"));
    QTest::newRow("exact") << pair << "Alpha" << "Alpha" << QString();
    QTest::newRow("other letter case") << pair << "bETA" << "Beta" << QString();
    QTest::newRow("no such class") << pair << "Gamma" << QString() << "the library lists no class named \"Gamma\"";
    QTest::newRow("first of twins") << lib(QStringLiteral("zt_twins")) << "twin" << "Twin" << QString();
    QTest::newRow("exact name of second twin") << lib(QStringLiteral("zt_twins")) << "TWIN" << "Twin" << QString();
    QTest::newRow("served elsewhere") << lib(QStringLiteral("zt_unserved")) << "Alpha" << QString()
                                      << "the library does not serve the class {7789CAA1-0ECA-4653-87C6-02F7369C2872}";
    QTest::newRow("no entry point") << lib(QStringLiteral("zt_noentry")) << "Lonely" << QString()
                                    << "the library has no class-object entry point";
    QTest::newRow("missing symbol") << lib(QStringLiteral("zt_missingsym")) << "Gone" << QString()
                                    << "the library cannot be loaded: undefined symbol: zenlo_test_symbol_nobody_defines";
    QTest::newRow("no metadata") << lib(QStringLiteral("zt_nometa")) << "x" << QString()
                                 << "no class metadata (not a Qt plug-in)";
    QTest::newRow("missing file") << QString(ZENLO_TEST_LIBS_DIR "/none.so") << "x" << QString() << "no such file";
}

void tst_ModCreateObj::createFromDll()
{
    QFETCH(QString, path);
    QFETCH(QString, className);
    QFETCH(QString, greeting);
    QFETCH(QString, reason);
    std::unique_ptr<QObject> o(modCreateObj::CreateFromDll(path, className));
    QCOMPARE(::greeting(o.get()), greeting);
    QCOMPARE(bool(o), !greeting.isEmpty());
    const QString why = modCreateObj::lastLoadError(path);
    if (reason.isEmpty())
        QCOMPARE(why, QString());
    else
        QVERIFY2(why.startsWith(reason), qPrintable(why));
    if (o) {
        QVERIFY(!o->parent());
        QCOMPARE(QFileInfo(qobject_cast<ITestGreeter *>(o.get())->modulePath()).canonicalFilePath(),
                 QFileInfo(path).canonicalFilePath());
    }
}

void tst_ModCreateObj::noClassesRaisesSubscriptOutOfRange()
{
    const QString path = lib(QStringLiteral("zt_noclasses"));
    QList<modCreateObj::ClassEntry> list;
    QVERIFY(modCreateObj::ListTypeLibClasses(path, &list));
    QVERIFY(list.isEmpty());
    try {
        delete modCreateObj::CreateFromDll(path, QStringLiteral("anything"));
        QFAIL("no run-time error");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.number(), int(RuntimeError::SubscriptOutOfRange));
        QCOMPARE(e.description(), QStringLiteral("下标越界"));
    }
    QCOMPARE(modCreateObj::lastLoadError(path), QStringLiteral("the class metadata lists no class"));
}

void tst_ModCreateObj::loadedLibraryIsReusedAndKept()
{
    const QString copy = m_dir->filePath(QStringLiteral("reuse/zt_pair.so"));
    QVERIFY(copyTo(lib(QStringLiteral("zt_pair")), copy));
    QVERIFY(!isMapped(copy));
    const int loads = qEnvironmentVariableIntValue("ZENLO_TESTLIB_LOADS");

    std::unique_ptr<QObject> first(modCreateObj::CreateFromDll(copy, QStringLiteral("Alpha")));
    QCOMPARE(greeting(first.get()), QStringLiteral("Alpha"));
    QCOMPARE(qEnvironmentVariableIntValue("ZENLO_TESTLIB_LOADS"), loads + 1);
    const QString module = qobject_cast<ITestGreeter *>(first.get())->modulePath();
    first.reset();
    QVERIFY2(isMapped(copy), "the library was unloaded with its last object");

    // Again, also under another spelling of the same file: no second load.
    for (const QString &path : {copy, m_dir->filePath(QStringLiteral("reuse/../reuse/./zt_pair.so"))}) {
        std::unique_ptr<QObject> again(modCreateObj::CreateFromDll(path, QStringLiteral("Beta")));
        QCOMPARE(greeting(again.get()), QStringLiteral("Beta"));
        QCOMPARE(qobject_cast<ITestGreeter *>(again.get())->modulePath(), module);
    }
    QCOMPARE(qEnvironmentVariableIntValue("ZENLO_TESTLIB_LOADS"), loads + 1);

    // The root object made in the library is the class of libzenlo_core: one copy of its metaobject.
    QObject *root = QPluginLoader(copy).instance();
    QVERIFY(qobject_cast<ClassLibrary *>(root));
    QVERIFY(qobject_cast<IClassObjectEntry *>(root));
}

void tst_ModCreateObj::chinesePath()
{
    const QString copy = m_dir->filePath(QStringLiteral("组件 目录/中文库.so"));
    QVERIFY(copyTo(lib(QStringLiteral("zt_pair")), copy));
    LibraryMeta meta;
    QVERIFY(readClassMetadata(copy, &meta));
    QCOMPARE(meta.library, QStringLiteral("ZenTest"));
    std::unique_ptr<QObject> o(modCreateObj::CreateFromDll(copy, QStringLiteral("alpha")));
    QCOMPARE(greeting(o.get()), QStringLiteral("Alpha"));
    QCOMPARE(QFileInfo(qobject_cast<ITestGreeter *>(o.get())->modulePath()).canonicalFilePath(),
             QFileInfo(copy).canonicalFilePath());
    const QString missing = m_dir->filePath(QStringLiteral("组件 目录/没有.so"));
    QVERIFY(!modCreateObj::CreateFromDll(missing, QStringLiteral("alpha")));
    QCOMPARE(modCreateObj::lastLoadError(missing), QStringLiteral("no such file"));
}

QTEST_GUILESS_MAIN(tst_ModCreateObj)
#include "tst_modcreateobj.moc"
