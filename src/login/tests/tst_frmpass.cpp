// The change-password window against a real demo database: what the operator
// may type when, what he is told, what is stored and what is recorded.
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/database.h"
#include "components/logservice.h"
#include "components/sysservices.h"
#include "login/frmpass.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "testsite.h"
#include "testsupport.h"

using testsupport::TestSite;

namespace {

struct OpRecord {
    QString user;
    int progId = 0;
    QString message;
    bool operator==(const OpRecord &o) const { return user == o.user && progId == o.progId && message == o.message; }
};

QString describe(const QList<OpRecord> &records)
{
    QStringList out;
    for (const OpRecord &r : records)
        out << QStringLiteral("%1/%2/%3").arg(r.user).arg(r.progId).arg(r.message);
    return out.join(QStringLiteral(" | "));
}

} // namespace

Q_DECLARE_METATYPE(QList<int>)

class tst_frmPass : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void operatorWithoutPassword();
    void liveCheckOfTheOldPassword();
    void save_data();
    void save();
    void refused_data();
    void refused();
    void exitRecord_data();
    void exitRecord();
    void captions_data();
    void captions();
    void themeOnActivation();
    void look();

private:
    void resetSite();
    void openSite(const QList<QPair<QString, QString>> &strings = {});
    void loginAs(const QString &name, const QString &password);
    QList<OpRecord> records() const;
    // Whether a fresh login with that password succeeds.
    bool canLogIn(const QString &name, const QString &password) const;

    std::unique_ptr<TestSite> m_site;
    testsupport::RecordingUi *m_ui = nullptr;
};

void tst_frmPass::initTestCase()
{
    m_site = std::make_unique<TestSite>();
    QVERIFY2(m_site->ok(), qPrintable(m_site->error()));
    QVERIFY(m_site->snapshot());
}

void tst_frmPass::cleanupTestCase()
{
    m_site.reset();
}

// Every case starts from the demo database as created and an empty log.
void tst_frmPass::resetSite()
{
    QVERIFY(m_site->restore());
}

void tst_frmPass::init()
{
    m_ui = new testsupport::RecordingUi;
}

void tst_frmPass::cleanup()
{
    bMain::LogOut();
    delete m_ui;
    m_ui = nullptr;
}

