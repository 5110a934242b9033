// The main window's header and footer: the header buttons and the alert link
// reach function hosting, the password and about links open their windows
// modally, and the toggle hides and shows the navigation panel.
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxnavpanel.h"
#include "components/kx/picturebox.h"
#include "workspace/frmmain.h"
#include "workspace/layout.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

#include "modal.h"
#include "testsupport.h"
#include "workspace_helper.h"

using wstest::Site;

class tst_HeaderLinks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void headerButtons_data();
    void headerButtons();
    void alertLink_data();
    void alertLink();
    void modalLinks_data();
    void modalLinks();
    void navPanelToggle();

private:
    frmMain *openWindow();
    std::unique_ptr<Site> m_site;
    std::unique_ptr<frmMain> m_window;
    testsupport::RecordingUi *m_ui = nullptr;
    wstest::RecordingRunner m_runner;
};

void tst_HeaderLinks::init()
{
    m_ui = new testsupport::RecordingUi;
    m_runner = wstest::RecordingRunner{};
}

void tst_HeaderLinks::cleanup()
{
    m_window.reset();
    m_site.reset();
    bMain::LogOut();
    delete m_ui;
    m_ui = nullptr;
}

frmMain *tst_HeaderLinks::openWindow()
{
    m_site = std::make_unique<Site>(QStringLiteral("页眉测试"));
    if (!m_site->ok() || !m_site->open()) {
        qWarning() << m_site->error();
        return nullptr;
    }
    m_window = std::make_unique<frmMain>(testsupport::session());
    m_window->setMenuRunner(&m_runner);
    m_window->load();
    m_window->setWindowState(Qt::WindowNoState);
    m_window->resize(1280, 720);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    if (!QTest::qWaitForWindowActive(m_window.get()))
        return nullptr;
    return m_window.get();
}

void tst_HeaderLinks::headerButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("leave") << 0;
    QTest::newRow("lock") << 1;
    QTest::newRow("help") << 2;
}

// The window only passes a click on: what each button does is hosting's.
void tst_HeaderLinks::headerButtons()
{
    QFETCH(int, button);
    frmMain *w = openWindow();
    QVERIFY(w);
    QVERIFY(!w->ImgBtn[3] && !w->ImgBtn[4]);
    QTest::mouseClick(w->ImgBtn[button], Qt::LeftButton);
    QCOMPARE(m_runner.headerClicks, QList<int>{button});
    QVERIFY(w->isVisible());
    QVERIFY(m_ui->boxes.isEmpty());
}

void tst_HeaderLinks::alertLink_data()
{
    QTest::addColumn<bool>("switchedOn");
    QTest::newRow("alert button off: the message") << false;
    QTest::newRow("alert button on: the alerts") << true;
}

void tst_HeaderLinks::alertLink()
{
    QFETCH(bool, switchedOn);
    frmMain *w = openWindow();
    QVERIFY(w);
    w->setAlertButton(true, switchedOn);
    QCOMPARE(w->ImgBtn[5]->isSwitchedOn(), switchedOn);
    QVERIFY(w->lnklbl[5]->isVisible());
    w->lnklbl[5]->activate();
    QCOMPARE(m_runner.headerClicks.count(5), switchedOn ? 1 : 0);
    if (switchedOn) {
        QVERIFY(m_ui->boxes.isEmpty());
    } else {
        QCOMPARE(m_ui->boxes.size(), 1);
        QCOMPARE(m_ui->boxes[0].text, QStringLiteral("当前系统无任何可预警的报表    "));
        QCOMPARE(m_ui->boxes[0].title, QStringLiteral("提示"));
        QCOMPARE(m_ui->boxes[0].style, int(ui::Information));
    }
    // The alert button itself runs the same action; an inactive one does not click.
    QTest::mouseClick(w->ImgBtn[5], Qt::LeftButton);
    QCOMPARE(m_runner.headerClicks.count(5), switchedOn ? 2 : 1);
    w->setAlertButton(false, false);
    QTest::mouseClick(w->ImgBtn[5], Qt::LeftButton);
    QCOMPARE(m_runner.headerClicks.count(5), switchedOn ? 2 : 1);
}

void tst_HeaderLinks::modalLinks_data()
{
    QTest::addColumn<int>("link");
    QTest::addColumn<QString>("window");
    QTest::newRow("link 3: change password") << 3 << "frmPass";
    QTest::newRow("link 4: about") << 4 << "frmAbout";
}

void tst_HeaderLinks::modalLinks()
{
    QFETCH(int, link);
    QFETCH(QString, window);
    frmMain *w = openWindow();
    QVERIFY(w);
    QString shown;
    bool modal = false;
    const auto answered = testsupport::whenModal<QDialog>([&](QDialog *dialog) {
        shown = QString::fromLatin1(dialog->metaObject()->className());
        modal = dialog->isModal();
        dialog->close();
    });
    w->lnklbl[link]->activate();
    QVERIFY(*answered);
    QCOMPARE(shown, window);
    QVERIFY(modal);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_HeaderLinks::navPanelToggle()
{
    frmMain *w = openWindow();
    QVERIFY(w);
    const double d = w->dpi();
    const int panelRight = w->NavPanel->geometry().right();
    QTest::mouseClick(w->Button21, Qt::LeftButton);
    QVERIFY(w->NavPanel->isHidden());
    QVERIFY(w->imgSplitter->isHidden());
    QCOMPARE(w->Button21->picture().cacheKey(), w->Img[7]->picture().cacheKey());
    // The work area takes the column: it starts where the panel did.
    QCOMPARE(w->PicMain->x(), workspace::twipsToPixels(w->layoutModel().navPanel.left, d));
    QVERIFY(w->PicMain->width() > w->width() - 10);
    QTest::mouseClick(w->Button21, Qt::LeftButton);
    QVERIFY(w->NavPanel->isVisible());
    QCOMPARE(w->Button21->picture().cacheKey(), w->Img[6]->picture().cacheKey());
    QCOMPARE(w->NavPanel->geometry().right(), panelRight);
    QVERIFY(w->PicMain->x() > panelRight);
    // A resize pass keeps the panel hidden when it was hidden.
    QTest::mouseClick(w->Button21, Qt::LeftButton);
    w->resize(1200, 700);
    QTRY_COMPARE(w->width(), 1200);
    QVERIFY(w->NavPanel->isHidden());
    QCOMPARE(w->PicMain->x(), workspace::twipsToPixels(w->layoutModel().navPanel.left, d));
}

QTEST_MAIN(tst_HeaderLinks)
#include "tst_headerlinks.moc"
