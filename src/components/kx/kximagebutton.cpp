#include "components/kx/kximagebutton.h"

#include "components/kx/kxstyle.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kPadding = 10;
constexpr int kSpacing = 8;
constexpr qreal kRadius = 6;
} // namespace

kxImageButton::kxImageButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    QPalette pal = palette();
    pal.setColor(QPalette::ButtonText, kxstyle::text());
    setPalette(pal);
}

kxImageButton::kxImageButton(const QString &caption, QWidget *parent)
    : kxImageButton(parent)
{
    setText(caption);
}

kxImageButton *kxImageButton::createFrom(const kxImageButton &tmpl, QWidget *parent)
{
    auto *b = new kxImageButton(parent);
    b->hide();
    b->copyStyleFrom(tmpl);
    b->setFont(tmpl.font());
    b->setPalette(tmpl.palette());
    b->setPictureSize(tmpl.pictureSize());
    b->setGeometry(tmpl.geometry());
    b->setText(tmpl.text());
    b->setPicture(tmpl.picture());
    b->setTag(tmpl.tag());
    b->setToolTip(tmpl.toolTip());
    b->setActive(tmpl.isActive());
    b->setSwitchedOn(tmpl.isSwitchedOn());
    return b;
}

void kxImageButton::copyStyleFrom(const kxImageButton &other)
{
    m_buttonStyle = other.m_buttonStyle;
    m_textAlign = other.m_textAlign;
    m_pictureAlign = other.m_pictureAlign;
    m_borderStyle = other.m_borderStyle;
    updateGeometry();
    update();
}

void kxImageButton::setCaption(const QString &caption)
{
    setText(caption);
    updateGeometry();
}

void kxImageButton::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    updateGeometry();
    update();
}

void kxImageButton::setPictureSize(const QSize &size)
{
    m_pictureSize = size;
    updateGeometry();
    update();
}

void kxImageButton::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    setCursor(active ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (!active)
        setDown(false);
    update();
}

void kxImageButton::setSwitchedOn(bool on)
{
    m_switchedOn = on;
    update();
}

void kxImageButton::setButtonStyle(ButtonStyle style)
{
    m_buttonStyle = style;
    update();
}

void kxImageButton::setTextAlign(Qt::Alignment align)
{
    m_textAlign = align & Qt::AlignHorizontal_Mask;
    update();
}

void kxImageButton::setPictureAlign(PictureAlign align)
{
    m_pictureAlign = align;
    updateGeometry();
    update();
}

void kxImageButton::setBorderStyle(BorderStyle style)
{
    m_borderStyle = style;
    update();
}

QSize kxImageButton::pictureExtent(const QSize &room) const
{
    if (m_picture.isNull())
        return {};
    QSize size = m_pictureSize.isValid() ? m_pictureSize : m_picture.deviceIndependentSize().toSize();
    if (room.isValid() && (size.width() > room.width() || size.height() > room.height()))
        size = size.scaled(room.boundedTo(size), Qt::KeepAspectRatio);
    return size;
}

QSize kxImageButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const QSize textSize = text().isEmpty() ? QSize() : QSize(fm.horizontalAdvance(text()), fm.height());
    const QSize pic = pictureExtent(QSize());
    int w = 0;
    int h = 0;
    if (m_pictureAlign == PictureTop) {
        w = qMax(textSize.width(), pic.width());
        h = textSize.height() + pic.height() + (pic.isEmpty() || textSize.isEmpty() ? 0 : kSpacing / 2);
    } else {
        w = textSize.width() + pic.width() + (pic.isEmpty() || textSize.isEmpty() ? 0 : kSpacing);
        h = qMax(textSize.height(), pic.height());
    }
    return QSize(w + 2 * kPadding, h + kPadding);
}

QSize kxImageButton::minimumSizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(2 * kPadding, fm.height() + 4);
}

QColor kxImageButton::textColor() const
{
    QColor c = m_buttonStyle == Accent ? QColor(Qt::white) : palette().color(QPalette::ButtonText);
    if (!m_active || !isEnabled())
        c.setAlphaF(0.45f);
    return c;
}

void kxImageButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    const bool lit = m_active && isEnabled();
    const bool hovered = lit && m_hovered;
    const bool down = lit && isDown();
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = m_borderStyle == SolidBorder ? 0 : kRadius;
    QPainterPath shape;
    shape.addRoundedRect(frame, radius, radius);

    QColor fill;
    QColor line;
    switch (m_buttonStyle) {
    case Flat: {
        // The hover is a tint of the caption's colour, so it reads on light and dark bands.
        const QColor ink = palette().color(QPalette::ButtonText);
        const bool lightInk = ink.lightnessF() > 0.6;
        if (down)
            fill = lightInk ? QColor(255, 255, 255, 70) : kxstyle::pressed();
        else if (hovered)
            fill = lightInk ? QColor(255, 255, 255, 40) : kxstyle::hover();
        line = lightInk ? QColor(255, 255, 255, 90) : kxstyle::border();
        break;
    }
    case Filled:
        fill = down ? kxstyle::pressed() : hovered ? kxstyle::hover() : kxstyle::surface();
        line = hovered || down ? kxstyle::accent().lighter(160) : kxstyle::border();
        break;
    case Accent:
        fill = down ? kxstyle::accentDark() : hovered ? kxstyle::accentHover() : kxstyle::accent();
        if (!lit)
            fill.setAlphaF(0.5f);
        line = fill.darker(110);
        break;
    }
    if (fill.isValid())
        p.fillPath(shape, fill);
    if (m_borderStyle != NoBorder) {
        p.setPen(QPen(line, 1));
        p.drawPath(shape);
    }
    if (hasFocus()) {
        p.setPen(QPen(kxstyle::accent(), 1.5));
        p.drawRoundedRect(frame.adjusted(1.5, 1.5, -1.5, -1.5), qMax<qreal>(0, radius - 1.5), qMax<qreal>(0, radius - 1.5));
    }

    // Picture and caption.
    const QRect content = rect().adjusted(kPadding, kPadding / 2, -kPadding, -kPadding / 2);
    const QFontMetrics fm(font());
    QRect textRect = content;
    if (!m_picture.isNull()) {
        QSize room = content.size();
        if (m_pictureAlign == PictureTop && !text().isEmpty())
            room.setHeight(qMax(0, content.height() - fm.height() - kSpacing / 2));
        const QSize pic = pictureExtent(room);
        QRect picRect(QPoint(), pic);
        switch (m_pictureAlign) {
        case PictureLeft:
            picRect.moveTopLeft(QPoint(content.left(), content.top() + (content.height() - pic.height()) / 2));
            textRect.setLeft(picRect.right() + 1 + kSpacing);
            break;
        case PictureRight:
            picRect.moveTopLeft(QPoint(content.right() + 1 - pic.width(), content.top() + (content.height() - pic.height()) / 2));
            textRect.setRight(picRect.left() - 1 - kSpacing);
            break;
        case PictureTop: {
            const int total = pic.height() + (text().isEmpty() ? 0 : kSpacing / 2 + fm.height());
            const int top = content.top() + (content.height() - total) / 2;
            picRect.moveTopLeft(QPoint(content.left() + (content.width() - pic.width()) / 2, top));
            textRect.setTop(picRect.bottom() + 1 + kSpacing / 2);
            textRect.setHeight(fm.height());
            break;
        }
        }
        if (text().isEmpty() && m_pictureAlign != PictureTop)
            picRect.moveLeft(content.left() + (content.width() - pic.width()) / 2);
        if (!lit)
            p.setOpacity(0.45);
        p.drawPixmap(picRect, m_picture);
        p.setOpacity(1.0);
    }
    if (!text().isEmpty() && textRect.width() > 0) {
        p.setPen(textColor());
        const QString shown = fm.elidedText(text(), Qt::ElideRight, textRect.width());
        p.drawText(textRect, int(m_textAlign | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
    }

    if (m_switchedOn) {
        const qreal r = 4;
        const QPointF centre(width() - r - 3, r + 3);
        p.setPen(QPen(kxstyle::surface(), 1.5));
        p.setBrush(kxstyle::alert());
        p.drawEllipse(centre, r, r);
    }
}

bool kxImageButton::hitButton(const QPoint &pos) const
{
    return m_active && QAbstractButton::hitButton(pos);
}

void kxImageButton::keyPressEvent(QKeyEvent *event)
{
    if (!m_active) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void kxImageButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void kxImageButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}