void tst_frmPass::openSite(const QList<QPair<QString, QString>> &strings)
{
    resetSite();
    m_site->writeConfig(QStringLiteral("<caption>密码测试</caption>"));
    if (!strings.isEmpty()) {
        auto db = m_site->connect();
        QVERIFY(db);
        for (const auto &s : strings) {
            QVERIFY(db->exec("delete from sys_language where family='kxplan' and path=?", {s.first}));
            QVERIFY(db->exec("insert into sys_language(family, path, text) values('kxplan', ?, ?)", {s.first, s.second}));
        }
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
    LogService::instance().attachDatabase(g.db.get());
}

void tst_frmPass::loginAs(const QString &name, const QString &password)
{
    testsupport::session().op->setName(name);
    QVERIFY2(testsupport::session().op->VerifyPassword(password), qPrintable(testsupport::session().op->LastError().description));
}

QList<OpRecord> tst_frmPass::records() const
{
    QList<OpRecord> out;
    auto db = m_site->connect();
    if (!db)
        return out;
    RecordSetPtr rs = db->OpenRecordset(QStringLiteral("select opname, progid, message from sys_oplog order by id"));
    for (; rs && !rs->isEOF(); rs->moveNext())
        out << OpRecord{rs->text("opname"), rs->field("progid").toInt(), rs->text("message")};
    return out;
}

bool tst_frmPass::canLogIn(const QString &name, const QString &password) const
{
    auto db = m_site->connect();
    Operator op;
    op.attach(db.get());
    op.setName(name);
    return op.VerifyPassword(password);
}

void tst_frmPass::operatorWithoutPassword()
{
    openSite();
    loginAs("admin", "");
    frmPass w(testsupport::session());
    w.show();
    QCOMPARE(w.USER->text(), QStringLiteral("admin"));
    QVERIFY(!w.USER->isEnabled());
    QVERIFY(!w.hint->isEnabled());
    QCOMPARE(w.hint->text(), QString());
    QVERIFY(!w.Oldpassword->isEnabled());
    QCOMPARE(w.Oldpassword->palette().color(QPalette::Base), w.activeBorderColour());
    for (QLineEdit *box : {w.newpassword, w.newpasswordagain}) {
        QVERIFY(box->isEnabled());
        QCOMPARE(box->palette().color(QPalette::Base), w.windowColour());
    }
    QVERIFY(w.windowColour() != w.activeBorderColour());

    // The empty box equals the missing password: saving goes straight on.
    w.newpassword->setText("adm1n");
    w.newpasswordagain->setText("adm1n");
    QTest::mouseClick(w.CmdOK, Qt::LeftButton);
    QVERIFY(m_ui->boxes.isEmpty());
    QCOMPARE(m_ui->messageTexts(2), QStringList{QString::fromUtf8("祝贺你，修改密码成功！")});
    QVERIFY(!w.isVisible());
    QVERIFY(canLogIn("admin", "adm1n"));
    QVERIFY(!canLogIn("admin", ""));
}

void tst_frmPass::liveCheckOfTheOldPassword()
{
    openSite();
    loginAs(QString::fromUtf8("张三"), "zhang3");
    frmPass w(testsupport::session());
    w.show();
    QVERIFY(w.Oldpassword->isEnabled());
    QCOMPARE(w.Oldpassword->palette().color(QPalette::Base), w.windowColour());
    auto newBoxesOpen = [&] {
        const bool a = w.newpassword->isEnabled(), b = w.newpasswordagain->isEnabled();
        if (a != b)
            return -1;
        const QColor expected = a ? w.windowColour() : w.activeBorderColour();
        if (w.newpassword->palette().color(QPalette::Base) != expected
            || w.newpasswordagain->palette().color(QPalette::Base) != expected)
            return -1;
        return a ? 1 : 0;
    };
    QCOMPARE(newBoxesOpen(), 0);
    const QString typed = QStringLiteral("zhang3");
    for (int i = 0; i < typed.size(); ++i) {
        QTest::keyClick(w.Oldpassword, typed.at(i).toLatin1());
        QCOMPARE(w.Oldpassword->text(), typed.left(i + 1));
        QCOMPARE(newBoxesOpen(), i + 1 == typed.size() ? 1 : 0);
    }
    QTest::keyClick(w.Oldpassword, 'x');
    QCOMPARE(newBoxesOpen(), 0);
    QTest::keyClick(w.Oldpassword, Qt::Key_Backspace);
    QCOMPARE(newBoxesOpen(), 1);
    w.Oldpassword->setText("ZHANG3"); // letter case counts
    QCOMPARE(newBoxesOpen(), 0);
    w.Oldpassword->setText(" zhang3"); // so do blanks
    QCOMPARE(newBoxesOpen(), 0);
    QVERIFY(m_ui->messages.isEmpty());

    // Without an operator object the check reports and leaves the boxes as they were.
    std::unique_ptr<Operator> keep = std::move(testsupport::session().op);
    w.Oldpassword->setText("zhang3");
    testsupport::session().op = std::move(keep);
    QCOMPARE(newBoxesOpen(), 0);
    QCOMPARE(m_ui->messageTexts(4), QStringList{QString::fromUtf8("OldPassWord_Change操作员对象不存在")});
}

// 张三 (password zhang3) types the three boxes and saves; the answers queue the
// replies to the question boxes.
void tst_frmPass::save_data()
{
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QString>("again");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("boxes");     // "style|title|text" of each box shown
    QTest::addColumn<QString>("password");      // the stored password afterwards
    QTest::addColumn<bool>("closed");

    const QString wrong = QString::fromUtf8("64|提示：|请先输入原先的旧密码后继续..");
    const QString empty = QString::fromUtf8("52|提示：|新密码为空，是否继续？");
    const QString mismatch = QString::fromUtf8("64|提示：|密码两次输入不一致，请重输！");
    QTest::newRow("wrong old password") << "zhang" << "n3w" << "n3w" << QList<int>{} << QStringList{wrong} << "zhang3" << false;
    QTest::newRow("old password with a blank") << "zhang3 " << "n3w" << "n3w" << QList<int>{} << QStringList{wrong} << "zhang3" << false;
    QTest::newRow("empty old password") << "" << "n3w" << "n3w" << QList<int>{} << QStringList{wrong} << "zhang3" << false;
    QTest::newRow("both new empty, Yes") << "zhang3" << "" << "" << QList<int>{6} << QStringList{empty} << "" << true;
    QTest::newRow("both new empty, No") << "zhang3" << "" << "" << QList<int>{7} << QStringList{empty} << "zhang3" << false;
    QTest::newRow("new empty, repetition not") << "zhang3" << "" << "x" << QList<int>{} << QStringList{mismatch} << "zhang3" << false;
    QTest::newRow("repetition empty, new not") << "zhang3" << "x" << "" << QList<int>{} << QStringList{mismatch} << "zhang3" << false;
    QTest::newRow("repetition differs in case") << "zhang3" << "abc" << "ABC" << QList<int>{} << QStringList{mismatch} << "zhang3" << false;
    QTest::newRow("stored") << "zhang3" << "n3w" << "n3w" << QList<int>{} << QStringList{} << "n3w" << true;
    QTest::newRow("stored with its blanks") << "zhang3" << " n 3w " << " n 3w " << QList<int>{} << QStringList{} << " n 3w " << true;
    QTest::newRow("stored quote and Chinese") << "zhang3" << QString::fromUtf8("it's 密码") << QString::fromUtf8("it's 密码")
                                             << QList<int>{} << QStringList{} << QString::fromUtf8("it's 密码") << true;
}

void tst_frmPass::save()
{
    QFETCH(QString, oldText);
    QFETCH(QString, newText);
    QFETCH(QString, again);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, boxes);
    QFETCH(QString, password);
    QFETCH(bool, closed);
    openSite();
    const QString zhang = QString::fromUtf8("张三");
    loginAs(zhang, "zhang3");
    frmPass w(testsupport::session());
    QVERIFY(w.Py_Init(7, QString::fromUtf8("修改密码")));
    w.show();
    w.Oldpassword->setText(oldText);
    w.newpassword->setText(newText);
    w.newpasswordagain->setText(again);
    m_ui->answers = answers;
    QTest::mouseClick(w.CmdOK, Qt::LeftButton);

    QStringList shown;
    for (const auto &b : std::as_const(m_ui->boxes))
        shown << QStringLiteral("%1|%2|%3").arg(b.style).arg(b.title, b.text);
    QCOMPARE(shown, boxes);
    QCOMPARE(w.isVisible(), !closed);
    QVERIFY(m_ui->messageTexts(4).isEmpty());
    QVERIFY(m_ui->messageTexts(8).isEmpty());

    const QList<OpRecord> expected = closed
        ? QList<OpRecord>{{zhang, 7, QString::fromUtf8("修改当用户密码")}, {zhang, 7, QString::fromUtf8("退出[修改密码]")}}
        : QList<OpRecord>{};
    QVERIFY2(records() == expected, qPrintable(describe(records())));
    QCOMPARE(m_ui->messageTexts(2), closed ? QStringList{QString::fromUtf8("祝贺你，修改密码成功！")} : QStringList{});

    QVERIFY(canLogIn(zhang, password));
    if (password != "zhang3")
        QVERIFY(!canLogIn(zhang, "zhang3"));
    // The window's operator goes on with the new password.
    QVERIFY(testsupport::session().op->checkPassword(password));
    QCOMPARE(testsupport::session().op->hasPassword(), !password.isEmpty());
}

