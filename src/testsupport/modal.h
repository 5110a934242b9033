#pragma once
// Answering a modal window the way a person would, without ever waiting for a
// test's time-out: the answer runs as soon as a modal window of the asked
// class is up; a window that does not come within the wait fails the test at
// once, and every modal window still open then (or left open by an answer
// that failed half-way) is closed, so the code under test returns.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace testsupport {

inline void closeModalWindows()
{
    for (int guard = 0; guard < 20; ++guard) {
        QWidget *w = QApplication::activeModalWidget();
        if (!w)
            return;
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
        else
            w->close();
        if (w->isVisible())
            w->hide();
    }
}

// Arms the answer before the call that shows the window. The returned flag
// turns true once the answer ran.
template <typename Window>
std::shared_ptr<bool> whenModal(std::function<void(Window *)> answer, int waitMs = 10000,
                                const char *file = __builtin_FILE(), int line = __builtin_LINE())
{
    auto answered = std::make_shared<bool>(false);
    auto *timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        Window *w = qobject_cast<Window *>(modal);
        if (w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            QPointer<QWidget> guard = modal;
            answer(w);
            *answered = true;
            // An answer that failed before it closed the window must not leave the caller waiting.
            if (guard && guard->isVisible() && QApplication::activeModalWidget() == guard)
                closeModalWindows();
            return;
        }
        if (clock->elapsed() > waitMs) {
            timer->stop();
            timer->deleteLater();
            const QByteArray why = QByteArray("no modal ") + Window::staticMetaObject.className() + " appeared within "
                + QByteArray::number(waitMs) + " ms" + (modal ? QByteArray(" (a ") + modal->metaObject()->className() + " did)" : QByteArray());
            QTest::qFail(why.constData(), file, line);
            closeModalWindows();
        }
    });
    timer->start();
    return answered;
}

} // namespace testsupport
