#include "util/ui/mscreen.h"

#include <QPainter>
#include <QWidget>

namespace MScreen {

QPixmap CaptureWindow(QWidget *window, bool clientOnly, int left, int top, int width, int height)
{
    if (!window || width < 1 || height < 1)
        return {};

    QPoint origin(left, top);
    if (!clientOnly && window->isWindow())
        origin -= window->geometry().topLeft() - window->frameGeometry().topLeft();

    const qreal dpr = window->devicePixelRatioF();
    QPixmap picture(QSize(width, height) * dpr);
    picture.setDevicePixelRatio(dpr);
    picture.fill(Qt::transparent);

    const QRect wanted(origin, QSize(width, height));
    const QRect inside = wanted.intersected(window->rect());
    if (inside.isEmpty())
        return picture;
    const QPixmap grabbed = window->grab(inside);
    QPainter p(&picture);
    p.drawPixmap(inside.topLeft() - wanted.topLeft(), grabbed);
    return picture;
}

} // namespace MScreen