// Changes the operator object will not make: the window opens no box and stays.
void tst_frmPass::refused_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("message"); // a prefix of the one message written
    QTest::newRow("operator not logged in") << "not logged in" << 2 << QString::fromUtf8("操作员未登录");
    QTest::newRow("database closed") << "database closed" << 2 << QString::fromUtf8("数据库未连接");
    QTest::newRow("password changed elsewhere") << "changed elsewhere" << 8 << QString::fromUtf8("旧密码不正确");
    QTest::newRow("operator object gone") << "operator gone" << 4 << QString::fromUtf8("修改密码时出错");
}

void tst_frmPass::refused()
{
    QFETCH(QString, situation);
    QFETCH(int, level);
    QFETCH(QString, message);
    openSite();
    const QString zhang = QString::fromUtf8("张三");
    if (situation == "not logged in")
        testsupport::session().op->setName(zhang);
    else
        loginAs(zhang, "zhang3");
    frmPass w(testsupport::session());
    w.show();
    if (situation != "not logged in")
        w.Oldpassword->setText("zhang3");
    w.newpassword->setText("n3w");
    w.newpasswordagain->setText("n3w");
    if (situation == "database closed")
        testsupport::session().db->Close();
    if (situation == "changed elsewhere") {
        auto db = m_site->connect();
        QVERIFY(db->exec("update sys_operator set pwhash=? where opname=?", {Operator::hashPassword("elsewhere"), zhang}));
    }
    std::unique_ptr<Operator> keep;
    if (situation == "operator gone")
        keep = std::move(testsupport::session().op);

    QTest::mouseClick(w.CmdOK, Qt::LeftButton);
    QVERIFY(w.isVisible());
    QVERIFY(m_ui->boxes.isEmpty());
    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages.first().level, level);
    QVERIFY2(m_ui->messages.first().text.startsWith(message), qPrintable(m_ui->messages.first().text));
    QVERIFY(records().isEmpty());
    if (situation == "changed elsewhere")
        QVERIFY(canLogIn(zhang, "elsewhere"));
    else
        QVERIFY(canLogIn(zhang, "zhang3"));
    if (keep)
        testsupport::session().op = std::move(keep);
}

