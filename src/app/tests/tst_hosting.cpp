// From a menu click to a hosted component and back: the main window with
// function launch wired as the program wires it, on a demo site whose
// components/ folder holds stand-in components that speak the whole protocol.
#include "components/database.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxpilot.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "hosting/frmedit.h"
#include "hosting/functionhost.h"
#include "platform/appinfo.h"
#include "platform/objectfactory.h"
#include "workspace/frmmain.h"
#include "components/kx/picturebox.h"
#include "components/kx/kxvstab.h"
#include "components/kx/kxshadowlabel.h"
#include "core/tabkey.h"
#include "hosting/lockscreen.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "testsite.h"
#include "hosted_helper.h"
#include "testsupport.h"

using testsupport::TestSite;

namespace {

QStringList callsOf(QWidget *component)
{
    return component ? component->property("calls").toStringList() : QStringList();
}

QList<frmEdit *> editWindows()
{
    QList<frmEdit *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *e = qobject_cast<frmEdit *>(w); e && e->isVisible())
            out << e;
    return out;
}

} // namespace

class tst_Hosting : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void executeMenu_data();
    void executeMenu();
    void protocol_data();
    void protocol();
    void unsavedTabAsks();
    void reportButtons();
    void manyTabs();
    void pilotMapBoxRunsItsFunction();
    void oneHostAreaVisible();
    void closedTabsKeepEmptyHostAreas();
    void quitAsksAboutUnsavedWork_data();
    void quitAsksAboutUnsavedWork();
    void lockHidesEditWindows();
    void editWindowComponentFails_data();
    void editWindowComponentFails();
    void editWindowPlacedInTwips_data();
    void editWindowPlacedInTwips();
    void openRequestNeedsTheRight_data();
    void openRequestNeedsTheRight();
    void locationAndStatusFollowTheTab();

private:
    // The host areas shown now (of the function tabs) and whether the home area is.
    QList<int> visibleHostAreas() const;
    bool open(const QString &op = QStringLiteral("admin"), const QString &password = QString());
    QWidget *lastComponent() const { return m_host->component(m_window->currentHostIndex()); }

    std::unique_ptr<TestSite> m_site;
    std::unique_ptr<testsupport::RecordingUi> m_ui;
    frmMain *m_window = nullptr;
    FunctionHost *m_host = nullptr;
};

void tst_Hosting::init()
{
    m_ui = std::make_unique<testsupport::RecordingUi>();
}

void tst_Hosting::cleanup()
{
    for (frmEdit *e : editWindows())
        e->close();
    if (m_window)
        m_window->close(); // the log-out
    delete m_window;
    m_window = nullptr;
    bMain::LogOut();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_site.reset();
    m_ui.reset();
}

QList<int> tst_Hosting::visibleHostAreas() const
{
    QList<int> out;
    for (int n = 1; n < m_window->picHolder.size(); ++n)
        if (m_window->picHolder[n]->isVisible())
            out << n;
    return out;
}

