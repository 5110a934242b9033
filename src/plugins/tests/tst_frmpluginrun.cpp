// The plug-in list window over a real Plugin folder: the scan with its edge
// cases, configure and run with the plug-ins' answers, the exit record.
#include "components/logservice.h"
#include "components/sysservices.h"
#include "core/session.h"
#include "platform/registration.h"
#include "plugins/frmpluginrun.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "plugintest_helper.h"

using plugintest::Site;

namespace {

const QString kLoggedSystem = QStringLiteral("<caption>插件测试</caption>");

// "lib:fileName" -> copies; "text:fileName" -> a text file.
void fill(const Site &site, const QStringList &files)
{
    for (const QString &f : files) {
        const QString lib = f.section(QLatin1Char(':'), 0, 0), name = f.section(QLatin1Char(':'), 1);
        if (lib == QLatin1String("text"))
            testsupport::writeFile(site.pluginFolder() + QLatin1Char('/') + name, "这不是一个库\n");
        else
            QVERIFY(Site::place(lib, site.pluginFolder(), name));
    }
}

// caption|vendor|fileName|progId|className|reg, and the tag.
QStringList rows(const frmPluginRun &w)
{
    QStringList out;
    for (int i = 0; i < w.LV()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = w.LV()->topLevelItem(i);
        QStringList cells;
        for (int c : {0, 1, 2, 3, 5, 6})
            cells << item->text(c);
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QStringList messages(const testsupport::RecordingUi &ui)
{
    QStringList out;
    for (const auto &m : ui.messages)
        out << QString::number(m.level) + QLatin1Char('|') + m.text;
    return out;
}

QStringList calls()
{
    QStringList out;
    for (const QString &line : plugintest::trace())
        out << line.section(QLatin1Char(' '), 0, 0);
    return out;
}

} // namespace

class tst_frmPluginRun : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scan_data();
    void scan();
    void columnsAndDetails();
    void action_data();
    void action();
    void emptyListButtonsDoNothing();
    void registeredPluginIsCreatedByProgId();
    void closeWritesTheExitRecord();
    void demoPlugins();
};

// "file|reason" of the refused libraries listed below the plug-ins.
static QStringList refusedRows(const frmPluginRun &w)
{
    QStringList out;
    for (int i = 0; i < w.lvRefused()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = w.lvRefused()->topLevelItem(i);
        out << item->text(frmPluginRun::RefusedFile) + QLatin1Char('|') + item->text(frmPluginRun::RefusedReason);
    }
    return out;
}

void tst_frmPluginRun::scan_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("modes");
    QTest::addColumn<QStringList>("expectedRows");
    QTest::addColumn<QStringList>("expectedRefused"); // compared up to their length; each logged with the file

    const QString alpha = QStringLiteral("甲插件|甲公司|/Plugin/b_plugs.so|ZtPlugs.Alpha|Alpha|0");
    const QString beta = QStringLiteral("乙插件|乙公司|/Plugin/b_plugs.so|ZtPlugs.Beta|Beta|0");
    const QString solo = QStringLiteral("独立插件|丙公司|/Plugin/a_single.so|ZtSingle.Solo|Solo|0");

