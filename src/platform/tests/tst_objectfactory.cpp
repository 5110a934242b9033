// Creation by ProgID (built-in, registered, components/ folder) and the
// registration of libraries, with real test libraries, a registry of the test's
// own and a program folder in a temporary folder.
#include "platform/appinfo.h"
#include "platform/classmeta.h"
#include "platform/modcreateobj.h"
#include "platform/objectfactory.h"
#include "platform/registration.h"
#include "platform/registrystore.h"
#include "testgreeter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace objects;
using namespace registry;

namespace {

// Set in a copy of this test started as a second process: "register PATH" or "unregister PATH".
const char kChildVariable[] = "ZENLO_OBJECTS_CHILD";

const QString kAlpha = QStringLiteral("{7789CAA1-0ECA-4653-87C6-02F7369C2872}");
const QString kBeta = QStringLiteral("{911F3323-7CEE-4F16-8E6D-1E5849A49EB2}");

QString lib(const QString &name)
{
    return QStringLiteral(ZENLO_TEST_LIBS_DIR "/") + name + QStringLiteral(".so");
}

// The default value of HKEY_CLASSES_ROOT\sub; "<none>" when the key or value is missing.
QString classesValue(const QString &sub)
{
    HKEY k = 0;
    if (openKey(HKEY_CLASSES_ROOT, sub, KeyRead, &k) != Success)
        return QStringLiteral("<none>");
    uint32_t type = 0;
    QByteArray data;
    const int32_t st = queryValue(k, QString(), &type, &data);
    closeKey(k);
    return st == Success && type == RegSz ? stringFromData(data) : QStringLiteral("<none>");
}

bool setClassesValue(const QString &sub, const QString &text)
{
    HKEY k = 0;
    if (createKey(HKEY_CLASSES_ROOT, sub, KeyAllAccess, &k) != Success)
        return false;
    const bool ok = setValue(k, QString(), RegSz, stringData(text)) == Success;
    closeKey(k);
    return ok;
}

// Every key and default value under a key, one line each, to see that nothing changed.
void dump(HKEY key, const QString &prefix, QStringList *lines)
{
    QString name;
    uint32_t type = 0;
    QByteArray data;
    for (uint32_t i = 0; enumValue(key, i, &name, &type, &data) == Success; ++i)
        lines->append(prefix + QLatin1Char('@') + name + QLatin1Char('=') + stringFromData(data));
    for (uint32_t i = 0; enumKey(key, i, &name) == Success; ++i) {
        HKEY sub = 0;
        lines->append(prefix + name);
        if (openKey(key, name, KeyRead, &sub) == Success) {
            dump(sub, prefix + name + QLatin1Char('\\'), lines);
            closeKey(sub);
        }
    }
}

QStringList classesRoot()
{
    QStringList lines;
    dump(HKEY_CLASSES_ROOT, QString(), &lines);
    return lines;
}

QString madeBy(QObject *o)
{
    const auto *g = qobject_cast<ITestGreeter *>(o);
    return g ? QFileInfo(g->modulePath()).canonicalFilePath() : QString();
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

class tst_ObjectFactory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void registerCreateUnregister();
    void componentsWithoutRegistration();
    void registeredWinsOverComponents();
    void registrationOfAnotherProcessIsSeen();
    void brokenRegistration_data();
    void brokenRegistration();
    void builtinComesFirst();
    void refusedRegistrationChangesNothing_data();
    void refusedRegistrationChangesNothing();
    void unregisterOnlyWhatPointsHere();
    void twinsRegisterTheFirst();
    void chinesePath();

private:
    QString copyOf(const QString &name, const QString &to);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ObjectFactory::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(m_dir->filePath(QStringLiteral("registry"))));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("program/components"))));
    appinfo::setProgramFolder(m_dir->filePath(QStringLiteral("program")));
}

void tst_ObjectFactory::cleanup()
{
    closeAllHives();
    rescanComponents();
    m_dir.reset();
}

QString tst_ObjectFactory::copyOf(const QString &name, const QString &to)
{
    const QString path = m_dir->filePath(to);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!QFile::copy(lib(name), path))
        qWarning("cannot copy %s", qPrintable(name));
    return path;
}