bool tst_Hosting::open(const QString &op, const QString &password)
{
    m_site = std::make_unique<TestSite>();
    if (!m_site->ok())
        return false;
    const QString folder = m_site->programFolder() + QStringLiteral("/components");
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(ZT_COMPONENTS), folder + QStringLiteral("/zt_components.so"));
    appinfo::setProgramFolder(m_site->programFolder());
    objects::rescanComponents();
    auto db = m_site->connect();
    const char *rows[] = {
        "('T100', '单据', 'T', 'SY', 1, 1, 1, 3, 100, 9100, 0, '功能')",
        "('T105', '单据105', 'T', 'SY', 2, 1, 1, 3, 105, 9105, 0, '功能')",
        "('T101', '报表一', 'T', 'SY', 3, 1, 1, 3, 101, 9101, 0, '报表')",
        "('T103', '查询', 'T', 'SY', 4, 1, 1, 3, 103, 9103, 0, '功能')",
        "('T999', '未知', 'T', 'SY', 5, 1, 1, 3, 999, 9999, 0, '功能')",
        "('TF', '失败', 'T', 'SY', 6, 1, 1, 3, 100, 9001, 0, '功能')",
        "('TU', '自关', 'T', 'SY', 7, 1, 1, 3, 100, 9002, 0, '功能')",
        "('TX', '异常', 'T', 'SY', 8, 1, 1, 3, 100, 9003, 0, '功能')",
        "('TS', '窗口', 'T', 'SY', 9, 1, 1, 3, 100, 9200, 0, '功能')",
        "('T50', '插件', 'T', 'SY', 10, 1, 1, 3, 50, 12, 0, '功能')",
        "('TN', '目录', 'T', 'SY', 11, null, 1, 2, 0, null, 0, '目录')",
        "('TM', '消息', 'T', 'SY', 12, 1, 1, 3, 100, 9004, 0, '功能')",
        "('TY', '怪异', 'T', 'SY', 13, 1, 1, 3, 100, 9005, 0, '功能')",
        "('TA', '预警', 'T', 'SY', 14, 1, 1, 3, 220, 9006, 0, '功能')",
        // Edit windows (/s) whose component fails, and ones placed by /w /h /l /t in twips.
        "('TSX', '窗口异常', 'T', 'SY', 15, 1, 1, 3, 100, 9203, 0, '功能')",
        "('TSY', '窗口怪异', 'T', 'SY', 16, 1, 1, 3, 100, 9205, 0, '功能')",
        "('TSA', '窗口预警', 'T', 'SY', 17, 1, 1, 3, 220, 9206, 0, '功能')",
        "('TG1', '定位', 'T', 'SY', 18, 1, 1, 3, 100, 9210, 0, '功能')",
        "('TG2', '定宽', 'T', 'SY', 19, 1, 1, 3, 100, 9211, 0, '功能')",
        "('TG3', '零值', 'T', 'SY', 20, 1, 1, 3, 100, 9212, 0, '功能')",
        // Reports of the purchase catalog that get no button: switched off, not a major entry.
        "('010390', '停用报表', '0103', 'PU', 8, 1, 1, 3, 101, 2106, 1, '报表')",
        "('010391', '次要报表', '0103', 'PU', 9, 1, 0, 3, 101, 2106, 0, '报表')",
    };
    for (const char *r : rows) {
        if (!db->exec(QStringLiteral("insert into xt_menu(menucode, menuname, parent, systemcode, menuorder, menuismx, menuIsMajor, "
                                     "menulevel, menucatalog, progID, inActive, MenuType) values ")
                      + QString::fromUtf8(r)))
            return false;
    }
    if (!db->exec(QStringLiteral("insert into xt_objects(progID, systemcode, progCommandLine, progName) values "
                                 "(9200, 'SY', '/s /w:abc /h:-5', '窗口'), (9203, 'SY', '/s', '窗口异常'), "
                                 "(9205, 'SY', '/s', '窗口怪异'), (9206, 'SY', '/s', '窗口预警'), "
                                 "(9210, 'SY', '/s /w:7200 /h:4320 /l:1440 /t:720', '定位'), "
                                 "(9211, 'SY', '/s /w:2880', '定宽'), (9212, 'SY', '/s /w:0 /h:0 /l:0 /t:0', '零值')")))
        return false;
    // 李四 (02) may run the first document and the edit window, and nothing else of these.
    for (const int program : {9100, 9200}) {
        if (!db->exec(QStringLiteral("insert into sys_rights(opcode, progid, rights) values ('02', ?, 1)"), {program}))
            return false;
    }
    db.reset();

    if (!testsupport::openSession(m_site->configPath(), op, password))
        return false;
    Session &s = *Session::current();
    const apptest::HostedWindow w = apptest::showHostedWindow(s);
    m_window = w.window;
    m_host = w.host;
    return true;
}

// Each row runs one menu code and checks the message box, the tabs, the host and what the component saw.
void tst_Hosting::executeMenu_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("box");       // "" = none
    QTest::addColumn<bool>("executed");
    QTest::addColumn<int>("tabs");          // tabs afterwards (the home tab counts)
    QTest::addColumn<bool>("inEditWindow");
    QTest::addColumn<QString>("calls");     // the hosted component's record; "-" = none hosted
    QTest::addColumn<QString>("presented"); // a level-8 message shown, "" = none
    QTest::newRow("document in a tab") << "T100" << "" << true << 2 << false << "oedit.Py_Init(1,1,9100|0:int)" << "";
    QTest::newRow("105 as 100") << "T105" << "" << true << 2 << false << "oedit.Py_Init(1,1,9105|0:int)" << "";
    QTest::newRow("report gets its name") << "T101" << "" << true << 2 << false << "oReport.Py_Init(1,1,9101|报表一:QString)" << "";
    // The tab goes again and the message says why, in Chinese.
    QTest::newRow("no class for the ProgID") << "T103" << "" << true << 1 << false << "-"
                                             << "加载动态控件时出错:ActiveX 部件不能创建对象: LwReport.oEditRpt"
                                                "（没有提供这个类的组件库：未内置、未注册，components 文件夹中也没有）";
    QTest::newRow("unknown catalog: an empty tab") << "T999" << "" << true << 2 << false << "-" << "";
    QTest::newRow("Py_Init false stays hidden") << "TF" << "" << true << 2 << false << "oedit.Py_Init(1,1,9001|0:int)" << "";
    QTest::newRow("unload from inside Py_Init") << "TU" << "" << true << 1 << false << "-" << "";
    QTest::newRow("component throws") << "TX" << "" << true << 2 << false << "oedit.Py_Init(1,1,9003|0:int)"
                                      << "加载动态控件时出错:component exploded";
    QTest::newRow("component throws what is no std::exception") << "TY" << "" << true << 2 << false
                                                                << "oedit.Py_Init(1,1,9005|0:int)"
                                                                << "加载动态控件时出错:组件初始化时发生未知错误";
    QTest::newRow("a class that is no widget: the tab goes again") << "TA" << "" << true << 1 << false << "-"
                                                                   << "加载动态控件时出错:对象不支持该属性或方法: LwEdit.oalert";
    QTest::newRow("message from inside Py_Init") << "TM" << "" << true << 2 << false << "oedit.Py_Init(1,1,9004|0:int)" << "";
    QTest::newRow("switch s: an edit window") << "TS" << "" << true << 1 << true << "-" << "";
    QTest::newRow("catalog 50, another program") << "T50" << "" << true << 1 << false << "-" << "";
    QTest::newRow("menuIsMx null is a catalog") << "TN" << "" << true << 1 << false << "-" << "";
    QTest::newRow("no such entry") << "ZZ" << "当前菜单功能不存在！" << false << 1 << false << "-" << "";
    QTest::newRow("a quote in the code") << "T1'00" << "当前菜单功能不存在！" << false << 1 << false << "-" << "";
}

