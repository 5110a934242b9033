// The add-in runner over the demo database: program definitions in
// xt_objects, a real add-in library among the program's components.
#include "components/database.h"
#include "core/session.h"
#include "platform/objectfactory.h"
#include "platform/runtimeerror.h"
#include "platform/registration.h"
#include "plugins/addinrunner.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "plugintest_helper.h"

using plugintest::Site;

namespace {

QStringList messages(const testsupport::RecordingUi &ui)
{
    QStringList out;
    for (const auto &m : ui.messages)
        out << QString::number(m.level) + QLatin1Char('|') + m.source + QLatin1Char('|') + m.text;
    return out;
}

} // namespace

class tst_AddInRunner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void run_data();
    void run();
    void programDefinition();
    void brokenRegistrationIsNotWorkedAround();
};

void tst_AddInRunner::run_data()
{
    QTest::addColumn<int>("programNumber");
    QTest::addColumn<QString>("operatorName");
    QTest::addColumn<QString>("mode"); // of Alpha
    QTest::addColumn<QStringList>("expectedTrace");
    QTest::addColumn<QStringList>("expectedMessages");
    QTest::addColumn<QStringList>("expectedRecords");
    QTest::addColumn<QStringList>("expectedStatus");

    const QString ready = QStringLiteral("【Zenlo软件】就绪");
    const QString init = QStringLiteral("【Zenlo软件】正在初始化[甲插件]对象");
    const QString running = QStringLiteral("【Zenlo软件】正在运行甲插件");
    const QStringList record{QStringLiteral("操作插件[甲插件]")};
    const QString parameters = QStringLiteral("Alpha.Parameters");
    const QString initLine = QStringLiteral("Alpha.Init sys=1");

    QTest::newRow("program number 0") << 0 << "admin" << "" << QStringList() << QStringList{"4|提示：|插件未定义！"}
                                      << QStringList() << QStringList();
    QTest::newRow("negative program number") << -9800 << "admin" << "" << QStringList()
                                             << QStringList{"4|提示：|插件未定义！"} << QStringList() << QStringList();
    QTest::newRow("runs with its four parameters")
        << 9800 << "admin" << ""
        << QStringList{parameters, initLine,
                       "Alpha.Run text=[] ProgID=9800 ModeCode=GL Caption=测试加载项 CommandLine=/x:1 /y", "Alpha.Terminate"}
        << QStringList() << record << QStringList{init, running, ready};
    QTest::newRow("Init false: not run, still terminated")
        << 9800 << "admin" << "init-false" << QStringList{parameters, initLine, "Alpha.Terminate"} << QStringList()
        << record << QStringList{init, ready};
    QTest::newRow("Init throwing: the record is written before")
        << 9800 << "admin" << "throw-init" << QStringList{parameters, initLine}
        << QStringList{"8|错误：|程序执行错误，原因：Alpha 在 init 中出错"} << record << QStringList{init, ready};
    QTest::newRow("Run throwing")
        << 9800 << "admin" << "throw-run"
        << QStringList{parameters, initLine,
                       "Alpha.Run text=[] ProgID=9800 ModeCode=GL Caption=测试加载项 CommandLine=/x:1 /y"}
        << QStringList{"8|错误：|程序执行错误，原因：Alpha 在 run 中出错"} << record << QStringList{init, running, ready};
    QTest::newRow("no parameter collection")
        << 9800 << "admin" << "no-parameters" << QStringList{parameters}
        << QStringList{"8|错误：|程序执行错误，原因：对象变量或 With 块变量未设置"} << QStringList() << QStringList{ready};
    QTest::newRow("blank ProgID ends silently") << 9801 << "admin" << "" << QStringList() << QStringList()
                                                << QStringList() << QStringList{ready};
    QTest::newRow("no program definition ends silently") << 9803 << "admin" << "" << QStringList() << QStringList()
                                                         << QStringList() << QStringList{ready};
    QTest::newRow("ProgID that cannot be created")
        << 9802 << "admin" << "" << QStringList()
        << QStringList{"8|错误：|程序执行错误，原因：ActiveX 部件不能创建对象: Nope.Missing"} << QStringList()
        << QStringList{ready};
    QTest::newRow("an add-in of the Plugin folder needs no registration")
        << 9804 << "admin" << ""
        << QStringList{"Solo.Parameters", "Solo.Init sys=1",
                       "Solo.Run text=[] ProgID=9804 ModeCode=GL Caption=测试加载项 CommandLine=", "Solo.Terminate"}
        << QStringList() << QStringList{"操作插件[独立插件]"}
        << QStringList{"【Zenlo软件】正在初始化[独立插件]对象", "【Zenlo软件】正在运行独立插件", ready};
    QTest::newRow("without the right") << 9800 << "张三" << "" << QStringList()
                                       << QStringList{"2|提示：|没有运行权限，请检查后再试"} << QStringList()
                                       << QStringList{ready};
}

