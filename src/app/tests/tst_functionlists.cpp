// The function search and the recent and pinned functions in the main window
// on the demo site, wired as the program wires it: what the search box offers
// and runs, what is kept per operator across a restart, and that stored codes
// the operator can no longer run are never shown nor run.
#include "components/kx/kxlinklabel.h"
#include "components/kx/kxvstab.h"
#include "components/sysservices.h"
#include "core/functionlists.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "hosting/functionhost.h"
#include "platform/appinfo.h"
#include "platform/objectfactory.h"
#include "workspace/frmmain.h"
#include "workspace/functionsearchbox.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "testsite.h"
#include "hosted_helper.h"
#include "testsupport.h"

using testsupport::TestSite;

namespace {

void picture(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("ZENLO_SCREENSHOT_DIR");
    if (dir.isEmpty() || !w)
        return;
    QDir().mkpath(dir);
    QTest::qWait(50);
    w->grab().save(dir + u'/' + name + QStringLiteral(".png"));
}

// Chooses the entry of the next popup menu with this text, as a person would.
void whenMenu(const QString &text)
{
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, text] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu && ++*tries < 200)
            return;
        timer->stop();
        timer->deleteLater();
        if (!menu)
            return;
        for (QAction *a : menu->actions()) {
            if (a->text() == text) {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    });
    timer->start(10);
}

// Types as an operator does: letters on the keyboard, Chinese through the input method.
void type(QWidget *box, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(box, char(c.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(box, &commit);
        }
    }
}

QStringList menuCodesOfTabs(frmMain &w)
{
    QStringList out;
    for (int i = 2; i <= w.tabCount(); ++i)
        out << w.tabKey(i).section(u'-', 0, 0);
    return out;
}

} // namespace

class tst_FunctionLists : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void typedSearchRunsTheFunction_data();
    void typedSearchRunsTheFunction();
    void ctrlFAndEscape();
    void recentList_data();
    void recentList();
    void keptAcrossARestart();
    void pinFromTheTabMenuAndTheResults();
    void goneAndRefusedCodesDropped();
    void atMostThirtyPinned_data();
    void atMostThirtyPinned();

private:
    bool open(const QString &op = QStringLiteral("admin"), const QString &password = QString());
    bool reopen(TestSite &site, const QString &op, const QString &password);
    void closeWindow();
    bool run(const QString &code);

    std::unique_ptr<TestSite> m_site;
    std::unique_ptr<testsupport::RecordingUi> m_ui;
    frmMain *m_window = nullptr;
    FunctionHost *m_host = nullptr;
};

void tst_FunctionLists::init()
{
    m_ui = std::make_unique<testsupport::RecordingUi>();
}

void tst_FunctionLists::cleanup()
{
    closeWindow();
    bMain::LogOut();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_site.reset();
    m_ui.reset();
}

bool tst_FunctionLists::open(const QString &op, const QString &password)
{
    m_site = std::make_unique<TestSite>();
    if (!m_site->ok() || !reopen(*m_site, op, password))
        return false;
    // The per-user settings outlive a site: each test starts with empty lists.
    Session &s = *Session::current();
    for (const char *section : {"recentfunctions", "pinnedfunctions"})
        for (const QString &who : {QStringLiteral("admin"), QStringLiteral("张三"), QStringLiteral("李四")})
            s.saveSetting(QString::fromLatin1(section), who, QString());
    Q_EMIT functionlists::notifier(s)->changed();
    return true;
}

bool tst_FunctionLists::reopen(TestSite &site, const QString &op, const QString &password)
{
    apptest::HostedWindow w;
    const bool shown = apptest::openWorkspace(site.configPath(), op, password, &w);
    m_window = w.window;
    m_host = w.host;
    return shown;
}

void tst_FunctionLists::closeWindow()
{
    if (m_window)
        m_window->close();
    delete m_window;
    m_window = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool tst_FunctionLists::run(const QString &code)
{
    bool inEdit = false, done = false;
    m_host->ExecuteMenu(code, inEdit, done);
    QTest::qWait(10);
    return done;
}

void tst_FunctionLists::typedSearchRunsTheFunction_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("downs"); // Down presses before Enter
    QTest::addColumn<QString>("opened");
    QTest::newRow("initials, first match") << "cgdd" << 0 << "010101";
    QTest::newRow("initials, the second") << "cgdd" << 1 << "010102";
    QTest::newRow("Down wraps round") << "库存" << 2 << "030301"; // 库存台账, 库存余额表, then the first again
    QTest::newRow("code") << "030301" << 0 << "030301";
    QTest::newRow("name") << "记账" << 0 << "040103";
    QTest::newRow("nothing found, nothing runs") << "' or 1=1 --" << 0 << "";
}