void tst_Hosting::executeMenu()
{
    QFETCH(QString, code);
    QFETCH(QString, box);
    QFETCH(bool, executed);
    QFETCH(int, tabs);
    QFETCH(bool, inEditWindow);
    QFETCH(QString, calls);
    QFETCH(QString, presented);
    QVERIFY(open());
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(code, inEdit, done);
    QCOMPARE(done, executed);
    QCOMPARE(inEdit, inEditWindow);
    QCOMPARE(m_window->tabCount(), tabs);
    QCOMPARE(m_ui->boxes.isEmpty() ? QString() : m_ui->boxes.first().text, box);
    if (!box.isEmpty())
        QCOMPARE(m_ui->boxes.first().title, QStringLiteral("提示："));
    QCOMPARE(m_ui->messageTexts(8).value(0), presented);
    QWidget *c = tabs > 1 ? lastComponent() : nullptr;
    QCOMPARE(c ? callsOf(c).join(QLatin1Char(';')) : QStringLiteral("-"), calls);
    if (c) {
        // Shown only when Py_Init succeeded.
        QCOMPARE(c->isVisibleTo(m_window), !(QStringList{"TF", "TX", "TY"}.contains(code)));
        QCOMPARE(c->objectName(), QStringLiteral("%1edit").arg(m_window->currentHostIndex()));
        QCOMPARE(m_window->tabKey(2), code + QStringLiteral("-1"));
    }
    if (inEditWindow) {
        const QList<frmEdit *> windows = editWindows();
        QCOMPARE(windows.size(), 1);
        QCOMPARE(windows.first()->windowTitle(), QStringLiteral("窗口"));
        // Width "abc" and height -5 keep the design size.
        QCOMPARE(windows.first()->normalGeometry().size(), QSize(960, 640));
        QCOMPARE(callsOf(windows.first()->moControl).value(0), QStringLiteral("oedit.Py_Init(1,1,9200|0:double,0:int,none)"));
        QCOMPARE(windows.first()->dataObject(), QVariant(QStringLiteral("data-back"))); // what the component handed back
        QVERIFY(windows.first()->panelText(QStringLiteral("user")).contains(QStringLiteral("admin")));
    }
    if (code == QLatin1String("TN"))
        QVERIFY(m_window->PicTable->isVisible());
    if (code == QLatin1String("TM"))
        QCOMPARE(m_window->lnkMessage->caption(), QStringLiteral("【Zenlo软件】starting"));
}

