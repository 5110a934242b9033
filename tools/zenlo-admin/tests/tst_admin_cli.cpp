// zenlo-admin's contract with scripts: exit code 0 success, 1 failure with a
// one-line reason, 2 usage error; read-only commands leave no file behind; a
// configuration in the ANSI code page reads as the program reads it.
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

namespace {
// A database node zenlo accepts (the file need not exist for a check).
const QByteArray kDatabase = "<database driver=\"sqlite\"><database>erp.db</database></database>";
} // namespace

class tst_AdminCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void exitCodes_data();
    void exitCodes();
    void gbkConfigurationChecks();
    void windowsPathsOfAnotherFolder_data();
    void windowsPathsOfAnotherFolder();
    void readmeStatesTheProgramsExitCodes();
    void readOnlyCommandsLeaveNoTrace();
    void importReportsEscapedQuotes();

private:
    using Run = testsupport::ProgramRun;
    Run run(const QStringList &args);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_AdminCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

tst_AdminCli::Run tst_AdminCli::run(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env;
    const QString home = m_dir->filePath(QStringLiteral("home"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), m_dir->filePath(QStringLiteral("registry")));
    p.setProcessEnvironment(env);
    return testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"), args, 60000);
}

void tst_AdminCli::exitCodes_data()
{
    QTest::addColumn<QStringList>("args"); // "@" = the test's folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text"); // the start of stdout for 0, a part of the one stderr line otherwise
    QTest::newRow("top-level help") << QStringList{"--help"} << 0 << "usage: zenlo-admin GROUP COMMAND";
    QTest::newRow("nothing at all") << QStringList{} << 2 << "Exit codes (every command):";
    QTest::newRow("unknown group") << QStringList{"users", "list"} << 2 << "unknown command group 'users' (try --help)";
    QTest::newRow("config alone") << QStringList{"config"} << 2 << "config needs a command: check (try --help)";
    QTest::newRow("config help") << QStringList{"config", "check", "--help"} << 0 << "usage: zenlo-admin config check FILE";
    QTest::newRow("config unknown command") << QStringList{"config", "fix", "@/c.config"} << 2 << "unknown config command 'fix'";
    QTest::newRow("config check without a file") << QStringList{"config", "check"} << 2 << "config check needs a FILE";
    QTest::newRow("option without its value") << QStringList{"config", "check", "@/c.config", "--app-folder"} << 2
                                              << "option --app-folder needs a value";
    QTest::newRow("path style without its value") << QStringList{"config", "check", "@/c.config", "--path-style"} << 2
                                                  << "option --path-style needs a value";
    QTest::newRow("unknown path style") << QStringList{"config", "check", "@/c.config", "--path-style", "mac"} << 2
                                        << "unknown path style 'mac'";
    QTest::newRow("unknown option") << QStringList{"config", "check", "@/c.config", "--verbose"} << 2 << "unknown option '--verbose'";
    QTest::newRow("config check of a folder") << QStringList{"config", "check", "@"} << 1 << "is a folder, not a configuration file";
    QTest::newRow("config check of a missing file") << QStringList{"config", "check", "@/none.config"} << 1 << "no such file";
    QTest::newRow("encoding that does not exist") << QStringList{"config", "check", "@/gb9999.config"} << 1
                                                  << "encoding \"gb9999\", which this program cannot read";
    QTest::newRow("declared UTF-8, GBK bytes") << QStringList{"config", "check", "@/liar.config"} << 1
                                               << "declared \"utf-8\" but holds bytes that are not UTF-8";
    QTest::newRow("config check") << QStringList{"config", "check", "@/c.config"} << 0 << "Background_main=";
    QTest::newRow("db alone") << QStringList{"db"} << 2 << "db needs a command: init-demo";
    QTest::newRow("db help") << QStringList{"db", "--help"} << 0 << "usage: zenlo-admin db init-demo FILE";
    QTest::newRow("db unknown command") << QStringList{"db", "drop"} << 2 << "unknown db command 'drop'";
    QTest::newRow("init-demo without a file") << QStringList{"db", "init-demo"} << 2 << "needs exactly one FILE";
    QTest::newRow("init-demo unknown option") << QStringList{"db", "init-demo", "@/d.db", "--force"} << 2 << "unknown option '--force'";
    QTest::newRow("init-demo into a missing folder") << QStringList{"db", "init-demo", "@/no/d.db"} << 1 << "/no does not exist";
    QTest::newRow("init-demo over a folder") << QStringList{"db", "init-demo", "@"} << 1 << "a folder of that name exists";
    // Every other command: a usage error, a failure with its reason, a success.
    QTest::newRow("database driver zenlo refuses") << QStringList{"config", "check", "@/oracle.config"} << 1 << "不支持的数据库驱动: oracle";
    QTest::newRow("copy kind zenlo refuses") << QStringList{"config", "check", "@/bogus.config"} << 1 << "数据库副本类型无效";
    QTest::newRow("POSIX folder for Windows paths") << QStringList{"config", "check", "@/c.config", "--app-folder", "/srv/x", "--path-style", "windows"}
                                                    << 2 << "--app-folder /srv/x is no Windows folder";
    QTest::newRow("a share for Windows paths") << QStringList{"config", "check", "@/c.config", "--app-folder", "\\\\srv\\erp", "--path-style", "windows"}
                                               << 2 << "is no Windows folder with a drive letter";
    QTest::newRow("reg alone") << QStringList{"reg"} << 2 << "reg needs a command";
    QTest::newRow("reg query, unknown option after the key") << QStringList{"reg", "query", "HKCU", "--x"} << 2 << "unknown option '--x'";
    QTest::newRow("reg query, unknown root") << QStringList{"reg", "query", "HKXX\\a"} << 1 << "unknown root key";
    QTest::newRow("reg query") << QStringList{"reg", "query", "HKCU"} << 0 << "[HKEY_CURRENT_USER]";
    QTest::newRow("reg export without a file") << QStringList{"reg", "export", "HKCU"} << 2 << "needs KEY and FILE";
    QTest::newRow("reg export into a folder") << QStringList{"reg", "export", "HKCU", "@"} << 1 << "is a folder";
    QTest::newRow("reg import, unknown option after the file") << QStringList{"reg", "import", "@/c.config", "--x"} << 2 << "unknown option '--x'";
    QTest::newRow("reg import of a folder") << QStringList{"reg", "import", "@"} << 1 << "is a folder, not a REGEDIT4 file";
    QTest::newRow("classes, unknown option after the file") << QStringList{"classes", "@/c.config", "--x"} << 2 << "unknown option '--x'";
    QTest::newRow("classes of no library") << QStringList{"classes", "@/c.config"} << 1 << "c.config: ";
    QTest::newRow("regsvr unknown option") << QStringList{"regsvr", "--all", "@/c.config"} << 2 << "unknown option '--all'";
    QTest::newRow("regsvr of no library") << QStringList{"regsvr", "/u", "@/c.config"} << 1 << "c.config: ";
    QTest::newRow("plugin list, two folders") << QStringList{"plugin", "list", "@", "@"} << 2 << "at most one FOLDER";
    QTest::newRow("plugin list of a missing folder") << QStringList{"plugin", "list", "@/none"} << 1 << "no such folder";
    QTest::newRow("plugin list") << QStringList{"plugin", "list", "@"} << 0 << "";
    QTest::newRow("map check without a file") << QStringList{"map", "check"} << 2 << "needs exactly one FILE";
    QTest::newRow("map check of XML that is no map") << QStringList{"map", "check", "@/c.config"} << 1 << "不是导航窗口文件";
    QTest::newRow("map render, bad size") << QStringList{"map", "render", "@/c.config", "@/o.png", "--size", "0x0"} << 2 << "--size takes";
    QTest::newRow("map render into a folder") << QStringList{"map", "render", "@/c.config", "@"} << 1 << "is a folder; render writes a new PNG";
    QTest::newRow("oplog, bad date") << QStringList{"oplog", "--since", "2026-13-45"} << 2 << "--since 2026-13-45: not a date";
    QTest::newRow("oplog, an argument") << QStringList{"oplog", "all"} << 2 << "takes no argument";
    QTest::newRow("oplog of a folder") << QStringList{"oplog", "--cfg", "@"} << 1 << "is a folder, not a configuration file";
    QTest::newRow("diag, unknown option") << QStringList{"diag", "--all"} << 2 << "unknown option '--all'";
    QTest::newRow("diag of a folder") << QStringList{"diag", "--cfg", "@"} << 1 << "is a folder, not a configuration file";
    QTest::newRow("diag of a configuration that is not XML") << QStringList{"diag", "--cfg", "@/junk.config"} << 1 << "junk.config: ";
    QTest::newRow("diag") << QStringList{"diag", "--cfg", "@/c.config"} << 0 << "[程序]";
}

