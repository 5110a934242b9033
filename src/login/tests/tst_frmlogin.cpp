// The login window against a real demo database.
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/database.h"
#include "components/encryption.h"
#include "components/sysservices.h"
#include "login/frmlogin.h"
#include "login/loginrules.h"
#include "platform/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QImage>
#include <QFile>

#include "testsite.h"
#include "testsupport.h"

using testsupport::TestSite;

class tst_frmLogin : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wrap_data();
    void wrap();
    void recent_data();
    void recent();
    void init();
    void cleanup();
    void validation_data();
    void validation();
    void successWritesSettings();
    void rememberHidden();
    void rememberedPassword();
    void rememberedGarbage();
    void operatorList_data();
    void operatorList();
    void recentListAfterLogins();
    void clipboardKeysSwallowed();
    void cancelAndCloseBox();
    void spinnersWrap();
    void rememberedPasswordStaysWithItsOperator();
    void emptyPasswordHint_data();
    void emptyPasswordHint();
    void background_data();
    void background();

private:
    // Opens the program-wide objects on a fresh demo site, with the given system section.
    void openSite(const QString &systemInner = QString(), int loginStyle = -1, int userCount = -1);
    std::unique_ptr<TestSite> m_site;
    testsupport::RecordingUi *m_ui = nullptr;
};

void tst_frmLogin::wrap_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("in");
    QTest::addColumn<int>("out");
    QTest::newRow("month 13") << 1 << 13 << 1;
    QTest::newRow("month 0") << 1 << 0 << 12;
    QTest::newRow("month 7") << 1 << 7 << 7;
    QTest::newRow("day 32") << 2 << 32 << 1;
    QTest::newRow("day 0") << 2 << 0 << 31;
    QTest::newRow("day 31 stays (no month check)") << 2 << 31 << 31;
    QTest::newRow("year free") << 0 << 99999 << 99999;
}

void tst_frmLogin::wrap()
{
    QFETCH(int, index);
    QFETCH(int, in);
    QFETCH(int, out);
    QCOMPARE(loginrules::wrapSpinner(index, in), out);
}

void tst_frmLogin::recent_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("result");
    QTest::newRow("known name keeps its place at the end") << QStringList{"a", "b"} << "b" << 3 << QStringList{"a", "b"};
    QTest::newRow("known name moves to the end") << QStringList{"a", "b"} << "a" << 3 << QStringList{"b", "a"};
    QTest::newRow("full list keeps its names") << QStringList{"a", "b", "c"} << "d" << 3 << QStringList{"a", "b", "c"};
    QTest::newRow("room for a new name") << QStringList{"a"} << "d" << 3 << QStringList{"a", "d"};
    QTest::newRow("first login") << QStringList{} << "admin" << 5 << QStringList{"admin"};
    QTest::newRow("middle name moves") << QStringList{"a", "b", "c"} << "b" << 3 << QStringList{"a", "c", "b"};
    QTest::newRow("count 0 stores nothing") << QStringList{} << "a" << 0 << QStringList{};
}

void tst_frmLogin::recent()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, name);
    QFETCH(int, count);
    QFETCH(QStringList, result);
    QCOMPARE(loginrules::recentAfterLogin(stored, name, count), result);
}

void tst_frmLogin::init()
{
    m_ui = new testsupport::RecordingUi;
    // Every case starts with no per-user settings of its own.
    settings::DeleteSetting(QString::fromUtf8("登录测试"), QStringLiteral("main"));
}

void tst_frmLogin::cleanup()
{
    bMain::LogOut();
    m_site.reset();
    delete m_ui;
    m_ui = nullptr;
}