void tst_Hosting::protocol_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariantList>("params");
    QTest::addColumn<int>("tabs");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("editCalls"); // the edit window's component record, "" = no window
    QTest::addColumn<QString>("presented"); // a message the log service presented, "level text"
    QTest::newRow("message in capitals") << "MESSAGE" << QVariantList{QStringLiteral("保存完成")} << 2 << "" << "" << "";
    QTest::newRow("errmessage") << "errmessage" << QVariantList{QStringLiteral("数量必须大于零"), 4, QStringLiteral("单据")} << 2 << ""
                                << "" << "4 数量必须大于零";
    QTest::newRow("unload false keeps the tab") << "unload" << QVariantList{false} << 2 << "" << "" << "";
    QTest::newRow("unload true closes it") << "unload" << QVariantList{true} << 1 << "" << "" << "";
    QTest::newRow("detaile: a number, mode 3") << "detaile" << QVariantList{9100, QStringLiteral("12")} << 2 << ""
                                               << "oedit.Py_Init(1,1,9100|12:double,3:int,none)" << "";
    QTest::newRow("detailes: text through sParameters") << "detailes" << QVariantList{9100, QStringLiteral("A1")} << 2 << ""
                                                        << "oedit.Py_Init(1,1,9100|0:int,0:int,none);oedit.sParameters(sID=A1,203)" << "";
    QTest::newRow("filenew: mode 1") << "filenew" << QVariantList{9100} << 2 << "" << "oedit.Py_Init(1,1,9100|0:double,1:int,none)" << "";
    QTest::newRow("editform: data and mode") << "editform" << QVariantList{9100, 5, QStringLiteral("obj"), 2} << 2 << ""
                                             << "oedit.Py_Init(1,1,9100|5:double,2:int,obj:QString)" << "";
    QTest::newRow("no menu row") << "fileedit" << QVariantList{4242, 1} << 2 << "当前菜单不存在！" << "" << "";
    QTest::newRow("too few parameters") << "detaile" << QVariantList{9100} << 2 << "" << ""
                                        << "8 处理组件消息detaile时出错，原因：下标越界";
    QTest::newRow("unknown names are ignored") << "repaint" << QVariantList{} << 2 << "" << "" << "";
}

void tst_Hosting::protocol()
{
    QFETCH(QString, name);
    QFETCH(QVariantList, params);
    QFETCH(int, tabs);
    QFETCH(QString, box);
    QFETCH(QString, editCalls);
    QFETCH(QString, presented);
    QVERIFY(open());
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(QStringLiteral("T100"), inEdit, done);
    QPointer<QWidget> c = lastComponent();
    QVERIFY(c);
    QVERIFY(QMetaObject::invokeMethod(c, "send", Q_ARG(QString, name), Q_ARG(QVariantList, params)));
    QCOMPARE(m_window->tabCount(), tabs);
    QCOMPARE(m_ui->boxes.isEmpty() ? QString() : m_ui->boxes.first().text, box);
    const QList<frmEdit *> windows = editWindows();
    QCOMPARE(windows.isEmpty() ? QString() : callsOf(windows.first()->moControl).join(QLatin1Char(';')), editCalls);
    QString shown;
    for (const auto &m : m_ui->messages)
        shown = QString::number(m.level) + QLatin1Char(' ') + m.text;
    QCOMPARE(shown, presented);
    if (name == QLatin1String("MESSAGE"))
        QCOMPARE(m_window->lnkMessage->caption(), QStringLiteral("【Zenlo软件】保存完成"));
    if (tabs == 1) {
        QVERIFY(m_host->unloadFlag());
        QVERIFY(callsOf(c).contains(QStringLiteral("oedit.Clear")));
    } else if (name == QLatin1String("unload")) {
        QVERIFY(!m_host->unloadFlag());
    }
}

void tst_Hosting::unsavedTabAsks()
{
    QVERIFY(open());
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(QStringLiteral("T100"), inEdit, done);
    QWidget *c = lastComponent();
    c->setProperty("dirty", true);
    m_ui->answers << ui::No;
    m_host->closeFunctionTab(2);
    QCOMPARE(m_window->tabCount(), 2); // kept: the operator said no
    QCOMPARE(m_ui->boxes.size(), 1);
    QCOMPARE(m_ui->boxes.at(0).text, QStringLiteral("当前单据尚未保存，确定要关闭吗？"));
    QCOMPARE(m_ui->boxes.at(0).buttons(), int(ui::YesNo));
    m_ui->answers << ui::Yes;
    m_host->closeFunctionTab(2);
    QCOMPARE(m_ui->boxes.size(), 2); // asked again, and this time yes
    QCOMPARE(m_window->tabCount(), 1);
    m_host->closeFunctionTab(1); // the home tab never closes
    QCOMPARE(m_window->tabCount(), 1);
}

void tst_Hosting::reportButtons()
{
    QVERIFY(open());
    auto captions = [&] {
        QStringList out;
        for (const auto &b : m_host->reportButtons())
            out << b->caption();
        return out;
    };
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(QStringLiteral("01"), inEdit, done);
    QVERIFY(done);
    // The demo's purchase reports in menu order; the switched-off and the minor one get none.
    QCOMPARE(captions(), (QStringList{QStringLiteral("  采购明细表"), QStringLiteral("  采购汇总表"),
                                      QStringLiteral("  供应商对账单")}));
    // Every button lies inside the report column, also after the window narrows.
    for (int width : {1280, 1000}) {
        m_window->resize(width, 800);
        QTRY_COMPARE(m_window->width(), width);
        const QRect column = m_window->reportArea()->rect();
        for (const auto &b : m_host->reportButtons())
            QVERIFY2(column.contains(b->geometry()), qPrintable(QStringLiteral("%1 px: %2").arg(width).arg(b->caption())));
    }
    m_host->ExecuteMenu(QStringLiteral("02"), inEdit, done);
    QCOMPARE(captions(), (QStringList{QStringLiteral("  销售明细表"), QStringLiteral("  销售排行榜")})); // the first catalog's went
    // A report button runs its entry as a click would.
    const int before = m_window->tabCount();
    m_host->reportButtons().first()->click();
    QCOMPARE(m_window->tabCount(), before + 1);
}

