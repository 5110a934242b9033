// zenlo-admin classes / regsvr, run as the administrator runs them, on the test libraries.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

#include <memory>

namespace {

using Run = testsupport::ProgramRun;

QString lib(const QString &name)
{
    return QStringLiteral(ZENLO_TEST_LIBS_DIR "/") + name + QStringLiteral(".so");
}

const QString kTextSo = QStringLiteral(ZENLO_TEST_FIXTURES_DIR "/classmeta/not_a_library.so");

} // namespace

class tst_AdminClasses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void help_data();
    void help();
    void classes_data();
    void classes();
    void refused_data();
    void refused();
    void registerAndUnregister();

private:
    Run run(const QStringList &args);
    QStringList filesInFolder() const;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_AdminClasses::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_AdminClasses::cleanup() { m_dir.reset(); }

Run tst_AdminClasses::run(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), m_dir->filePath(QStringLiteral("registry")));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(m_dir->path());
    return testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"), args, 60000);
}

QStringList tst_AdminClasses::filesInFolder() const
{
    QStringList found;
    QDirIterator it(m_dir->path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(it.next());
    return found;
}

void tst_AdminClasses::help_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("text");
    QTest::newRow("classes") << QStringList{"classes", "--help"} << "usage: zenlo-admin classes FILE\n";
    QTest::newRow("regsvr") << QStringList{"regsvr", "--help"} << "usage: zenlo-admin regsvr [/u | --unregister] FILE\n";
    QTest::newRow("main") << QStringList{"--help"} << "usage: zenlo-admin GROUP";
}

void tst_AdminClasses::help()
{
    QFETCH(QStringList, args);
    QFETCH(QString, text);
    const Run r = run(args);
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(text), qPrintable(r.out));
    if (args.first() == QLatin1String("--help")) {
        QVERIFY(r.out.contains(QStringLiteral("\n  classes FILE ")));
        QVERIFY(r.out.contains(QStringLiteral("\n  regsvr [/u] FILE ")));
    }
}

void tst_AdminClasses::classes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("out");
    QTest::newRow("two classes") << lib(QStringLiteral("zt_pair"))
                                 << "ZenTest.Alpha {7789CAA1-0ECA-4653-87C6-02F7369C2872} ITestGreeter _IExtPluginUI\n"
                                    "ZenTest.Beta {911F3323-7CEE-4F16-8E6D-1E5849A49EB2} ITestGreeter\n";
    QTest::newRow("no interfaces, metadata order") << lib(QStringLiteral("zt_twins"))
                                                   << "ZenTwins.Twin {AE69E5C9-7476-421D-8561-D41793A6ED74}\n"
                                                      "ZenTwins.TWIN {8713D9A5-F763-4926-A52F-CFB028448376}\n";
    // Loading this library would abort zenlo-admin.
    QTest::newRow("code never runs") << lib(QStringLiteral("zt_tripwire"))
                                     << "ZenTripwire.Wire {4ED7B525-6182-4C74-9051-7B121D5A1AEE} ITestGreeter\n";
    QTest::newRow("no classes") << lib(QStringLiteral("zt_noclasses")) << "";
}

void tst_AdminClasses::classes()
{
    QFETCH(QString, file);
    QFETCH(QString, out);
    const Run r = run({QStringLiteral("classes"), file});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, out);
    QCOMPARE(filesInFolder(), QStringList()); // not even the registry folder
}

void tst_AdminClasses::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason");
    const QString nometa = lib(QStringLiteral("zt_nometa"));
    QTest::newRow("classes text file") << QStringList{"classes", kTextSo} << 1
                                       << kTextSo + ": not a loadable library (file too small)";
    QTest::newRow("classes missing") << QStringList{"classes", "none.so"} << 1 << "none.so: no such file";
    QTest::newRow("classes no file") << QStringList{"classes"} << 2 << "classes needs exactly one FILE";
    QTest::newRow("classes two files") << QStringList{"classes", "a.so", "b.so"} << 2 << "classes needs exactly one FILE";
    QTest::newRow("regsvr text file") << QStringList{"regsvr", kTextSo} << 1
                                      << kTextSo + ": not a loadable library (file too small)";
    QTest::newRow("regsvr /u text file") << QStringList{"regsvr", "/u", kTextSo} << 1
                                         << kTextSo + ": not a loadable library (file too small)";
    QTest::newRow("regsvr no file") << QStringList{"regsvr", "--unregister"} << 2 << "regsvr needs exactly one FILE";
    QTest::newRow("regsvr unknown option") << QStringList{"regsvr", "--all", nometa} << 2 << "unknown option '--all'";
}

void tst_AdminClasses::refused()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, reason);
    const Run r = run(args);
    QCOMPARE(r.code, code);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.startsWith(QStringLiteral("zenlo-admin: ") + reason), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(filesInFolder(), QStringList()); // nothing written, no registry created
}

void tst_AdminClasses::registerAndUnregister()
{
    const QString path = m_dir->filePath(QStringLiteral("lib/zt_pair.so"));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("lib"))));
    QVERIFY(QFile::copy(lib(QStringLiteral("zt_pair")), path));
    const QStringList query{QStringLiteral("reg"), QStringLiteral("query"),
                            QStringLiteral("HKEY_CLASSES_ROOT\\CLSID\\{7789CAA1-0ECA-4653-87C6-02F7369C2872}\\InprocServer32")};

    Run r = run({QStringLiteral("regsvr"), path});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("registered ZenTest.Alpha {7789CAA1-0ECA-4653-87C6-02F7369C2872}\n"
                                   "registered ZenTest.Beta {911F3323-7CEE-4F16-8E6D-1E5849A49EB2}\n"));
    r = run(query);
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(QStringLiteral("@=REG_SZ:") + path + QLatin1Char('\n')), qPrintable(r.out));

    r = run({QStringLiteral("regsvr"), lib(QStringLiteral("zt_twins"))});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("registered ZenTwins.Twin {AE69E5C9-7476-421D-8561-D41793A6ED74}\n"
                                   "skipped ZenTwins.TWIN {8713D9A5-F763-4926-A52F-CFB028448376}: "
                                   "an earlier class has this ProgID\n"));

    // Registration reads the metadata only: this library would abort zenlo-admin if it were loaded.
    r = run({QStringLiteral("regsvr"), lib(QStringLiteral("zt_tripwire"))});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("registered ZenTripwire.Wire {4ED7B525-6182-4C74-9051-7B121D5A1AEE}\n"));

    r = run({QStringLiteral("regsvr"), QStringLiteral("/U"), path});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("unregistered ZenTest.Alpha {7789CAA1-0ECA-4653-87C6-02F7369C2872}\n"
                                   "unregistered ZenTest.Beta {911F3323-7CEE-4F16-8E6D-1E5849A49EB2}\n"));
    QCOMPARE(run(query).code, 1);

    r = run({QStringLiteral("regsvr"), QStringLiteral("--unregister"), path});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("nothing to unregister: no class of %1 is registered to it\n").arg(path));
    // The other library's registration is untouched.
    QCOMPARE(run({QStringLiteral("reg"), QStringLiteral("query"), QStringLiteral("HKCR\\ZenTwins.Twin\\CLSID")}).code, 0);
}

QTEST_GUILESS_MAIN(tst_AdminClasses)
#include "tst_admin_classes.moc"