void tst_frmLogin::openSite(const QString &systemInner, int loginStyle, int userCount)
{
    m_site = std::make_unique<TestSite>();
    QVERIFY2(m_site->ok(), qPrintable(m_site->error()));
    m_site->writeConfig(systemInner.isEmpty() ? QStringLiteral("<caption>登录测试</caption>") : systemInner);
    if (loginStyle >= 0 || userCount >= 0) {
        auto db = m_site->connect();
        QVERIFY(db);
        if (loginStyle >= 0)
            QVERIFY(db->exec("update sys_param set value=? where name=?", {QString::number(loginStyle), QStringLiteral("loginuserstyle")}));
        if (userCount >= 0)
            QVERIFY(db->exec("update sys_param set value=? where name=?", {QString::number(userCount), QStringLiteral("loginusercount")}));
    }
    Session &g = testsupport::session();
    g.config = std::make_unique<clsConfig>();
    QVERIFY(g.config->Init(m_site->configPath()));
    g.db = std::make_unique<Database>();
    QVERIFY(g.db->Init(m_site->configPath(), true));
    QVERIFY2(g.db->Connect(), qPrintable(g.db->LastError().description));
    g.op = std::make_unique<Operator>();
    g.sys = std::make_unique<SystemServices>();
    QVERIFY2(g.sys->Init(g.db.get(), g.op.get(), 0), qPrintable(g.sys->LastError().description));
}

void tst_frmLogin::validation_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QDate>("date"); // invalid: February 30th 2024
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<QString>("message");
    QTest::newRow("30 February") << "admin" << "" << QDate() << false << QString::fromUtf8("操作日期2024-2-30不正确,请重新选择");
    QTest::newRow("empty name") << "" << "" << QDate(2024, 5, 6) << false << QString::fromUtf8("用户名不能为空，请重试!");
    QTest::newRow("empty name by Enter") << "" << "x" << QDate(2024, 5, 6) << true << QString::fromUtf8("用户名不能为空，请重试!");
    // One text for a wrong password and an unknown name: the answer tells nobody which names exist.
    QTest::newRow("wrong password") << "admin" << "x" << QDate(2024, 5, 6) << false << QString::fromUtf8("操作员admin不存在或密码错误");
    QTest::newRow("unknown operator") << "nobody" << "" << QDate(2024, 5, 6) << false << QString::fromUtf8("操作员nobody不存在或密码错误");
    QTest::newRow("quote trick") << "' or 1=1 --" << "" << QDate(2024, 5, 6) << false << QString::fromUtf8("操作员' or 1=1 --不存在或密码错误");
    QTest::newRow("10,000-character password") << QString::fromUtf8("张三") << QString(10000, QLatin1Char('p')) << QDate(2024, 5, 6) << true << QString::fromUtf8("操作员张三不存在或密码错误");
}

void tst_frmLogin::validation()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QDate, date);
    QFETCH(bool, byEnter);
    QFETCH(QString, message);
    openSite();
    frmLogin w(testsupport::session());
    w.show();
    w.CobUser->setEditText(name);
    w.Txt2->setText(password);
    if (date.isValid()) {
        w.Spinner[0]->setValue(date.year());
        w.Spinner[1]->setValue(date.month());
        w.Spinner[2]->setValue(date.day());
    } else {
        w.Spinner[0]->setValue(2024);
        w.Spinner[1]->setValue(2);
        w.Spinner[2]->setValue(30);
    }
    if (byEnter)
        QTest::keyClick(w.Txt2, Qt::Key_Return);
    else
        QTest::mouseClick(w.XPCmdOk, Qt::LeftButton);
    QVERIFY(w.isVisible());
    QVERIFY(!testsupport::session().op->LoggedIn());
    QVERIFY(m_ui->boxes.isEmpty()); // the window opens no message box of its own
    const QStringList warnings = m_ui->messageTexts(4);
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first(), message);
    QVERIFY(settings::GetSetting(testsupport::session().appName(), "main", "LogonUser", "unset") == "unset"); // nothing written
}

