// The log writer, the status prompt, the company loader and the splash window.
#include "app/btransform.h"
#include "core/clsconfig.h"
#include "app/frmsplash.h"
#include "core/session.h"
#include "core/logger.h"
#include "core/sessionprocs.h"
#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "platform/ansi.h"
#include "platform/appinfo.h"
#include "platform/logonuser.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "testsite.h"
#include "testsupport.h"

using testsupport::TestSite;

class tst_Session : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void messageSource_data();
    void messageSource();
    void operationRecord();
    void statusPrompt_data();
    void statusPrompt();
    void companyLoader_data();
    void companyLoader();
    void captionSizes_data();
    void captionSizes();
    void alpha_data();
    void alpha();
    void splashWindow_data();
    void splashWindow();

private:
    void openServices(TestSite &site);
    std::unique_ptr<testsupport::RecordingUi> m_ui;
};

void tst_Session::init()
{
    m_ui = std::make_unique<testsupport::RecordingUi>();
}

void tst_Session::cleanup()
{
    bMain::LogOut();
    m_ui.reset();
}

void tst_Session::openServices(TestSite &site)
{
    Session &g = testsupport::session();
    g.config = std::make_unique<clsConfig>();
    QVERIFY(g.config->Init(site.configPath()));
    g.db = std::make_unique<Database>();
    QVERIFY(g.db->Init(site.configPath(), true) && g.db->Connect());
    g.op = std::make_unique<Operator>();
    g.sys = std::make_unique<SystemServices>();
    QVERIFY(g.sys->Init(g.db.get(), g.op.get(), 0));
}

void tst_Session::messageSource_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no subject, no source") << "" << "" << QString::fromUtf8("Zenlo软件");
    QTest::newRow("subject") << QString::fromUtf8("进销存") << "" << QString::fromUtf8("进销存");
    QTest::newRow("the caller's source wins") << QString::fromUtf8("进销存") << "frmPass" << "frmPass";
}

void tst_Session::messageSource()
{
    QFETCH(QString, subject);
    QFETCH(QString, source);
    QFETCH(QString, shown);
    testsupport::session().config = std::make_unique<clsConfig>();
    testsupport::session().config->setSubject(subject);
    Logger::WriteMessage(QStringLiteral("注意"), 4, source);
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().source, shown);
    QCOMPARE(m_ui->messages.first().level, 4);
}

void tst_Session::operationRecord()
{
    QCOMPARE(Logger::operationRecord(QString::fromUtf8("修改当用户密码"), 1024, "admin"),
             QString::fromUtf8("<log><progid>1024</progid><user>admin</user><message>修改当用户密码</message></log>"));
    QCOMPARE(Logger::operationRecord("a<b", -1, "x&y"),
             QStringLiteral("<log><progid>-1</progid><user>x&amp;y</user><message>a&lt;b</message></log>"));
    // No operator object: an empty user, still a record.
    Logger::WriteOperation("x", 0);
    QVERIFY(m_ui->messages.isEmpty()); // records are not addressed to the operator
}

void tst_Session::statusPrompt_data()
{
    QTest::addColumn<bool>("services");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("line"); // "" = nothing shown
    QTest::newRow("empty, no translation") << false << "" << 0 << QString::fromUtf8("【Zenlo软件】Ready...");
    QTest::newRow("text") << false << QString::fromUtf8("正在加载") << 0 << QString::fromUtf8("【Zenlo软件】正在加载");
    QTest::newRow("other modes do nothing") << false << "x" << 1 << "";
    QTest::newRow("empty, translated wait text") << true << "" << 0 << QString::fromUtf8("【Zenlo软件】就绪");
}

void tst_Session::statusPrompt()
{
    QFETCH(bool, services);
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QString, line);
    std::unique_ptr<TestSite> site;
    if (services) {
        site = std::make_unique<TestSite>();
        QVERIFY2(site->ok(), qPrintable(site->error()));
        openServices(*site);
    }
    QString shown;
    QObject::connect(&testsupport::session(), &Session::statusPrompt, this, [&](const QString &s) { shown = s; });
    bMain::StatusPrompt(text, mode);
    QCOMPARE(shown, line);
}

void tst_Session::companyLoader_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("coName");
    QTest::addColumn<QString>("fax");
    QTest::newRow("the first row in code order") << "insert into sysdatabase(zt_code, zt_coname) values ('000', '第一家')" << QString::fromUtf8("第一家") << "";
    QTest::newRow("null fields read as empty") << "update sysdatabase set zt_fax = null" << QString::fromUtf8("示范贸易有限公司") << "";
    QTest::newRow("empty table leaves the object untouched") << "delete from sysdatabase" << QString::fromUtf8("untouched") << "untouched";
}