    QTest::newRow("empty folder") << kLoggedSystem << QStringList() << QStringList() << QStringList() << QStringList();
    QTest::newRow("two classes of one library")
        << kLoggedSystem << QStringList{"zt_plugs:b_plugs.so"} << QStringList() << QStringList{alpha, beta} << QStringList();
    QTest::newRow("the configured subject is every row's vendor")
        << QStringLiteral("<caption>插件测试</caption><subject>示范公司</subject>")
        << QStringList{"zt_single:a_single.so", "zt_plugs:b_plugs.so"} << QStringList()
        << QStringList{QString(solo).replace("丙公司", "示范公司"), QString(alpha).replace("甲公司", "示范公司"),
                       QString(beta).replace("乙公司", "示范公司")}
        << QStringList();
    QTest::newRow("interface name compared in letter case")
        << kLoggedSystem << QStringList{"zt_single:a_single.so"} << QStringList() << QStringList{solo} << QStringList();
    QTest::newRow("other files than libraries are not looked at")
        << kLoggedSystem << QStringList{"zt_single:a_single.so", "text:readme.txt", "zt_plugs:b_plugs.dll"}
        << QStringList() << QStringList{solo} << QStringList();
    QTest::newRow("a bad third library hides neither the first two nor the fourth")
        << kLoggedSystem << QStringList{"zt_single:a_single.so", "zt_plugs:b_plugs.so", "text:c_text.so", "zt_single:d_single.so"}
        << QStringList()
        << QStringList{QString(solo).replace("独立插件|", "独立插件（a_single.so）|"), alpha, beta,
                       QString(solo).replace("独立插件|", "独立插件（d_single.so）|").replace("a_single", "d_single")}
        << QStringList{"c_text.so|文件不是可加载的库（已损坏，或不是本平台的库）"};
    QTest::newRow("every bad library is listed, in file order")
        << kLoggedSystem << QStringList{"text:a_text.so", "zt_nometa:b_nometa.so", "zt_plugs:c_plugs.so", "text:d_text.so"}
        << QStringList()
        << QStringList{QString(alpha).replace("b_plugs", "c_plugs"), QString(beta).replace("b_plugs", "c_plugs")}
        << QStringList{"a_text.so|文件不是可加载的库", "b_nometa.so|库中没有类的说明", "d_text.so|文件不是可加载的库"};
    QTest::newRow("a library without a plug-in class gives no row")
        << kLoggedSystem << QStringList{"zt_startup:a_startup.so", "zt_plugs:b_plugs.so"} << QStringList()
        << QStringList{alpha, beta} << QStringList{"a_startup.so|库中没有插件管理的插件（没有实现 _IExtPluginUI 的类）"};
    QTest::newRow("a library that cannot be loaded gives no row")
        << kLoggedSystem << QStringList{"zt_brokenplug:a_broken.so", "zt_plugs:b_plugs.so"} << QStringList()
        << QStringList{alpha, beta} << QStringList{"a_broken.so|类 ZtBroken.Broken 不能创建：库不能加载"};
    QTest::newRow("a plug-in that throws in Init is listed below, the others above")
        << kLoggedSystem << QStringList{"zt_single:a_single.so", "zt_plugs:b_plugs.so"} << QStringList{"Beta=throw-init"}
        << QStringList{solo, alpha} << QStringList{"b_plugs.so|类 ZtPlugs.Beta 出错：Beta 在 init 中出错"};
}

void tst_frmPluginRun::scan()
{
    QFETCH(QString, system);
    QFETCH(QStringList, files);
    QFETCH(QStringList, modes);
    QFETCH(QStringList, expectedRows);
    QFETCH(QStringList, expectedRefused);
    Site site(system);
    fill(site, files);
    QString why;
    QVERIFY2(site.open(Site::LoggedIn, &why), qPrintable(why));
    for (const QString &m : modes)
        plugintest::setMode(m.section(QLatin1Char('='), 0, 0), m.section(QLatin1Char('='), 1));
    LogConfig logConfig;
    logConfig.setFolder(site.programFolder() + QStringLiteral("/scanlog"));
    QVERIFY(LogService::instance().Init(nullptr, &logConfig));

    frmPluginRun w(site.session());

    QCOMPARE(rows(w), expectedRows);
    const QStringList refused = refusedRows(w);
    QCOMPARE(refused.size(), expectedRefused.size());
    for (int i = 0; i < refused.size(); ++i)
        QVERIFY2(refused.at(i).startsWith(expectedRefused.at(i)), qPrintable(refused.at(i)));
    QCOMPARE(w.lvRefused()->isHidden(), expectedRefused.isEmpty());
    // Nothing is shown in a box; what failed is in the log with its file and the library's own words.
    QCOMPARE(messages(site.ui), QStringList());
    LogService::instance().flush();
    const QString log = QString::fromUtf8(testsupport::readFile(LogService::instance().logFile()));
    LogService::instance().shutdown();
    for (const QString &r : expectedRefused) {
        const QString file = r.section(QLatin1Char('|'), 0, 0);
        const bool failed = !r.contains(QStringLiteral("_IExtPluginUI"));
        QCOMPARE(log.contains(QStringLiteral("插件管理：文件 ") + site.pluginFolder() + QLatin1Char('/') + file + QStringLiteral(" 没有提供可用的插件：")),
                 failed);
    }
    if (!expectedRefused.isEmpty() && !expectedRefused.first().contains(QStringLiteral("_IExtPluginUI")))
        QVERIFY2(log.contains(QStringLiteral("（")) && log.contains(QStringLiteral("），已跳过")), qPrintable(log));
    // Every plug-in made for a row was initialised with the services, then terminated.
    QCOMPARE(calls().filter(QStringLiteral(".Terminate")).size(), expectedRows.size());
    for (const QString &line : plugintest::trace())
        if (line.contains(QStringLiteral(".Init")))
            QVERIFY2(line.contains(QStringLiteral("sys=1")), qPrintable(line));
    if (expectedRows.isEmpty())
        QVERIFY(!w.LV()->currentItem());
    else
        QCOMPARE(w.LV()->currentItem(), w.LV()->topLevelItem(0));
    if (const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR"); !dir.isEmpty() && refused.size() + expectedRows.size() > 4) {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QDir().mkpath(dir);
        w.grab().save(dir + QStringLiteral("/frmpluginrun-refused-%1.png").arg(refused.size()));
        w.close();
    }
}

