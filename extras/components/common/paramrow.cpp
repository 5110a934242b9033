#include "paramrow.h"

#include <QStyle>
#include <QStyleOptionFrame>

namespace lwcommon {

QSize DateLineEdit::minimumSizeHint() const
{
    QStyleOptionFrame o;
    initStyleOption(&o);
    const QMargins tm = textMargins(), cm = contentsMargins();
    const QSize text(fontMetrics().horizontalAdvance(QStringLiteral("2026-12-31")) + 6 + tm.left() + tm.right() + cm.left() + cm.right(),
                     fontMetrics().height() + tm.top() + tm.bottom() + cm.top() + cm.bottom());
    return style()->sizeFromContents(QStyle::CT_LineEdit, &o, text, this).expandedTo(QLineEdit::minimumSizeHint());
}

FlowLayout::FlowLayout(int spacing)
{
    setSpacing(spacing);
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem *i = takeAt(0))
        delete i;
}

QSize FlowLayout::sizeHint() const
{
    QSize s;
    for (QLayoutItem *i : m_items)
        s = QSize(s.width() + i->sizeHint().width() + spacing(), qMax(s.height(), i->sizeHint().height()));
    return s;
}

QSize FlowLayout::minimumSize() const
{
    QSize s;
    for (QLayoutItem *i : m_items)
        s = s.expandedTo(i->minimumSize());
    return s;
}

void FlowLayout::setGeometry(const QRect &r)
{
    QLayout::setGeometry(r);
    place(r, true);
}

int FlowLayout::place(const QRect &r, bool apply) const
{
    int x = r.x(), y = r.y(), line = 0;
    for (QLayoutItem *i : m_items) {
        const QSize s = i->sizeHint();
        if (x > r.x() && x + s.width() > r.right() + 1) {
            x = r.x();
            y += line + spacing();
            line = 0;
        }
        if (apply)
            i->setGeometry(QRect(QPoint(x, y), s));
        x += s.width() + spacing();
        line = qMax(line, s.height());
    }
    return y + line - r.y();
}

} // namespace lwcommon
