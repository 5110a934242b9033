// The start-up sequence end to end: configuration, database, system services,
// login, splash and main window, and every way it can end early.
#include "app/bmain.h"
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "app/frmsplash.h"
#include "app/widgetui.h"
#include "components/kx/kximagebutton.h"
#include "login/frmlogin.h"
#include "platform/settings.h"
#include "workspace/frmmain.h"
#include "platform/timing.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QLoggingCategory>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "testsite.h"
#include "modal.h"
#include "testsupport.h"

using testsupport::TestSite;

namespace {

QStringList g_logoutSteps;
QtMessageHandler g_previousHandler = nullptr;

void captureLogout(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (ctx.category && QByteArray(ctx.category) == "zenlo.session" && msg.startsWith(QLatin1String("log-out:"))) {
        g_logoutSteps << msg.mid(9).trimmed().remove(QLatin1Char('"'));
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, ctx, msg);
}

QString logText(const TestSite &site)
{
    LogService::instance().flush();
    return QString::fromUtf8(testsupport::readFile(site.programFolder() + QStringLiteral("/log/zenlo.log")));
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void failures_data();
    void failures();
    void singleInstance_data();
    void singleInstance();
    void configPath_data();
    void configPath();
    void loginThroughTheWindow_data();
    void loginThroughTheWindow();
    void mssqlUnreachable();
    void splashAndAlertWindow_data();
    void splashAndAlertWindow();
    void unknownDriverIsReportedByTheComponent();
    void qtTextsInChinese();

private:
    testsupport::RecordingUi *m_ui = nullptr;
    bMain::Wiring m_wiring;
};

void tst_Startup::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("zenlo.session.debug=true"));
    g_previousHandler = qInstallMessageHandler(captureLogout);
}

void tst_Startup::init()
{
    m_ui = new testsupport::RecordingUi;
    g_logoutSteps.clear();
    m_wiring = bMain::Wiring{};
}

void tst_Startup::cleanup()
{
    bMain::LogOut();
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    delete m_ui;
    m_ui = nullptr;
    m_wiring = bMain::Wiring{};
}

