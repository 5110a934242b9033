// zenlo-admin reg query / export / import, run as the administrator runs them.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "testsupport.h"

namespace {

const QByteArray kFile = QByteArray(
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
    "@=\"\xB8\xF9\"\r\n"
    "\"Name\"=\"\xD6\xD0\xCE\xC4 text\"\r\n"
    "\"Blob\"=hex:01,0A,FF\r\n"
    "\"Count\"=dword:0000002A\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Demo\\alpha]\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Demo\\Child]\r\n"
    "\"Path\"=\"C:\\Zenlo\"\r\n"
    "\r\n");

using Run = testsupport::ProgramRun;

} // namespace

class tst_AdminReg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void help_data();
    void help();
    void failures_data();
    void failures();
    void importQueryExport();
    void refusedImportChangesNothing();
    void readOnlyHiveOfAnotherUser();

private:
    Run run(const QStringList &args);
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString write(const QString &name, const QByteArray &bytes);
    QByteArray read(const QString &name) const;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_AdminReg::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_AdminReg::cleanup() { m_dir.reset(); }

Run tst_AdminReg::run(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), path(QStringLiteral("registry")));
    p.setProcessEnvironment(env);
    return testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"), args, 60000);
}

QString tst_AdminReg::write(const QString &name, const QByteArray &bytes)
{
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

QByteArray tst_AdminReg::read(const QString &name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void tst_AdminReg::help_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("text");
    QTest::newRow("reg") << QStringList{"reg", "--help"} << "usage: zenlo-admin reg query KEY";
    QTest::newRow("query") << QStringList{"reg", "query", "--help"} << "usage: zenlo-admin reg query KEY\n";
    QTest::newRow("export") << QStringList{"reg", "export", "--help"} << "usage: zenlo-admin reg export KEY FILE";
    QTest::newRow("import") << QStringList{"reg", "import", "HKCU", "--help"} << "usage: zenlo-admin reg import FILE";
}

void tst_AdminReg::help()
{
    QFETCH(QStringList, args);
    QFETCH(QString, text);
    const Run r = run(args);
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(text), qPrintable(r.out));
    QCOMPARE(r.err, QString());
}

void tst_AdminReg::failures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code"); // 1 failure, 2 usage error
    QTest::addColumn<QString>("reason");
    QTest::newRow("reg alone") << QStringList{"reg"} << 2 << "reg needs a command: query, export or import (try --help)";
    QTest::newRow("unknown command") << QStringList{"reg", "delete", "HKCU"} << 2 << "unknown reg command 'delete'";
    QTest::newRow("query without key") << QStringList{"reg", "query"} << 2 << "needs exactly one KEY";
    QTest::newRow("query unknown option") << QStringList{"reg", "query", "--all"} << 2 << "unknown option '--all'";
    QTest::newRow("query missing key") << QStringList{"reg", "query", "HKCU\\Software\\None"} << 1
                                       << "HKCU\\Software\\None: no such key";
    QTest::newRow("query unknown root") << QStringList{"reg", "query", "HKXX\\Software"} << 1 << "unknown root key";
    QTest::newRow("query bad key name") << QStringList{"reg", "query", "HKCU\\a\\\\b"} << 1 << "a key name is empty";
    QTest::newRow("export without file") << QStringList{"reg", "export", "HKCU"} << 2 << "needs KEY and FILE";
    QTest::newRow("export unknown option") << QStringList{"reg", "export", "HKCU", "x.reg", "--all"} << 2
                                           << "unknown option '--all'";
    QTest::newRow("export missing key") << QStringList{"reg", "export", "HKCU\\Software\\None", "@/x.reg"} << 1
                                        << "the key cannot be opened";
    QTest::newRow("export into a folder") << QStringList{"reg", "export", "HKCU", "@"} << 1 << "is a folder; an export writes a new file";
    QTest::newRow("import missing file") << QStringList{"reg", "import", "@/none.reg"} << 1 << "no such file";
    QTest::newRow("import a folder") << QStringList{"reg", "import", "@"} << 1 << "is a folder, not a REGEDIT4 file";
    QTest::newRow("import two files") << QStringList{"reg", "import", "a.reg", "b.reg"} << 2 << "needs exactly one FILE";
}