void tst_frmPluginRun::columnsAndDetails()
{
    Site site;
    fill(site, {"zt_plugs:b_plugs.so"});
    QString why;
    QVERIFY2(site.open(Site::LoggedIn, &why), qPrintable(why));
    frmPluginRun w(site.session());
    QCOMPARE(w.windowTitle(), QStringLiteral("外接程序管理器"));
    QStringList headers;
    for (int c = 0; c < w.LV()->columnCount(); ++c)
        headers << w.LV()->headerItem()->text(c) + (w.LV()->isColumnHidden(c) ? QStringLiteral("(hidden)") : QString());
    QCOMPARE(headers, (QStringList{"可用的插件", "开发商名称", "文件名(hidden)", "类名(hidden)", "路径(hidden)",
                                   "类名称(hidden)", "是否注册(hidden)"}));
    // The two visible columns share the list's width, computed before the window is first shown:
    // in the design size (Fusion style) the list is 536 pixels inside its frame, 60 % and 30 % of it.
    QCOMPARE(w.LV()->width() - 2 * w.LV()->frameWidth(), 536);
    QCOMPARE(w.LV()->columnWidth(0), 321);
    QCOMPARE(w.LV()->columnWidth(1), 160);
    QCOMPARE(w.LV()->topLevelItem(0)->text(4), site.pluginFolder() + QStringLiteral("/b_plugs.so"));
    QCOMPARE(w.txtDescription()->toPlainText(), QStringLiteral("甲插件的说明"));
    QCOMPARE(w.lblAuthor()->text(), QStringLiteral("甲公司"));
    QCOMPARE(w.Cmd(0)->text(), QStringLiteral("配置(&C)"));
    QCOMPARE(w.Cmd(1)->text(), QStringLiteral("运行(&R)"));
    QCOMPARE(w.Cmd(2)->text(), QStringLiteral("关闭(&X)"));

    const QRect second = w.LV()->visualItemRect(w.LV()->topLevelItem(1));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.LV()->viewport(), Qt::LeftButton, {}, w.LV()->visualItemRect(w.LV()->topLevelItem(1)).center());
    QVERIFY(second.isValid());
    QCOMPARE(w.txtDescription()->toPlainText(), QStringLiteral("乙插件的说明"));
    QCOMPARE(w.lblAuthor()->text(), QStringLiteral("乙公司"));

    if (const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(dir);
        w.grab().save(dir + QStringLiteral("/frmpluginrun-test.png"));
    }
    w.close();
}