// Each row prepares an installation the way the name says, runs the start-up with
// a login that answers as the row wants, and checks what the operator saw and
// what the log-out released.
void tst_Startup::failures_data()
{
    QTest::addColumn<int>("driver");
    QTest::addColumn<QString>("setup");
    // "" = no message box; "~a|b" = a text holding each part (a server's own wording);
    // PATH is the configuration file, PROGRAM the program folder.
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QString>("boxTitle");
    QTest::addColumn<int>("boxIcon");
    QTest::addColumn<QString>("logged"); // a line the log must hold
    QTest::addColumn<QStringList>("released");
    QTest::addColumn<bool>("running");

    const QStringList dbOnly{"database", "log configuration", "configuration"};
    const QStringList all{"sign off", "database", "operator", "system services", "log configuration", "configuration"};
    const QStringList allWithRecord = QStringList{"operation record"} + all;
    for (int d : {int(TestSite::SQLite), int(TestSite::PostgreSQL)}) {
        const QString p = d == TestSite::SQLite ? QStringLiteral("sqlite: ") : QStringLiteral("postgres: ");
        QTest::newRow(qPrintable(p + "configuration file missing"))
            << d << "no config" << QString::fromUtf8("找不到参数文件，软件不能继续运行！\r\n\r\n参数文件：PATH") << QString::fromUtf8("错误：") << 16 << ""
            << QStringList{} << false;
        QTest::newRow(qPrintable(p + "configuration not well-formed"))
            << d << "broken config" << "PATH" + QString::fromUtf8("程序错误，初始化参数文件出错!\r\n\r\n文件不是格式正确的 XML：第 2 行第 28 列有错误")
            << QString::fromUtf8("错误：") << 16 << "" << QStringList{} << false;
        QTest::newRow(qPrintable(p + "configuration in GBK declared UTF-8"))
            << d << "gbk config"
            << "PATH" + QString::fromUtf8("程序错误，初始化参数文件出错!\r\n\r\n文件声明的编码是“utf-8”，但第 65 字节起的内容不是 UTF-8 文字；"
                                          "请把文件存为 UTF-8，或声明它真正的编码（如 gbk）")
            << QString::fromUtf8("错误：") << 16 << "" << QStringList{} << false;
        QTest::newRow(qPrintable(p + "unknown driver: no message"))
            << d << "unknown driver" << "" << "" << 0 << "" << dbOnly << false;
        QTest::newRow(qPrintable(p + "database without the tables"))
            << d << "no tables" << QString::fromUtf8("~系统表不存在或无法读取：|sys_operator") << QString::fromUtf8("提示：") << 48 << "" << all << false;
        QTest::newRow(qPrintable(p + "wrong password"))
            << d << "wrong password" << "" << "" << 0 << QString::fromUtf8("操作员admin登录失败") << allWithRecord << false;
        QTest::newRow(qPrintable(p + "login cancelled"))
            << d << "cancel" << "" << "" << 0 << QString::fromUtf8("操作员登录失败") << all << false;
        QTest::newRow(qPrintable(p + "logged in with the name taken away"))
            << d << "empty name" << "" << "" << 0 << QString::fromUtf8("操作员已取消登录") << all << false;
        QTest::newRow(qPrintable(p + "run-time error in a step"))
            << d << "throw" << QString::fromUtf8("主程序执行过程中发生错误\r\n\r\n正在运行<初始化插件>...;错误原因:plug-in exploded")
            << QString::fromUtf8("错误:") << 16 << "" << QStringList{"configuration"} << false;
        QTest::newRow(qPrintable(p + "admin logs in"))
            << d << "admin" << "" << "" << 0 << QString::fromUtf8("成功登录[示范贸易有限公司]！登录时间:")
            << allWithRecord + QStringList{"main window"} << true;
    }
    QTest::newRow("sqlite: database file missing")
        << int(TestSite::SQLite) << "missing file" << QString::fromUtf8("数据库文件不存在: PROGRAM/nothing.db") << QString::fromUtf8("错误") << 16
        << QString::fromUtf8("无法连接数据库：数据库文件不存在: PROGRAM/nothing.db") << dbOnly << false;
    QTest::newRow("sqlite: database file corrupt")
        << int(TestSite::SQLite) << "corrupt file" << QString::fromUtf8("无法打开数据库 PROGRAM/demo/site.db: file is not a database")
        << QString::fromUtf8("错误") << 16 << "" << dbOnly << false;
    QTest::newRow("sqlite: database file empty")
        << int(TestSite::SQLite) << "empty file" << QString::fromUtf8("系统表不存在或无法读取：no such table: sys_operator")
        << QString::fromUtf8("提示：") << 48 << "" << all << false;
    QTest::newRow("postgres: server unreachable")
        << int(TestSite::PostgreSQL) << "unreachable" << "~127.0.0.1|Connection refused" << QString::fromUtf8("错误") << 16 << "" << dbOnly << false;
}

