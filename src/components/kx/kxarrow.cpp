#include "components/kx/kxarrow.h"

#include "components/kx/kxstyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>

kxArrow::kxArrow(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

kxArrow *kxArrow::createFrom(const kxArrow &tmpl, QWidget *parent)
{
    auto *a = new kxArrow(parent);
    a->hide();
    a->m_foreColor = tmpl.m_foreColor;
    a->m_backColor = tmpl.m_backColor;
    a->m_direction = tmpl.m_direction;
    a->m_appearance = tmpl.m_appearance;
    a->m_alpha = tmpl.m_alpha;
    a->m_borderStyle = tmpl.m_borderStyle;
    a->m_shadowLength = tmpl.m_shadowLength;
    a->m_shadowStep = tmpl.m_shadowStep;
    return a;
}

#define KX_SETTER(name, member)       \
    void kxArrow::name(int v)         \
    {                                 \
        if (member == v)              \
            return;                   \
        member = v;                   \
        update();                     \
    }
KX_SETTER(setForeColor, m_foreColor)
KX_SETTER(setBackColor, m_backColor)
KX_SETTER(setArrowDirection, m_direction)
KX_SETTER(setAppearance, m_appearance)
KX_SETTER(setConstantAlpha, m_alpha)
KX_SETTER(setBorderStyle, m_borderStyle)
KX_SETTER(setShadowLength, m_shadowLength)
KX_SETTER(setShadowStep, m_shadowStep)
#undef KX_SETTER

QColor kxArrow::windowsColor(int value, const QPalette &palette)
{
    const auto v = uint32_t(value);
    if (v & 0x80000000u) {
        switch (v & 0xffu) {
        case 5:  // window
            return palette.color(QPalette::Base);
        case 8:  // window text
        case 18: // button text
            return palette.color(QPalette::WindowText);
        case 15: // button face
            return palette.color(QPalette::Button);
        case 16: // button shadow
            return palette.color(QPalette::Mid);
        case 13: // highlight
            return palette.color(QPalette::Highlight);
        default:
            return palette.color(QPalette::WindowText);
        }
    }
    return QColor(int(v & 0xffu), int((v >> 8) & 0xffu), int((v >> 16) & 0xffu));
}

namespace {

Qt::PenStyle penStyle(int borderStyle)
{
    switch (borderStyle) {
    case 2: return Qt::DashLine;
    case 3: return Qt::DotLine;
    case 4: return Qt::DashDotLine;
    case 5: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
    }
}

// The arrow pointing right in a length x breadth frame; heads at the end, and at the start too when both.
void shapes(bool block, int heads, double length, double breadth, QPainterPath *line, QPainterPath *fill)
{
    const double mid = breadth / 2.0;
    const bool both = heads == 2;
    if (heads == 0) {
        if (block) {
            fill->addRect(QRectF(0, mid - breadth * 0.22, length, breadth * 0.44));
        } else {
            line->moveTo(0, mid);
            line->lineTo(length, mid);
        }
        return;
    }
    if (!block) {
        const double headLen = std::clamp(std::min(length / 2.5, breadth * 1.6), 3.0, 11.0);
        const double headHalf = std::clamp(breadth / 2.0 - 0.5, 2.0, 5.5);
        const double x0 = both ? headLen * 0.8 : 0.5;
        const double x1 = length - headLen * 0.8;
        if (x1 > x0) {
            line->moveTo(x0, mid);
            line->lineTo(x1, mid);
        }
        fill->moveTo(length, mid);
        fill->lineTo(length - headLen, mid - headHalf);
        fill->quadTo(length - headLen * 0.7, mid, length - headLen, mid + headHalf);
        fill->closeSubpath();
        if (both) {
            fill->moveTo(0, mid);
            fill->lineTo(headLen, mid - headHalf);
            fill->quadTo(headLen * 0.7, mid, headLen, mid + headHalf);
            fill->closeSubpath();
        }
        return;
    }
    const double shaftHalf = breadth * 0.22;
    const double headHalf = breadth / 2.0 - 0.5;
    const double headLen = std::min(breadth * 0.8, length * (both ? 0.3 : 0.45));
    QPolygonF p;
    if (both) {
        p << QPointF(0.5, mid) << QPointF(headLen, mid - headHalf) << QPointF(headLen, mid - shaftHalf);
    } else {
        p << QPointF(0.5, mid - shaftHalf);
    }
    p << QPointF(length - headLen, mid - shaftHalf) << QPointF(length - headLen, mid - headHalf) << QPointF(length - 0.5, mid)
      << QPointF(length - headLen, mid + headHalf) << QPointF(length - headLen, mid + shaftHalf);
    if (both)
        p << QPointF(headLen, mid + shaftHalf) << QPointF(headLen, mid + headHalf);
    else
        p << QPointF(0.5, mid + shaftHalf);
    fill->addPolygon(p);
    fill->closeSubpath();
}

} // namespace

void kxArrow::paintEvent(QPaintEvent *)
{
    const int shadow = std::clamp(m_shadowLength, 0, 12);
    const QRectF area = QRectF(rect()).adjusted(0, 0, -shadow, -shadow);
    if (area.width() < 2 || area.height() < 2)
        return;
    const int dir = (m_direction >= Right && m_direction <= Vertical) ? m_direction : Right;
    const bool horizontal = dir == Right || dir == Left || dir == LeftRight || dir == Horizontal;
    const double length = horizontal ? area.width() : area.height();
    const double breadth = horizontal ? area.height() : area.width();
    const bool block = m_appearance == 1;

    QPainterPath line;
    QPainterPath fill;
    const int heads = (dir == Horizontal || dir == Vertical) ? 0 : (dir == LeftRight || dir == UpDown) ? 2 : 1;
    shapes(block, heads, length, breadth, &line, &fill);

    QTransform t;
    switch (dir) {
    case Left:
        t = QTransform(-1, 0, 0, 1, length, 0);
        break;
    case Down:
    case UpDown:
    case Vertical:
        t = QTransform(0, 1, 1, 0, 0, 0);
        break;
    case Up:
        t = QTransform(0, -1, 1, 0, 0, length);
        break;
    default:
        break;
    }
    t *= QTransform::fromTranslate(area.left(), area.top());
    line = t.map(line);
    fill = t.map(fill);

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity((m_alpha >= 1 && m_alpha <= 255) ? m_alpha / 255.0 : 1.0);
    const QColor fore = windowsColor(m_foreColor, palette());
    const QColor back = windowsColor(m_backColor, palette());
    const double width = block ? 1.2 : 2.0;

    if (shadow > 0) {
        const int steps = std::clamp(m_shadowStep, 1, 8);
        for (int k = steps; k >= 1; --k) {
            const double off = double(shadow) * k / steps;
            QColor c(0, 0, 0, std::max(8, 70 / steps));
            p.save();
            p.translate(off, off);
            p.setPen(block ? Qt::NoPen : QPen(c, width, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(c);
            p.drawPath(fill);
            if (!block) {
                p.setBrush(Qt::NoBrush);
                p.drawPath(line);
            }
            p.restore();
        }
    }

    if (block) {
        p.setBrush(back);
        if (m_borderStyle == 0)
            p.setPen(Qt::NoPen);
        else
            p.setPen(QPen(fore, width, penStyle(m_borderStyle), Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(fill);
        return;
    }
    p.setPen(QPen(fore, width, m_borderStyle == 0 ? Qt::SolidLine : penStyle(m_borderStyle), Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    p.setPen(QPen(fore, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fore);
    p.drawPath(fill);
}