void tst_AdminCli::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, text);
    QVERIFY(testsupport::writeFile(m_dir->filePath(QStringLiteral("c.config")),
                                   "<?xml version=\"1.0\"?><configuration><system><caption>x</caption></system>" + kDatabase
                                       + "</configuration>"));
    QVERIFY(testsupport::writeFile(m_dir->filePath(QStringLiteral("oracle.config")),
                                   "<?xml version=\"1.0\"?><configuration><system/><database driver=\"oracle\"><database>erp"
                                   "</database></database></configuration>"));
    QVERIFY(testsupport::writeFile(m_dir->filePath(QStringLiteral("bogus.config")),
                                   "<?xml version=\"1.0\"?><configuration><system/><database copy=\"bogus\"><database>erp.db"
                                   "</database></database></configuration>"));
    QVERIFY(testsupport::writeFile(m_dir->filePath(QStringLiteral("junk.config")), "this is no configuration\n"));
    QVERIFY(testsupport::writeFile(m_dir->filePath(QStringLiteral("gb9999.config")),
                                   "<?xml version=\"1.0\" encoding=\"gb9999\"?><configuration><system/></configuration>"));
    QVERIFY(testsupport::writeFile(m_dir->filePath(QStringLiteral("liar.config")),
                                   "<?xml version=\"1.0\" encoding=\"utf-8\"?><configuration><system><caption>\xC6\xF3\xD2\xB5"
                                   "</caption></system></configuration>"));
    const QStringList before = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (QString &a : args)
        a.replace(QLatin1Char('@'), m_dir->path());
    const Run r = run(args);
    QCOMPARE(r.code, code);
    if (code == 0) {
        QVERIFY2(text.isEmpty() || r.out.startsWith(text), qPrintable(r.out));
        QCOMPARE(r.err, QString());
    } else {
        QVERIFY2(r.err.contains(text), qPrintable(r.err));
        QCOMPARE(r.out, QString());
        if (!args.isEmpty()) {
            QVERIFY2(r.err.startsWith(QLatin1String("zenlo-admin: ")), qPrintable(r.err));
            QCOMPARE(r.err.count(u'\n'), 1);
        }
    }
    // Nothing here writes: no registry, no home, no half-made database.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