void tst_Startup::failures()
{
    QFETCH(int, driver);
    QFETCH(QString, setup);
    QFETCH(QString, boxText);
    QFETCH(QString, boxTitle);
    QFETCH(int, boxIcon);
    QFETCH(QString, logged);
    QFETCH(QStringList, released);
    QFETCH(bool, running);

    QString why;
    if (driver == TestSite::PostgreSQL && !TestSite::postgresAvailable(&why)) {
        if (TestSite::postgresRequired())
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }
    TestSite site(TestSite::Driver(driver), setup != "no tables");
    QVERIFY2(site.ok(), qPrintable(site.error()));

    if (setup == "no config") {
        QFile::remove(site.configPath());
    } else if (setup == "broken config") {
        testsupport::writeFile(site.configPath(), "<configuration>\n<system><caption>x</caption>");
    } else if (setup == "gbk config") {
        // 示范 in GBK bytes under a UTF-8 declaration: CA BE happens to be valid UTF-8, B7 (the 65th byte) is not.
        testsupport::writeFile(site.configPath(), "<?xml version=\"1.0\" encoding=\"utf-8\"?><configuration><caption>\xCA\xBE\xB7\xB6</caption></configuration>");
    } else if (setup == "unknown driver") {
        site.writeConfig(QString(), QStringLiteral("<database driver=\"oracle\"><database>x</database></database>"));
    } else if (setup == "missing file") {
        site.writeConfig(QString(), QStringLiteral("<database driver=\"sqlite\"><database>%1/nothing.db</database></database>").arg(site.programFolder()));
    } else if (setup == "corrupt file") {
        QVERIFY(testsupport::writeFile(site.databaseFile(), QByteArray(4096, '\x5a')));
    } else if (setup == "empty file") {
        QVERIFY(testsupport::writeFile(site.databaseFile(), QByteArray()));
    } else if (setup == "no tables" && driver == TestSite::SQLite) {
        auto db = std::make_unique<Database>();
        ConnectionSettings s;
        s.driver = QStringLiteral("sqlite");
        s.database = site.databaseFile();
        s.createIfMissing = true;
        QVERIFY(db->Init(s) && db->Connect());
        QVERIFY(db->exec(QStringLiteral("create table other(x integer)")));
    } else if (setup == "unreachable") {
        site.writeConfig(QString(), QStringLiteral("<database driver=\"postgres\"><server>127.0.0.1</server><port>1</port>"
                                                   "<database>x</database><user>nobody</user></database>"));
    } else if (setup == "throw") {
        m_wiring.runPlugins = [](Session &, int stage) {
            if (stage == 100)
                throw std::runtime_error("plug-in exploded");
        };
    }

    m_wiring.showLogin = [setup](Session &) {
        Operator *op = testsupport::session().op.get();
        if (setup == "wrong password") {
            op->setName(QStringLiteral("admin"));
            QVERIFY(!op->VerifyPassword(QStringLiteral("not the password")));
        } else if (setup == "cancel") {
            op->setName(QString());
        } else {
            op->setName(QStringLiteral("admin"));
            QVERIFY(op->VerifyPassword(QString()));
            if (setup == "empty name")
                op->setName(QString());
        }
    };

    const bool result = bMain::Main(QStringList{}, m_wiring);
    QCOMPARE(result, running);

    if (boxText.isEmpty()) {
        QVERIFY2(m_ui->boxes.isEmpty(), qPrintable(m_ui->boxes.isEmpty() ? QString() : m_ui->boxes.first().text));
    } else {
        QCOMPARE(m_ui->boxes.size(), 1);
        const testsupport::ShownBox box = m_ui->boxes.first();
        const QString expected =
            QString(boxText).replace(QLatin1String("PATH"), site.configPath()).replace(QLatin1String("PROGRAM"), site.programFolder());
        if (expected.startsWith(u'~')) {
            for (const QString &part : expected.mid(1).split(u'|'))
                QVERIFY2(box.text.contains(part), qPrintable(box.text + QStringLiteral(" lacks ") + part));
        } else {
            QCOMPARE(box.text, expected);
        }
        QCOMPARE(box.title, boxTitle);
        QCOMPARE(box.icon(), boxIcon);
    }
    if (!logged.isEmpty())
        QVERIFY2(logText(site).contains(QString(logged).replace(QLatin1String("PROGRAM"), site.programFolder())),
                 qPrintable(logText(site).right(800)));

    if (running) {
        QVERIFY(Session::current() && Session::current()->mainWindow());
        QPointer<QWidget> window = Session::current()->mainWindow()->widget();
        QVERIFY(window->isVisible());
        QCOMPARE(testsupport::session().sys->companyInfo().get(CompanyInfo::CoName), QString::fromUtf8("示范贸易有限公司"));
        QCOMPARE(testsupport::session().sys->environment()->tempFolder(), site.programFolder() + QStringLiteral("/temp/"));
        bMain::LogOut();
        // The session owned the main window: it goes once the events run.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }
    QCOMPARE(g_logoutSteps, released);
    QVERIFY(!Session::current()); // the log-out ended the session

    if (running) {
        // Both records reached the operation-log table.
        auto db = site.connect();
        QVERIFY(db);
        RecordSetPtr rs = db->OpenRecordset(QStringLiteral("select opname, progid, message from sys_oplog order by id"));
        QStringList messages;
        for (; !rs->isEOF(); rs->moveNext()) {
            QCOMPARE(rs->text("opname"), QStringLiteral("admin"));
            QCOMPARE(rs->field("progid").toInt(), 0);
            messages << rs->text("message");
        }
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages.at(0).startsWith(QString::fromUtf8("成功登录[示范贸易有限公司]！登录时间:")));
        QVERIFY(messages.at(0).contains(QString::fromUtf8(" 主控台版本:")));
        QVERIFY(messages.at(0).endsWith(QString::fromUtf8(" 安装版本:")));
        QCOMPARE(messages.at(1), QString::fromUtf8("正在注销用户并退出系统！"));
    }
}

