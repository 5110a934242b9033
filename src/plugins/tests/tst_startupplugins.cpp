// The configured start-up plug-ins, run with real plug-in libraries against a
// real configuration file and demo database.
#include "components/logservice.h"
#include "components/sysservices.h"
#include "core/diagnostics.h"
#include "core/session.h"
#include "platform/registration.h"
#include "plugins/startupplugins.h"

#include <QDir>
#include <QTest>

#include "plugintest_helper.h"

using plugintest::Site;

namespace {

QString entry(const QString &active, const QString &style, const QString &className,
              const QString &file = QStringLiteral("%app.path%/Plugin/zt_startup.so"))
{
    const QString attribute = active.isNull() ? QString() : QStringLiteral(" active=\"%1\"").arg(active);
    return QStringLiteral("<plugin%1><style>%2</style><classname>%3</classname><filename>%4</filename></plugin>")
        .arg(attribute, style, className, file);
}

QString systemWith(const QString &entries)
{
    return QStringLiteral("<caption>插件测试</caption><plugins>") + entries + QStringLiteral("</plugins>");
}

// The first word of each trace line: "First.Run".
QStringList calls()
{
    QStringList out;
    for (const QString &line : plugintest::trace())
        out << line.section(QLatin1Char(' '), 0, 0);
    return out;
}

QStringList messages(const testsupport::RecordingUi &ui)
{
    QStringList out;
    for (const auto &m : ui.messages)
        out << QString::number(m.level) + QLatin1Char('|') + m.text;
    return out;
}

const QString kStopped = QStringLiteral("\r\n\r\n主程序继续运行!");

} // namespace

class tst_StartupPlugins : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void stage_data();
    void stage();
    void environmentOfEachStage_data();
    void environmentOfEachStage();
    void registeredClassBeforeFile();
    void stage100MessagesReachTheLog();
    void unloadableLibraryIsLoggedNotShown();
};

void tst_StartupPlugins::stage_data()
{
    QTest::addColumn<QString>("entries");
    QTest::addColumn<int>("stage");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QStringList>("modes"); // "Class=mode"
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<QStringList>("expectedMessages");
    QTest::addColumn<QStringList>("expectedRecords");

    const QStringList firstRuns{QStringLiteral("First.Initialise"), QStringLiteral("First.Run")};
    const QString first = QStringLiteral("First"), second = QStringLiteral("Second");
    const QString load = QStringLiteral("加载");

    QTest::newRow("加载 at its stage runs") << entry(load, "100", first) << 100 << false << QStringList() << firstRuns
                                          << QStringList() << QStringList();
    QTest::newRow("active 1 is ignored") << entry("1", "100", first) << 100 << false << QStringList() << QStringList()
                                         << QStringList() << QStringList();
    QTest::newRow("active true is ignored") << entry("true", "100", first) << 100 << false << QStringList()
                                            << QStringList() << QStringList() << QStringList();
    QTest::newRow("no active attribute") << entry(QString(), "100", first) << 100 << false << QStringList()
                                         << QStringList() << QStringList() << QStringList();
    QTest::newRow("style abc matches no stage") << entry(load, "abc", first) << 100 << false << QStringList()
                                                << QStringList() << QStringList() << QStringList();
    QTest::newRow("style of the other stage") << entry(load, "101", first) << 100 << false << QStringList()
                                              << QStringList() << QStringList() << QStringList();
    QTest::newRow("style read as a number") << entry(load, " 100abc", first) << 100 << false << QStringList() << firstRuns
                                            << QStringList() << QStringList();
    // The registry's root key exists, so an empty name goes to creation by ProgID and fails there.
    QTest::newRow("empty classname ends the stage")
        << entry(load, "100", QString()) + entry(load, "100", first) << 100 << false << QStringList() << QStringList()
        << QStringList{"4|插件运行时发生错误，原因：ActiveX 部件不能创建对象: " + kStopped} << QStringList();
    QTest::newRow("missing file is silent")
        << entry(load, "100", first, "%app.path%/Plugin/gone.so") << 100 << false << QStringList() << QStringList()
        << QStringList() << QStringList();
    QTest::newRow("class not in the library is silent") << entry(load, "100", "Third") << 100 << false << QStringList()
                                                        << QStringList() << QStringList() << QStringList();
    QTest::newRow("two entries in file order")
        << entry(load, "100", second) + entry(load, "100", first) << 100 << false << QStringList()
        << QStringList{"Second.Initialise", "Second.Run", "First.Initialise", "First.Run"} << QStringList() << QStringList();
    QTest::newRow("an error in the first stops the second")
        << entry(load, "100", first) + entry(load, "100", second) << 100 << false << QStringList{"First=throw-init"}
        << QStringList{"First.Initialise"} << QStringList{"4|插件运行时发生错误，原因：First 在 init 中出错" + kStopped}
        << QStringList();
    QTest::newRow("an error in run")
        << entry(load, "100", first) << 100 << false << QStringList{"First=throw-run"}
        << firstRuns << QStringList{"4|插件运行时发生错误，原因：First 在 run 中出错" + kStopped} << QStringList();
    QTest::newRow("a last error is reported and the next runs")
        << entry(load, "101", first) + entry(load, "101", second) << 101 << true << QStringList{"First=lasterror"}
        << QStringList{"First.Initialise", "First.Run", "Second.Initialise", "Second.Run"}
        << QStringList{"4|First发现日志文件夹不可写\r\n\r\n程序继续运行！"} << QStringList{"运行插件[Second插件]"};
    QTest::newRow("stage 101 records each plug-in")
        << entry(load, "101", first) + entry(load, "100", second) << 101 << true << QStringList() << firstRuns
        << QStringList() << QStringList{"运行插件[First插件]"};
    QTest::newRow("a class that is no start-up plug-in")
        << entry(load, "100", "notstartup") + entry(load, "100", first) << 100 << false << QStringList() << QStringList()
        << QStringList{"4|插件运行时发生错误，原因：类型不匹配" + kStopped} << QStringList();
}