void tst_FunctionLists::typedSearchRunsTheFunction()
{
    QFETCH(QString, typed);
    QFETCH(int, downs);
    QFETCH(QString, opened);
    QVERIFY(open());
    workspace::FunctionSearchBox *box = m_window->txtFunctionSearch;
    QVERIFY(box && box->isVisible());
    box->setFocus();
    type(box, typed);
    QVERIFY(box->resultsVisible());
    if (qstrcmp(QTest::currentDataTag(), "initials, the second") == 0) {
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Up);
        picture(m_window, QStringLiteral("search-results"));
    }
    for (int i = 0; i < downs; ++i)
        QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Return);
    QCoreApplication::processEvents(); // a choice that opens nothing is judged after the posted events ran
    QTRY_COMPARE(menuCodesOfTabs(*m_window), opened.isEmpty() ? QStringList{} : QStringList{opened});
    QCOMPARE(functionlists::recent(*Session::current()), opened.isEmpty() ? QStringList{} : QStringList{opened});
    QVERIFY(m_ui->boxes.isEmpty());
    if (!opened.isEmpty()) {
        QVERIFY(!box->resultsVisible());
        QVERIFY(box->text().isEmpty());
    }
}

void tst_FunctionLists::ctrlFAndEscape()
{
    QVERIFY(open());
    QVERIFY(run(QStringLiteral("010101")));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused && focused != m_window->txtFunctionSearch);
    QTest::keyClick(focused, Qt::Key_F, Qt::ControlModifier);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_window->txtFunctionSearch));
    QVERIFY(m_window->txtFunctionSearch->resultsVisible());
    // Before anything is typed: the recent functions under their heading.
    QCOMPARE(m_window->txtFunctionSearch->shownCodes(), QStringList{"010101"});
    QTest::keyClick(m_window->txtFunctionSearch, Qt::Key_Escape);
    QVERIFY(!m_window->txtFunctionSearch->resultsVisible());
    QCOMPARE(m_window->tabCount(), 2);
    // Locked, the search neither shows nor takes the keyboard.
    QTest::keyClick(m_window->txtFunctionSearch, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(m_window->txtFunctionSearch->resultsVisible());
    m_window->ImgBtn_Click(1);
    QVERIFY(m_window->isLocked());
    QVERIFY(!m_window->txtFunctionSearch->resultsVisible());
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : m_window, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!m_window->txtFunctionSearch->hasFocus());
    QVERIFY(!m_window->txtFunctionSearch->resultsVisible());
}

void tst_FunctionLists::recentList_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("runs");
    QTest::addColumn<QStringList>("recent");
    QTest::newRow("most recent first, once each")
        << "admin" << "" << QStringList{"010101", "010301", "010101", "030301"} << QStringList{"030301", "010101", "010301"};
    QTest::newRow("the last ten")
        << "admin" << ""
        << QStringList{"010101", "010102", "010103", "010201", "010202", "010301", "010302", "010303", "020101", "020102",
                       "020103", "020201"}
        << QStringList{"020201", "020103", "020102", "020101", "010303", "010302", "010301", "010202", "010201", "010103"};
    QTest::newRow("a catalog is no function") << "admin" << "" << QStringList{"0101", "010101"} << QStringList{"010101"};
    QTest::newRow("a refused function is not recorded") << "李四" << "li4" << QStringList{"010101", "030301"} << QStringList{"030301"};
    QTest::newRow("a code that is gone") << "admin" << "" << QStringList{"999999"} << QStringList{};
}

void tst_FunctionLists::recentList()
{
    QFETCH(QString, op);
    QFETCH(QString, password);
    QFETCH(QStringList, runs);
    QFETCH(QStringList, recent);
    QVERIFY(open(op, password));
    for (const QString &c : std::as_const(runs))
        run(c);
    QCOMPARE(functionlists::recent(*Session::current()), recent);
    m_window->showHome();
    QCOMPARE(m_window->picFunctions->recentCodes(), recent);
}