void tst_Hosting::manyTabs()
{
    QVERIFY(open());
    for (int i = 0; i < 500; ++i) {
        bool inEdit = false, done = false;
        m_host->ExecuteMenu(QStringLiteral("T100"), inEdit, done);
        QVERIFY(done);
        if (i % 2)
            QVERIFY(QMetaObject::invokeMethod(lastComponent(), "send", Q_ARG(QString, QStringLiteral("unload")),
                                              Q_ARG(QVariantList, QVariantList{true})));
    }
    QCOMPARE(m_host->tabCounter(), 500);
    QCOMPARE(m_window->tabCount(), 1 + 250);
    // The keys keep growing: the same code opened twice gives two keys.
    QCOMPARE(m_window->tabKey(2), QStringLiteral("T100-1"));
    QCOMPARE(m_window->tabKey(3), QStringLiteral("T100-3"));
    QVERIFY(m_ui->boxes.isEmpty());
}

// A catalog entry shows its process map in the home area; pressing a box runs
// the box's function as a menu button would. With ZENLO_SCREENSHOT_DIR set the
// window before and after the press goes there.
void tst_Hosting::pilotMapBoxRunsItsFunction()
{
    QVERIFY(open());
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(QStringLiteral("0101"), inEdit, done);
    QVERIFY(done);
    QVERIFY(m_ui->boxes.isEmpty());
    QVERIFY(m_window->kxPilot.size() > 1);
    kxPilot *box = m_window->kxPilot[1];
    QCOMPARE(box->tag(), QStringLiteral("010101"));
    QVERIFY(box->isVisible());
    const QString shots = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        QCoreApplication::processEvents();
        m_window->grab().save(shots + QStringLiteral("/pilotmap-home-0101.png"));
    }
    const int before = m_window->tabCount();
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(m_window->tabCount(), before + 1);
    QVERIFY(m_window->tabKey(m_window->tabCount()).startsWith(QStringLiteral("010101-")));
    QVERIFY(lastComponent());
    if (!shots.isEmpty()) {
        QCoreApplication::processEvents();
        m_window->grab().save(shots + QStringLiteral("/pilotmap-box-pressed-010101.png"));
    }
}


// Whatever makes a tab active, exactly one page shows: the active tab's host
// area, or the home area for the home tab.
void tst_Hosting::oneHostAreaVisible()
{
    QVERIFY(open());
    for (int i = 0; i < 30; ++i) {
        bool inEdit = false, done = false;
        m_host->ExecuteMenu(QStringLiteral("T100"), inEdit, done);
        QVERIFY(done);
        QCOMPARE(visibleHostAreas(), QList<int>{i + 1});
        QVERIFY(!m_window->PicTable->isVisible());
    }
    QCOMPARE(m_window->tabCount(), 31);
    auto expectTab = [&](int tab) {
        QCOMPARE(m_window->activeTab(), tab);
        if (tab == 1) {
            QVERIFY(visibleHostAreas().isEmpty());
            QVERIFY(m_window->PicTable->isVisible());
        } else {
            QCOMPARE(visibleHostAreas(), QList<int>{int(tabkey::hostIndex(m_window->tabKey(tab)).value_or(-1))});
            QVERIFY(!m_window->PicTable->isVisible());
        }
        // Only the area shown takes updates: a layout pass that freezes the window's
        // painting walks its widgets, not those of every tab.
        QList<int> wrong;
        for (int n = 1; n < m_window->picHolder.size(); ++n)
            if (m_window->picHolder[n]->updatesEnabled() != m_window->picHolder[n]->isVisible())
                wrong << n;
        QCOMPARE(wrong, QList<int>{});
    };
    m_window->activateTab(5); // a click
    expectTab(5);
    m_window->stepTab(1); // Ctrl+Tab
    expectTab(6);
    m_window->resize(m_window->size() + QSize(40, 30)); // a layout pass with painting frozen
    QCoreApplication::processEvents();
    expectTab(6);
    m_window->activateTab(1); // home
    expectTab(1);
    m_window->activateTab(31);
    m_host->closeFunctionTab(31); // the active one: its left neighbour shows
    expectTab(30);
    QCOMPARE(m_window->tabKey(10), QStringLiteral("T100-9"));
    QVERIFY(m_host->component(9));
    m_host->closeFunctionTab(10); // another one: the active stays
    expectTab(29);
    QVERIFY(!m_window->picHolder[9]->isVisible());
    QCOMPARE(m_window->picHolder.size(), 31); // closed tabs keep their (empty) host areas
    QVERIFY(!m_host->component(9));
    m_window->closeTabs(frmMain::TabClose::All, 1);
    expectTab(1);
}

