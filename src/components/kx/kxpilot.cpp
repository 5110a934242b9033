#include "components/kx/kxpilot.h"

#include "components/kx/kxstyle.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>

namespace {
constexpr int kPad = 8;
constexpr int kRadius = 7;
constexpr int kShadow = 3;
} // namespace

kxPilot::kxPilot(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

kxPilot *kxPilot::createFrom(const kxPilot &tmpl, QWidget *parent)
{
    auto *b = new kxPilot(parent);
    b->hide();
    if (tmpl.testAttribute(Qt::WA_SetFont))
        b->setFont(tmpl.font());
    b->m_iconSize = tmpl.m_iconSize;
    b->m_textAlign = tmpl.m_textAlign;
    b->setRightToLeft(tmpl.m_rightToLeft);
    return b;
}

void kxPilot::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void kxPilot::setPictureSize(int size)
{
    m_iconSize = size;
    update();
}

void kxPilot::setTextAlign(int align)
{
    m_textAlign = align;
    update();
}

void kxPilot::setRightToLeft(bool on)
{
    if (on == m_rightToLeft)
        return;
    m_rightToLeft = on;
    setLayoutDirection(on ? Qt::RightToLeft : Qt::LeftToRight);
    update();
}

int kxPilot::effectiveIconSize() const
{
    const int s = m_iconSize < 8 ? 32 : m_iconSize;
    return std::max(0, std::min(s, height() - 2 * kPad - kShadow));
}

bool kxPilot::pictureAbove() const
{
    const int line = fontMetrics().height();
    const int want = (m_iconSize < 8 ? 32 : m_iconSize) + 2 * line + 2 * kPad + 4 + kShadow;
    return height() >= want || width() < 2 * height();
}

Qt::Alignment kxPilot::horizontalAlignment() const
{
    Qt::Alignment a = Qt::AlignHCenter;
    if (m_textAlign == AlignLeft)
        a = Qt::AlignLeft;
    else if (m_textAlign == AlignRight)
        a = Qt::AlignRight;
    if (m_rightToLeft && a != Qt::AlignHCenter)
        a = a == Qt::AlignLeft ? Qt::AlignRight : Qt::AlignLeft;
    return a;
}

void kxPilot::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        animateClick();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void kxPilot::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void kxPilot::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// Lines of the caption that fit the rectangle, the last one elided.
static QStringList wrapped(const QString &text, const QFont &font, const QFontMetrics &fm, int width, int maxLines, bool rtl)
{
    QStringList lines;
    if (width <= 0 || maxLines <= 0)
        return lines;
    QTextLayout layout(text);
    QTextOption opt;
    opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    opt.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    layout.setTextOption(opt);
    layout.setFont(font);
    layout.beginLayout();
    for (;;) {
        QTextLine l = layout.createLine();
        if (!l.isValid())
            break;
        l.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            lines << fm.elidedText(text.mid(l.textStart()), Qt::ElideRight, width);
            break;
        }
        lines << text.mid(l.textStart(), l.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

void kxPilot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    const bool down = isDown();
    const QRectF card = QRectF(rect()).adjusted(1.5, 1.5, -1.5 - kShadow, -1.5 - kShadow).translated(down ? 1.5 : 0, down ? 1.5 : 0);
    if (card.width() < 4 || card.height() < 4)
        return;

    // A soft shadow below the card (smaller while pressed: the card sinks).
    const int shadow = down ? 1 : (m_hover ? kShadow : 2);
    for (int k = shadow; k >= 1; --k) {
        QPainterPath s;
        s.addRoundedRect(card.translated(k, k), kRadius, kRadius);
        p.fillPath(s, QColor(20, 40, 70, 22));
    }

    QPainterPath body;
    body.addRoundedRect(card, kRadius, kRadius);
    QLinearGradient g(card.topLeft(), card.bottomLeft());
    if (down) {
        g.setColorAt(0, kxstyle::pressed());
        g.setColorAt(1, kxstyle::pressed());
    } else if (m_hover) {
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, kxstyle::hover());
    } else {
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, kxstyle::panel());
    }
    p.fillPath(body, g);
    p.setPen(QPen(m_hover || down ? kxstyle::accent() : kxstyle::border(), 1.0));
    p.drawPath(body);
    // The accent stripe along the top edge marks the card as a step of the flow.
    {
        p.save();
        p.setClipPath(body);
        p.fillRect(QRectF(card.left(), card.top(), card.width(), 3), m_hover || down ? kxstyle::accentHover() : kxstyle::accent());
        p.restore();
    }
    if (hasFocus()) {
        QPainterPath ring;
        ring.addRoundedRect(card.adjusted(2.5, 4.5, -2.5, -2.5), kRadius - 2, kRadius - 2);
        p.setPen(QPen(kxstyle::accentHover(), 1.5, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawPath(ring);
    }

    const QRect inner = card.toAlignedRect().adjusted(kPad, kPad + 2, -kPad, -kPad);
    const int icon = effectiveIconSize();
    const Qt::Alignment h = horizontalAlignment();
    const QFontMetrics fm = fontMetrics();
    QRect textArea = inner;
    if (!m_picture.isNull() && icon > 0) {
        QRect iconRect;
        if (pictureAbove()) {
            int x = inner.left() + (inner.width() - icon) / 2;
            if (h == Qt::AlignLeft)
                x = inner.left();
            else if (h == Qt::AlignRight)
                x = inner.right() - icon + 1;
            const int lines = std::clamp((inner.height() - icon - 4) / fm.height(), 1, 2);
            const int block = icon + 4 + lines * fm.height();
            const int y = inner.top() + std::max(0, (inner.height() - block) / 2);
            iconRect = QRect(x, y, icon, icon);
            textArea = QRect(inner.left(), y + icon + 4, inner.width(), inner.bottom() - (y + icon + 4) + 1);
        } else {
            const int y = inner.top() + (inner.height() - icon) / 2;
            iconRect = m_rightToLeft ? QRect(inner.right() - icon + 1, y, icon, icon) : QRect(inner.left(), y, icon, icon);
            textArea = m_rightToLeft ? inner.adjusted(0, 0, -(icon + 8), 0) : inner.adjusted(icon + 8, 0, 0, 0);
        }
        p.drawPixmap(iconRect, m_picture);
    }

    const int maxLines = std::max(1, textArea.height() / fm.height());
    const QStringList lines = wrapped(text(), font(), fm, textArea.width(), std::min(maxLines, 3), m_rightToLeft);
    const int total = int(lines.size()) * fm.height();
    int y = textArea.top() + (pictureAbove() && !m_picture.isNull() ? 0 : std::max(0, (textArea.height() - total) / 2));
    p.setPen(isEnabled() ? kxstyle::text() : kxstyle::disabledText());
    for (const QString &line : lines) {
        p.drawText(QRect(textArea.left(), y, textArea.width(), fm.height()), int(h | Qt::AlignVCenter), line);
        y += fm.height();
    }
}
