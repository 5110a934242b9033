#include "components/kx/kxdesign.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kxdesign {

namespace {

QPixmap canvas(int size, qreal dpr)
{
    QPixmap pm(QSize(size, size) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QPixmap glyph(Glyph kind, int size, const QColor &color, qreal dpr)
{
    QPixmap pm = canvas(size, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal w = qMax<qreal>(1.2, s / 11.0); // stroke width
    QPen pen(color, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);

    switch (kind) {
    case Glyph::Leave: {
        const QRectF ring(s * 0.18, s * 0.2, s * 0.64, s * 0.64);
        p.drawArc(ring, 120 * 16, -300 * 16);
        p.drawLine(QPointF(s / 2, s * 0.1), QPointF(s / 2, s * 0.48));
        break;
    }
    case Glyph::Lock: {
        const QRectF body(s * 0.2, s * 0.45, s * 0.6, s * 0.45);
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(body, s * 0.08, s * 0.08);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        QPainterPath shackle;
        shackle.moveTo(s * 0.32, s * 0.46);
        shackle.lineTo(s * 0.32, s * 0.32);
        shackle.arcTo(QRectF(s * 0.32, s * 0.1, s * 0.36, s * 0.44), 180, -180);
        shackle.lineTo(s * 0.68, s * 0.46);
        p.drawPath(shackle);
        break;
    }
    case Glyph::Help: {
        p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
        QFont f;
        f.setPixelSize(int(s * 0.58));
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, s, s * 1.02), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Glyph::Alert: {
        QPainterPath bell;
        bell.moveTo(s * 0.18, s * 0.72);
        bell.cubicTo(s * 0.28, s * 0.6, s * 0.26, s * 0.5, s * 0.28, s * 0.38);
        bell.cubicTo(s * 0.3, s * 0.2, s * 0.7, s * 0.2, s * 0.72, s * 0.38);
        bell.cubicTo(s * 0.74, s * 0.5, s * 0.72, s * 0.6, s * 0.82, s * 0.72);
        bell.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPath(bell);
        p.drawEllipse(QPointF(s * 0.5, s * 0.8), s * 0.09, s * 0.09);
        p.drawEllipse(QPointF(s * 0.5, s * 0.17), s * 0.06, s * 0.06);
        break;
    }
    case Glyph::Web: {
        const QRectF ball(s * 0.12, s * 0.12, s * 0.76, s * 0.76);
        p.setPen(QPen(color, w * 0.8));
        p.drawEllipse(ball);
        p.drawEllipse(QRectF(s * 0.33, s * 0.12, s * 0.34, s * 0.76));
        p.drawLine(QPointF(s * 0.12, s / 2), QPointF(s * 0.88, s / 2));
        break;
    }
    case Glyph::Phone: {
        QPainterPath handset;
        handset.moveTo(s * 0.22, s * 0.14);
        handset.lineTo(s * 0.38, s * 0.14);
        handset.lineTo(s * 0.44, s * 0.34);
        handset.lineTo(s * 0.34, s * 0.42);
        handset.cubicTo(s * 0.42, s * 0.56, s * 0.46, s * 0.6, s * 0.58, s * 0.66);
        handset.lineTo(s * 0.66, s * 0.56);
        handset.lineTo(s * 0.86, s * 0.62);
        handset.lineTo(s * 0.86, s * 0.78);
        handset.cubicTo(s * 0.86, s * 0.84, s * 0.8, s * 0.88, s * 0.74, s * 0.88);
        handset.cubicTo(s * 0.42, s * 0.84, s * 0.16, s * 0.58, s * 0.12, s * 0.26);
        handset.cubicTo(s * 0.12, s * 0.2, s * 0.16, s * 0.14, s * 0.22, s * 0.14);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPath(handset);
        break;
    }
    case Glyph::Mail: {
        const QRectF env(s * 0.1, s * 0.22, s * 0.8, s * 0.56);
        p.setPen(QPen(color, w * 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawRoundedRect(env, s * 0.06, s * 0.06);
        QPainterPath flap;
        flap.moveTo(env.topLeft() + QPointF(s * 0.04, s * 0.04));
        flap.lineTo(s / 2, s * 0.52);
        flap.lineTo(env.topRight() + QPointF(-s * 0.04, s * 0.04));
        p.drawPath(flap);
        break;
    }
    case Glyph::HidePanel:
    case Glyph::ShowPanel: {
        const bool left = kind == Glyph::HidePanel;
        const qreal dir = left ? -1 : 1;
        p.setPen(QPen(color, qMax<qreal>(1.5, s / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (int i = 0; i < 2; ++i) {
            const qreal cx = s / 2 + (i == 0 ? -0.14 : 0.14) * s;
            QPainterPath chevron;
            chevron.moveTo(cx - dir * s * 0.12, s * 0.28);
            chevron.lineTo(cx + dir * s * 0.1, s * 0.5);
            chevron.lineTo(cx - dir * s * 0.12, s * 0.72);
            p.drawPath(chevron);
        }
        break;
    }
    }
    return pm;
}

QPixmap lockPanel(const QSize &size, qreal dpr)
{
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    QLinearGradient body(0, 0, 0, h);
    body.setColorAt(0, QColor(0xff, 0xff, 0xff));
    body.setColorAt(1, QColor(0xee, 0xf3, 0xf9));
    p.fillRect(QRectF(0, 0, w, h), body);
    QLinearGradient line(0, 0, w, 0);
    line.setColorAt(0, QColor(0x16, 0x52, 0x85));
    line.setColorAt(1, QColor(0x2b, 0x7f, 0xc6));
    p.fillRect(QRectF(0, 0, w, 4), line);
    // A soft wave along the bottom.
    QPainterPath wave;
    wave.moveTo(0, h - 14);
    wave.cubicTo(w * 0.35, h - 22, w * 0.7, h - 40, w, h - 52);
    wave.lineTo(w, h);
    wave.lineTo(0, h);
    wave.closeSubpath();
    p.fillPath(wave, QColor(0xdc, 0xe6, 0xf1, 170));
    // The padlock on a light badge in the top right corner.
    const QPointF badge(w - 46, 42);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe3, 0xee, 0xf9));
    p.drawEllipse(badge, 28, 28);
    p.drawPixmap(QPointF(badge.x() - 14, badge.y() - 15), glyph(Glyph::Lock, 28, QColor(0x4f, 0x8f, 0xcf), dpr));
    p.setPen(QColor(0xd5, 0xdc, 0xe4));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return pm;
}

QPixmap logo(int size, qreal dpr)
{
    QPixmap pm = canvas(size, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient g(0, 0, s, s);
    g.setColorAt(0, QColor(0xff, 0xff, 0xff, 235));
    g.setColorAt(1, QColor(0xdc, 0xea, 0xf7, 235));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.22, s * 0.22);
    // A "Z" drawn as a path, so it looks the same with every font.
    QPainterPath z;
    z.moveTo(s * 0.28, s * 0.28);
    z.lineTo(s * 0.72, s * 0.28);
    z.lineTo(s * 0.72, s * 0.38);
    z.lineTo(s * 0.42, s * 0.62);
    z.lineTo(s * 0.72, s * 0.62);
    z.lineTo(s * 0.72, s * 0.72);
    z.lineTo(s * 0.28, s * 0.72);
    z.lineTo(s * 0.28, s * 0.62);
    z.lineTo(s * 0.58, s * 0.38);
    z.lineTo(s * 0.28, s * 0.38);
    z.closeSubpath();
    p.setBrush(QColor(0x1f, 0x6f, 0xb2));
    p.drawPath(z);
    return pm;
}

} // namespace kxdesign