// Closed tabs keep an empty, hidden host area of their own under its name, also
// after the last one closes, when they are made again together.
void tst_Hosting::closedTabsKeepEmptyHostAreas()
{
    QVERIFY(open());
    for (int i = 1; i <= 6; ++i) {
        bool inEdit = false, done = false;
        m_host->ExecuteMenu(QStringLiteral("T100"), inEdit, done);
        QVERIFY(done);
        QVERIFY(m_host->component(i));
    }
    QList<QPointer<PictureBox>> areas;
    for (int n = 1; n <= 6; ++n)
        areas << m_window->picHolder[n];
    m_window->closeTabs(frmMain::TabClose::All, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    for (const QPointer<PictureBox> &old : std::as_const(areas))
        QVERIFY(!old); // made again together once no function tab is open
    QCOMPARE(m_window->picHolder.size(), 7);
    for (int n = 1; n <= 6; ++n) {
        PictureBox *area = m_window->picHolder[n];
        QCOMPARE(area->objectName(), QStringLiteral("picHolder%1").arg(n));
        QCOMPARE(area->parentWidget(), m_window->picHolder[0]->parentWidget());
        QVERIFY(!area->isVisible());
        QVERIFY(area->children().isEmpty());
        QCOMPARE(m_window->findChildren<PictureBox *>(area->objectName()).size(), 1);
    }
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(QStringLiteral("T100"), inEdit, done);
    QVERIFY(done);
    QCOMPARE(m_window->picHolder.size(), 8);
    QCOMPARE(visibleHostAreas(), QList<int>{7});
    QVERIFY(m_host->component(7));
    QCOMPARE(m_host->component(7)->parentWidget(), m_window->picHolder[7]);
    QCOMPARE(m_host->component(7)->objectName(), QStringLiteral("7edit"));
}

// Closing the main window asks once about every unsaved document of its tabs
// and edit windows; No keeps everything open.
void tst_Hosting::quitAsksAboutUnsavedWork_data()
{
    QTest::addColumn<QString>("dirty");  // per tab T100, T105 and the edit window: d dirty, t throws, - clean
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question"); // "" when nothing is asked
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("tabGoes"); // T105's tab is closed while the question is up
    const QString both = QStringLiteral("以下单据尚未保存：单据 PO202612160；单据105。确定要退出吗？");
    QTest::newRow("nothing unsaved") << "---" << int(ui::No) << QString() << true << false;
    QTest::newRow("two unsaved, No") << "dd-" << int(ui::No) << both << false << false;
    QTest::newRow("two unsaved, Yes") << "dd-" << int(ui::Yes) << both << true << false;
    QTest::newRow("edit window") << "--d" << int(ui::No)
                                 << QStringLiteral("以下单据尚未保存：窗口。确定要退出吗？") << false << false;
    QTest::newRow("a component that cannot tell") << "t--" << int(ui::No)
                                                  << QStringLiteral("以下单据尚未保存：单据（无法确认是否已保存）。确定要退出吗？")
                                                  << false << false;
    QTest::newRow("a tab closed meanwhile, No") << "dd-" << int(ui::No) << both << false << true;
    QTest::newRow("a tab closed meanwhile, Yes") << "dd-" << int(ui::Yes) << both << true << true;
}

void tst_Hosting::quitAsksAboutUnsavedWork()
{
    QFETCH(QString, dirty);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(bool, closed);
    QFETCH(bool, tabGoes);
    QVERIFY(open());
    QList<QPointer<QWidget>> components;
    for (const char *code : {"T100", "T105", "TS"}) {
        bool inEdit = false, done = false;
        m_host->ExecuteMenu(QString::fromLatin1(code), inEdit, done);
        QVERIFY(done);
        components << (inEdit ? editWindows().value(0)->moControl.data() : lastComponent());
    }
    components[0]->setProperty("work", QStringLiteral("单据 PO202612160"));
    for (int i = 0; i < 3; ++i) {
        components[i]->setProperty("dirty", dirty.at(i) == u'd');
        components[i]->setProperty("answerThrows", dirty.at(i) == u't');
    }
    m_ui->answers << answer;
    if (tabGoes) // as a component's own timer may close its tab during the question's event loop
        m_ui->whileShown = [this] {
            m_ui->answers.prepend(ui::Yes); // the tab's own question: closed without saving
            m_host->closeFunctionTab(3);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
    QCOMPARE(m_window->close(), closed);
    QCOMPARE(m_ui->boxes.isEmpty() ? QString() : m_ui->boxes.first().text, question);
    if (!question.isEmpty()) {
        QCOMPARE(m_ui->boxes.size(), tabGoes ? 2 : 1);
        if (tabGoes)
            QCOMPARE(m_ui->boxes.at(1).text, QStringLiteral("当前单据尚未保存，确定要关闭吗？"));
        QCOMPARE(m_ui->boxes.first().buttons(), int(ui::YesNo));
        QVERIFY(m_ui->boxes.first().style & ui::DefaultButton2); // No is the default
    }
    if (!closed) {
        QCOMPARE(m_window->tabCount(), tabGoes ? 2 : 3);
        QCOMPARE(components[1].isNull(), tabGoes);
        QVERIFY(m_window->isVisible());
        QCOMPARE(editWindows().size(), 1);
        QVERIFY(Session::current() && Session::current()->op); // not logged out
        for (QWidget *c : components)
            if (c)
                c->setProperty("answerThrows", false), c->setProperty("dirty", false);
    }
}

// While locked the program's other windows are out of sight and take no input;
// the right password brings them back.
void tst_Hosting::lockHidesEditWindows()
{
    QVERIFY(open());
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(QStringLiteral("TS"), inEdit, done);
    QVERIFY(inEdit);
    frmEdit *edit = editWindows().value(0);
    QVERIFY(edit);
    m_host->headerButtonClick(1);
    QVERIFY(m_host->isLocked());
    QVERIFY(!edit->isVisible());
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QVERIFY(!QApplication::sendEvent(edit->moControl, &key) || !edit->isVisible());
    m_host->lockScreen()->txtPassword->setText(QString()); // admin's password is empty
    m_host->headerButtonClick(3);
    QVERIFY(!m_host->isLocked());
    QVERIFY(edit->isVisible());
}

// A component that fails in an edit window leaves the window empty with the
// reason as a message; the program goes on (the next function opens).
void tst_Hosting::editWindowComponentFails_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("created"); // whether there is a (hidden) component
    QTest::addColumn<QString>("presented");
    QTest::newRow("throws a std::exception") << "TSX" << "窗口异常" << true << "加载动态控件时出错:component exploded";
    QTest::newRow("throws what is no std::exception") << "TSY" << "窗口怪异" << true
                                                       << "加载动态控件时出错:组件初始化时发生未知错误";
    QTest::newRow("a class that is no widget") << "TSA" << "窗口预警" << false
                                               << "加载动态控件时出错:对象不支持该属性或方法: LwEdit.oalert";
}

void tst_Hosting::editWindowComponentFails()
{
    QFETCH(QString, code);
    QFETCH(QString, title);
    QFETCH(bool, created);
    QFETCH(QString, presented);
    QVERIFY(open());
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(code, inEdit, done);
    QVERIFY(done);
    QVERIFY(inEdit);
    QCOMPARE(m_ui->messageTexts(8), QStringList{presented});
    QVERIFY(m_ui->boxes.isEmpty());
    const QList<frmEdit *> windows = editWindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows.first()->windowTitle(), title);
    QCOMPARE(bool(windows.first()->moControl), created);
    if (created)
        QVERIFY(!windows.first()->moControl->isVisible());
    QCOMPARE(m_window->tabCount(), 1);
    inEdit = done = false;
    m_host->ExecuteMenu(QStringLiteral("T100"), inEdit, done);
    QCOMPARE(m_window->tabCount(), 2);
    QCOMPARE(callsOf(lastComponent()), QStringList{QStringLiteral("oedit.Py_Init(1,1,9100|0:int)")});
}