// A configuration saved on a Chinese workstation (GB2312 declared, GBK bytes) reads as its texts.
void tst_AdminCli::gbkConfigurationChecks()
{
    const QString file = m_dir->filePath(QStringLiteral("gbk.config"));
    QVERIFY(testsupport::writeFile(file, "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<configuration><system>"
                                         "<caption>\xC6\xF3\xD2\xB5\xB9\xDC\xC0\xED</caption><subject>\xE9\x46\xD0\xC5</subject>"
                                         "<help>%app.path%\\\xB0\xEF\xD6\xFA.chm</help></system>" + kDatabase + "</configuration>"));
    const Run r = run({QStringLiteral("config"), QStringLiteral("check"), file, QStringLiteral("--app-folder"),
                       QStringLiteral("C:\\Zenlo"), QStringLiteral("--path-style"), QStringLiteral("windows")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    const QStringList lines = r.out.split(u'\n');
    QVERIFY2(lines.contains(QString::fromUtf8("Caption=企业管理")), qPrintable(r.out));
    QVERIFY2(lines.contains(QString::fromUtf8("Subject=镕信")), qPrintable(r.out));
    QVERIFY2(lines.contains(QString::fromUtf8("HelpFileName=C:\\Zenlo\\帮助.chm")), qPrintable(r.out));
}

void tst_AdminCli::windowsPathsOfAnotherFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("help");
    QTest::newRow("drive letter") << "C:\\erp" << "HelpFileName=C:\\erp\\help\\zenlo.html";
    QTest::newRow("drive letter, forward slashes") << "D:/srv/erp" << "HelpFileName=D:\\srv\\erp\\help\\zenlo.html";
}

// The help file of the demo's configuration, as a Windows workstation installed in folder reads it.
void tst_AdminCli::windowsPathsOfAnotherFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, help);
    const QString file = m_dir->filePath(QStringLiteral("w.config"));
    QVERIFY(testsupport::writeFile(file, "<?xml version=\"1.0\"?><configuration><system><help>%app.path%/help/zenlo.html</help>"
                                         "</system>" + kDatabase + "</configuration>"));
    const Run r = run({QStringLiteral("config"), QStringLiteral("check"), file, QStringLiteral("--app-folder"), folder,
                       QStringLiteral("--path-style"), QStringLiteral("windows")});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.split(u'\n').contains(help), qPrintable(r.out));
}

