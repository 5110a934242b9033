#include "hosting/lockscreen.h"

#include "components/kx/kxdesign.h"
#include "components/kx/kximagebutton.h"
#include "components/kx/kxstyle.h"
#include "components/kx/picturebox.h"
#include "components/sysservices.h"
#include "core/logger.h"
#include "core/session.h"
#include "hosting/hostrules.h"
#include "platform/uiservice.h"
#include "util/ui/mscreen.h"

#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

// The window shows through the cover with a constant alpha of 25 of 255.
constexpr qreal kBlendAlpha = 25.0 / 255.0;
// The cover lies 30 twips above and left of the window's area, as the main
// window's other surfaces are placed in twips.
constexpr double kCoverOffsetTwips = 30;

QColor coverColor()
{
    return QColor(0x14, 0x1f, 0x2b);
}

template <typename W>
W *named(W *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

} // namespace

// Installed on the application while the screen is locked, so it sees events
// sent straight to a control as well as those the window system delivers.
class LockScreen::InputGate : public QObject
{
public:
    explicit InputGate(LockScreen *owner) : m_owner(owner) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            auto *w = qobject_cast<QWidget *>(watched);
            if (w && m_owner->blocksInput(w, event)) {
                m_owner->txtPassword->setFocus(Qt::OtherFocusReason);
                return true;
            }
            return false;
        }
        return m_owner->blocksInput(watched, event);
    }

private:
    LockScreen *m_owner;
};

LockScreen::LockScreen(Session &session, QWidget *window)
    : QObject(window)
    , m_session(session)
    , m_window(window)
{
    build();
    window->installEventFilter(this);
}

LockScreen::~LockScreen()
{
    endLock();
}