void tst_StartupPlugins::stage()
{
    QFETCH(QString, entries);
    QFETCH(int, stage);
    QFETCH(bool, loggedIn);
    QFETCH(QStringList, modes);
    Site site(systemWith(entries));
    QVERIFY(Site::place(QStringLiteral("zt_startup"), site.pluginFolder(), QStringLiteral("zt_startup.so")));
    QString why;
    QVERIFY2(site.open(loggedIn ? Site::LoggedIn : Site::ConfigOnly, &why), qPrintable(why));
    for (const QString &m : modes)
        plugintest::setMode(m.section(QLatin1Char('='), 0, 0), m.section(QLatin1Char('='), 1));
    const QStringList before = site.records();

    plugins::RunConfiguredPlugins(site.session(), stage);

    QTEST(calls(), "expectedCalls");
    QTEST(messages(site.ui), "expectedMessages");
    QTEST(site.records().mid(before.size()), "expectedRecords");
    for (const auto &m : site.ui.messages)
        if (m.text.endsWith(kStopped))
            QCOMPARE(m.source, QStringLiteral("错误："));
}

void tst_StartupPlugins::environmentOfEachStage_data()
{
    QTest::addColumn<int>("stage");
    QTest::addColumn<QString>("periodAndCompany");
    QTest::newRow("100: no system services yet") << 100 << QStringLiteral("period=0 company=");
    // The demo account set's company name (seed data).
    QTest::newRow("101: period of system 12 and the company") << 101 << QStringLiteral("period=12 company=示范贸易有限公司");
}

void tst_StartupPlugins::environmentOfEachStage()
{
    QFETCH(int, stage);
    QFETCH(QString, periodAndCompany);
    Site site(systemWith(entry(QStringLiteral("加载"), QString::number(stage), QStringLiteral("FIRST"))));
    QVERIFY(Site::place(QStringLiteral("zt_startup"), site.pluginFolder(), QStringLiteral("zt_startup.so")));
    QString why;
    QVERIFY2(site.open(stage == 100 ? Site::ConfigOnly : Site::LoggedIn, &why), qPrintable(why));

    plugins::RunConfiguredPlugins(site.session(), stage);

    const QStringList t = plugintest::trace();
    QCOMPARE(t.size(), 2);
    QString expected = QStringLiteral("First.Initialise config=%1 folder=%2 caption=插件测试 ")
                           .arg(site.site().configPath(), site.programFolder())
        + periodAndCompany;
    QCOMPARE(t.at(0).section(QStringLiteral(" file="), 0, 0), expected);
    QCOMPARE(t.at(1), QStringLiteral("First.Run input=[]"));
}