// The README's table of exit codes is the one the program prints.
void tst_AdminCli::readmeStatesTheProgramsExitCodes()
{
    const QStringList readme = QString::fromUtf8(testsupport::readFile(QStringLiteral(ZENLO_SOURCE_DIR "/README.md"))).split(u'\n');
    QStringList documented;
    const qsizetype header = readme.indexOf(QStringLiteral("| exit code | meaning |"));
    QVERIFY2(header >= 0, "README.md has no table \"| exit code | meaning |\"");
    for (qsizetype i = header + 2; i < readme.size() && readme.at(i).startsWith(u'|'); ++i) {
        const QStringList cells = readme.at(i).split(u'|');
        QCOMPARE(cells.size(), 4);
        documented << cells.at(1).trimmed() + QLatin1Char(' ') + cells.at(2).trimmed();
    }
    const Run r = run({QStringLiteral("--help")});
    QCOMPARE(r.code, 0);
    const QStringList help = r.out.split(u'\n');
    const qsizetype start = help.indexOf(QStringLiteral("Exit codes (every command):"));
    QVERIFY2(start >= 0, qPrintable(r.out));
    QStringList printed;
    for (qsizetype i = start + 1; i < help.size() && help.at(i).startsWith(QLatin1String("  ")); ++i)
        printed << help.at(i).simplified();
    QCOMPARE(documented, printed);
    QCOMPARE(printed.size(), 3);
}

namespace {
// Every entry below folder with its size and modification time (folders too:
// a file made and removed again changes its folder's time).
QStringList snapshot(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    out << QStringLiteral(". ") + QString::number(QFileInfo(folder).lastModified().toMSecsSinceEpoch());
    while (it.hasNext()) {
        const QFileInfo f = it.nextFileInfo();
        out << f.filePath().mid(folder.size()) + u' ' + QString::number(f.size()) + u' '
                + QString::number(f.lastModified().toMSecsSinceEpoch())
                + u' ' + QString::number(f.metadataChangeTime().toMSecsSinceEpoch());
    }
    out.sort();
    return out;
}
} // namespace

