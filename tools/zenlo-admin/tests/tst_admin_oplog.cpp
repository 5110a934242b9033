// zenlo-admin oplog over a site's database with operation records of three days.
#include "components/database.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "testsite.h"
#include "testsupport.h"

class tst_AdminOplog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void filters_data();
    void filters();
    void csv();

private:
    testsupport::ProgramRun admin(QStringList args);
    std::unique_ptr<testsupport::TestSite> m_site;
    QTemporaryDir m_dir;
};

void tst_AdminOplog::initTestCase()
{
    m_site = std::make_unique<testsupport::TestSite>();
    QVERIFY2(m_site->ok(), qPrintable(m_site->error()));
    auto db = m_site->connect();
    const char *rows[][4] = {
        {"2026-12-06 08:00:00", "admin", "0", "登录系统"},
        {"2026-12-07 09:30:00", "张三", "2101", "采购订单录入"},
        {"2026-12-07 23:59:59", "李四", "2301", "=cmd|' /c calc'!A1, \"其他\"入库单"},
        {"2026-12-08 10:00:00", "张三", "2106", "采购明细表"},
    };
    for (const auto &r : rows)
        QVERIFY(db->exec(QStringLiteral("insert into sys_oplog(logtime, opname, progid, message) values(?, ?, ?, ?)"),
                         {QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2]).toInt(), QString::fromUtf8(r[3])}));
}

testsupport::ProgramRun tst_AdminOplog::admin(QStringList args)
{
    args.replaceInStrings(QStringLiteral("%dir"), m_dir.path());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZENLO_REGISTRY_DIR"), m_dir.filePath(QStringLiteral("registry")));
    p.setProcessEnvironment(env);
    return testsupport::runProgram(p, QStringLiteral(ZENLO_PROGRAM_DIR "/zenlo-admin"),
                                   QStringList{QStringLiteral("oplog"), QStringLiteral("--cfg"), m_site->configPath()} + args);
}

void tst_AdminOplog::filters_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("programs"); // the program numbers listed, in order
    QTest::addColumn<QString>("error");
    QTest::newRow("everything, oldest first") << QStringList{} << 0 << QStringList{"0", "2101", "2301", "2106"} << "";
    QTest::newRow("since a day") << QStringList{"--since", "2026-12-07"} << 0 << QStringList{"2101", "2301", "2106"} << "";
    QTest::newRow("until takes the whole day") << QStringList{"--until", "2026-12-07"} << 0 << QStringList{"0", "2101", "2301"} << "";
    QTest::newRow("one operator") << QStringList{"--user", "张三"} << 0 << QStringList{"2101", "2106"} << "";
    QTest::newRow("a name with a quote is a value") << QStringList{"--user", "x' or '1'='1"} << 0 << QStringList{} << "";
    QTest::newRow("a date that does not parse") << QStringList{"--since", "2026-13-01"} << 2 << QStringList{} << "not a date";
    QTest::newRow("an option without its value") << QStringList{"--user"} << 2 << QStringList{} << "needs a value";
    QTest::newRow("an argument") << QStringList{"today"} << 2 << QStringList{} << "takes no argument";
}

void tst_AdminOplog::filters()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QStringList, programs);
    QFETCH(QString, error);
    const testsupport::ProgramRun r = admin(args);
    QVERIFY2(r.code == code, qPrintable(r.out + r.err));
    QStringList listed;
    for (const QString &line : r.out.split(u'\n', Qt::SkipEmptyParts))
        listed << line.section(u'\t', 2, 2);
    QCOMPARE(listed, programs);
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
}

void tst_AdminOplog::csv()
{
    const QString file = m_dir.filePath(QStringLiteral("log.csv"));
    testsupport::ProgramRun r = admin({QStringLiteral("--csv"), file, QStringLiteral("--since"), QStringLiteral("2026-12-07")});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    // A formula stays text; a comma and quotes stay inside one field.
    QCOMPARE(lines.at(2), QStringLiteral("2026-12-07 23:59:59,李四,2301,\"'=cmd|' /c calc'!A1, \"\"其他\"\"入库单\""));
    // An existing file is never replaced.
    r = admin({QStringLiteral("--csv"), file});
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.contains(QStringLiteral("exists already")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), bytes);
}

QTEST_GUILESS_MAIN(tst_AdminOplog)
#include "tst_admin_oplog.moc"
