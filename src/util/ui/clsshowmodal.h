#pragma once
// Shows a window modally over one owner window while the rest of the program
// keeps running: other windows, timers and the owner's own painting go on,
// only the owner refuses input until the shown window is hidden or destroyed.
#include <QObject>
#include <QPointer>

class QEventLoop;
class QWidget;

class clsShowModal : public QObject
{
    Q_OBJECT
public:
    explicit clsShowModal(QObject *parent = nullptr);
    ~clsShowModal() override;

    // Shows window (modeless, kept above owner), disables owner and returns
    // when window is hidden (closed, hidden, minimised) or destroyed; owner is
    // then enabled and brought to the front. Pending events run meanwhile, so
    // the caller must expect re-entrancy. A window that is a Qt child of owner
    // would be disabled with it: it is shown as a top-level window for the
    // time of the showing and given back to its parent afterwards.
    // One instance serves one showing at a time; a second call while showing
    // returns at once. A null window returns at once; a null owner just waits.
    void ShowModal(QWidget *window, QWidget *owner);

    bool isShowing() const { return m_showing; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish();

    QPointer<QWidget> m_window;
    QEventLoop *m_loop = nullptr;
    bool m_showing = false;
};
