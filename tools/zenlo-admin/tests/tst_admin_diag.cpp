// zenlo-admin diag over a site whose components/ folder holds a real component
// library and a file that is none.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "testsite.h"
#include "testsupport.h"

class tst_AdminDiag : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void page();
    void usage_data();
    void usage();
};

void tst_AdminDiag::page()
{
    testsupport::TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QString components = site.programFolder() + QStringLiteral("/components");
    QVERIFY(QDir().mkpath(components));
    QVERIFY(QFile::copy(QStringLiteral(ZENLO_PROGRAM_DIR "/components/LwReport.so"), components + QStringLiteral("/LwReport.so")));
    QVERIFY(testsupport::writeFile(components + QStringLiteral("/notes.so"), "not a library\n"));
    QTemporaryDir home;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), home.filePath(QStringLiteral("registry")));
    p.setProcessEnvironment(env);
    const testsupport::ProgramRun r = testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"),
                                                              {QStringLiteral("diag"), QStringLiteral("--cfg"), site.configPath()});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    for (const QString &line : {QStringLiteral("配置文件: ") + site.configPath(), QStringLiteral("驱动: SQLite"),
                                QStringLiteral("文件: ") + site.databaseFile(), QStringLiteral("LwReport.so: LwReport.oEditRpt"),
                                QStringLiteral("notes.so: 没有类的说明（不是组件或插件库）"), QStringLiteral("[库文件夹 ")})
        QVERIFY2(r.out.contains(line), qPrintable(line + QStringLiteral(" missing from:\n") + r.out));
    QVERIFY(r.out.contains(QRegularExpression(QStringLiteral("往返时间: \\d+\\.\\d{3} ms"))));
    // Looking made no registry files.
    QVERIFY(!QFileInfo::exists(home.filePath(QStringLiteral("registry"))));
}

void tst_AdminDiag::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing configuration") << QStringList{"diag", "--cfg", "/no/such.config"} << 1 << "no such file";
    QTest::newRow("option without value") << QStringList{"diag", "--cfg"} << 2 << "needs a value";
    QTest::newRow("an argument") << QStringList{"diag", "now"} << 2 << "takes no argument";
}

void tst_AdminDiag::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, error);
    QProcess p;
    const testsupport::ProgramRun r = testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"), args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(tst_AdminDiag)
#include "tst_admin_diag.moc"