void tst_frmPass::exitRecord_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("initialised");
    for (const char *how : {"CmdClose", "close box", "Escape"}) {
        QTest::addRow("%s, opened from a menu", how) << how << true;
        QTest::addRow("%s, opened by the link", how) << how << false;
    }
}

void tst_frmPass::exitRecord()
{
    QFETCH(QString, how);
    QFETCH(bool, initialised);
    openSite();
    const QString zhang = QString::fromUtf8("张三");
    loginAs(zhang, "zhang3");
    frmPass w(testsupport::session());
    if (initialised)
        w.Py_Init(12, QString::fromUtf8("修改口令"));
    w.show();
    w.Oldpassword->setText("zhang3");
    if (how == "CmdClose")
        QTest::mouseClick(w.CmdClose, Qt::LeftButton);
    else if (how == "close box")
        QVERIFY(w.close());
    else
        QTest::keyClick(w.Oldpassword, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    const QList<OpRecord> expected{
        initialised ? OpRecord{zhang, 12, QString::fromUtf8("退出[修改口令]")} : OpRecord{zhang, 0, QString::fromUtf8("退出[]")}};
    QVERIFY2(records() == expected, qPrintable(describe(records())));
    QVERIFY(m_ui->messages.isEmpty());
    QVERIFY(canLogIn(zhang, "zhang3"));
}

void tst_frmPass::captions_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("designText");
    QTest::newRow("caption") << "/frmpass/caption" << "frmPass" << QString::fromUtf8("修改密码");
    QTest::newRow("hint") << "/frmpass/hint" << "lbl0" << QString::fromUtf8("密码是信息安全的重要保证，建议经常更改密码!");
    QTest::newRow("title") << "/frmpass/title" << "lbl1" << QString::fromUtf8("修改密码");
    QTest::newRow("username") << "/frmpass/username" << "LblUser" << QString::fromUtf8("用户名：");
    QTest::newRow("oldpassword") << "/frmpass/oldpassword" << "LblOldPass" << QString::fromUtf8("旧密码：");
    QTest::newRow("question") << "/frmpass/question" << "LblHint" << QString::fromUtf8("提示：");
    QTest::newRow("newpassword") << "/frmpass/newpassword" << "LblNewPass" << QString::fromUtf8("新密码：");
    QTest::newRow("confirm") << "/frmpass/confirm" << "lblConfirm" << QString::fromUtf8("确认：");
    QTest::newRow("cmdok") << "/frmpass/cmdok" << "CmdOK" << QString::fromUtf8("保存(&S)");
    QTest::newRow("cmdclose") << "/frmpass/cmdclose" << "CmdClose" << QString::fromUtf8("关闭(&X)");
}