void tst_frmLogin::successWritesSettings()
{
    openSite();
    frmLogin w(testsupport::session());
    w.show();
    w.CobUser->setEditText(QString::fromUtf8(" 李四 "));
    w.Txt2->setText(QStringLiteral("li4"));
    w.Spinner[0]->setValue(2024);
    w.Spinner[1]->setValue(2);
    w.Spinner[2]->setValue(29);
    QTest::mouseClick(w.XPCmdOk, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(testsupport::session().op->LoggedIn());
    QCOMPARE(testsupport::session().op->name(), QString::fromUtf8("李四"));
    Environment *env = testsupport::session().sys->environment();
    QCOMPARE(env->operatingDate(), QDate(2024, 2, 29));
    QCOMPARE(env->operatorName(), QString::fromUtf8("李四"));
    QCOMPARE(env->operatorCode(), QStringLiteral("02"));
    QCOMPARE(testsupport::session().getSetting("main", "LogonUser"), QString::fromUtf8(" 李四 ")); // the combo text as typed
}

void tst_frmLogin::rememberHidden()
{
    openSite(); // no remerber setting: the box stays hidden
    Encryption enc;
    testsupport::session().saveSetting("main", "remerber", "1");
    testsupport::session().saveSetting("main", "remerberString", enc.Encrypt("secret", "qoxu"));
    frmLogin w(testsupport::session());
    QVERIFY(w.chkRemberme->isHidden());
    QCOMPARE(w.Txt2->text(), QString()); // never loaded
    w.CobUser->setEditText("admin");
    QTest::mouseClick(w.XPCmdOk, Qt::LeftButton);
    QVERIFY(testsupport::session().op->LoggedIn());
    QCOMPARE(testsupport::session().getSetting("main", "remerber"), QStringLiteral("0"));
    QCOMPARE(testsupport::session().getSetting("main", "remerberString", "unset"), QString());
}

void tst_frmLogin::rememberedPassword()
{
    openSite(QStringLiteral("<caption>登录测试</caption><settings><remerber> TRUE </remerber></settings>"));
    {
        frmLogin w(testsupport::session());
        QVERIFY(!w.chkRemberme->isHidden());
        QVERIFY(!w.chkRemberme->isChecked());
        w.CobUser->setEditText(QString::fromUtf8("张三"));
        w.Txt2->setText("zhang3");
        w.chkRemberme->setChecked(true);
        QTest::mouseClick(w.XPCmdOk, Qt::LeftButton);
        QVERIFY(testsupport::session().op->LoggedIn());
    }
    const QString stored = testsupport::session().getSetting("main", "remerberString");
    QVERIFY(!stored.isEmpty());
    QVERIFY(!stored.contains("zhang3")); // never kept as it was typed
    QCOMPARE(testsupport::session().getSetting("main", "remerber"), QStringLiteral("1"));
    frmLogin again(testsupport::session());
    QVERIFY(again.chkRemberme->isChecked());
    QCOMPARE(again.Txt2->text(), QStringLiteral("zhang3"));
    QCOMPARE(again.CobUser->currentText(), QString::fromUtf8("张三"));
}

void tst_frmLogin::rememberedGarbage()
{
    openSite(QStringLiteral("<caption>登录测试</caption><settings><remerber>1</remerber></settings>"));
    testsupport::session().saveSetting("main", "remerber", "1");
    testsupport::session().saveSetting("main", "remerberString", "bm90IGEgcGFzc3dvcmQ=");
    frmLogin w(testsupport::session());
    QVERIFY(w.chkRemberme->isChecked());
    QCOMPARE(w.Txt2->text(), QString());
}

void tst_frmLogin::operatorList_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("style 1: typed only") << 1 << 1 << QStringList{};
    QTest::newRow("style 0: every operator") << 0 << 0 << QStringList{"admin", QString::fromUtf8("张三"), QString::fromUtf8("李四")};
    QTest::newRow("style 2: recent operators") << 2 << 0 << QStringList{QString::fromUtf8("李四"), "admin"};
}

void tst_frmLogin::operatorList()
{
    QFETCH(int, style);
    QFETCH(int, mode);
    QFETCH(QStringList, entries);
    openSite(QString(), style, 3);
    testsupport::session().saveSetting("main", "1LogonUser", QString::fromUtf8("李四"));
    testsupport::session().saveSetting("main", "2LogonUser", "admin");
    testsupport::session().saveSetting("main", "4LogonUser", "beyond the first empty one");
    frmLogin w(testsupport::session());
    QCOMPARE(w.comboMode(), mode);
    QStringList shown;
    for (int i = 0; i < w.CobUser->count(); ++i)
        shown << w.CobUser->itemText(i);
    QCOMPARE(shown, entries);
    // No remembered name: the first entry stays selected.
    QCOMPARE(w.CobUser->currentText(), entries.value(0));
}

