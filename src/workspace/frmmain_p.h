#pragma once
// What the main window's source files share and nobody else needs: the paint
// freezes of a layout pass, control naming, and the program-wide objects the
// window cannot work without.
#include "components/kx/kxnavpanel.h"
#include "core/logger.h"
#include "core/tabkey.h"
#include "platform/runtimeerror.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

namespace frmmain_detail {

inline QString describe(const std::exception &e)
{
    return RuntimeError::describe(e);
}

// The program-wide objects the window needs; a missing one is the run-time error
// of a program that uses an object it does not have.
template <typename T>
T *need(const std::unique_ptr<T> &object)
{
    if (!object)
        throw RuntimeError(QStringLiteral("对象变量或 With 块变量未设置"), RuntimeError::ObjectNotSet);
    return object.get();
}

inline void log1(const QString &text)
{
    Logger::WriteMessage(text, 1);
}

// The host index of a tab key, -1 when it names none (the home tab).
inline int hostingIndex(const QString &key)
{
    const auto n = tabkey::hostIndex(key);
    return n && *n >= 0 ? int(*n) : -1;
}

// Freezes the window's painting (and the navigation panel's and the current
// holder's redraw) for one layout pass, and releases it on every way out.
class PaintFreeze
{
public:
    PaintFreeze(QWidget *window, kxNavPanel *nav, QWidget *holder)
        : m_window(window)
        , m_nav(nav)
        , m_holder(holder)
    {
        // What each widget was set to itself, read before anything is frozen: a child's
        // updatesEnabled() already answers false once its window is frozen, and
        // "restoring" that would leave the holder (and the component in it) unpainted.
        m_windowWas = !window->testAttribute(Qt::WA_ForceUpdatesDisabled);
        if (m_holder)
            m_holderWas = !m_holder->testAttribute(Qt::WA_ForceUpdatesDisabled);
        window->setUpdatesEnabled(false);
        if (m_nav) {
            m_navWas = m_nav->redraw();
            m_nav->setRedraw(false);
        }
        if (m_holder)
            m_holder->setUpdatesEnabled(false);
    }
    ~PaintFreeze()
    {
        if (m_holder)
            m_holder->setUpdatesEnabled(m_holderWas);
        if (m_nav)
            m_nav->setRedraw(m_navWas);
        m_window->setUpdatesEnabled(m_windowWas);
    }
    PaintFreeze(const PaintFreeze &) = delete;
    PaintFreeze &operator=(const PaintFreeze &) = delete;

private:
    QWidget *m_window;
    QPointer<kxNavPanel> m_nav;
    QPointer<QWidget> m_holder;
    bool m_windowWas = true;
    bool m_navWas = true;
    bool m_holderWas = true;
};

// Switches the navigation panel's redraw off while items are added.
class RedrawOff
{
public:
    explicit RedrawOff(kxNavPanel *nav) : m_nav(nav), m_was(nav->redraw()) { nav->setRedraw(false); }
    ~RedrawOff() { m_nav->setRedraw(m_was); }
    RedrawOff(const RedrawOff &) = delete;
    RedrawOff &operator=(const RedrawOff &) = delete;

private:
    kxNavPanel *m_nav;
    bool m_was;
};

template <typename W>
W *named(W *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}
} // namespace frmmain_detail