void tst_frmPass::captions()
{
    QFETCH(QString, path);
    QFETCH(QString, control);
    QFETCH(QString, designText);
    auto textOf = [&](frmPass &w) -> QString {
        if (control == "frmPass")
            return w.windowTitle();
        QObject *o = w.findChild<QObject *>(control);
        if (!o)
            return QStringLiteral("<no control %1>").arg(control);
        return o->property("text").toString();
    };
    openSite({{path, QString::fromUtf8("站点文字")}});
    loginAs("admin", "");
    {
        frmPass w(testsupport::session());
        QCOMPARE(textOf(w), QString::fromUtf8("站点文字"));
    }
    cleanup();
    init();
    openSite();
    // Without a stored text the design-time text stays (the demo stores the advice line as it is).
    frmPass w(testsupport::session());
    QCOMPARE(textOf(w), designText);
}

void tst_frmPass::themeOnActivation()
{
    openSite();
    loginAs("admin", "");
    QTemporaryDir themes;
    const QString folder = themes.path() + QStringLiteral("/blue");
    QVERIFY(QDir().mkpath(folder));
    const QByteArray qss = "QDialog { background: #dde8f4; }";
    QVERIFY(testsupport::writeFile(folder + QStringLiteral("/style.qss"), qss));
    QVERIFY(testsupport::session().sys->themeService()->LoadTheme(QStringLiteral("blue"), folder));
    frmPass w(testsupport::session());
    QCOMPARE(w.styleSheet(), QString()); // not before the window is active
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_COMPARE(w.styleSheet(), QString::fromUtf8(qss));
    w.close();
}

// Every caption fits its control at the window's fixed size; the picture of the
// window goes to ZENLO_SCREENSHOT_DIR when that is set.
void tst_frmPass::look()
{
    openSite();
    loginAs(QString::fromUtf8("张三"), "zhang3");
    frmPass w(testsupport::session());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Oldpassword->setText("zhang3");
    const QRect inside = w.rect();
    for (QWidget *child : w.findChildren<QWidget *>()) {
        if (!child->isVisibleTo(&w))
            continue;
        const QRect r(child->mapTo(&w, QPoint(0, 0)), child->size());
        QVERIFY2(inside.contains(r), qPrintable(child->objectName()));
        if (auto *l = qobject_cast<QLabel *>(child); l && !l->wordWrap())
            QVERIFY2(l->sizeHint().width() <= l->width(), qPrintable(l->objectName()));
        if (auto *b = qobject_cast<QPushButton *>(child))
            QVERIFY2(b->sizeHint().width() <= b->width(), qPrintable(b->objectName()));
    }
    QVERIFY(w.lbl[0]->heightForWidth(w.lbl[0]->width()) <= w.lbl[0]->height());
    const QImage shot = w.grab().toImage();
    QVERIFY(!shot.isNull());
    const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(shot.save(dir + QStringLiteral("/pass.png")));
}

QTEST_MAIN(tst_frmPass)
#include "tst_frmpass.moc"