void tst_AdminReg::failures()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, reason);
    for (QString &a : args)
        a.replace(QLatin1Char('@'), m_dir->path());
    const Run r = run(args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.startsWith(QStringLiteral("zenlo-admin: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(reason), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(r.out, QString());
    // No failure leaves a file behind, and a query makes no registry files.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void tst_AdminReg::importQueryExport()
{
    Run r = run({QStringLiteral("reg"), QStringLiteral("import"), write(QStringLiteral("in.reg"), kFile)});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());

    r = run({QStringLiteral("reg"), QStringLiteral("query"), QStringLiteral("hkcu\\software\\demo")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("[HKEY_CURRENT_USER\\software\\demo]\n"
                                   "@=REG_SZ:根\n"
                                   "Name=REG_SZ:中文 text\n"
                                   "Blob=REG_BINARY:01 0A FF\n"
                                   "Count=REG_DWORD:0x0000002a (42)\n"
                                   "alpha\\\n"
                                   "Child\\\n"));

    r = run({QStringLiteral("reg"), QStringLiteral("export"), QStringLiteral("HKCU\\Software\\Demo"), path(QStringLiteral("out.reg"))});
    QCOMPARE(r.code, 0);
    QCOMPARE(read(QStringLiteral("out.reg")), kFile);

    // An existing file is never overwritten.
    r = run({QStringLiteral("reg"), QStringLiteral("export"), QStringLiteral("HKCU\\Software\\Demo\\Child"),
             path(QStringLiteral("out.reg"))});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("already exists")), qPrintable(r.err));
    QCOMPARE(read(QStringLiteral("out.reg")), kFile);

    r = run({QStringLiteral("reg"), QStringLiteral("export"), QStringLiteral("--no-subkeys"),
             QStringLiteral("HKEY_CURRENT_USER\\Software\\Demo"), path(QStringLiteral("top.reg"))});
    QCOMPARE(r.code, 0);
    QCOMPARE(read(QStringLiteral("top.reg")), kFile.left(kFile.indexOf("[HKEY_CURRENT_USER\\Software\\Demo\\alpha]")));
}

void tst_AdminReg::refusedImportChangesNothing()
{
    QCOMPARE(run({QStringLiteral("reg"), QStringLiteral("import"), write(QStringLiteral("in.reg"), kFile)}).code, 0);
    const QString before = run({QStringLiteral("reg"), QStringLiteral("query"), QStringLiteral("HKCU\\Software\\Demo")}).out;

    QByteArray bad = kFile;
    bad.replace("\"Count\"=dword:0000002A", "\"Count\"=dword:0000002B\r\n\"Odd\"=hex:0");
    const Run r = run({QStringLiteral("reg"), QStringLiteral("import"), write(QStringLiteral("bad.reg"), bad)});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("line 8: hex data with an odd number of digits")), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(run({QStringLiteral("reg"), QStringLiteral("query"), QStringLiteral("HKCU\\Software\\Demo")}).out, before);

    const Run bom = run({QStringLiteral("reg"), QStringLiteral("import"),
                         write(QStringLiteral("bom.reg"), "\xEF\xBB\xBF" + kFile)});
    QCOMPARE(bom.code, 1);
    QVERIFY(bom.err.contains(QStringLiteral("byte-order mark")));
}

// Hives an administrator seeded in a folder of root's: an ordinary user reads
// them, and a write is refused with its reason; the folder is left as it was.
void tst_AdminReg::readOnlyHiveOfAnotherUser()
{
    QCOMPARE(run({QStringLiteral("reg"), QStringLiteral("import"), write(QStringLiteral("in.reg"), kFile)}).code, 0);
    QString why;
    if (!testsupport::ordinaryUser::available(&why))
        QFAIL(qPrintable(why));
    const QString registry = path(QStringLiteral("registry"));
    QVERIFY(testsupport::ordinaryUser::allowTraverse(m_dir->path()) && testsupport::ordinaryUser::allowTraverse(registry));
    for (const QString &f : QDir(registry).entryList(QDir::Files))
        QVERIFY(QFile::setPermissions(registry + u'/' + f, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                                              | QFileDevice::ReadOther));
    const QStringList before = QDir(registry).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const QString home = path(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home) && testsupport::ordinaryUser::giveFolder(home));
    const QStringList env{QStringLiteral("HOME=") + home, QStringLiteral("ZENLO_REGISTRY_DIR=") + registry};
    const QString admin = QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin");

    auto r = testsupport::ordinaryUser::run(admin, {QStringLiteral("reg"), QStringLiteral("query"), QStringLiteral("HKCU\\Software\\Demo\\Child")}, env);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("[HKEY_CURRENT_USER\\Software\\Demo\\Child]\nPath=REG_SZ:C:\\Zenlo\n"));

    QByteArray change = kFile;
    change.replace("C:\\Zenlo", "D:\\Other");
    const QString file = write(QStringLiteral("change.reg"), change);
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    r = testsupport::ordinaryUser::run(admin, {QStringLiteral("reg"), QStringLiteral("import"), file}, env);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith(QLatin1String("zenlo-admin: ")) && r.err.count(u'\n') == 1, qPrintable(r.err));
    QVERIFY2(r.err.contains(QLatin1String("HKEY_CURRENT_USER.sqlite cannot be written; nothing was changed")), qPrintable(r.err));
    QCOMPARE(QDir(registry).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QVERIFY(run({QStringLiteral("reg"), QStringLiteral("query"), QStringLiteral("HKCU\\Software\\Demo\\Child")}).out.contains(QLatin1String("C:\\Zenlo")));
}

QTEST_GUILESS_MAIN(tst_AdminReg)
#include "tst_admin_reg.moc"