// /w /h /l /t of a program's command line are twips (1440 to the inch): at 96
// dots per inch 7200 x 4320 twips are 480 x 288 pixels, 1440 and 720 are 96 and
// 48. A value that is absent or 0 keeps the window's own.
void tst_Hosting::editWindowPlacedInTwips_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("at"); // (-1, -1): wherever the window was
    QTest::newRow("all four") << "TG1" << QSize(480, 288) << QPoint(96, 48);
    QTest::newRow("width only") << "TG2" << QSize(192, 640) << QPoint(-1, -1);
    QTest::newRow("zeros keep the design") << "TG3" << QSize(960, 640) << QPoint(-1, -1);
}

void tst_Hosting::editWindowPlacedInTwips()
{
    QFETCH(QString, code);
    QFETCH(QSize, size);
    QFETCH(QPoint, at);
    QVERIFY(open());
    QCOMPARE(m_window->logicalDpiX(), 96); // the values above are for 96 dpi
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(code, inEdit, done);
    QVERIFY(inEdit);
    const QList<frmEdit *> windows = editWindows();
    QCOMPARE(windows.size(), 1);
    // Shown maximized afterwards: the placement is the window's normal geometry.
    const QRect placed = windows.first()->normalGeometry();
    QCOMPARE(placed.size(), size);
    if (at != QPoint(-1, -1))
        QCOMPARE(placed.topLeft(), at);
}

