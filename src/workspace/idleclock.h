#pragma once
// The idle lock's clock: after the configured minutes without keyboard or
// mouse input to any window of the program it locks, with a warning on the
// status line one minute before. Input clears the warning and starts the time
// anew; while the program is locked (or ending) the clock only waits, and an
// open question or dialog holds the lock back until it is answered.
#include <QElapsedTimer>
#include <QObject>

#include <functional>

class QTimer;

namespace workspace {

class IdleClock : public QObject
{
public:
    // paused: whether the clock waits (locked, or the window is going);
    // lock: what locking does (the lock button's path).
    IdleClock(std::function<bool()> paused, std::function<void()> lock, QObject *parent = nullptr);
    ~IdleClock() override;

    // Starts the clock with the configured minutes; 0 keeps it off.
    void start(int minutes);
    void stop();
    int minutes() const { return m_minutes; }
    // The time since the last input (or the start), as the timer measures it.
    qint64 idleMs() const { return m_lastInput.isValid() ? m_lastInput.elapsed() : 0; }
    // One step with the time since the last input (the timer calls it every
    // five seconds with the time measured; tests call it with the time they need).
    void tick(qint64 idleMs);

protected:
    // Any input to any window of the program.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<bool()> m_paused;
    std::function<void()> m_lock;
    int m_minutes = 0; // 0: no idle lock
    bool m_warned = false;
    bool m_watching = false;
    QElapsedTimer m_lastInput;
    QTimer *m_timer = nullptr;
};

} // namespace workspace
