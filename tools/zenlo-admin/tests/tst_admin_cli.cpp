// zenlo-admin's contract with scripts: exit code 0 success, 1 failure with a
// one-line reason, 2 usage error; read-only commands leave no file behind; a
// configuration in the ANSI code page reads as the program reads it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"

class tst_AdminCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void exitCodes_data();
    void exitCodes();
    void gbkConfigurationChecks();

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
    QTest::newRow("nothing at all") << QStringList{} << 2 << "Exit codes: 0 success, 1 failure (the reason on stderr), 2 usage error.";
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
}

void tst_AdminCli::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, text);
    QVERIFY(testsupport::writeFile(m_dir->filePath(QStringLiteral("c.config")),
                                   "<?xml version=\"1.0\"?><configuration><system><caption>x</caption></system></configuration>"));
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
        QVERIFY2(r.out.startsWith(text), qPrintable(r.out));
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
                                         "<help>%app.path%\\\xB0\xEF\xD6\xFA.chm</help></system></configuration>"));
    const Run r = run({QStringLiteral("config"), QStringLiteral("check"), file, QStringLiteral("--app-folder"),
                       QStringLiteral("C:\\Zenlo"), QStringLiteral("--path-style"), QStringLiteral("windows")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    const QStringList lines = r.out.split(u'\n');
    QVERIFY2(lines.contains(QString::fromUtf8("Caption=企业管理")), qPrintable(r.out));
    QVERIFY2(lines.contains(QString::fromUtf8("Subject=镕信")), qPrintable(r.out));
    QVERIFY2(lines.contains(QString::fromUtf8("HelpFileName=C:\\Zenlo\\帮助.chm")), qPrintable(r.out));
}

QTEST_GUILESS_MAIN(tst_AdminCli)
#include "tst_admin_cli.moc"
