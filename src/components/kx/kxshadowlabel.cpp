#include "components/kx/kxshadowlabel.h"

#include "components/kx/kxstyle.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

kxShadowLabel::kxShadowLabel(QWidget *parent)
    : QWidget(parent)
    , m_textColor(kxstyle::text())
    , m_shadowColor(0, 0, 0, 40)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

kxShadowLabel::kxShadowLabel(const QString &caption, QWidget *parent)
    : kxShadowLabel(parent)
{
    setCaption(caption);
}

void kxShadowLabel::setCaption(const QString &caption)
{
    m_caption = caption;
    if (m_autoSize)
        fitToCaption();
    updateGeometry();
    update();
}

void kxShadowLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void kxShadowLabel::setTextColor(const QColor &color)
{
    m_textColor = color;
    update();
}

void kxShadowLabel::setShadowColor(const QColor &color)
{
    m_shadowColor = color;
    update();
}

void kxShadowLabel::setShadowOffset(const QPoint &offset)
{
    m_shadowOffset = offset;
    if (m_autoSize)
        fitToCaption();
    update();
}

void kxShadowLabel::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on)
        fitToCaption();
}

QSize kxShadowLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(m_caption) + qAbs(m_shadowOffset.x()) + 2, fm.height() + qAbs(m_shadowOffset.y()));
}

void kxShadowLabel::fitToCaption()
{
    resize(sizeHint().width(), qMax(height(), sizeHint().height()));
}

void kxShadowLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange && m_autoSize)
        fitToCaption();
    QWidget::changeEvent(event);
}

void kxShadowLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QFontMetrics fm(font());
    const QRect area = rect().adjusted(0, 0, -qAbs(m_shadowOffset.x()), -qAbs(m_shadowOffset.y()));
    const QString shown = fm.elidedText(m_caption, Qt::ElideRight, area.width());
    const int flags = int(m_alignment) | Qt::TextSingleLine;
    if (m_shadowColor.alpha() > 0 && !m_shadowOffset.isNull()) {
        p.setPen(m_shadowColor);
        p.drawText(area.translated(m_shadowOffset), flags, shown);
    }
    QColor ink = m_textColor;
    if (!isEnabled())
        ink.setAlphaF(0.5f);
    p.setPen(ink);
    p.drawText(area, flags, shown);
}

bool kxShadowLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        const QFontMetrics fm(font());
        if (fm.horizontalAdvance(m_caption) > width() - qAbs(m_shadowOffset.x())) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), m_caption, this);
            return true;
        }
    }
    return QWidget::event(event);
}