void tst_FunctionLists::keptAcrossARestart()
{
    QVERIFY(open(QStringLiteral("张三"), QStringLiteral("zhang3")));
    for (const char *c : {"010101", "010301", "010201"})
        QVERIFY(run(QString::fromLatin1(c)));
    QVERIFY(m_window->functions->setPinned(QStringLiteral("010303"), true));
    QVERIFY(m_window->functions->setPinned(QStringLiteral("010101"), true));
    QVERIFY(!m_window->functions->setPinned(QStringLiteral("010101"), true)); // already
    QVERIFY(!m_window->functions->setPinned(QStringLiteral("040101"), true)); // not his
    // The operator leaves; another one comes and goes; he comes back.
    closeWindow();
    bMain::LogOut();
    std::unique_ptr<TestSite> site = std::move(m_site);
    QVERIFY(reopen(*site, QStringLiteral("李四"), QStringLiteral("li4")));
    QVERIFY(m_window->picFunctions->pinnedCodes().isEmpty());
    QVERIFY(m_window->picFunctions->recentCodes().isEmpty());
    closeWindow();
    bMain::LogOut();
    QVERIFY(reopen(*site, QStringLiteral("张三"), QStringLiteral("zhang3")));
    m_site = std::move(site);
    QCOMPARE(m_window->picFunctions->pinnedCodes(), (QStringList{"010303", "010101"}));
    QCOMPARE(m_window->picFunctions->recentCodes(), (QStringList{"010201", "010301", "010101"}));
    QVERIFY(m_window->picFunctions->isVisible());
    QVERIFY(!m_window->txtFunctionSearch->resultsVisible()); // nothing pops up by itself
    QVERIFY(run(QStringLiteral("0101"))); // a catalog: its map in the home area, no recent function
    QCOMPARE(m_window->picFunctions->recentCodes(), (QStringList{"010201", "010301", "010101"}));
    picture(m_window, QStringLiteral("home-functions"));
    // The search box offers both before anything is typed.
    m_window->txtFunctionSearch->activateSearch();
    QCOMPARE(m_window->txtFunctionSearch->shownCodes(), (QStringList{"010303", "010101", "010201", "010301", "010101"}));
    picture(m_window, QStringLiteral("search-empty"));
    type(m_window->txtFunctionSearch, QStringLiteral("cg"));
    picture(m_window, QStringLiteral("search-home"));
    QTest::keyClick(m_window->txtFunctionSearch, Qt::Key_Escape);
    m_window->txtFunctionSearch->clear();
    // A link runs its function through ExecuteMenu.
    QVERIFY(m_window->picFunctions->clickLink(QStringLiteral("010303")));
    QTRY_COMPARE(menuCodesOfTabs(*m_window), QStringList{"010303"});
    QCOMPARE(functionlists::recent(*Session::current()).value(0), QStringLiteral("010303"));
}

void tst_FunctionLists::pinFromTheTabMenuAndTheResults()
{
    QVERIFY(open());
    QVERIFY(run(QStringLiteral("030301")));
    whenMenu(QStringLiteral("固定到常用"));
    Q_EMIT m_window->kxVSTab->tabMenuRequested(2, m_window->mapToGlobal(QPoint(300, 300)));
    QCOMPARE(functionlists::pinned(*Session::current()), QStringList{"030301"});
    QCOMPARE(m_window->picFunctions->pinnedCodes(), QStringList{"030301"});
    QCOMPARE(m_window->tabCount(), 2); // pinning closes nothing
    // The result's star pins another; the tab menu then offers to unpin.
    workspace::FunctionSearchBox *box = m_window->txtFunctionSearch;
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("cgddlr"));
    QListWidget *list = box->resultList();
    QVERIFY(list && list->count() == 1);
    const QRect row = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(list->viewport()->width() - 10, row.center().y()));
    QCOMPARE(functionlists::pinned(*Session::current()), (QStringList{"030301", "010101"}));
    QCOMPARE(m_window->tabCount(), 2); // the star runs nothing
    picture(m_window, QStringLiteral("search-pinned"));
    whenMenu(QStringLiteral("取消固定"));
    Q_EMIT m_window->kxVSTab->tabMenuRequested(2, m_window->mapToGlobal(QPoint(300, 300)));
    QCOMPARE(functionlists::pinned(*Session::current()), QStringList{"010101"});
    // A click on the rest of the row runs it.
    box->clear();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("cgddlr"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(40, row.center().y()));
    QTRY_COMPARE(menuCodesOfTabs(*m_window), (QStringList{"030301", "010101"}));
}