void tst_frmPluginRun::action_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("mode"); // of Alpha
    QTest::addColumn<bool>("removeFile");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<QStringList>("expectedMessages");
    QTest::addColumn<QString>("expectedStatus"); // empty: no status prompt

    const QStringList configured{"Alpha.Init", "Alpha.Configure", "Alpha.Terminate"};
    const QStringList ran{"Alpha.Init", "Alpha.Run", "Alpha.Terminate"};
    QTest::newRow("configure") << "configure" << "" << false << configured << QStringList() << "【Zenlo软件】甲插件配置完成";
    QTest::newRow("configure reporting a last error")
        << "configure" << "lasterror" << false << configured << QStringList{"2|Alpha的配置文件夹不可写"} << "";
    QTest::newRow("configure throwing")
        << "configure" << "throw-configure" << false << QStringList{"Alpha.Init", "Alpha.Configure"}
        << QStringList{"4|配置甲插件时发生错误，Alpha 在 configure 中出错"} << "";
    QTest::newRow("configure without an object still prompts")
        << "configure" << "" << true << QStringList() << QStringList() << "【Zenlo软件】甲插件配置完成";
    QTest::newRow("run") << "run" << "" << false << ran << QStringList() << "";
    QTest::newRow("double click runs") << "doubleclick" << "" << false << ran << QStringList() << "";
    QTest::newRow("run throwing") << "run" << "throw-run" << false << QStringList{"Alpha.Init", "Alpha.Run"}
                                  << QStringList{"4|运行甲插件时发生错误，Alpha 在 run 中出错"} << "";
    QTest::newRow("run throwing in Init") << "run" << "throw-init" << false << QStringList{"Alpha.Init"}
                                          << QStringList{"4|运行甲插件时发生错误，Alpha 在 init 中出错"} << "";
}

void tst_frmPluginRun::action()
{
    QFETCH(QString, action);
    QFETCH(QString, mode);
    QFETCH(bool, removeFile);
    QFETCH(QString, expectedStatus);
    Site site;
    fill(site, {"zt_plugs:b_plugs.so"});
    QString why;
    QVERIFY2(site.open(Site::LoggedIn, &why), qPrintable(why));
    frmPluginRun w(site.session());
    QCOMPARE(w.LV()->topLevelItemCount(), 2);
    plugintest::clearTrace();
    plugintest::setMode(QStringLiteral("Alpha"), mode);
    if (removeFile)
        QVERIFY(QFile::remove(site.pluginFolder() + QStringLiteral("/b_plugs.so")));
    QSignalSpy status(&site.session(), &Session::statusPrompt);

    if (action == QLatin1String("configure")) {
        w.Cmd(0)->click();
    } else if (action == QLatin1String("run")) {
        w.Cmd(1)->click();
    } else {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // A person's double click: press and release, then the second press.
        const QPoint at = w.LV()->visualItemRect(w.LV()->topLevelItem(0)).center();
        QTest::mouseClick(w.LV()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w.LV()->viewport(), Qt::LeftButton, {}, at);
    }

    QTEST(calls(), "expectedCalls");
    QTEST(messages(site.ui), "expectedMessages");
    QCOMPARE(status.isEmpty() ? QString() : status.last().at(0).toString(), expectedStatus);
    if (calls().contains(QStringLiteral("Alpha.Run")))
        QVERIFY(plugintest::trace().contains(QStringLiteral("Alpha.Run text=[]")));
    w.hide();
}

void tst_frmPluginRun::emptyListButtonsDoNothing()
{
    Site site;
    QVERIFY(QDir(site.pluginFolder()).removeRecursively());
    QString why;
    QVERIFY2(site.open(Site::LoggedIn, &why), qPrintable(why));
    frmPluginRun w(site.session());
    QSignalSpy status(&site.session(), &Session::statusPrompt);
    w.Cmd(0)->click();
    w.Cmd(1)->click();
    QCOMPARE(w.LV()->topLevelItemCount(), 0);
    QVERIFY(status.isEmpty());
    QVERIFY(site.ui.messages.isEmpty());
    QCOMPARE(w.lblAuthor()->text(), QStringLiteral("*"));
}

