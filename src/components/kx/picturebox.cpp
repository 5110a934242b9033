#include "components/kx/picturebox.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
}

void PictureBox::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void PictureBox::setPictureMode(PictureMode mode)
{
    m_mode = mode;
    update();
}

void PictureBox::setPictureOffset(const QPoint &offset)
{
    m_offset = offset;
    update();
}

void PictureBox::setBackground(const QBrush &brush)
{
    m_background = brush;
    update();
}

void PictureBox::setBackgroundOverTheme(bool over)
{
    m_overTheme = over;
    update();
}

void PictureBox::setRadius(qreal radius)
{
    m_radius = radius;
    update();
}

void PictureBox::setEdges(Qt::Edges edges, const QColor &color)
{
    m_edges = edges;
    m_edgeColor = color;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRectF area = rect();
    const auto fillBackground = [&] {
        if (m_background.style() == Qt::NoBrush)
            return;
        if (m_radius > 0) {
            p.setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            path.addRoundedRect(area, m_radius, m_radius);
            p.fillPath(path, m_background);
        } else {
            p.fillRect(area, m_background);
        }
    };
    if (!m_overTheme)
        fillBackground();

    // A theme's style sheet (background, border) comes over the designed look.
    QStyleOption opt;
    opt.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &opt, &p, this);
    if (m_overTheme)
        fillBackground();

    if (!m_picture.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        switch (m_mode) {
        case Normal:
            p.drawPixmap(m_offset, m_picture);
            break;
        case Stretch:
            p.drawPixmap(rect(), m_picture);
            break;
        case Fit: {
            const QSize size = m_picture.deviceIndependentSize().toSize().scaled(this->size(), Qt::KeepAspectRatio);
            const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
            p.drawPixmap(target, m_picture);
            break;
        }
        }
    }

    if (m_edges && m_edgeColor.isValid()) {
        p.setRenderHint(QPainter::Antialiasing, m_radius > 0);
        p.setPen(QPen(m_edgeColor, 1));
        p.setBrush(Qt::NoBrush);
        if (m_edges == (Qt::TopEdge | Qt::BottomEdge | Qt::LeftEdge | Qt::RightEdge)) {
            p.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), m_radius, m_radius);
        } else {
            if (m_edges & Qt::TopEdge)
                p.drawLine(QPointF(0, 0.5), QPointF(width(), 0.5));
            if (m_edges & Qt::BottomEdge)
                p.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
            if (m_edges & Qt::LeftEdge)
                p.drawLine(QPointF(0.5, 0), QPointF(0.5, height()));
            if (m_edges & Qt::RightEdge)
                p.drawLine(QPointF(width() - 0.5, 0), QPointF(width() - 0.5, height()));
        }
    }
}