void tst_StartupPlugins::registeredClassBeforeFile()
{
    Site site(systemWith(entry(QStringLiteral("加载"), QStringLiteral("100"), QStringLiteral("ZtStart.First"))));
    QVERIFY(Site::place(QStringLiteral("zt_startup"), site.pluginFolder(), QStringLiteral("zt_startup.so")));
    const QString other = site.programFolder() + QStringLiteral("/registered");
    QVERIFY(Site::place(QStringLiteral("zt_startup"), other, QStringLiteral("zt_startup_reg.so")));
    QString why;
    QVERIFY2(objects::registerLibrary(other + QStringLiteral("/zt_startup_reg.so"), &why), qPrintable(why));
    QVERIFY2(site.open(Site::ConfigOnly, &why), qPrintable(why));

    plugins::RunConfiguredPlugins(site.session(), 100);

    objects::unregisterLibrary(other + QStringLiteral("/zt_startup_reg.so"));
    const QStringList t = plugintest::trace();
    QCOMPARE(t.size(), 2);
    QVERIFY2(t.at(0).endsWith(QStringLiteral("file=") + QDir(other).canonicalPath() + QStringLiteral("/zt_startup_reg.so"))
                 || t.at(0).endsWith(QStringLiteral("file=") + other + QStringLiteral("/zt_startup_reg.so")),
             qPrintable(t.at(0)));
}

// Stage 100 runs before the log file is open: what its plug-ins report is kept
// and written once the log service starts.
void tst_StartupPlugins::stage100MessagesReachTheLog()
{
    Site site(systemWith(entry(QStringLiteral("加载"), QStringLiteral("100"), QStringLiteral("First"))));
    QVERIFY(Site::place(QStringLiteral("zt_startup"), site.pluginFolder(), QStringLiteral("zt_startup.so")));
    QString why;
    QVERIFY2(site.open(Site::ConfigOnly, &why), qPrintable(why));
    plugintest::setMode(QStringLiteral("First"), QStringLiteral("lasterror"));
    QVERIFY(!LogService::instance().isInitialised());

    plugins::RunConfiguredPlugins(site.session(), 100);

    LogConfig config;
    QVERIFY(config.load(site.site().configPath()));
    QVERIFY(LogService::instance().Init(nullptr, &config));
    LogService::instance().flush();
    const QString file = LogService::instance().logFile();
    LogService::instance().shutdown();
    QVERIFY2(file.startsWith(site.programFolder() + QStringLiteral("/log/")), qPrintable(file));
    QVERIFY(QString::fromUtf8(testsupport::readFile(file)).contains(QStringLiteral("First发现日志文件夹不可写")));
}

// A plug-in file replaced by a text file: no box (the start-up goes on), a
// warning in the log with the file and the reason, and the diagnostics page
// lists the file among the refused libraries.
void tst_StartupPlugins::unloadableLibraryIsLoggedNotShown()
{
    Site site(systemWith(entry(QStringLiteral("加载"), QStringLiteral("100"), QStringLiteral("First"))));
    QVERIFY(testsupport::writeFile(site.pluginFolder() + QStringLiteral("/zt_startup.so"), "not a library\n"));
    QString why;
    QVERIFY2(site.open(Site::ConfigOnly, &why), qPrintable(why));

    plugins::RunConfiguredPlugins(site.session(), 100);

    QCOMPARE(messages(site.ui), QStringList());
    LogConfig config;
    QVERIFY(config.load(site.site().configPath()));
    QVERIFY(LogService::instance().Init(nullptr, &config));
    LogService::instance().flush();
    const QString log = QString::fromUtf8(testsupport::readFile(LogService::instance().logFile()));
    LogService::instance().shutdown();
    const QString path = site.pluginFolder() + QStringLiteral("/zt_startup.so");
    QVERIFY2(log.contains(QStringLiteral("启动插件 First 未能创建，文件 ") + path + QStringLiteral(" 不能使用（")), qPrintable(log));
    diagnostics::Inputs in;
    const QString page = diagnostics::report(in);
    const QString refused = page.section(QStringLiteral("[未能加载的库]"), 1);
    QVERIFY2(refused.contains(QDir(site.pluginFolder()).canonicalPath() + QStringLiteral("/zt_startup.so: ")), qPrintable(page));
}

QTEST_GUILESS_MAIN(tst_StartupPlugins)
#include "tst_startupplugins.moc"