void tst_Startup::singleInstance_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("refused");
    QTest::newRow("false refuses") << "/MultiThread:false" << true;
    QTest::newRow("FALSE does not") << "/MultiThread:FALSE" << false;
    QTest::newRow("0 does not") << "/MultiThread:0" << false;
    QTest::newRow("name in capitals, value false") << "/MULTITHREAD:false" << true;
    QTest::newRow("absent") << "" << false;
}

void tst_Startup::singleInstance()
{
    QFETCH(QString, option);
    QFETCH(bool, refused);
    TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    // A second process of this very executable stands for the earlier instance.
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZENLO_TEST_IDLE"), QStringLiteral("1"));
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(other.waitForStarted());
    m_wiring.showLogin = [](Session &) { testsupport::session().op->setName(QString()); };
    bMain::Main(option.isEmpty() ? QStringList{} : QStringList{option}, m_wiring);
    other.kill();
    other.waitForFinished();
    const bool sawRefusal = !m_ui->boxes.isEmpty() && m_ui->boxes.first().text == QString::fromUtf8("程序正在运行，不能启动另一个主窗体");
    QCOMPARE(sawRefusal, refused);
    if (refused) {
        QCOMPARE(m_ui->boxes.first().title, QString::fromUtf8("提示："));
        QCOMPARE(m_ui->boxes.first().icon(), 64);
        QVERIFY(g_logoutSteps.isEmpty()); // refused before anything was created
    }
}

void tst_Startup::configPath_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("file"); // relative to the program folder; "" = the default name
    QTest::newRow("default name") << "" << "";
    QTest::newRow("name only: from the program folder") << "/cfg:other.config" << "other.config";
    QTest::newRow("app.path macro") << "/cfg:%APP.PATH%/sub/third.config" << "sub/third.config";
    QTest::newRow("dash form") << "-cfg sub/third.config" << "sub/third.config";
}

void tst_Startup::configPath()
{
    QFETCH(QString, argument);
    QFETCH(QString, file);
    TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    if (!file.isEmpty()) {
        QDir().mkpath(QFileInfo(site.programFolder() + "/" + file).absolutePath());
        QVERIFY(QFile::rename(site.configPath(), site.programFolder() + "/" + file));
    }
    m_wiring.showLogin = [](Session &) { testsupport::session().op->setName(QString()); };
    QStringList args = QProcess::splitCommand(argument);
    bMain::Main(args, m_wiring);
    // The configuration was found and loaded: the start-up reached the login.
    QVERIFY2(m_ui->boxes.isEmpty(), qPrintable(m_ui->boxes.isEmpty() ? QString() : m_ui->boxes.first().text));
    QVERIFY(g_logoutSteps.contains(QStringLiteral("configuration")));
    QVERIFY(g_logoutSteps.contains(QStringLiteral("system services")));
}

void tst_Startup::loginThroughTheWindow_data()
{
    QTest::addColumn<int>("driver");
    QTest::newRow("sqlite") << int(TestSite::SQLite);
    QTest::newRow("postgres") << int(TestSite::PostgreSQL);
}

