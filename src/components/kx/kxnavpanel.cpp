#include "components/kx/kxnavpanel.h"

#include "components/kx/kxstyle.h"

#include <QChildEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolTip>

#include <cmath>
#include <utility>

namespace {
constexpr int kGripHeight = 7;
constexpr int kIconSize = 20;
constexpr int kRowIndent = 14;
constexpr int kAccentBar = 3;
constexpr int kContainerBottomRoom = 8;
} // namespace

// ---------------------------------------------------------------- kxNavItem

kxNavItem::kxNavItem(kxNavPanel *panel, const QString &caption, const QString &key, const QIcon &icon,
                     QWidget *container, bool enabled)
    : m_panel(panel)
    , m_caption(caption)
    , m_key(key)
    , m_icon(icon)
    , m_container(container)
    , m_enabled(enabled)
{
}

int kxNavItem::index() const
{
    for (size_t i = 0; i < m_panel->m_items.size(); ++i)
        if (m_panel->m_items[i].get() == this)
            return int(i) + 1;
    return 0;
}

void kxNavItem::setCaption(const QString &caption)
{
    m_caption = caption;
    m_panel->itemChanged();
}

void kxNavItem::setIcon(const QIcon &icon)
{
    m_icon = icon;
    m_panel->itemChanged();
}

void kxNavItem::setEnabled(bool enabled)
{
    m_enabled = enabled;
    m_panel->itemChanged();
}

// --------------------------------------------------------------- kxNavPanel

kxNavPanel::kxNavPanel(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_pages = new QStackedWidget(this);
    m_container = new QWidget;
    m_container->setObjectName(QStringLiteral("NavContainer"));
    pageFor(m_container);
    relayout();
}

kxNavPanel::~kxNavPanel()
{
    // The containers and their buttons outlive this destructor's body: stop watching
    // them first, so nothing of theirs reaches a panel that is half gone.
    for (int i = 0; i < m_pages->count(); ++i) {
        QWidget *container = static_cast<QScrollArea *>(m_pages->widget(i))->widget();
        if (!container)
            continue;
        container->removeEventFilter(this);
        for (QObject *child : container->children()) {
            child->removeEventFilter(this);
            QObject::disconnect(child, nullptr, this, nullptr);
        }
    }
}

QScrollArea *kxNavPanel::pageFor(QWidget *container)
{
    for (int i = 0; i < m_pages->count(); ++i) {
        auto *page = static_cast<QScrollArea *>(m_pages->widget(i));
        if (page->widget() == container)
            return page;
    }
    auto *page = new QScrollArea;
    page->setFrameShape(QFrame::NoFrame);
    page->setWidgetResizable(true);
    page->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette pal = page->palette();
    pal.setColor(QPalette::Window, kxstyle::panel());
    page->setPalette(pal);
    page->viewport()->setPalette(pal);
    container->setPalette(pal);
    page->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical{background:transparent;width:8px;margin:2px 1px;}"
        "QScrollBar::handle:vertical{background:#c3ccd6;border-radius:3px;min-height:24px;}"
        "QScrollBar::handle:vertical:hover{background:#a7b3c0;}"
        "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0;}"
        "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:none;}"));
    page->setWidget(container);
    container->installEventFilter(this);
    for (QObject *child : container->children())
        if (child->isWidgetType())
            watchChild(child);
    m_pages->addWidget(page);
    updateContainerExtent(container);
    return page;
}

void kxNavPanel::updateContainerExtent(QWidget *container)
{
    int bottom = 0;
    for (QObject *child : container->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (w && !w->isHidden() && !w->isWindow())
            bottom = qMax(bottom, w->geometry().bottom() + 1);
    }
    container->setMinimumHeight(bottom > 0 ? bottom + kContainerBottomRoom : 0);
}

static bool isPageContainer(const QObject *o)
{
    return o && o->parent() && qobject_cast<const QScrollArea *>(o->parent()->parent());
}

void kxNavPanel::watchChild(QObject *child)
{
    if (child->property("kxNavWatched").toBool())
        return;
    child->setProperty("kxNavWatched", true);
    child->installEventFilter(this);
    auto *container = qobject_cast<QWidget *>(child->parent());
    connect(child, &QObject::destroyed, this, [this, container] { scheduleExtent(container); });
}