void tst_frmLogin::recentListAfterLogins()
{
    openSite(QString(), 2, 3);
    auto loginAs = [](const QString &name, const QString &password) {
        frmLogin w(testsupport::session());
        w.CobUser->setEditText(name);
        w.Txt2->setText(password);
        w.XPCmdOk_Click();
        QVERIFY(testsupport::session().op->LoggedIn());
    };
    loginAs("admin", "");
    loginAs(QString::fromUtf8("张三"), "zhang3");
    loginAs("admin", "");
    QCOMPARE(testsupport::session().getSetting("main", "1LogonUser"), QString::fromUtf8("张三"));
    QCOMPARE(testsupport::session().getSetting("main", "2LogonUser"), QStringLiteral("admin"));
    QCOMPARE(testsupport::session().getSetting("main", "3LogonUser"), QString());
}

void tst_frmLogin::clipboardKeysSwallowed()
{
    openSite();
    frmLogin w(testsupport::session());
    w.show();
    QApplication::clipboard()->setText("pasted");
    w.Txt2->setText("abc");
    w.Txt2->selectAll();
    QTest::keyClick(w.Txt2, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w.Txt2, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(w.Txt2->text(), QStringLiteral("abc"));
    QTest::keyClick(w.Txt2, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(QApplication::clipboard()->text() != "abc");
}

void tst_frmLogin::cancelAndCloseBox()
{
    openSite();
    {
        frmLogin w(testsupport::session());
        w.show();
        testsupport::session().op->setName("someone");
        QTest::mouseClick(w.XPCmdCancel, Qt::LeftButton);
        QCOMPARE(testsupport::session().op->name(), QString());
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }
    frmLogin w(testsupport::session());
    w.show();
    testsupport::session().op->setName("someone");
    w.close();
    QCOMPARE(testsupport::session().op->name(), QString());
}

void tst_frmLogin::spinnersWrap()
{
    openSite();
    frmLogin w(testsupport::session());
    w.Spinner[1]->setValue(12);
    w.Spinner[1]->stepUp();
    QCOMPARE(w.Spinner[1]->value(), 1);
    w.Spinner[1]->stepDown();
    QCOMPARE(w.Spinner[1]->value(), 12);
    w.Spinner[2]->setValue(31);
    w.Spinner[2]->stepUp();
    QCOMPARE(w.Spinner[2]->value(), 1);
    w.Spinner[2]->stepDown();
    QCOMPARE(w.Spinner[2]->value(), 31);
}

// Another operator chosen from the list never gets the password remembered for the last one.
void tst_frmLogin::rememberedPasswordStaysWithItsOperator()
{
    openSite(QStringLiteral("<caption>登录测试</caption><settings><remerber>1</remerber></settings>"));
    Encryption enc;
    testsupport::session().saveSetting("main", "LogonUser", QString::fromUtf8("张三"));
    testsupport::session().saveSetting("main", "remerber", "1");
    testsupport::session().saveSetting("main", "remerberString", enc.Encrypt("zhang3", "qoxu"));
    frmLogin w(testsupport::session());
    w.show();
    QCOMPARE(w.CobUser->currentText(), QString::fromUtf8("张三"));
    QCOMPARE(w.Txt2->text(), QStringLiteral("zhang3"));
    const int li4 = w.CobUser->findText(QString::fromUtf8("李四"));
    QVERIFY(li4 >= 0);
    w.CobUser->setCurrentIndex(li4);
    QCOMPARE(w.Txt2->text(), QString());
    // Back to its owner: the remembered password is offered again.
    w.CobUser->setCurrentIndex(w.CobUser->findText(QString::fromUtf8("张三")));
    QCOMPARE(w.Txt2->text(), QStringLiteral("zhang3"));
    // A password the operator typed is the operator's own: a change of name keeps it.
    w.Txt2->setText(QStringLiteral("typed"));
    w.CobUser->setCurrentIndex(li4);
    QCOMPARE(w.Txt2->text(), QStringLiteral("typed"));
    // Logging in as 李四 with 张三's password fails, with nothing stored.
    w.Txt2->setText(QStringLiteral("zhang3"));
    w.XPCmdOk_Click();
    QVERIFY(!testsupport::session().op->LoggedIn());
}

// The hint says admin's password is empty: only on the demo database, and only while it is.
void tst_frmLogin::emptyPasswordHint_data()
{
    QTest::addColumn<bool>("demoNode");
    QTest::addColumn<QString>("adminPassword"); // "-": unchanged (empty)
    QTest::addColumn<bool>("shown");
    QTest::newRow("demo, admin without a password") << true << "-" << true;
    QTest::newRow("demo, admin with a password") << true << "secret" << false;
    QTest::newRow("not the demo database") << false << "-" << false;
}

void tst_frmLogin::emptyPasswordHint()
{
    QFETCH(bool, demoNode);
    QFETCH(QString, adminPassword);
    QFETCH(bool, shown);
    m_site = std::make_unique<TestSite>();
    QVERIFY2(m_site->ok(), qPrintable(m_site->error()));
    QString node = m_site->databaseNode();
    if (demoNode)
        node.replace(QStringLiteral("<database driver=\"sqlite\">"), QStringLiteral("<database driver=\"sqlite\" demo=\"true\">"));
    m_site->writeConfig(QStringLiteral("<caption>登录测试</caption>"), node);
    if (adminPassword != QLatin1String("-")) {
        auto db = m_site->connect();
        QVERIFY(db && Operator::createOperator(db.get(), "00", "admin", adminPassword, true));
    }
    Session &g = testsupport::session();
    g.config = std::make_unique<clsConfig>();
    QVERIFY(g.config->Init(m_site->configPath()));
    g.db = std::make_unique<Database>();
    QVERIFY(g.db->Init(m_site->configPath(), true) && g.db->Connect());
    g.op = std::make_unique<Operator>();
    g.sys = std::make_unique<SystemServices>();
    QVERIFY(g.sys->Init(g.db.get(), g.op.get(), 0));
    frmLogin w(g);
    w.show();
    QCOMPARE(w.lblMess->isVisible(), shown);
    QCOMPARE(w.lblMess->text(), g.lookup(QStringLiteral("/login/hint"), QString::fromUtf8("提示：默认密码为空！")));
}

void tst_frmLogin::background_data()
{
    QTest::addColumn<QString>("picture"); // written into the program folder; "": none configured
    QTest::addColumn<QColor>("corner");   // the window's top-left pixel
    QTest::addColumn<bool>("caption");
    QTest::newRow("built-in gradient") << QString() << QColor(0x1f, 0x4e, 0x79) << true;
    QTest::newRow("configured picture") << "login.png" << QColor(Qt::red) << false;
    QTest::newRow("file that is no picture") << "broken.png" << QColor(0x1f, 0x4e, 0x79) << false;
}

void tst_frmLogin::background()
{
    QFETCH(QString, picture);
    QFETCH(QColor, corner);
    QFETCH(bool, caption);
    const QString settings = picture.isEmpty()
        ? QString()
        : QStringLiteral("<settings><background><login>%1</login></background></settings>").arg(picture);
    openSite(QStringLiteral("<caption>登录测试</caption>") + settings);
    if (!picture.isEmpty()) { // beside the program, where a relative name is looked for
        const QString path = m_site->programFolder() + u'/' + picture;
        if (picture == QLatin1String("broken.png")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("not a picture") > 0);
        } else {
            QImage red(64, 40, QImage::Format_RGB32);
            red.fill(Qt::red);
            QVERIFY(red.save(path));
        }
    }
    frmLogin w(testsupport::session());
    w.show();
    const QColor seen = w.grab().toImage().pixelColor(1, 1);
    QVERIFY2(qAbs(seen.red() - corner.red()) <= 3 && qAbs(seen.green() - corner.green()) <= 3
                 && qAbs(seen.blue() - corner.blue()) <= 3,
             qPrintable(seen.name()));
    QCOMPARE(w.lblProductName_B.value(1)->isVisible(), caption);
}

QTEST_MAIN(tst_frmLogin)
#include "tst_frmlogin.moc"