void tst_ObjectFactory::registerCreateUnregister()
{
    const QString path = copyOf(QStringLiteral("zt_pair"), QStringLiteral("lib/zt_pair.so"));
    QString reason;
    QList<RegistryEntry> entries;
    QVERIFY2(registerLibrary(path, &reason, &entries), qPrintable(reason));
    QCOMPARE(entries.size(), 2);
    QVERIFY(entries.at(0).changed && entries.at(1).changed);
    QCOMPARE(classesValue(QStringLiteral("ZenTest.Alpha\\CLSID")), kAlpha);
    QCOMPARE(classesValue(QStringLiteral("CLSID\\") + kAlpha + QStringLiteral("\\InprocServer32")), path);
    QCOMPARE(classesValue(QStringLiteral("CLSID\\") + kAlpha + QStringLiteral("\\ProgID")), QStringLiteral("ZenTest.Alpha"));
    QCOMPARE(classesValue(QStringLiteral("zentest.beta\\clsid")), kBeta);

    std::unique_ptr<QObject> o(createObject(QStringLiteral("ZENTEST.beta")));
    QCOMPARE(madeBy(o.get()), canonical(path));
    QCOMPARE(qobject_cast<ITestGreeter *>(o.get())->greet(), QStringLiteral("Beta"));
    QCOMPARE(locateClass(QStringLiteral("ZenTest.Alpha")).source, ClassSource::Registered);

    QVERIFY2(unregisterLibrary(path, &reason, &entries), qPrintable(reason));
    QVERIFY(entries.at(0).changed && entries.at(1).changed);
    // Exactly what was written is gone; the CLSID folder itself stays.
    QCOMPARE(classesRoot(), QStringList{QStringLiteral("CLSID")});
    QString error;
    QVERIFY(!createObject(QStringLiteral("ZenTest.Beta"), &error, &reason));
    QCOMPARE(error, QStringLiteral("ActiveX 部件不能创建对象: ZenTest.Beta"));
    QVERIFY2(reason.startsWith(QStringLiteral("no class of this ProgID")), qPrintable(reason));
}

void tst_ObjectFactory::componentsWithoutRegistration()
{
    const QString copy = copyOf(QStringLiteral("zt_pair"), QStringLiteral("program/components/zt_pair.so"));
    // Neither a library whose code must never run nor broken files spoil the scan.
    copyOf(QStringLiteral("zt_tripwire"), QStringLiteral("program/components/a_tripwire.so"));
    copyOf(QStringLiteral("zt_nometa"), QStringLiteral("program/components/b_nometa.so"));
    QFile text(m_dir->filePath(QStringLiteral("program/components/c_text.so")));
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a library\n") > 0);
    text.close();

    std::unique_ptr<QObject> o(createObject(QStringLiteral("zentest.ALPHA")));
    QCOMPARE(madeBy(o.get()), canonical(copy));
    const ClassLocation wire = locateClass(QStringLiteral("ZenTripwire.Wire"));
    QCOMPARE(wire.source, ClassSource::Component);
    QCOMPARE(wire.clsid, QUuid::fromString(QLatin1String("{4ED7B525-6182-4C74-9051-7B121D5A1AEE}")));
    QCOMPARE(modCreateObj::lastLoadError(m_dir->filePath(QStringLiteral("program/components/b_nometa.so"))),
             QStringLiteral("no class metadata (not a Qt plug-in)"));
    QVERIFY(modCreateObj::lastLoadError(text.fileName()).startsWith(QStringLiteral("not a loadable library")));
    // Nothing was written to the registry.
    QCOMPARE(classesRoot(), QStringList());

    // The scan is kept: a library added later is seen after a rescan.
    copyOf(QStringLiteral("zt_twins"), QStringLiteral("program/components/zt_twins.so"));
    QCOMPARE(locateClass(QStringLiteral("ZenTwins.Twin")).source, ClassSource::None);
    rescanComponents();
    QCOMPARE(locateClass(QStringLiteral("ZenTwins.Twin")).source, ClassSource::Component);
}

void tst_ObjectFactory::registeredWinsOverComponents()
{
    const QString component = copyOf(QStringLiteral("zt_pair"), QStringLiteral("program/components/zt_pair.so"));
    const QString registered = copyOf(QStringLiteral("zt_pair"), QStringLiteral("registered/zt_pair.so"));
    std::unique_ptr<QObject> o(createObject(QStringLiteral("ZenTest.Alpha")));
    QCOMPARE(madeBy(o.get()), canonical(component));

    QVERIFY(registerLibrary(registered));
    o.reset(createObject(QStringLiteral("ZenTest.Alpha")));
    QCOMPARE(madeBy(o.get()), canonical(registered));

    QVERIFY(unregisterLibrary(registered));
    o.reset(createObject(QStringLiteral("ZenTest.Alpha")));
    QCOMPARE(madeBy(o.get()), canonical(component));
}

