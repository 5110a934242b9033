#include "components/kx/kxvstab.h"

#include "components/kx/kxstyle.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>

namespace {
constexpr int kMargin = 6;      // before the first tab
constexpr int kPad = 14;        // caption padding inside a tab
constexpr int kClose = 16;      // close button size
constexpr int kCloseGap = 4;
constexpr int kGap = 2;         // between tabs
constexpr int kMinWidth = 64;
constexpr int kMinChars = 4;    // a narrowed tab still shows this much of its caption
constexpr int kScrollButton = 22;
constexpr int kMaxWidth = 220;
constexpr int kAccent = 3;      // active tab's accent bar
} // namespace

kxVSTab::kxVSTab(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int kxVSTab::add(const QString &caption, const QString &key, bool select)
{
    if (!key.isEmpty() && indexOf(key) != 0)
        return 0;
    m_tabs.append({caption, key});
    const int index = count();
    if (select)
        m_active = index;
    relayout();
    if (select)
        ensureVisible(index);
    update();
    return index;
}

bool kxVSTab::remove(int index)
{
    if (index < 1 || index > count())
        return false;
    const bool wasActive = index == m_active;
    const QString key = m_tabs.at(index - 1).key;
    if (wasActive)
        Q_EMIT tabDeactivated(index);
    // The handler may have changed the strip; remove the tab it was told about.
    if (index > count() || m_tabs.at(index - 1).key != key) {
        index = indexOf(key);
        if (index == 0)
            return true;
    }
    m_tabs.removeAt(index - 1);
    m_hover = 0;
    if (wasActive && m_active == index) {
        m_active = 0;
        relayout();
        update();
        if (count() > 0) {
            const int next = qMax(1, index - 1);
            m_active = next;
            ensureVisible(next);
            Q_EMIT tabActivated(next);
        }
        return true;
    }
    if (m_active > index)
        --m_active;
    relayout();
    update();
    return true;
}

bool kxVSTab::remove(const QString &key)
{
    const int index = indexOf(key);
    return index != 0 && remove(index);
}

const kxVSTab::Tab *kxVSTab::tab(int index) const
{
    if (index < 1 || index > count())
        return nullptr;
    return &m_tabs.at(index - 1);
}

int kxVSTab::indexOf(const QString &key) const
{
    for (int i = 0; i < count(); ++i)
        if (m_tabs.at(i).key.compare(key, Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

void kxVSTab::setCaption(int index, const QString &caption)
{
    if (index < 1 || index > count())
        return;
    m_tabs[index - 1].caption = caption;
    relayout();
    update();
}

void kxVSTab::setActive(int index)
{
    if (index < 1 || index > count() || index == m_active)
        return;
    const int old = m_active;
    if (old >= 1)
        Q_EMIT tabDeactivated(old);
    if (index > count())
        return;
    m_active = index;
    ensureVisible(index);
    update();
    Q_EMIT tabActivated(index);
}

void kxVSTab::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu key asks about the active tab, a click about the tab under it.
    const int index = event->reason() == QContextMenuEvent::Mouse ? tabAt(event->pos()) : m_active;
    if (index >= 1) {
        Q_EMIT tabMenuRequested(index, event->globalPos());
        event->accept();
    }
}

void kxVSTab::refresh()
{
    relayout();
    update();
}

QRect kxVSTab::tabRect(int index) const
{
    if (index < 1 || index > m_rects.size())
        return {};
    const QRect r = m_rects.at(index - 1).translated(-m_scroll, 0);
    return r.intersects(QRect(0, 0, tabsRight(), height())) ? r : QRect();
}

QRect kxVSTab::closeButtonRect(int index) const
{
    if (index < 2)
        return {};
    const QRect r = tabRect(index);
    if (r.isEmpty())
        return {};
    return QRect(r.right() - kPad / 2 - kClose + 1, r.top() + (r.height() - kAccent - kClose) / 2, kClose, kClose);
}

QSize kxVSTab::sizeHint() const
{
    return QSize(400, fontMetrics().height() + 16);
}

QSize kxVSTab::minimumSizeHint() const
{
    return QSize(kMinWidth + 2 * kMargin, fontMetrics().height() + 8);
}

void kxVSTab::relayout()
{
    const QFontMetrics fm(font());
    QList<int> widths, least;
    const int ellipsis = fm.horizontalAdvance(QChar(0x2026));
    int total = 0;
    for (int i = 0; i < count(); ++i) {
        const QString &caption = m_tabs.at(i).caption;
        const int chrome = 2 * kPad + (i >= 1 ? kClose + kCloseGap : 0);
        const int w = qBound(kMinWidth, fm.horizontalAdvance(caption) + chrome, kMaxWidth);
        // Narrowed, a tab keeps its first characters readable (and the rest in its tool tip).
        least << qMin(w, qMax(kMinWidth, fm.horizontalAdvance(caption.left(kMinChars)) + ellipsis + chrome));
        widths << w;
        total += w + kGap;
    }
    auto fit = [&](int room) {
        QList<int> out = widths;
        if (total > room && total > 0) {
            // Narrow every tab alike before anything has to scroll.
            const double factor = double(qMax(room, 0)) / total;
            for (int i = 0; i < out.size(); ++i)
                out[i] = qMax(least.at(i), int(out.at(i) * factor));
        }
        return out;
    };
    QList<int> fitted = fit(width() - 2 * kMargin);
    int used = 0;
    for (int w : std::as_const(fitted))
        used += w + kGap;
    m_overflow = used > width() - 2 * kMargin;
    if (m_overflow)
        fitted = fit(width() - 2 * kMargin - 2 * kScrollButton);
    m_rects.clear();
    int x = kMargin;
    for (int w : std::as_const(fitted)) {
        m_rects << QRect(x, 0, w, height() - 1);
        x += w + kGap;
    }
    const int maxScroll = qMax(0, x - kGap + kMargin - tabsRight());
    m_scroll = qBound(0, m_scroll, maxScroll);
}

int kxVSTab::tabsRight() const
{
    return m_overflow ? width() - 2 * kScrollButton : width();
}

QRect kxVSTab::scrollButtonRect(int direction) const
{
    if (!m_overflow)
        return {};
    return QRect(width() - (direction < 0 ? 2 : 1) * kScrollButton, 0, kScrollButton, height() - kAccent);
}

bool kxVSTab::canScroll(int direction) const
{
    if (!m_overflow || m_rects.isEmpty())
        return false;
    return direction < 0 ? m_scroll > 0 : m_rects.last().right() - m_scroll > tabsRight() - kMargin;
}

void kxVSTab::scrollTabs(int direction)
{
    if (!canScroll(direction))
        return;
    // One tab further: the first one cut off on that side is brought in whole.
    if (direction < 0) {
        for (int i = m_rects.size() - 1; i >= 0; --i)
            if (m_rects.at(i).left() - m_scroll < kMargin) {
                m_scroll = m_rects.at(i).left() - kMargin;
                break;
            }
    } else {
        for (const QRect &r : std::as_const(m_rects))
            if (r.right() - m_scroll > tabsRight() - kMargin) {
                m_scroll = r.right() - tabsRight() + kMargin;
                break;
            }
    }
    relayout();
    update();
}

void kxVSTab::ensureVisible(int index)
{
    relayout();
    if (index < 1 || index > m_rects.size())
        return;
    const QRect r = m_rects.at(index - 1);
    if (r.left() - m_scroll < kMargin)
        m_scroll = r.left() - kMargin;
    else if (r.right() - m_scroll > tabsRight() - kMargin)
        m_scroll = r.right() - tabsRight() + kMargin;
    relayout();
}

int kxVSTab::tabAt(const QPoint &pos) const
{
    if (pos.x() >= tabsRight())
        return 0; // the scroll buttons
    for (int i = 1; i <= m_rects.size(); ++i)
        if (tabRect(i).contains(pos))
            return i;
    return 0;
}

bool kxVSTab::overClose(int index, const QPoint &pos) const
{
    return closeButtonRect(index).adjusted(-2, -2, 2, 2).contains(pos);
}

void kxVSTab::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), kxstyle::band());
    p.setPen(kxstyle::border());
    p.drawLine(QPointF(0, 0.5), QPointF(width(), 0.5));

    QFont bold = font();
    bold.setWeight(QFont::DemiBold);
    p.save();
    p.setClipRect(QRect(0, 0, tabsRight(), height()));
    for (int i = 1; i <= count(); ++i) {
        const QRect r = tabRect(i);
        if (r.isEmpty())
            continue;
        const bool active = i == m_active;
        const bool hovered = i == m_hover;
        const QRectF body = QRectF(r).adjusted(0.5, 0, -0.5, -2.5);
        QPainterPath shape;
        // Square at the top where the tab joins the page above, round below.
        shape.moveTo(body.topLeft());
        shape.lineTo(body.topRight());
        shape.lineTo(body.right(), body.bottom() - 4);
        shape.quadTo(body.right(), body.bottom(), body.right() - 4, body.bottom());
        shape.lineTo(body.left() + 4, body.bottom());
        shape.quadTo(body.left(), body.bottom(), body.left(), body.bottom() - 4);
        shape.closeSubpath();
        if (active) {
            p.fillPath(shape, kxstyle::surface());
            p.setPen(QPen(kxstyle::border(), 1));
            p.drawPath(shape);
            p.fillRect(QRectF(body.left() + 6, body.bottom() - kAccent - 1, body.width() - 12, kAccent), kxstyle::accent());
        } else if (hovered) {
            p.fillPath(shape, kxstyle::hover());
        } else if (i + 1 != m_active && i + 1 != m_hover && i < count()) {
            p.setPen(kxstyle::border());
            p.drawLine(QPointF(r.right() + kGap / 2.0, r.top() + 7), QPointF(r.right() + kGap / 2.0, r.bottom() - 8));
        }

        QRect textRect = r.adjusted(kPad, 0, -kPad, -kAccent);
        const bool showClose = i >= 2 && (active || hovered);
        if (i >= 2)
            textRect.setRight(closeButtonRect(i).left() - kCloseGap);
        p.setFont(active ? bold : font());
        p.setPen(active ? kxstyle::accentDark() : kxstyle::mutedText());
        const QFontMetrics tfm(p.font());
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignHCenter | Qt::TextSingleLine,
                   tfm.elidedText(m_tabs.at(i - 1).caption, Qt::ElideRight, textRect.width()));

        if (showClose) {
            const QRectF c = closeButtonRect(i);
            if (hovered && m_hoverClose) {
                p.setPen(Qt::NoPen);
                p.setBrush(kxstyle::pressed());
                p.drawRoundedRect(c, 3, 3);
            }
            p.setPen(QPen(hovered && m_hoverClose ? kxstyle::accentDark() : kxstyle::mutedText(), 1.4, Qt::SolidLine, Qt::RoundCap));
            const QPointF m = c.center();
            p.drawLine(m + QPointF(-3.5, -3.5), m + QPointF(3.5, 3.5));
            p.drawLine(m + QPointF(-3.5, 3.5), m + QPointF(3.5, -3.5));
        }
    }
    p.restore();
    for (int direction : {-1, 1}) {
        const QRect b = scrollButtonRect(direction);
        if (b.isEmpty())
            continue;
        const bool enabled = canScroll(direction);
        if (enabled && m_hoverScroll == direction)
            p.fillRect(b.adjusted(2, 4, -2, -3), kxstyle::hover());
        p.setPen(QPen(enabled ? kxstyle::accentDark() : kxstyle::border(), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF m = QRectF(b).center();
        const double d = 3.5 * direction;
        p.drawPolyline(QPolygonF({m + QPointF(-d, -5), m + QPointF(d, 0), m + QPointF(-d, 5)}));
    }
}

void kxVSTab::resizeEvent(QResizeEvent *event)
{
    relayout();
    if (m_active)
        ensureVisible(m_active);
    QWidget::resizeEvent(event);
}

void kxVSTab::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    for (int direction : {-1, 1})
        if (event->button() == Qt::LeftButton && scrollButtonRect(direction).contains(pos)) {
            scrollTabs(direction);
            return;
        }
    const int index = tabAt(pos);
    m_pressed = index;
    m_pressedClose = false;
    if (index == 0)
        return;
    if (event->button() == Qt::LeftButton) {
        if (overClose(index, pos))
            m_pressedClose = true; // acted on at the release, over the same button
        else
            setActive(index);
    }
}