// The real login window, answered the way an operator would.
void tst_Startup::loginThroughTheWindow()
{
    QFETCH(int, driver);
    QString why;
    if (driver == TestSite::PostgreSQL && !TestSite::postgresAvailable(&why)) {
        if (TestSite::postgresRequired())
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }
    TestSite site{TestSite::Driver(driver)};
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const auto answered = testsupport::whenModal<frmLogin>([this](frmLogin *login) {
        login->CobUser->setEditText(QString::fromUtf8("张三"));
        login->Txt2->setText(QStringLiteral("wrong"));
        QTest::mouseClick(login->XPCmdOk, Qt::LeftButton);
        QVERIFY(login->isVisible()); // a wrong password keeps the window open
        // Again with Enter, the program's own box acknowledged with Enter: the password box has
        // the focus back, its text selected for typing again.
        WidgetUi real;
        ui::install(&real);
        QStringList shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown << box->text();
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        poll.start(10);
        login->Txt2->setText(QStringLiteral("wrong again"));
        QTest::keyClick(login->Txt2, Qt::Key_Return);
        poll.stop();
        ui::install(m_ui);
        QCOMPARE(shown, QStringList{QStringLiteral("操作员张三不存在或密码错误")});
        QTRY_COMPARE(login->focusWidget(), static_cast<QWidget *>(login->Txt2));
        QCOMPARE(login->Txt2->selectedText(), QStringLiteral("wrong again"));
        // Enter on 保存密码 logs in as Enter on the password does.
        login->Txt2->setText(QStringLiteral("zhang3"));
        login->chkRemberme->setFocus();
        QTest::keyClick(login->chkRemberme, Qt::Key_Return);
    });
    const QFont programFont = QApplication::font();
    QVERIFY(bMain::Main(QStringList{}, m_wiring));
    QVERIFY(*answered);
    QCOMPARE(QApplication::font(), programFont); // the login window's font went with it
    QCOMPARE(testsupport::session().op->name(), QString::fromUtf8("张三"));
    QCOMPARE(testsupport::session().sys->environment()->operatorName(), QString::fromUtf8("张三"));
    QCOMPARE(testsupport::session().sys->environment()->operatingDate(), QDate::currentDate());
    QCOMPARE(m_ui->messageTexts(4).size(), 1); // the wrong password, as a warning
    QCOMPARE(testsupport::session().getSetting("main", "LogonUser"), QString::fromUtf8("张三"));
}

void tst_Startup::mssqlUnreachable()
{
    TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    site.writeConfig(QString(), QStringLiteral("<database driver=\"mssql\"><server>127.0.0.1</server><port>1</port>"
                                               "<database>erp</database><user>sa</user><options>SQL_ATTR_LOGIN_TIMEOUT=2</options></database>"));
    QVERIFY(!bMain::Main(QStringList{}, m_wiring));
    QCOMPARE(m_ui->boxes.size(), 1);
    QCOMPARE(m_ui->boxes.first().title, QString::fromUtf8("错误"));
    QCOMPARE(m_ui->boxes.first().icon(), 16);
    // The driver's own words (FreeTDS through unixODBC here).
    QVERIFY2(m_ui->boxes.first().text.contains(QLatin1String("Unable to connect")), qPrintable(m_ui->boxes.first().text));
}

// The last two steps: the splash goes at once with a delay of 0 (or none) and
// after the delay otherwise; the alert window opens unless the operator's
// "tipsshow" setting is not 0, and the alert button shows how that went.
void tst_Startup::splashAndAlertWindow_data()
{
    QTest::addColumn<QString>("delay"); // "": no splashdelay node
    QTest::addColumn<QString>("tipsshow"); // "": no setting
    QTest::addColumn<bool>("alertOpens");
    QTest::addColumn<int>("alertCalls");
    QTest::addColumn<bool>("splashStays");
    QTest::newRow("no delay, no setting: alert window opens") << "" << "" << true << 1 << false;
    QTest::newRow("delay 0, tipsshow 0, alert window fails") << "0" << "0" << false << 1 << false;
    QTest::newRow("delay 1500, tipsshow 1: no alert window") << "1500" << "1" << true << 0 << true;
    QTest::newRow("negative delay closes at once, tipsshow text") << "-5" << "off" << true << 1 << false;
}

