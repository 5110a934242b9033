#pragma once
// The lock screen over the main window: a cover showing the window faintly
// behind it and a password panel (pic(1)) the operator may drag anywhere. While
// it is up no key, click, wheel or shortcut reaches a control of the window
// outside the panel and the keyboard cannot wander behind the cover; message
// boxes raised over it take their answers; the program's other windows are
// hidden until it is unlocked. Open tabs, edit
// windows and half-typed fields stay as they are. Only the logged-in
// operator's password takes it away again; a wrong one changes nothing else.
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>

#include <memory>

class QLineEdit;
class QWidget;
class PictureBox;
class Session;
class kxImageButton;

class LockScreen : public QObject
{
    Q_OBJECT
public:
    LockScreen(Session &session, QWidget *window);
    ~LockScreen() override;

    // Covers the window (nothing when it is covered already).
    void lock();
    // Checks the typed password: the right one takes the cover away and gives
    // the keyboard back where it was; a wrong one says so and keeps it.
    void unlock();
    bool isLocked() const { return m_locked; }
    // The theme's panel picture; a file that is no picture keeps the design (logged).
    void setPanelPicture(const QString &file);

    // The controls, by their names in the window: 0 cover over the window's
    // area, 1 password panel, 2 surface over the whole window.
    QList<PictureBox *> pic;
    QLineEdit *txtPassword = nullptr;
    kxImageButton *ImgBtn3 = nullptr; // 返回系统
    kxImageButton *ImgBtn4 = nullptr; // 退出系统

Q_SIGNALS:
    // The operator leaves the program from the lock screen.
    void leaveRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class InputGate;
    friend class InputGate;

    void build();
    void placeCover();
    void endLock();
    bool blocksInput(QObject *receiver, QEvent *event) const;
    QWidget *focusAfterUnlock() const;

    Session &m_session;
    QPointer<QWidget> m_window;
    std::unique_ptr<InputGate> m_gate;
    bool m_locked = false;
    bool m_dragging = false;
    QPointF m_dragStart;
    QPointer<QWidget> m_focusBeforeLock;
    QList<QPointer<QWidget>> m_hidden; // the program's other windows, out of sight while locked
};
