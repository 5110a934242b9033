// The idle lock's clock with real events sent through the application: a key
// press, a mouse press or move and a wheel turn start the time anew and take
// the warning back; a key or button release, a focus change or the pointer coming over a window
// do not.
#include "core/session.h"
#include "core/sessionprocs.h"
#include "workspace/idleclock.h"

#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QEnterEvent>
#include <QTest>
#include <QWheelEvent>

#include <memory>

#include "testsite.h"
#include "testsupport.h"

namespace {

std::unique_ptr<QEvent> eventOf(const QString &kind)
{
    const QPointF at(5, 5);
    if (kind == QLatin1String("key press"))
        return std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    if (kind == QLatin1String("key release"))
        return std::make_unique<QKeyEvent>(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    if (kind == QLatin1String("mouse press"))
        return std::make_unique<QMouseEvent>(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    if (kind == QLatin1String("mouse release"))
        return std::make_unique<QMouseEvent>(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    if (kind == QLatin1String("mouse move"))
        return std::make_unique<QMouseEvent>(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    if (kind == QLatin1String("wheel"))
        return std::make_unique<QWheelEvent>(at, at, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                                             Qt::NoScrollPhase, false);
    if (kind == QLatin1String("focus in"))
        return std::make_unique<QFocusEvent>(QEvent::FocusIn, Qt::MouseFocusReason);
    return std::make_unique<QEnterEvent>(at, at, at); // the pointer coming over a window
}

const QString kWarning = QStringLiteral("系统空闲，一分钟后将锁定屏幕");

} // namespace

class tst_IdleClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void input_data();
    void input();
    void waitsForAnOpenQuestion();

private:
    std::unique_ptr<testsupport::TestSite> m_site;
};

void tst_IdleClock::initTestCase()
{
    m_site = std::make_unique<testsupport::TestSite>();
    QVERIFY(m_site->ok());
    QVERIFY(testsupport::openSession(m_site->configPath())); // the warning goes to the session's status line
}

void tst_IdleClock::cleanupTestCase()
{
    bMain::LogOut();
    m_site.reset();
}

void tst_IdleClock::input_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("restarts");
    for (const char *kind : {"key press", "mouse press", "mouse move", "wheel"})
        QTest::newRow(kind) << QString::fromLatin1(kind) << true;
    for (const char *kind : {"key release", "mouse release", "focus in", "enter"})
        QTest::newRow(kind) << QString::fromLatin1(kind) << false;
}

void tst_IdleClock::input()
{
    QFETCH(QString, kind);
    QFETCH(bool, restarts);
    QString status;
    connect(Session::current(), &Session::statusPrompt, this, [&](const QString &line) { status = line; });
    int locks = 0;
    workspace::IdleClock clock([] { return false; }, [&] { ++locks; });
    clock.start(5);
    QLineEdit target;
    target.show();

    clock.tick(4 * 60000 + 1); // a minute before the lock
    QVERIFY2(status.endsWith(kWarning), qPrintable(status));
    QTRY_VERIFY(clock.idleMs() >= 300);
    const std::unique_ptr<QEvent> event = eventOf(kind);
    QApplication::sendEvent(&target, event.get());
    if (restarts) {
        QVERIFY2(clock.idleMs() < 300, qPrintable(QString::number(clock.idleMs())));
        QVERIFY2(!status.contains(kWarning), qPrintable(status)); // the warning went
    } else {
        QVERIFY(clock.idleMs() >= 300);
        QVERIFY(status.endsWith(kWarning));
    }
    // Warned once per idle spell: after input the next spell warns again.
    status.clear();
    clock.tick(4 * 60000 + 1);
    QCOMPARE(status.endsWith(kWarning), restarts);
    QCOMPARE(locks, 0);
    clock.tick(5 * 60000);
    QCOMPARE(locks, 1);
    disconnect(Session::current(), &Session::statusPrompt, this, nullptr);
}

// The time runs out while a question of the program is open: the lock waits for its answer (the
// cover could not take the password over it) and comes at the next step after.
void tst_IdleClock::waitsForAnOpenQuestion()
{
    int locks = 0;
    workspace::IdleClock clock([] { return false; }, [&] { ++locks; });
    clock.start(5);
    QDialog question;
    question.setModal(true);
    question.show();
    QTRY_VERIFY(QApplication::activeModalWidget() == &question);
    clock.tick(5 * 60000);
    QCOMPARE(locks, 0);
    question.accept();
    QTRY_VERIFY(!QApplication::activeModalWidget());
    clock.tick(5 * 60000 + 5000);
    QCOMPARE(locks, 1);
}

QTEST_MAIN(tst_IdleClock)
#include "tst_idleclock.moc"