void kxVSTab::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int index = tabAt(pos);
    const bool sameTab = index != 0 && index == m_pressed;
    const bool wasClose = m_pressedClose;
    m_pressed = 0;
    m_pressedClose = false;
    if (!sameTab || index < 2)
        return;
    if ((event->button() == Qt::LeftButton && wasClose && overClose(index, pos)) || event->button() == Qt::MiddleButton)
        Q_EMIT tabCloseRequested(index);
}

void kxVSTab::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int index = tabAt(pos);
    const bool close = index >= 2 && overClose(index, pos);
    const int scroll = scrollButtonRect(-1).contains(pos) ? -1 : scrollButtonRect(1).contains(pos) ? 1 : 0;
    if (index != m_hover || close != m_hoverClose || scroll != m_hoverScroll) {
        m_hover = index;
        m_hoverClose = close;
        m_hoverScroll = scroll;
        update();
    }
}

void kxVSTab::leaveEvent(QEvent *event)
{
    m_hover = 0;
    m_hoverClose = false;
    m_hoverScroll = 0;
    update();
    QWidget::leaveEvent(event);
}

void kxVSTab::wheelEvent(QWheelEvent *event)
{
    const QPoint d = event->angleDelta();
    m_scroll -= (d.x() != 0 ? d.x() : d.y()) / 2;
    relayout();
    update();
    event->accept();
}

bool kxVSTab::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int index = tabAt(help->pos());
        if (index != 0) {
            QToolTip::showText(help->globalPos(), overClose(index, help->pos()) ? QStringLiteral("关闭") : m_tabs.at(index - 1).caption, this);
            return true;
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}