void tst_ObjectFactory::registrationOfAnotherProcessIsSeen()
{
    const QString path = copyOf(QStringLiteral("zt_pair"), QStringLiteral("lib/zt_pair.so"));
    auto inChild = [](const QString &job) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), job);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {});
        return child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    };
    QVERIFY(!createObject(QStringLiteral("ZenTest.Alpha")));
    QCOMPARE(inChild(QStringLiteral("register ") + path), 0);
    std::unique_ptr<QObject> o(createObject(QStringLiteral("ZenTest.Alpha")));
    QCOMPARE(madeBy(o.get()), canonical(path));
    QCOMPARE(inChild(QStringLiteral("unregister ") + path), 0);
    QVERIFY(!createObject(QStringLiteral("ZenTest.Alpha")));
}

void tst_ObjectFactory::brokenRegistration_data()
{
    QTest::addColumn<QStringList>("keys"); // pairs of key, default value; "@" stands for the test folder
    QTest::addColumn<QString>("reason");
    const QString server = QStringLiteral("CLSID\\") + kAlpha + QStringLiteral("\\InprocServer32");
    QTest::newRow("missing file") << QStringList{"ZenTest.Alpha\\CLSID", kAlpha, server, "@/gone/zt_pair.so"}
                                  << "library file not found: @/gone/zt_pair.so";
    QTest::newRow("relative path") << QStringList{"ZenTest.Alpha\\CLSID", kAlpha, server, "zt_pair.so"}
                                   << "HKEY_CLASSES_ROOT\\" + server + " names no absolute library path";
    QTest::newRow("no class key") << QStringList{"ZenTest.Alpha\\CLSID", kAlpha}
                                  << "HKEY_CLASSES_ROOT\\" + server + " is missing";
    QTest::newRow("class id not a GUID") << QStringList{"ZenTest.Alpha\\CLSID", "7789CAA1"}
                                         << "HKEY_CLASSES_ROOT\\ZenTest.Alpha\\CLSID is not a class id";
    QTest::newRow("ProgID without CLSID") << QStringList{"ZenTest.Alpha\\Other", "x"}
                                          << "HKEY_CLASSES_ROOT\\ZenTest.Alpha has no CLSID";
}

void tst_ObjectFactory::brokenRegistration()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, reason);
    reason.replace(QLatin1Char('@'), m_dir->path());
    // The class is also in components/: a registration that leads nowhere still decides.
    copyOf(QStringLiteral("zt_pair"), QStringLiteral("program/components/zt_pair.so"));
    for (qsizetype i = 0; i + 1 < keys.size(); i += 2)
        QVERIFY(setClassesValue(keys.at(i), QString(keys.at(i + 1)).replace(QLatin1Char('@'), m_dir->path())));

    QString error;
    QString why;
    QVERIFY(!createObject(QStringLiteral("ZenTest.Alpha"), &error, &why));
    QCOMPARE(error, QStringLiteral("ActiveX 部件不能创建对象: ZenTest.Alpha"));
    QCOMPARE(why, reason);
    QCOMPARE(locateClass(QStringLiteral("ZenTest.Alpha")).source, ClassSource::None);
}

void tst_ObjectFactory::builtinComesFirst()
{
    const QString path = copyOf(QStringLiteral("zt_pair"), QStringLiteral("lib/zt_pair.so"));
    QVERIFY(setClassesValue(QStringLiteral("kxDataAccessHelper.Database\\CLSID"), kAlpha));
    QVERIFY(setClassesValue(QStringLiteral("CLSID\\") + kAlpha + QStringLiteral("\\InprocServer32"), path));
    QCOMPARE(locateClass(QStringLiteral("KXDATAACCESSHELPER.DATABASE")).source, ClassSource::Builtin);
    // The database stand-in lives in components/, which platform code does not include: its class name tells.
    std::unique_ptr<QObject> o(createObject(QStringLiteral("kxDataAccessHelper.Database")));
    QVERIFY(o);
    QCOMPARE(o->metaObject()->className(), "Database");
}

void tst_ObjectFactory::refusedRegistrationChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text file") << QStringLiteral(ZENLO_TEST_FIXTURES_DIR "/classmeta/not_a_library.so")
                               << "not a loadable library (file too small)";
    QTest::newRow("no metadata") << lib(QStringLiteral("zt_nometa")) << "no class metadata (not a Qt plug-in)";
    QTest::newRow("no classes") << lib(QStringLiteral("zt_noclasses")) << "the library lists no class";
    QTest::newRow("missing") << lib(QStringLiteral("none")) << "no such file";
}

void tst_ObjectFactory::refusedRegistrationChangesNothing()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QVERIFY(registerLibrary(copyOf(QStringLiteral("zt_twins"), QStringLiteral("lib/zt_twins.so"))));
    const QStringList before = classesRoot();
    QString why;
    QList<RegistryEntry> entries{{QStringLiteral("stale"), QUuid(), true}};
    QVERIFY(!registerLibrary(path, &why, &entries));
    QCOMPARE(why, reason);
    QCOMPARE(entries.size(), 1);
    QVERIFY(!unregisterLibrary(path, &why));
    QCOMPARE(why, reason);
    QCOMPARE(classesRoot(), before);
}