void LockScreen::build()
{
    QWidget *w = m_window;
    for (int i = 0; i < 3; ++i) {
        auto *p = named(new PictureBox(w), QStringLiteral("pic%1").arg(i));
        p->hide();
        p->installEventFilter(this);
        pic << p;
    }
    pic[0]->setBackground(coverColor());
    pic[2]->setBackground(coverColor());
    PictureBox *panel = pic[1];
    panel->setParent(pic[0]);
    panel->hide();
    panel->setBackground(kxstyle::surface());
    panel->setEdges(Qt::TopEdge | Qt::BottomEdge | Qt::LeftEdge | Qt::RightEdge, kxstyle::border());
    panel->setPicture(kxdesign::lockPanel(QSize(360, 220), w->devicePixelRatioF()));
    panel->setCursor(Qt::SizeAllCursor);
    panel->resize(360, 220);

    // The panel picture keeps its top right corner for a padlock and its bottom for a wave.
    auto label = [&](int i, const QString &text, const QRect &where, bool title) {
        auto *l = named(new QLabel(text, panel), QStringLiteral("lbls%1").arg(i));
        QFont lf = w->font();
        if (title) {
            lf.setPixelSize(18);
            lf.setBold(true);
        }
        l->setFont(lf);
        l->setStyleSheet(title ? QStringLiteral("color:#1f3550;background:transparent;")
                               : QStringLiteral("color:#5f6b7a;background:transparent;"));
        l->setGeometry(where);
    };
    label(0, QStringLiteral("屏幕已锁定"), QRect(24, 22, 240, 28), true);
    label(1, QStringLiteral("请输入登录密码以返回系统："), QRect(24, 58, 260, 20), false);

    txtPassword = named(new QLineEdit(panel), QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setPlaceholderText(QStringLiteral("密码"));
    txtPassword->setGeometry(24, 84, 312, 34);
    txtPassword->setStyleSheet(QStringLiteral("QLineEdit{border:1px solid #b9c9da;border-radius:4px;padding:0 8px;"
                                              "background:#ffffff;color:#1f2933;}"
                                              "QLineEdit:focus{border:1px solid #1f6fb2;}"));
    connect(txtPassword, &QLineEdit::returnPressed, this, &LockScreen::unlock);

    ImgBtn3 = named(new kxImageButton(panel), QStringLiteral("ImgBtn3"));
    ImgBtn3->setCaption(QStringLiteral(" 返回系统"));
    ImgBtn3->setButtonStyle(kxImageButton::Accent);
    ImgBtn3->setTextAlign(Qt::AlignHCenter);
    ImgBtn3->setGeometry(24, 138, 150, 38);
    ImgBtn4 = named(new kxImageButton(panel), QStringLiteral("ImgBtn4"));
    ImgBtn4->setCaption(QStringLiteral(" 退出系统"));
    ImgBtn4->setButtonStyle(kxImageButton::Filled);
    ImgBtn4->setTextAlign(Qt::AlignHCenter);
    ImgBtn4->setGeometry(186, 138, 150, 38);
    connect(ImgBtn3, &QAbstractButton::clicked, this, &LockScreen::unlock);
    connect(ImgBtn4, &QAbstractButton::clicked, this, &LockScreen::leaveRequested);
    QWidget::setTabOrder(txtPassword, ImgBtn3);
    QWidget::setTabOrder(ImgBtn3, ImgBtn4);
}

void LockScreen::setPanelPicture(const QString &file)
{
    if (file.isEmpty())
        return;
    QImageReader reader(file);
    const QImage image = reader.read();
    if (image.isNull()) {
        Logger::WriteMessage(QStringLiteral("图片“%1”不能读取：%2").arg(file, reader.errorString()), 1);
        return;
    }
    pic[1]->setPicture(QPixmap::fromImage(image));
}

void LockScreen::placeCover()
{
    QWidget *w = m_window;
    const QScreen *s = w->screen();
    const int offset = hosting::twipsToPixels(kCoverOffsetTwips, s ? s->logicalDotsPerInchX() : 0);
    pic[2]->setGeometry(w->rect());
    pic[0]->setGeometry(-offset, -offset, w->width(), w->height());
}

void LockScreen::lock()
{
    if (m_locked || !m_window)
        return;
    QWidget *w = m_window;
    m_focusBeforeLock = QApplication::focusWidget();
    placeCover();

    // The cover: the window as it is now, blended with a constant alpha
    // over the cover's colour (source over destination, no per-pixel alpha).
    const QPixmap shot = MScreen::CaptureWindow(w, true, 0, 0, w->width(), w->height());
    const qreal dpr = w->devicePixelRatioF();
    QPixmap cover(w->size() * dpr);
    cover.setDevicePixelRatio(dpr);
    cover.fill(coverColor());
    if (!shot.isNull()) {
        QPainter p(&cover);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setOpacity(kBlendAlpha);
        p.drawPixmap(0, 0, shot);
    }
    pic[2]->setPicture(cover);
    pic[0]->setPicture(cover);
    pic[0]->setPictureOffset(-pic[0]->pos());

    pic[2]->show();
    pic[2]->raise();
    pic[0]->show();
    pic[0]->raise();
    PictureBox *panel = pic[1];
    panel->raise();
    panel->show();
    panel->move((pic[0]->width() - panel->width()) / 2, (pic[0]->height() - panel->height()) / 2);
    txtPassword->clear();

    // The program's other windows (edit windows, the alert window, lists) go out
    // of sight while it is locked, and come back as they were.
    m_hidden.clear();
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top == w || !top->isVisible() || top->isModal() || top->windowType() == Qt::ToolTip
            || top->windowType() == Qt::Popup)
            continue;
        m_hidden.append(top);
        top->hide();
    }

    m_locked = true;
    m_dragging = false;
    if (!m_gate)
        m_gate = std::make_unique<InputGate>(this);
    qApp->installEventFilter(m_gate.get());
    txtPassword->setFocus(Qt::OtherFocusReason);
}