void tst_Session::companyLoader()
{
    QFETCH(QString, change);
    QFETCH(QString, coName);
    QFETCH(QString, fax);
    TestSite site;
    QVERIFY2(site.ok(), qPrintable(site.error()));
    openServices(site);
    QVERIFY(testsupport::session().db->exec(change));
    CompanyInfo &ci = testsupport::session().sys->companyInfo();
    ci.set(CompanyInfo::CoName, "untouched");
    ci.set(CompanyInfo::Fax, "untouched");
    bMain::LoadCompanyInfo();
    QCOMPARE(ci.get(CompanyInfo::CoName), coName);
    QCOMPARE(ci.get(CompanyInfo::Fax), fax);
    if (change.startsWith("update")) {
        // zt_addrg fills two properties, the second after the database name.
        QCOMPARE(ci.get(CompanyInfo::AddrG2), ci.get(CompanyInfo::AddrG));
        QVERIFY(!ci.get(CompanyInfo::AddrG).isEmpty());
        QCOMPARE(ci.get(CompanyInfo::DatabaseName), QStringLiteral("zenlo_demo"));
    }
}

void tst_Session::captionSizes_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("points");
    QTest::newRow("0") << 0 << 29 << 21.75;
    QTest::newRow("8") << 8 << 29 << 21.75;
    QTest::newRow("9") << 9 << 23 << 16.75;
    QTest::newRow("12") << 12 << 23 << 16.75;
    QTest::newRow("13") << 13 << 20 << 14.75;
    QTest::newRow("16") << 16 << 20 << 14.75;
    QTest::newRow("17") << 17 << 18 << 12.75;
    QTest::newRow("100") << 100 << 18 << 12.75;
}

void tst_Session::captionSizes()
{
    QFETCH(int, length);
    QFETCH(int, height);
    QFETCH(double, points);
    const frmSplash::CaptionSize s = frmSplash::captionSizeFor(length);
    QCOMPARE(s.labelHeight, height);
    QCOMPARE(s.pointSize, points);
}

void tst_Session::alpha_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("clamped");
    QTest::addColumn<int>("alpha");
    QTest::newRow("80") << 80 << 80 << 204;
    QTest::newRow("100") << 100 << 100 << 255;
    QTest::newRow("150") << 150 << 100 << 255;
    QTest::newRow("0") << 0 << 0 << 0;
    QTest::newRow("1") << 1 << 1 << 2;
}

void tst_Session::alpha()
{
    QFETCH(int, percent);
    QFETCH(int, clamped);
    QFETCH(int, alpha);
    QWidget w;
    uint8_t p = uint8_t(percent);
    QVERIFY(bTransForm::TransForm(&w, p));
    QCOMPARE(int(p), clamped);
    QCOMPARE(bTransForm::alphaFor(p), alpha);
    QCOMPARE(qRound(w.windowOpacity() * 255), alpha);
}

void tst_Session::splashWindow_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<double>("opacity");
    QTest::addColumn<double>("points");
    QTest::newRow("8 characters, 80 percent") << QString::fromUtf8("<caption>八个字的产品名称</caption><settings><splashalpha>80</splashalpha></settings>") << 204.0 / 255 << 21.75;
    QTest::newRow("9 characters, opaque") << QString::fromUtf8("<caption>九个字的产品名称呀</caption>") << 1.0 << 16.75;
    QTest::newRow("no byte: opaque") << QString::fromUtf8("<caption>x</caption><settings><splashalpha>300</splashalpha></settings>") << 1.0 << 21.75;
    QTest::newRow("missing background file") << QString::fromUtf8("<caption>产品</caption><settings><background><splash>none.png</splash></background></settings>") << 1.0 << 21.75;
}

void tst_Session::splashWindow()
{
    QFETCH(QString, system);
    QFETCH(double, opacity);
    QFETCH(double, points);
    TestSite site(TestSite::SQLite, false);
    site.writeConfig(system);
    testsupport::session().config = std::make_unique<clsConfig>();
    QVERIFY(testsupport::session().config->Init(site.configPath()));
    QPointer<frmSplash> splash = new frmSplash(testsupport::session());
    QVERIFY(!splash->Timer1->isActive());
    QVERIFY(!splash->backgroundLoaded());
    QVERIFY(!splash->Img->pixmap().isNull()); // the built-in picture
    QCOMPARE(splash->windowOpacity(), opacity);
    for (QLabel *l : splash->lblProductName_B) {
        QCOMPARE(l->text(), testsupport::session().config->Caption());
        QCOMPARE(l->font().pointSizeF(), points);
        QVERIFY(!l->isHidden());
    }
    QVERIFY(splash->lblVersion->text().startsWith(QString::fromUtf8("版本 ")));
    QVERIFY(splash->lblLicenseTo->text().isEmpty() || splash->lblLicenseTo->text().startsWith(QString::fromUtf8("使用权属于: ")));
    // The user is the account this test runs for, as the platform names it.
    const QString user = ansi::toUnicode(QByteArray::fromStdString(appinfo::logonUserName()));
    if (!user.isEmpty())
        QCOMPARE(splash->lblLicenseTo->text(), QString::fromUtf8("使用权属于: ") + user);
    if (const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR"); !dir.isEmpty())
        splash->grab().save(dir + QStringLiteral("/splash-%1.png").arg(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'))));
    splash->show();
    splash->Timer1->setInterval(10);
    splash->Timer1->start();
    QTRY_VERIFY(splash.isNull()); // the tick closes and releases the window
}

QTEST_MAIN(tst_Session)
#include "tst_session.moc"