// Children move many at a time (a column of buttons being laid out): the
// extent is worked out once, when the event loop next runs.
void kxNavPanel::scheduleExtent(QWidget *container)
{
    if (!container)
        return;
    for (const auto &c : m_dirtyContainers)
        if (c == container)
            return;
    if (m_dirtyContainers.isEmpty())
        QMetaObject::invokeMethod(this, &kxNavPanel::flushExtents, Qt::QueuedConnection);
    m_dirtyContainers.append(container);
}

void kxNavPanel::flushExtents()
{
    const auto dirty = std::exchange(m_dirtyContainers, {});
    for (const auto &c : dirty)
        if (c)
            updateContainerExtent(c);
}

bool kxNavPanel::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved:
        if (isPageContainer(watched)) {
            QObject *child = static_cast<QChildEvent *>(event)->child();
            if (event->type() == QEvent::ChildAdded && child->isWidgetType())
                watchChild(child);
            scheduleExtent(static_cast<QWidget *>(watched));
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched->isWidgetType() && isPageContainer(watched->parent()))
            scheduleExtent(static_cast<QWidget *>(watched->parent()));
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

kxNavItem *kxNavPanel::add(const QString &caption, const QString &key, const QIcon &icon, QWidget *container,
                           bool enabled)
{
    if (!key.isEmpty() && item(key))
        return nullptr;
    QWidget *shown = container ? container : m_container;
    if (container)
        pageFor(container);
    m_items.push_back(std::unique_ptr<kxNavItem>(new kxNavItem(this, caption, key, icon, shown, enabled)));
    relayout();
    update();
    return m_items.back().get();
}

void kxNavPanel::clear()
{
    m_active = nullptr;
    m_hover = nullptr;
    m_pressed = nullptr;
    m_items.clear();
    m_pages->setCurrentWidget(pageFor(m_container));
    relayout();
    update();
}

kxNavItem *kxNavPanel::item(int index) const
{
    if (index < 1 || index > count())
        return nullptr;
    return m_items[size_t(index - 1)].get();
}

kxNavItem *kxNavPanel::item(const QString &key) const
{
    if (key.isEmpty())
        return nullptr;
    for (const auto &i : m_items)
        if (i->m_key.compare(key, Qt::CaseInsensitive) == 0)
            return i.get();
    return nullptr;
}

void kxNavPanel::setActiveItem(kxNavItem *item)
{
    if (!item || item->m_panel != this || item->index() == 0)
        return;
    m_active = item;
    showContainerOf(item);
    update();
    Q_EMIT itemChosen(item);
}

bool kxNavPanel::setActiveItem(const QString &key)
{
    kxNavItem *found = item(key);
    if (!found)
        return false;
    setActiveItem(found);
    return true;
}

void kxNavPanel::showContainerOf(kxNavItem *item)
{
    QWidget *container = item && item->m_container ? item->m_container.data() : m_container;
    m_pages->setCurrentWidget(pageFor(container));
}

void kxNavPanel::setVisibleRowCount(int rows)
{
    rows = qMax(0, rows);
    if (rows == m_visibleRows)
        return;
    m_visibleRows = rows;
    relayout();
    update();
    Q_EMIT visibleRowCountChanged(rows);
}

int kxNavPanel::shownRowCount() const
{
    return m_shownRows;
}

void kxNavPanel::setRedraw(bool on)
{
    if (on == m_redraw)
        return;
    m_redraw = on;
    setUpdatesEnabled(on);
    if (on) {
        relayout();
        update();
    }
}

QRect kxNavPanel::itemRect(const kxNavItem *item) const
{
    const int index = item ? item->index() : 0;
    if (index < 1 || size_t(index) > m_itemRects.size())
        return {};
    return m_itemRects[size_t(index - 1)];
}

QSize kxNavPanel::sizeHint() const
{
    return QSize(220, 420);
}

QSize kxNavPanel::minimumSizeHint() const
{
    return QSize(80, headerHeight() + kGripHeight + rowHeight());
}

int kxNavPanel::rowHeight() const
{
    return qMax(34, fontMetrics().height() + 18);
}

int kxNavPanel::headerHeight() const
{
    return qMax(32, fontMetrics().height() + 16);
}

void kxNavPanel::itemChanged()
{
    relayout();
    update();
}