void LockScreen::unlock()
{
    if (!m_locked)
        return;
    const Operator *op = m_session.op.get();
    // A check that changes nothing: a wrong password here does not log the operator out.
    if (!op || !op->checkPassword(txtPassword->text())) {
        ui::msgBox(QStringLiteral("请录入正确的用户密码! "), ui::Exclamation, QStringLiteral("提示："));
        txtPassword->setFocus(Qt::OtherFocusReason);
        return;
    }
    pic[2]->clearPicture();
    pic[0]->clearPicture();
    pic[1]->hide();
    pic[0]->hide();
    pic[2]->hide();
    txtPassword->clear();
    endLock();
    for (const QPointer<QWidget> &top : std::as_const(m_hidden))
        if (top)
            top->show();
    m_hidden.clear();
    if (m_window)
        m_window->activateWindow();
    // The keyboard goes back where it was, not to the hidden password box.
    if (QWidget *back = focusAfterUnlock())
        back->setFocus(Qt::OtherFocusReason);
    m_focusBeforeLock.clear();
}

QWidget *LockScreen::focusAfterUnlock() const
{
    QWidget *w = m_window;
    if (!w)
        return nullptr;
    if (m_focusBeforeLock && m_focusBeforeLock->isVisible() && w->isAncestorOf(m_focusBeforeLock))
        return m_focusBeforeLock;
    // Otherwise the first control of the window that takes the keyboard.
    for (QWidget *next = w->nextInFocusChain(); next && next != w; next = next->nextInFocusChain()) {
        if (next->isVisible() && next->isEnabled() && (next->focusPolicy() & Qt::TabFocus) && w->isAncestorOf(next)
            && !pic[1]->isAncestorOf(next))
            return next;
    }
    return w;
}

void LockScreen::endLock()
{
    if (m_gate)
        qApp->removeEventFilter(m_gate.get());
    m_locked = false;
    m_dragging = false;
}

bool LockScreen::blocksInput(QObject *receiver, QEvent *event) const
{
    if (!m_locked || !m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
        break;
    default:
        return false;
    }
    // A shortcut's receiver is the shortcut object; its widget decides.
    QObject *o = receiver;
    while (o && !o->isWidgetType())
        o = o->parent();
    auto *w = static_cast<QWidget *>(o);
    if (!w)
        return false;
    if (w != m_window && !m_window->isAncestorOf(w)) {
        // A window hidden by the lock takes nothing; a message box raised over
        // the lock screen (a wrong password, the quit question) takes its answer.
        QWidget *top = w->window();
        for (const QPointer<QWidget> &hidden : m_hidden)
            if (hidden == top)
                return true;
        return false;
    }
    if (w == pic[0] || w == pic[2])
        return false; // the cover itself takes the clicks meant for what it covers
    return !(w == pic[1] || pic[1]->isAncestorOf(w));
}

bool LockScreen::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_window) {
        if (type == QEvent::Resize && m_locked) {
            // The cover keeps covering a window that changes size under it.
            placeCover();
            pic[0]->setPictureOffset(-pic[0]->pos());
        } else if (type == QEvent::Close) {
            endLock(); // the lock goes with the window (minimised it stays locked)
        }
        return false;
    }

    // The password panel is dragged with the left button, without limits;
    // any button coming up on the lock screen's surfaces ends a drag.
    const bool press = type == QEvent::MouseButtonPress;
    const bool move = type == QEvent::MouseMove;
    const bool release = type == QEvent::MouseButtonRelease;
    if ((press || move || release) && (watched == pic[0] || watched == pic[1] || watched == pic[2])) {
        const auto *me = static_cast<QMouseEvent *>(event);
        if (press) {
            m_dragging = watched == pic[1] && me->button() == Qt::LeftButton;
            m_dragStart = me->position();
        } else if (move && watched == pic[1] && m_dragging) {
            pic[1]->move(pic[1]->x() + int(me->position().x() - m_dragStart.x()),
                         pic[1]->y() + int(me->position().y() - m_dragStart.y()));
        } else if (release) {
            m_dragging = false;
        }
        return true;
    }
    return false;
}