void tst_Startup::splashAndAlertWindow()
{
    QFETCH(QString, delay);
    QFETCH(QString, tipsshow);
    QFETCH(bool, alertOpens);
    QFETCH(int, alertCalls);
    QFETCH(bool, splashStays);
    TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    const QString caption = QString::fromUtf8("启动测试");
    site.writeConfig(QStringLiteral("<caption>%1</caption>%2")
                         .arg(caption, delay.isEmpty() ? QString() : QStringLiteral("<settings><splashdelay>%1</splashdelay></settings>").arg(delay)));
    settings::DeleteSetting(caption, QStringLiteral("settings"));
    if (!tipsshow.isEmpty())
        QVERIFY(settings::SaveSetting(caption, QStringLiteral("settings"), QStringLiteral("tipsshow"), tipsshow));
    int calls = 0;
    m_wiring.createMainWindow = [](Session &session) { return new frmMain(session); };
    m_wiring.openAlertWindow = [&](Session &) {
        ++calls;
        return alertOpens;
    };
    m_wiring.showLogin = [](Session &g) {
        g.op->setName(QStringLiteral("admin"));
        g.op->VerifyPassword(QString());
    };
    QVERIFY(bMain::Main(QStringList{}, m_wiring));
    QCOMPARE(calls, alertCalls);
    auto *main = qobject_cast<frmMain *>(Session::current()->mainWindow()->widget());
    QVERIFY(main && main->isVisible());
    if (alertCalls > 0) {
        QCOMPARE(main->ImgBtn[5]->isActive(), alertOpens);
        QCOMPARE(main->ImgBtn[5]->isSwitchedOn(), alertOpens);
    } else {
        // Left as the main window's load set it.
        frmMain fresh(*Session::current());
        fresh.load();
        QCOMPARE(main->ImgBtn[5]->isActive(), fresh.ImgBtn[5]->isActive());
        QCOMPARE(main->ImgBtn[5]->isSwitchedOn(), fresh.ImgBtn[5]->isSwitchedOn());
    }
    frmSplash *splash = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *s = qobject_cast<frmSplash *>(w); s && s->isVisible())
            splash = s;
    if (splashStays) {
        QVERIFY(splash);
        QVERIFY(splash->Timer1->isActive());
        QCOMPARE(splash->Timer1->interval(), delay.toInt());
    } else {
        QVERIFY2(!splash, "the splash window is still up");
    }
    settings::DeleteSetting(caption, QStringLiteral("settings"));
}

// A database node that cannot be used: the start-up ends without a box of its own,
// and the component's level-8 message names the reason.
void tst_Startup::unknownDriverIsReportedByTheComponent()
{
    TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    site.writeConfig(QString(), QStringLiteral("<database driver=\"oracle\"><database>x</database></database>"));
    QVERIFY(!bMain::Main(QStringList{}, m_wiring));
    QVERIFY(m_ui->boxes.isEmpty());
    const QStringList errors = m_ui->messageTexts(8);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(QString::fromUtf8("数据库初始化失败，程序不能继续运行。原因：不支持的数据库驱动: oracle")), qPrintable(errors.first()));
    QVERIFY(logText(site).contains(QString::fromUtf8("不支持的数据库驱动: oracle")));
}

// Qt's own buttons inside the program's Chinese messages speak Chinese too.
void tst_Startup::qtTextsInChinese()
{
    QString from;
    QVERIFY2(widgetui::loadQtTranslations(&from), "qtbase_zh_CN.qm not found (package qt6-translations-l10n)");
    QVERIFY2(from.endsWith(QLatin1String("qtbase_zh_CN.qm")), qPrintable(from));
    QMessageBox box(QMessageBox::Question, QString::fromUtf8("提示："), QString::fromUtf8("是否退出系统？"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("是(&Y)"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QString::fromUtf8("否(&N)"));
    QCOMPARE(box.button(QMessageBox::Ok)->text(), QString::fromUtf8("确定"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("取消"));
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariable("ZENLO_TEST_IDLE") == QLatin1String("1")) {
        QThread::sleep(30);
        return 0;
    }
    QApplication app(argc, argv);
    tst_Startup t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_startup.moc"