void tst_AddInRunner::run()
{
    QFETCH(int, programNumber);
    QFETCH(QString, operatorName);
    QFETCH(QString, mode);
    Site site;
    QVERIFY(Site::place(QStringLiteral("zt_plugs"), site.programFolder() + QStringLiteral("/components"),
                        QStringLiteral("zt_plugs.so")));
    QVERIFY(Site::place(QStringLiteral("zt_single"), site.pluginFolder(), QStringLiteral("zt_single.so")));
    objects::rescanComponents();
    {
        auto db = site.site().connect();
        QVERIFY(db);
        const QString sql = QStringLiteral(
            "insert into xt_objects(progID, systemcode, progCommandLine, progName, progClass) values (?, ?, ?, ?, ?)");
        QVERIFY(db->exec(sql, {9800, "GL", "/x:1 /y", "测试加载项", " ZtPlugs.Alpha "}));
        QVERIFY(db->exec(sql, {9801, "GL", "", "空白", "   "}));
        QVERIFY(db->exec(sql, {9802, "GL", "", "不存在", "Nope.Missing"}));
        QVERIFY(db->exec(sql, {9804, "GL", "", "插件文件夹中的加载项", "ztsingle.SOLO"}));
    }
    QString why;
    QVERIFY2(site.open(Site::LoggedIn, &why, operatorName,
                       operatorName == QLatin1String("admin") ? QString() : QStringLiteral("zhang3")),
             qPrintable(why));
    plugintest::setMode(QStringLiteral("Alpha"), mode);
    const int before = site.records().size();
    QSignalSpy status(&site.session(), &Session::statusPrompt);

    plugins::RunAddIn(site.session(), programNumber, QStringLiteral("GL"), QStringLiteral("测试加载项"));

    QStringList t = plugintest::trace();
    for (QString &line : t)
        line = line.section(QStringLiteral(" file="), 0, 0);
    QTEST(t, "expectedTrace");
    QTEST(messages(site.ui), "expectedMessages");
    QTEST(site.records().mid(before), "expectedRecords");
    QStringList lines;
    for (const auto &args : status)
        lines << args.at(0).toString();
    QTEST(lines, "expectedStatus");
}

void tst_AddInRunner::programDefinition()
{
    Site site;
    QString why;
    QVERIFY2(site.open(Site::LoggedIn, &why), qPrintable(why));
    plugins::ProgramDefinition definition(site.session().db.get());
    QVERIFY(definition.Load(9905));
    QCOMPARE(definition.ProgID(), QStringLiteral("ZenloAddins.PeriodClose"));
    QVERIFY(!definition.Load(123456));
    QCOMPARE(definition.ProgID(), QString());
    QVERIFY(definition.Load(2104));
    QCOMPARE(definition.ProgID(), QString());
    QCOMPARE(definition.CommandLine(), QStringLiteral("/s /w:12000 /h:8000"));

    // An account set whose xt_objects has no progClass: the operator learns why, the shell goes on.
    QVERIFY(site.session().db->exec(QStringLiteral("alter table xt_objects drop column progClass")));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, definition.Load(9905));
    plugins::RunAddIn(site.session(), 9905, QStringLiteral("GL"), QStringLiteral("结转会计期间"));
    QCOMPARE(site.ui.messages.size(), 1);
    QVERIFY2(site.ui.messages.at(0).text.startsWith(QStringLiteral("程序执行错误，原因：")), qPrintable(site.ui.messages.at(0).text));
    QVERIFY(site.ui.messages.at(0).text.contains(QStringLiteral("progClass")));
}

// The add-in's class is in Plugin/, but a registration of its ProgID names a library that is gone.
void tst_AddInRunner::brokenRegistrationIsNotWorkedAround()
{
    Site site;
    QVERIFY(Site::place(QStringLiteral("zt_single"), site.pluginFolder(), QStringLiteral("zt_single.so")));
    const QString gone = site.programFolder() + QStringLiteral("/old/zt_single.so");
    QVERIFY(Site::place(QStringLiteral("zt_single"), site.programFolder() + QStringLiteral("/old"), QStringLiteral("zt_single.so")));
    QString why;
    QVERIFY2(objects::registerLibrary(gone, &why), qPrintable(why));
    QVERIFY(QFile::remove(gone));
    {
        auto db = site.site().connect();
        QVERIFY(db->exec(QStringLiteral("insert into xt_objects(progID, systemcode, progCommandLine, progName, progClass) "
                                        "values (9804, 'GL', '', '加载项', 'ZtSingle.Solo')")));
    }
    QVERIFY2(site.open(Site::LoggedIn, &why), qPrintable(why));

    plugins::RunAddIn(site.session(), 9804, QStringLiteral("GL"), QStringLiteral("加载项"));

    QVERIFY(QDir().mkpath(site.programFolder() + QStringLiteral("/old")));
    QVERIFY(Site::place(QStringLiteral("zt_single"), site.programFolder() + QStringLiteral("/old"), QStringLiteral("zt_single.so")));
    objects::unregisterLibrary(gone);
    QCOMPARE(plugintest::trace(), QStringList());
    QCOMPARE(messages(site.ui), QStringList{"8|错误：|程序执行错误，原因：ActiveX 部件不能创建对象: ZtSingle.Solo"});
}

QTEST_GUILESS_MAIN(tst_AddInRunner)
#include "tst_addinrunner.moc"
