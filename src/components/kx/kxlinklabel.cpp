#include "components/kx/kxlinklabel.h"

#include "platform/uiservice.h"

#include "components/kx/kxstyle.h"

#include <QDesktopServices>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
kxLinkLabel::UrlOpener &opener()
{
    static kxLinkLabel::UrlOpener current;
    return current;
}
} // namespace

kxLinkLabel::kxLinkLabel(QWidget *parent)
    : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

kxLinkLabel::kxLinkLabel(const QString &caption, const QString &link, QWidget *parent)
    : kxLinkLabel(parent)
{
    m_link = link;
    setCaption(caption);
}

void kxLinkLabel::setCaption(const QString &caption)
{
    m_caption = caption;
    if (m_autoSize)
        resize(sizeHint().width(), qMax(height(), sizeHint().height()));
    updateGeometry();
    update();
}

void kxLinkLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void kxLinkLabel::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on)
        resize(sizeHint().width(), qMax(height(), sizeHint().height()));
}

QSize kxLinkLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(m_caption) + 2, fm.height() + 2);
}

QUrl kxLinkLabel::openableUrl(const QString &target)
{
    const QString t = target.trimmed();
    for (const char *scheme : {"http://", "https://", "mailto:"})
        if (t.startsWith(QLatin1String(scheme), Qt::CaseInsensitive) && t.size() > int(qstrlen(scheme))) {
            const QUrl url(t, QUrl::TolerantMode);
            return url.isValid() ? url : QUrl();
        }
    if (t.startsWith(QLatin1String("www."), Qt::CaseInsensitive) && t.size() > 4 && !t.contains(QLatin1Char(' '))) {
        const QUrl url(QStringLiteral("http://") + t, QUrl::TolerantMode);
        return url.isValid() ? url : QUrl();
    }
    return {};
}

void kxLinkLabel::setUrlOpener(UrlOpener o)
{
    opener() = std::move(o);
}

void kxLinkLabel::activate()
{
    const QUrl url = openableUrl(m_link);
    if (url.isValid()) {
        const bool opened = opener() ? opener()(url) : QDesktopServices::openUrl(url);
        // Without a desktop handler nothing would happen at all: say so, with the target.
        if (!opened)
            ui::msgBox((url.scheme() == QLatin1String("mailto") ? QStringLiteral("无法打开邮件程序：")
                                                                 : QStringLiteral("无法打开网址："))
                           + url.toString() + QStringLiteral("\n系统中没有可以打开它的程序。"),
                       ui::Information, QStringLiteral("提示："));
        return;
    }
    Q_EMIT linkClicked(m_index, m_link);
}

void kxLinkLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QFont f = font();
    f.setUnderline(m_hovered || hasFocus());
    p.setFont(f);
    QColor ink = m_hovered ? kxstyle::linkHover() : kxstyle::link();
    if (!isEnabled())
        ink = kxstyle::disabledText();
    p.setPen(ink);
    const QFontMetrics fm(f);
    p.drawText(rect(), int(m_alignment) | Qt::TextSingleLine, fm.elidedText(m_caption, Qt::ElideRight, width()));
}

void kxLinkLabel::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void kxLinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        activate();
}

void kxLinkLabel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        activate();
        return;
    }
    QWidget::keyPressEvent(event);
}

void kxLinkLabel::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void kxLinkLabel::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QWidget::leaveEvent(event);
}

void kxLinkLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange && m_autoSize)
        resize(sizeHint().width(), qMax(height(), sizeHint().height()));
    QWidget::changeEvent(event);
}