void tst_frmPluginRun::registeredPluginIsCreatedByProgId()
{
    Site site;
    fill(site, {"zt_plugs:b_plugs.so"});
    const QString other = site.programFolder() + QStringLiteral("/registered");
    QVERIFY(Site::place(QStringLiteral("zt_plugs"), other, QStringLiteral("zt_plugs_reg.so")));
    const QString registered = other + QStringLiteral("/zt_plugs_reg.so");
    QString why;
    QVERIFY2(objects::registerLibrary(registered, &why), qPrintable(why));
    QVERIFY2(site.open(Site::LoggedIn, &why), qPrintable(why));
    {
        frmPluginRun w(site.session());
        QCOMPARE(w.LV()->topLevelItem(0)->text(frmPluginRun::Reg), QStringLiteral("1"));
        // The row's "1" goes straight to the ProgID: the file in Plugin is not needed.
        QVERIFY(QFile::remove(site.pluginFolder() + QStringLiteral("/b_plugs.so")));
        plugintest::clearTrace();
        w.Cmd(1)->click();
    }
    objects::unregisterLibrary(registered);
    const QStringList t = plugintest::trace();
    QCOMPARE(calls(), (QStringList{"Alpha.Init", "Alpha.Run", "Alpha.Terminate"}));
    QVERIFY2(t.at(0).endsWith(QStringLiteral("zt_plugs_reg.so")), qPrintable(t.at(0)));
}

void tst_frmPluginRun::closeWritesTheExitRecord()
{
    Site site;
    QString why;
    QVERIFY2(site.open(Site::LoggedIn, &why), qPrintable(why));
    const int before = site.records().size();
    auto *w = new frmPluginRun(site.session());
    w->Py_Init(100027, QStringLiteral("插件管理"));
    w->show();
    QSignalSpy status(&site.session(), &Session::statusPrompt);
    w->Cmd(2)->click();
    QVERIFY(!w->isVisible());
    QCOMPARE(site.records().mid(before), QStringList{QStringLiteral("退出[插件管理]")});
    QCOMPARE(status.size(), 1);
    QVERIFY(!status.last().at(0).toString().contains(QStringLiteral("配置完成")));
    delete w;
    QCOMPARE(site.records().size(), before + 1); // once, not again when the window goes
}

// The demo's own plug-ins, as the program folder holds them, in the demo theme;
// the picture goes to ZENLO_SCREENSHOT_DIR when that is set.
void tst_frmPluginRun::demoPlugins()
{
    Site site(QStringLiteral("<caption>Zenlo企业管理系统</caption><subject>Zenlo软件</subject>"));
    const QDir built(QStringLiteral(ZENLO_PROGRAM_DIR "/Plugin"));
    const QStringList libraries = built.entryList({QStringLiteral("*.so")}, QDir::Files, QDir::Name);
    QCOMPARE(libraries, (QStringList{"zenlo_addins.so", "zenlo_startcheck.so", "zenlo_tools.so"}));
    for (const QString &name : libraries)
        QVERIFY(QFile::copy(built.filePath(name), site.pluginFolder() + QLatin1Char('/') + name));
    QString why;
    QVERIFY2(site.open(Site::LoggedIn, &why), qPrintable(why));
    site.session().sys->themeService()->LoadTheme(QStringLiteral("blue"), QStringLiteral(ZENLO_SOURCE_DIR "/themes/blue"));

    frmPluginRun w(site.session());
    QCOMPARE(rows(w), (QStringList{"结转会计期间|Zenlo软件|/Plugin/zenlo_addins.so|ZenloAddins.PeriodClose|PeriodClose|0",
                                   "数据库备份|Zenlo软件|/Plugin/zenlo_tools.so|ZenloTools.DbBackup|DbBackup|0",
                                   "导出操作日志|Zenlo软件|/Plugin/zenlo_tools.so|ZenloTools.OpLogExport|OpLogExport|0"}));
    QVERIFY(site.ui.messages.isEmpty());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.LV()->setCurrentItem(w.LV()->topLevelItem(1));
    QVERIFY(w.txtDescription()->toPlainText().startsWith(QStringLiteral("把账套数据库完整地备份")));
    if (const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(dir);
        QTest::qWait(50);
        w.grab().save(dir + QStringLiteral("/frmpluginrun-demo.png"));
    }
    w.close();
}

QTEST_MAIN(tst_frmPluginRun)
#include "tst_frmpluginrun.moc"