void tst_ObjectFactory::unregisterOnlyWhatPointsHere()
{
    const QString first = copyOf(QStringLiteral("zt_pair"), QStringLiteral("one/zt_pair.so"));
    const QString second = copyOf(QStringLiteral("zt_pair"), QStringLiteral("two/zt_pair.so"));
    QVERIFY(registerLibrary(first));
    QVERIFY(registerLibrary(second)); // the same classes again: the later registration holds
    QCOMPARE(classesValue(QStringLiteral("CLSID\\") + kBeta + QStringLiteral("\\InprocServer32")), second);
    // Something of the administrator's own in a class key stays, and keeps the key.
    QVERIFY(setClassesValue(QStringLiteral("CLSID\\") + kBeta + QStringLiteral("\\Notes"), QStringLiteral("keep")));
    const QStringList before = classesRoot();

    QList<RegistryEntry> entries;
    QVERIFY(unregisterLibrary(first, nullptr, &entries));
    QVERIFY(!entries.at(0).changed && !entries.at(1).changed);
    QCOMPARE(classesRoot(), before);

    QVERIFY(unregisterLibrary(second, nullptr, &entries));
    QVERIFY(entries.at(0).changed && entries.at(1).changed);
    QCOMPARE(classesRoot(), (QStringList{QStringLiteral("CLSID"), QStringLiteral("CLSID\\") + kBeta,
                                         QStringLiteral("CLSID\\") + kBeta + QStringLiteral("\\Notes"),
                                         QStringLiteral("CLSID\\") + kBeta + QStringLiteral("\\Notes\\@=keep")}));
}

void tst_ObjectFactory::twinsRegisterTheFirst()
{
    QList<RegistryEntry> entries;
    QVERIFY(registerLibrary(copyOf(QStringLiteral("zt_twins"), QStringLiteral("lib/zt_twins.so")), nullptr, &entries));
    QCOMPARE(entries.size(), 2);
    QVERIFY(entries.at(0).changed);
    QVERIFY(!entries.at(1).changed);
    QCOMPARE(classesValue(QStringLiteral("ZenTwins.TWIN\\CLSID")), QStringLiteral("{AE69E5C9-7476-421D-8561-D41793A6ED74}"));
    QCOMPARE(classesValue(QStringLiteral("CLSID\\{8713D9A5-F763-4926-A52F-CFB028448376}")), QStringLiteral("<none>"));
    std::unique_ptr<QObject> o(createObject(QStringLiteral("ZenTwins.TWIN")));
    QCOMPARE(qobject_cast<ITestGreeter *>(o.get())->greet(), QStringLiteral("Twin"));
}

void tst_ObjectFactory::chinesePath()
{
    const QString path = copyOf(QStringLiteral("zt_pair"), QStringLiteral("程序 目录/组件库.so"));
    QString reason;
    QVERIFY2(registerLibrary(path, &reason), qPrintable(reason));
    // Registry text is ANSI: the path is stored in code page 936 and read back whole.
    HKEY k = 0;
    QCOMPARE(openKey(HKEY_CLASSES_ROOT, QStringLiteral("CLSID\\") + kAlpha + QStringLiteral("\\InprocServer32"),
                     KeyRead, &k),
             Success);
    uint32_t type = 0;
    QByteArray data;
    QCOMPARE(queryValue(k, QString(), &type, &data), Success);
    closeKey(k);
    QVERIFY(data.contains("\xb3\xcc\xd0\xf2")); // 程序 in GBK
    std::unique_ptr<QObject> o(createObject(QStringLiteral("ZenTest.Alpha")));
    QCOMPARE(madeBy(o.get()), canonical(path));

    // A path the code page cannot hold is refused before anything is written.
    const QString thai = copyOf(QStringLiteral("zt_twins"), QStringLiteral("ไทย/zt_twins.so"));
    const QStringList before = classesRoot();
    QVERIFY(!registerLibrary(thai, &reason));
    QCOMPARE(reason, QStringLiteral("the path has characters the ANSI code page cannot hold"));
    QCOMPARE(classesRoot(), before);
}

int main(int argc, char **argv)
{
    const QString job = qEnvironmentVariable(kChildVariable);
    if (job.startsWith(QLatin1String("register ")))
        return registerLibrary(job.mid(9)) ? 0 : 1;
    if (job.startsWith(QLatin1String("unregister ")))
        return unregisterLibrary(job.mid(11)) ? 0 : 1;
    QCoreApplication app(argc, argv);
    tst_ObjectFactory tc;
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_objectfactory.moc"
