// The lock screen over the real main window with function hosting, and the
// header buttons hosting answers: nothing behind the cover takes input until
// the operator's password unlocks it.
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxnavpanel.h"
#include "components/sysservices.h"
#include "hosting/functionhost.h"
#include "hosting/lockscreen.h"
#include "util/ui/bchm.h"
#include "workspace/frmmain.h"
#include "components/kx/picturebox.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include "modal.h"
#include "hosted_helper.h"
#include "testsupport.h"
#include "workspace_helper.h"

using wstest::Site;

namespace {

// Counts the events of some types that reach an object.
class EventCounter : public QObject
{
public:
    explicit EventCounter(QObject *target, QList<QEvent::Type> types) : m_types(std::move(types)) { target->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (m_types.contains(e->type()))
            ++count;
        return false;
    }

private:
    QList<QEvent::Type> m_types;
};

void sendMouse(QWidget *w, QEvent::Type type, const QPoint &pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class tst_LockScreen : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void inputBehindTheCover_data();
    void inputBehindTheCover();
    void coverShowsTheWindowFaintly();
    void password_data();
    void password();
    void panelDrag_data();
    void panelDrag();
    void leaveFromTheLockScreen();
    void themePanelPicture();
    void help_data();
    void help();

private:
    // Opens a site, loads and shows the window; the operator logs in with the password.
    frmMain *openWindow(const QString &op = QStringLiteral("admin"), const QString &password = QString(),
                        const QString &system = QString());
    std::unique_ptr<Site> m_site;
    std::unique_ptr<frmMain> m_window;
    FunctionHost *m_host = nullptr;
    LockScreen *lock() { return m_host->lockScreen(); }
    testsupport::RecordingUi *m_ui = nullptr;
};

void tst_LockScreen::init()
{
    m_ui = new testsupport::RecordingUi;
}

void tst_LockScreen::cleanup()
{
    m_window.reset();
    m_site.reset();
    bCHM::setHelpOpener({});
    bMain::LogOut();
    delete m_ui;
    m_ui = nullptr;
}

frmMain *tst_LockScreen::openWindow(const QString &op, const QString &password, const QString &system)
{
    m_site = std::make_unique<Site>(QStringLiteral("锁屏测试"), system);
    if (!m_site->ok() || !m_site->open(op, password)) {
        qWarning() << m_site->error();
        return nullptr;
    }
    const apptest::HostedWindow hosted = apptest::showHostedWindow(testsupport::session(), QSize(1280, 720));
    m_window.reset(hosted.window);
    m_host = hosted.host;
    QApplication::setActiveWindow(m_window.get());
    if (!QTest::qWaitForWindowActive(m_window.get()))
        return nullptr;
    return m_window.get();
}

void tst_LockScreen::inputBehindTheCover_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("mouse click on a menu button") << "click button";
    QTest::newRow("space on a menu button") << "space button";
    QTest::newRow("key press to the navigation panel") << "key nav";
    QTest::newRow("click on another navigation item") << "click item";
    QTest::newRow("click on the help button") << "click help";
    QTest::newRow("wheel over the work area") << "wheel";
    QTest::newRow("tab out of the password panel") << "tab";
}

void tst_LockScreen::inputBehindTheCover()
{
    QFETCH(QString, input);
    frmMain *w = openWindow(QString::fromUtf8("张三"), QStringLiteral("zhang3"));
    QVERIFY(w);
    QVERIFY(w->But.size() > 1);
    kxImageButton *button = w->But[1];
    int clicks = 0;
    connect(button, &QAbstractButton::clicked, this, [&] { ++clicks; });
    int helps = 0;
    QVERIFY(testsupport::writeFile(m_site->programFolder() + "/zenlo.html", "<html/>"));
    testsupport::session().helpFile = m_site->programFolder() + "/zenlo.html";
    bCHM::setHelpOpener([&](const QString &) {
        ++helps;
        return true;
    });
    EventCounter navKeys(w->NavPanel, {QEvent::KeyPress, QEvent::KeyRelease});
    EventCounter wheels(w->PicTable, {QEvent::Wheel});
    int focusLeftThePanel = 0; // tab stops outside the password panel
    kxNavItem *first = w->NavPanel->activeItem();

    // Every input runs twice: locked it reaches nothing, unlocked it arrives.
    auto act = [&] {
        if (input == "click button") {
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (input == "space button") {
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Space);
        } else if (input == "key nav") {
            QTest::keyClick(w->NavPanel, Qt::Key_Down);
        } else if (input == "click item") {
            const QRect r = w->NavPanel->itemRect(w->NavPanel->item(2));
            QTest::mouseClick(w->NavPanel, Qt::LeftButton, {}, r.center());
        } else if (input == "click help") {
            QTest::mouseClick(w->ImgBtn[2], Qt::LeftButton);
        } else if (input == "wheel") {
            QWheelEvent e(QPointF(20, 20), w->PicTable->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w->PicTable, &e);
        } else if (input == "tab") {
            for (int i = 0; i < 5; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                if (!lock()->pic[1]->isAncestorOf(QApplication::focusWidget()))
                    ++focusLeftThePanel;
            }
        }
    };
    auto arrived = [&] {
        if (input == "click button" || input == "space button")
            return clicks;
        if (input == "key nav")
            return navKeys.count;
        if (input == "click item")
            return int(w->NavPanel->activeItem() != first);
        if (input == "click help")
            return helps;
        if (input == "wheel")
            return wheels.count;
        if (input == "tab")
            return focusLeftThePanel;
        return 0;
    };

    QTest::mouseClick(w->ImgBtn[1], Qt::LeftButton);
    QVERIFY(w->isLocked());
    for (int i : {0, 1, 2})
        QVERIFY(lock()->pic[i]->isVisible());
    const QRect cover = lock()->pic[0]->geometry();
    QVERIFY(cover.contains(QRect(QPoint(0, 0), w->size()).adjusted(0, 0, -2, -2)));
    QCOMPARE(lock()->pic[2]->geometry(), w->rect());
    QCOMPARE(lock()->pic[1]->geometry().center(), QRect(QPoint(), cover.size()).center());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(lock()->txtPassword));

    act();
    QCOMPARE(arrived(), 0);
    QVERIFY(w->isLocked());
    if (input == "tab")
        QVERIFY(lock()->pic[1]->isAncestorOf(QApplication::focusWidget()));
    QVERIFY(m_ui->boxes.isEmpty());

    lock()->txtPassword->setText(QStringLiteral("zhang3"));
    QTest::keyClick(lock()->txtPassword, Qt::Key_Return);
    QVERIFY(!w->isLocked());
    if (input == "tab")
        QTRY_VERIFY(QApplication::focusWidget() && !lock()->pic[1]->isAncestorOf(QApplication::focusWidget()));
    act();
    QVERIFY(arrived() > 0);
}