// A component may ask for another program only when its operator may run that
// one: 李四 runs the first document and the edit window, not 9105.
void tst_Hosting::openRequestNeedsTheRight_data()
{
    QTest::addColumn<QString>("from"); // the menu code whose component asks
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariantList>("params");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("opened"); // the new edit window's component record, "" = none
    const QString refused = QStringLiteral("当前菜单没有操作权限！");
    QTest::newRow("detaile of a program without the right") << "T100" << "detaile" << QVariantList{9105, QStringLiteral("12")}
                                                            << refused << "";
    QTest::newRow("filenew of a program without the right") << "T100" << "filenew" << QVariantList{9105} << refused << "";
    QTest::newRow("editform of a program without the right")
        << "T100" << "editform" << QVariantList{9105, 5, QStringLiteral("obj"), 2} << refused << "";
    QTest::newRow("from an edit window") << "TS" << "detailes" << QVariantList{9105, QStringLiteral("A1")} << refused << "";
    QTest::newRow("detaile of a program with the right") << "T100" << "detaile" << QVariantList{9100, QStringLiteral("12")}
                                                         << "" << "oedit.Py_Init(1,1,9100|12:double,3:int,none)";
}

void tst_Hosting::openRequestNeedsTheRight()
{
    QFETCH(QString, from);
    QFETCH(QString, name);
    QFETCH(QVariantList, params);
    QFETCH(QString, box);
    QFETCH(QString, opened);
    QVERIFY(open(QStringLiteral("李四"), QStringLiteral("li4")));
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(from, inEdit, done);
    QVERIFY(done);
    QPointer<QWidget> asking = inEdit ? editWindows().value(0)->moControl.data() : lastComponent();
    QVERIFY(asking);
    const int windowsBefore = editWindows().size();
    QVERIFY(QMetaObject::invokeMethod(asking, "send", Q_ARG(QString, name), Q_ARG(QVariantList, params)));
    QCOMPARE(m_ui->boxes.isEmpty() ? QString() : m_ui->boxes.first().text, box);
    QList<frmEdit *> windows = editWindows();
    QCOMPARE(windows.size(), windowsBefore + (opened.isEmpty() ? 0 : 1));
    if (!opened.isEmpty()) // asked from a tab: the only edit window is the new one
        QCOMPARE(callsOf(windows.first()->moControl).join(QLatin1Char(';')), opened);
}

// The location and status lines describe the tab shown, after a switch and a close.
void tst_Hosting::locationAndStatusFollowTheTab()
{
    QVERIFY(open());
    const QString where = QStringLiteral("当前位置：") + m_window->activeCatalogCaption() + QStringLiteral(" -> ");
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(QStringLiteral("T100"), inEdit, done);
    QVERIFY(QMetaObject::invokeMethod(lastComponent(), "send", Q_ARG(QString, QStringLiteral("message")),
                                      Q_ARG(QVariantList, QVariantList{QStringLiteral("单据：3 条记录")})));
    m_host->ExecuteMenu(QStringLiteral("TM"), inEdit, done); // says "starting" while it starts
    QCOMPARE(m_window->lbl[1]->caption(), where + QStringLiteral("消息"));
    QCOMPARE(m_window->lnkMessage->caption(), QStringLiteral("【Zenlo软件】starting"));
    m_window->activateTab(2);
    QCOMPARE(m_window->lbl[1]->caption(), where + QStringLiteral("单据"));
    QCOMPARE(m_window->lnkMessage->caption(), QStringLiteral("【Zenlo软件】单据：3 条记录"));
    m_window->activateTab(3);
    QCOMPARE(m_window->lbl[1]->caption(), where + QStringLiteral("消息"));
    m_host->closeFunctionTab(3);
    QCOMPARE(m_window->lbl[1]->caption(), where + QStringLiteral("单据"));
    QCOMPARE(m_window->lnkMessage->caption(), QStringLiteral("【Zenlo软件】单据：3 条记录"));
    m_host->closeFunctionTab(2); // the home area again, with the catalog it shows
    QCOMPARE(m_window->lbl[1]->caption(), QStringLiteral("当前位置：采购管理 -> 采购管理"));
    QCOMPARE(m_window->lnkMessage->caption(), QStringLiteral("【Zenlo软件】就绪"));
}

QTEST_MAIN(tst_Hosting)
#include "tst_hosting.moc"