void kxNavPanel::relayout()
{
    if (!m_redraw) {
        m_layoutPending = true;
        return;
    }
    m_layoutPending = false;
    const int w = width();
    const int h = height();
    const int n = count();
    const int rowH = rowHeight();
    const int headerH = headerHeight();

    m_headerRect = QRect(0, 0, w, headerH);
    const int room = qMax(0, h - headerH - (n > 0 ? kGripHeight : 0));
    int rows = qMin(m_visibleRows, n);
    bool smallBar = rows < n;
    if (!smallBar && rows * rowH > room)
        smallBar = true;
    if (smallBar)
        rows = qMin(rows, qMax(0, (room - rowH) / rowH));

    m_itemRects.assign(size_t(n), QRect());
    m_shownRows = rows;
    int y = h;
    if (smallBar && n > 0) {
        m_smallBarRect = QRect(0, h - rowH, w, rowH);
        y -= rowH;
        const int small = n - rows;
        const int cell = qBound(16, (w - 12) / qMax(1, small), rowH);
        for (int i = 0; i < small; ++i) {
            const QRect r(6 + i * cell, m_smallBarRect.top(), cell, rowH);
            if (r.right() < w - 4)
                m_itemRects[size_t(rows + i)] = r;
        }
    } else {
        m_smallBarRect = QRect();
    }
    y -= rows * rowH;
    for (int i = 0; i < rows; ++i)
        m_itemRects[size_t(i)] = QRect(0, y + i * rowH, w, rowH);
    if (n > 0) {
        y -= kGripHeight;
        m_gripRect = QRect(0, y, w, kGripHeight);
    } else {
        m_gripRect = QRect();
    }
    m_contentRect = QRect(1, headerH, qMax(0, w - 2), qMax(0, y - headerH));
    m_pages->setGeometry(m_contentRect);
}

kxNavItem *kxNavPanel::itemAt(const QPoint &pos) const
{
    for (size_t i = 0; i < m_itemRects.size() && i < m_items.size(); ++i)
        if (m_itemRects[i].contains(pos))
            return m_items[i].get();
    return nullptr;
}

void kxNavPanel::resizeEvent(QResizeEvent *event)
{
    relayout();
    QWidget::resizeEvent(event);
}

void kxNavPanel::paintIcon(QPainter &p, const kxNavItem *item, const QRect &r, bool active) const
{
    if (!item->m_icon.isNull()) {
        item->m_icon.paint(&p, r, Qt::AlignCenter, item->m_enabled ? QIcon::Normal : QIcon::Disabled);
        return;
    }
    // No picture: the caption's first character on a rounded tile.
    QColor tile = active ? kxstyle::accent() : kxstyle::mutedText();
    if (!item->m_enabled)
        tile = kxstyle::disabledText();
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), 4, 4);
    QFont f = font();
    f.setPixelSize(qMax(8, r.height() * 11 / 20));
    f.setWeight(QFont::DemiBold);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, item->m_caption.trimmed().left(1));
    p.restore();
}

void kxNavPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), kxstyle::panel());

    // Header: the active item's caption.
    p.fillRect(m_headerRect, kxstyle::accent());
    if (m_active) {
        QFont f = font();
        f.setWeight(QFont::DemiBold);
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() + 1);
        else if (f.pixelSize() > 0)
            f.setPixelSize(f.pixelSize() + 1);
        p.setFont(f);
        p.setPen(Qt::white);
        const QRect textRect = m_headerRect.adjusted(kRowIndent, 0, -kRowIndent, 0);
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   QFontMetrics(f).elidedText(m_active->m_caption, Qt::ElideRight, textRect.width()));
        p.setFont(font());
    }

    // Grip: a band with a few dots, dragged to show more or fewer rows.
    if (!m_gripRect.isEmpty()) {
        p.fillRect(m_gripRect, m_hoverGrip || m_draggingGrip ? kxstyle::pressed() : kxstyle::band());
        p.setPen(kxstyle::border());
        p.drawLine(QPointF(0, m_gripRect.top() + 0.5), QPointF(width(), m_gripRect.top() + 0.5));
        p.setPen(Qt::NoPen);
        p.setBrush(kxstyle::mutedText());
        const QPointF c = QRectF(m_gripRect).center();
        for (int i = -2; i <= 2; ++i)
            p.drawEllipse(c + QPointF(i * 5, 0.5), 1.1, 1.1);
    }

    // Large rows.
    QFont bold = font();
    bold.setWeight(QFont::DemiBold);
    for (int i = 0; i < qMin(m_shownRows, count()); ++i) {
        const QRect r = m_itemRects[size_t(i)];
        const kxNavItem *it = m_items[size_t(i)].get();
        if (r.isEmpty())
            continue;
        const bool active = it == m_active;
        const bool hovered = it == m_hover && it->m_enabled;
        p.fillRect(r, active ? kxstyle::selection() : hovered ? kxstyle::hover() : kxstyle::surface());
        p.setPen(kxstyle::separator());
        p.drawLine(QPointF(0, r.top() + 0.5), QPointF(width(), r.top() + 0.5));
        if (active)
            p.fillRect(QRect(r.left(), r.top() + 1, kAccentBar, r.height() - 1), kxstyle::accent());
        const QRect iconRect(r.left() + kRowIndent, r.top() + (r.height() - kIconSize) / 2, kIconSize, kIconSize);
        paintIcon(p, it, iconRect, active);
        const QRect textRect(iconRect.right() + 11, r.top(), r.right() - iconRect.right() - 11 - 8, r.height());
        p.setFont(active ? bold : font());
        p.setPen(!it->m_enabled ? kxstyle::disabledText() : active ? kxstyle::accentDark() : kxstyle::text());
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   QFontMetrics(p.font()).elidedText(it->m_caption, Qt::ElideRight, textRect.width()));
    }
    p.setFont(font());

    // Small icons of the items beyond the rows.
    if (!m_smallBarRect.isEmpty()) {
        p.fillRect(m_smallBarRect, kxstyle::band());
        p.setPen(kxstyle::border());
        p.drawLine(QPointF(0, m_smallBarRect.top() + 0.5), QPointF(width(), m_smallBarRect.top() + 0.5));
        for (int i = m_shownRows; i < count(); ++i) {
            const QRect r = m_itemRects[size_t(i)];
            if (r.isEmpty())
                continue;
            const kxNavItem *it = m_items[size_t(i)].get();
            const bool active = it == m_active;
            const bool hovered = it == m_hover && it->m_enabled;
            const QRectF cell = QRectF(r).adjusted(2, 5, -2, -5);
            if (active || hovered) {
                p.setPen(active ? QPen(kxstyle::accent().lighter(150), 1) : Qt::NoPen);
                p.setBrush(active ? kxstyle::selection() : kxstyle::hover());
                p.drawRoundedRect(cell, 4, 4);
            }
            const int s = qMin(kIconSize, qMin(r.width(), r.height()) - 10);
            paintIcon(p, it, QRect(r.left() + (r.width() - s) / 2, r.top() + (r.height() - s) / 2, s, s), active);
        }
    }

    // Frame.
    p.setPen(kxstyle::border());
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void kxNavPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (m_gripRect.contains(pos)) {
        m_draggingGrip = true;
        m_dragStartY = pos.y();
        m_dragStartRows = shownRowCount();
        update();
        return;
    }
    kxNavItem *it = itemAt(pos);
    m_pressed = it && it->m_enabled ? it : nullptr;
}

void kxNavPanel::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_draggingGrip) {
        const int steps = int(std::lround(double(m_dragStartY - pos.y()) / rowHeight()));
        setVisibleRowCount(qBound(0, m_dragStartRows + steps, count()));
        return;
    }
    kxNavItem *it = itemAt(pos);
    const bool grip = m_gripRect.contains(pos);
    if (it != m_hover || grip != m_hoverGrip) {
        m_hover = it;
        m_hoverGrip = grip;
        setCursor(grip ? Qt::SizeVerCursor : it && it->m_enabled ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
}

void kxNavPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_draggingGrip) {
        m_draggingGrip = false;
        update();
        return;
    }
    kxNavItem *it = itemAt(event->position().toPoint());
    kxNavItem *pressed = m_pressed;
    m_pressed = nullptr;
    if (it && it == pressed)
        setActiveItem(it);
}

void kxNavPanel::leaveEvent(QEvent *event)
{
    m_hover = nullptr;
    m_hoverGrip = false;
    update();
    QWidget::leaveEvent(event);
}

bool kxNavPanel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        if (kxNavItem *it = itemAt(help->pos())) {
            QToolTip::showText(help->globalPos(), it->m_caption, this);
            return true;
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}