void tst_LockScreen::coverShowsTheWindowFaintly()
{
    frmMain *w = openWindow();
    QVERIFY(w);
    w->ImgBtn_Click(1);
    // A point of the white home area: 25/255 of white over the cover's colour.
    const QPoint inside = w->PicTable->mapTo(w, QPoint(40, 40));
    const QImage cover = lock()->pic[2]->picture().toImage();
    QVERIFY(!cover.isNull());
    const QColor c = cover.pixelColor(inside * cover.devicePixelRatio());
    // Cover #141f2b, white at 25/255 over it: #2b3540.
    const QColor expected(0x2b, 0x35, 0x40);
    QVERIFY2(qAbs(c.red() - expected.red()) <= 2 && qAbs(c.green() - expected.green()) <= 2
                 && qAbs(c.blue() - expected.blue()) <= 2,
             qPrintable(c.name()));
    QCOMPARE(c.alpha(), 255);
    // Unlocked, the pictures are gone.
    w->ImgBtn_Click(3);
    QVERIFY(!w->isLocked());
    QVERIFY(lock()->pic[0]->picture().isNull() && lock()->pic[2]->picture().isNull());
    for (int i : {0, 1, 2})
        QVERIFY(lock()->pic[i]->isHidden());
}

void tst_LockScreen::password_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("unlocks");
    QTest::newRow("right password") << "张三" << "zhang3" << "zhang3" << true;
    QTest::newRow("wrong password") << "张三" << "zhang3" << "li4" << false;
    QTest::newRow("empty for an operator with a password") << "张三" << "zhang3" << "" << false;
    QTest::newRow("case matters") << "张三" << "zhang3" << "ZHANG3" << false;
    QTest::newRow("no password: empty unlocks") << "admin" << "" << "" << true;
    QTest::newRow("no password: any text is wrong") << "admin" << "" << "x" << false;
}

void tst_LockScreen::password()
{
    QFETCH(QString, op);
    QFETCH(QString, password);
    QFETCH(QString, typed);
    QFETCH(bool, unlocks);
    frmMain *w = openWindow(op, password);
    QVERIFY(w);
    w->ImgBtn_Click(1);
    QVERIFY(lock()->txtPassword->text().isEmpty());
    lock()->txtPassword->setText(typed);
    QTest::mouseClick(lock()->ImgBtn3, Qt::LeftButton);
    QCOMPARE(!w->isLocked(), unlocks);
    QCOMPARE(lock()->pic[0]->isVisible(), !unlocks);
    QCOMPARE(lock()->pic[1]->isVisible(), !unlocks);
    // A failed attempt does not log the operator out.
    QVERIFY(testsupport::session().op->LoggedIn());
    QCOMPARE(testsupport::session().op->name(), op);
    if (unlocks) {
        QVERIFY(m_ui->boxes.isEmpty());
        QVERIFY(lock()->txtPassword->text().isEmpty());
    } else {
        QCOMPARE(m_ui->boxes.size(), 1);
        QCOMPARE(m_ui->boxes[0].text, QStringLiteral("请录入正确的用户密码! "));
        QCOMPARE(m_ui->boxes[0].title, QStringLiteral("提示："));
        QCOMPARE(m_ui->boxes[0].style, int(ui::Exclamation));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(lock()->txtPassword));
    }
}