// The read-only commands open every hive and the database read-only: they
// make nothing anywhere, not even a journal they remove again (root can write
// a folder of mode 0555, so the folder's listing and times are compared).
void tst_AdminCli::readOnlyCommandsLeaveNoTrace()
{
    const QString site = m_dir->filePath(QStringLiteral("site"));
    QVERIFY(QDir().mkpath(site + QStringLiteral("/Plugin")));
    QVERIFY(testsupport::writeFile(site + QStringLiteral("/zenlo.Exe.Config"),
                                   "<?xml version=\"1.0\"?><configuration><system><caption>x</caption></system>"
                                   "<database driver=\"sqlite\"><database>%app.path%/erp.db</database></database></configuration>"));
    QVERIFY(testsupport::writeFile(site + QStringLiteral("/all.reg"),
                                   "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n\"A\"=\"1\"\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\Software\\Demo]\r\n\"B\"=\"2\"\r\n\r\n"
                                   "[HKEY_CLASSES_ROOT\\Demo.Class]\r\n@=\"c\"\r\n\r\n"));
    QCOMPARE(run({QStringLiteral("db"), QStringLiteral("init-demo"), site + QStringLiteral("/erp.db")}).code, 0);
    QCOMPARE(run({QStringLiteral("reg"), QStringLiteral("import"), site + QStringLiteral("/all.reg")}).code, 0);
    const QString registry = m_dir->filePath(QStringLiteral("registry"));
    QVERIFY(QFileInfo(registry + QStringLiteral("/HKEY_CLASSES_ROOT.sqlite")).isFile());
    // A hive the caller may write carries no "read-only" label, although diag opened it read-only.
    const Run page = run({"diag", "--cfg", site + "/zenlo.Exe.Config"});
    QVERIFY2(page.out.contains(QStringLiteral("HKEY_LOCAL_MACHINE: ") + registry + "/HKEY_LOCAL_MACHINE.sqlite\n"), qPrintable(page.out));
    QFile::setPermissions(registry, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther);
    QFile::setPermissions(site, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther);
    QTest::qSleep(20); // a change now would show in the times
    const QStringList before = snapshot(m_dir->path());
    QTemporaryDir elsewhere;
    const QString cfg = site + QStringLiteral("/zenlo.Exe.Config");
    const QList<QStringList> commands{
        {"reg", "query", "HKEY_CLASSES_ROOT"},
        {"reg", "query", "HKCU\\Software\\Demo"},
        {"reg", "query", "HKLM\\Software\\Demo"},
        {"reg", "export", "HKCU\\Software", elsewhere.filePath("u.reg")},
        {"config", "check", cfg},
        {"diag", "--cfg", cfg},
        {"oplog", "--cfg", cfg},
        {"plugin", "list", site + "/Plugin"},
        {"classes", cfg},
    };
    for (const QStringList &c : commands) {
        const Run r = run(c);
        QVERIFY2(r.code == (c.first() == "classes" ? 1 : 0), qPrintable(c.join(u' ') + ": " + r.err));
        QCOMPARE(snapshot(m_dir->path()), before);
        // The other installation's database is found in its own folder.
        if (c.first() == "diag")
            QVERIFY2(r.out.contains(QStringLiteral("\n文件: ") + site + QStringLiteral("/erp.db\n")), qPrintable(r.out));
    }
    QFile::setPermissions(registry, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(site, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // A check without a runtime folder makes none and has nothing to say.
    const QString runtime = QStringLiteral("/tmp/runtime-") + qEnvironmentVariable("USER", QStringLiteral("root"));
    const bool existed = QFileInfo::exists(runtime);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), registry);
    p.setProcessEnvironment(env);
    QVERIFY(testsupport::writeFile(m_dir->filePath("m.xml"), "<print><page><blocks/></page></print>"));
    const Run r = testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"), {"map", "check", m_dir->filePath("m.xml")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    QCOMPARE(QFileInfo::exists(runtime), existed);
}

// Texts are read as this system writes them, but an import that dropped
// characters says so: the value lines that held \" or \\.
void tst_AdminCli::importReportsEscapedQuotes()
{
    const QString file = m_dir->filePath(QStringLiteral("q.reg"));
    QVERIFY(testsupport::writeFile(file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Q]\r\n\"Q\"=\"say \\\"hi\\\"\"\r\n"
                                         "\"P\"=\"C:\\Zenlo\"\r\n\"S\"=\"\\\\srv\\x\"\r\n\r\n"));
    const Run r = run({QStringLiteral("reg"), QStringLiteral("import"), file});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.err.startsWith(QStringLiteral("zenlo-admin: warning: 2 value line(s) of ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("(line 4, 6)")), qPrintable(r.err));
    const Run q = run({QStringLiteral("reg"), QStringLiteral("query"), QStringLiteral("HKCU\\Software\\Q")});
    QVERIFY2(q.out.contains(QStringLiteral("Q=REG_SZ:say \\hi\\\n")), qPrintable(q.out));
}

QTEST_GUILESS_MAIN(tst_AdminCli)
#include "tst_admin_cli.moc"