void tst_FunctionLists::goneAndRefusedCodesDropped()
{
    QVERIFY(open(QStringLiteral("李四"), QStringLiteral("li4")));
    Session &s = *Session::current();
    // Stored earlier: a purchase function he may not run (any longer), a code that
    // is gone, a catalog, a quote, an empty part, and his stock ledger.
    s.saveSetting(QStringLiteral("pinnedfunctions"), QStringLiteral("李四"), QStringLiteral("010101,999999,0301,01'01,,030301"));
    s.saveSetting(QStringLiteral("recentfunctions"), QStringLiteral("李四"), QStringLiteral("020101, 030101 ,999999,030101"));
    Q_EMIT functionlists::notifier(s)->changed();
    QCOMPARE(m_window->picFunctions->pinnedCodes(), QStringList{"030301"});
    QCOMPARE(m_window->picFunctions->recentCodes(), QStringList{"030101"});
    QVERIFY(!m_window->picFunctions->clickLink(QStringLiteral("010101")));
    m_window->txtFunctionSearch->activateSearch();
    QCOMPARE(m_window->txtFunctionSearch->shownCodes(), (QStringList{"030301", "030101"}));
    QVERIFY(!m_window->functions->run(QStringLiteral("010101")));
    QVERIFY(!m_window->functions->setPinned(QStringLiteral("020101"), true));
    QCOMPARE(m_window->tabCount(), 1);
    QVERIFY(m_ui->boxes.isEmpty()); // dropped silently, never run
}

// An operator keeps at most 30 pinned functions: the 31st is refused until one
// goes, and a longer stored list (from elsewhere) counts its first 30.
void tst_FunctionLists::atMostThirtyPinned_data()
{
    QTest::addColumn<int>("stored"); // codes P01, P02, ... pinned before
    QTest::addColumn<QString>("unpinFirst");
    QTest::addColumn<bool>("taken"); // whether 010101 gets pinned
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("last");
    QTest::newRow("29 pinned: the 30th is taken") << 29 << "" << true << 30 << "010101";
    QTest::newRow("30 pinned: the 31st is refused") << 30 << "" << false << 30 << "P30";
    QTest::newRow("30 pinned, one unpinned: taken again") << 30 << "P07" << true << 30 << "010101";
    QTest::newRow("35 stored: 30 count, nothing more") << 35 << "" << false << 30 << "P30";
    QTest::newRow("35 stored, one shown unpinned: still 30 behind it") << 35 << "P07" << false << 30 << "P31";
}

void tst_FunctionLists::atMostThirtyPinned()
{
    QFETCH(int, stored);
    QFETCH(QString, unpinFirst);
    QFETCH(bool, taken);
    QFETCH(int, count);
    QFETCH(QString, last);
    QVERIFY(open());
    Session &s = *Session::current();
    QStringList codes;
    for (int i = 1; i <= stored; ++i)
        codes << QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0'));
    QVERIFY(s.saveSetting(QStringLiteral("pinnedfunctions"), QStringLiteral("admin"), codes.join(u',')));
    if (!unpinFirst.isEmpty())
        QVERIFY(m_window->functions->setPinned(unpinFirst, false));
    QCOMPARE(m_window->functions->setPinned(QStringLiteral("010101"), true), taken);
    const QStringList pinned = functionlists::pinned(s);
    QCOMPARE(pinned.size(), count);
    QCOMPARE(pinned.last(), last);
    QCOMPARE(functionlists::isPinned(s, QStringLiteral("010101")), taken);
    // The window shows the one function the operator can run.
    QCOMPARE(m_window->picFunctions->pinnedCodes(), taken ? QStringList{"010101"} : QStringList());
}

QTEST_MAIN(tst_FunctionLists)
#include "tst_functionlists.moc"