void tst_LockScreen::panelDrag_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("moved");
    QTest::newRow("left button drags") << int(Qt::LeftButton) << QPoint(-70, 45);
    QTest::newRow("right button does not") << int(Qt::RightButton) << QPoint(0, 0);
    QTest::newRow("middle button does not") << int(Qt::MiddleButton) << QPoint(0, 0);
}

void tst_LockScreen::panelDrag()
{
    QFETCH(int, button);
    QFETCH(QPoint, moved);
    frmMain *w = openWindow();
    QVERIFY(w);
    w->ImgBtn_Click(1);
    QWidget *panel = lock()->pic[1];
    const QPoint start = panel->pos();
    const auto b = Qt::MouseButton(button);
    sendMouse(panel, QEvent::MouseButtonPress, QPoint(10, 10), b, b);
    sendMouse(panel, QEvent::MouseMove, QPoint(-60, 55), Qt::NoButton, b);
    QCOMPARE(panel->pos(), start + moved);
    sendMouse(panel, QEvent::MouseButtonRelease, QPoint(10, 10), b, Qt::NoButton);
    // After the release a move drags nothing.
    sendMouse(panel, QEvent::MouseMove, QPoint(200, 200), Qt::NoButton, Qt::NoButton);
    QCOMPARE(panel->pos(), start + moved);
    // No limit: the panel may leave the window.
    if (b == Qt::LeftButton) {
        sendMouse(panel, QEvent::MouseButtonPress, QPoint(0, 0), b, b);
        sendMouse(panel, QEvent::MouseMove, QPoint(-5000, -5000), Qt::NoButton, b);
        sendMouse(lock()->pic[0], QEvent::MouseButtonRelease, QPoint(0, 0), b, Qt::NoButton);
        QVERIFY(!panel->geometry().intersects(w->rect()));
    }
}

void tst_LockScreen::leaveFromTheLockScreen()
{
    frmMain *w = openWindow();
    QVERIFY(w);
    w->ImgBtn_Click(1);
    QTest::mouseClick(lock()->ImgBtn4, Qt::LeftButton);
    QVERIFY(!w->isVisible());
    QVERIFY(!testsupport::session().config && !testsupport::session().op);
    // The lock went with the window.
    QVERIFY(!w->isLocked());
    QCOMPARE(m_site->setting("NavPaneActiveItem"), QStringLiteral("PU"));
}

// The theme's piclogin.gif reaches the panel, also when the lock screen is made after the load.
void tst_LockScreen::themePanelPicture()
{
    m_site = std::make_unique<Site>(QStringLiteral("锁屏测试"), QStringLiteral("<settings><theme>blue</theme></settings>"));
    QVERIFY(m_site->ok() && m_site->installTheme());
    QVERIFY(m_site->open());
    frmMain w(testsupport::session());
    auto *host = new FunctionHost(testsupport::session(), w, &w);
    w.setMenuRunner(host);
    const QPixmap design = host->lockScreen()->pic[1]->picture();
    w.load();
    QVERIFY(!w.lockPanelFile().isEmpty());
    const QImage theme(w.lockPanelFile());
    QVERIFY(!theme.isNull());
    QCOMPARE(host->lockScreen()->pic[1]->picture().size(), theme.size());
    QVERIFY(host->lockScreen()->pic[1]->picture().cacheKey() != design.cacheKey());
}

void tst_LockScreen::help_data()
{
    QTest::addColumn<QString>("help");
    QTest::addColumn<QString>("message");
    QTest::newRow("no help file") << "" << "无法显示帮助目录，该工程没有相关联的帮助。";
    QTest::newRow("help file missing") << "help/none.html" << "无法显示帮助目录，没有找到该工程相关联的帮助文件。";
    QTest::newRow("help file shown") << "zenlo.html" << "";
}

void tst_LockScreen::help()
{
    QFETCH(QString, help);
    QFETCH(QString, message);
    frmMain *w = openWindow();
    QVERIFY(w);
    QVERIFY(testsupport::writeFile(m_site->programFolder() + "/zenlo.html", "<html/>"));
    testsupport::session().helpFile = help.isEmpty() ? QString() : m_site->programFolder() + "/" + help;
    QStringList opened;
    bCHM::setHelpOpener([&](const QString &file) {
        opened << file;
        return true;
    });
    QTest::mouseClick(w->ImgBtn[2], Qt::LeftButton);
    if (message.isEmpty()) {
        QVERIFY(m_ui->boxes.isEmpty());
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened[0].endsWith("zenlo.html"));
    } else {
        QVERIFY(opened.isEmpty());
        QCOMPARE(m_ui->boxes.size(), 1);
        QCOMPARE(m_ui->boxes[0].text, message);
        QCOMPARE(m_ui->boxes[0].title, QStringLiteral("提示:"));
        QCOMPARE(m_ui->boxes[0].style, int(ui::Information));
    }
}

QTEST_MAIN(tst_LockScreen)
#include "tst_lockscreen.moc"
