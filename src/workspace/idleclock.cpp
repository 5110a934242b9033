#include "workspace/idleclock.h"
#include "workspace/menurules.h"

#include "core/sessionprocs.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace workspace {

IdleClock::IdleClock(std::function<bool()> paused, std::function<void()> lock, QObject *parent)
    : QObject(parent)
    , m_paused(std::move(paused))
    , m_lock(std::move(lock))
{
}

IdleClock::~IdleClock()
{
    if (m_watching && qApp)
        qApp->removeEventFilter(this);
}

void IdleClock::start(int minutes)
{
    m_minutes = minutes;
    if (m_minutes <= 0)
        return;
    m_lastInput.start();
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(5000);
        connect(m_timer, &QTimer::timeout, this, [this] { tick(m_lastInput.elapsed()); });
    }
    m_timer->start();
    if (!m_watching) {
        qApp->installEventFilter(this);
        m_watching = true;
    }
}

void IdleClock::stop()
{
    if (m_timer)
        m_timer->stop();
}

void IdleClock::tick(qint64 idleMs)
{
    if (m_paused()) {
        m_warned = false;
        return;
    }
    switch (idleStep(idleMs, m_minutes, m_warned)) {
    case IdleStep::Warn:
        m_warned = true;
        bMain::StatusPrompt(QStringLiteral("系统空闲，一分钟后将锁定屏幕"));
        break;
    case IdleStep::Lock:
        // A question or dialog of the program is open: the lock waits until it is
        // answered (the cover could not take the password while it is up).
        if (QApplication::activeModalWidget())
            break;
        // As the lock button does: tabs, edit windows and typed work stay behind the cover.
        m_warned = false;
        bMain::StatusPrompt(QString());
        m_lock();
        break;
    case IdleStep::Nothing:
        break;
    }
}

bool IdleClock::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        m_lastInput.restart();
        if (m_warned) {
            m_warned = false;
            bMain::StatusPrompt(QString());
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace workspace
