#include "util/ui/clsshowmodal.h"

#include <QEvent>
#include <QEventLoop>
#include <QWidget>
#include <QWindow>

clsShowModal::clsShowModal(QObject *parent)
    : QObject(parent)
{
}

clsShowModal::~clsShowModal()
{
    finish();
}

static bool isInside(const QWidget *widget, const QWidget *ancestor)
{
    for (const QWidget *w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget())
        if (w == ancestor)
            return true;
    return false;
}

void clsShowModal::ShowModal(QWidget *window, QWidget *owner)
{
    if (!window || m_showing)
        return;
    m_showing = true;
    m_window = window;
    QPointer<QWidget> ownerGuard(owner);

    // Disabling the owner disables its Qt children, windows included.
    QPointer<QWidget> formerParent;
    Qt::WindowFlags formerFlags;
    if (owner && isInside(window, owner)) {
        formerParent = window->parentWidget();
        formerFlags = window->windowFlags();
        window->setParent(nullptr, formerFlags | Qt::Window);
    }

    window->installEventFilter(this);
    const auto destroyedConnection = connect(window, &QObject::destroyed, this, [this] { finish(); });

    window->show();
    // The owner relation of the window system keeps the window above its owner.
    if (owner && window->isWindow() && window->windowHandle() && owner->window()->windowHandle())
        window->windowHandle()->setTransientParent(owner->window()->windowHandle());
    if (owner)
        owner->setEnabled(false);

    // A window that hid itself while being shown needs no wait.
    if (m_showing && window->isVisible()) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec(QEventLoop::AllEvents);
        m_loop = nullptr;
    }
    finish();
    disconnect(destroyedConnection);

    if (m_window) {
        m_window->removeEventFilter(this);
        if (formerParent)
            m_window->setParent(formerParent, formerFlags);
    }
    m_window = nullptr;

    if (ownerGuard) {
        ownerGuard->setEnabled(true);
        ownerGuard->raise();
        ownerGuard->activateWindow();
    }
}

bool clsShowModal::eventFilter(QObject *watched, QEvent *event)
{
    // The loop is only told to stop here; it stops after the window has
    // handled the event in full.
    if (watched == m_window && event->type() == QEvent::Hide)
        finish();
    return QObject::eventFilter(watched, event);
}

void clsShowModal::finish()
{
    m_showing = false;
    if (m_loop)
        m_loop->quit();
}
