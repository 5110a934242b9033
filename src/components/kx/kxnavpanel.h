#pragma once
// The navigation panel of the workspace's left column, in the manner of
// Outlook's navigation pane: a header with the active item's caption, the
// item container (the area where the active catalog's menu buttons live),
// and at the bottom the items: the first visibleRowCount() of them as large
// rows, the rest as small icons in a bar below. Dragging the grip above the
// rows shows more or fewer rows.
#include <QIcon>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class QScrollArea;
class QStackedWidget;
class kxNavPanel;

// One item of the panel; owned by the panel, valid until clear() or the
// panel's destruction.
class kxNavItem
{
public:
    QString caption() const { return m_caption; }
    QString key() const { return m_key; }
    QIcon icon() const { return m_icon; }
    // The container shown while this item is active.
    QWidget *container() const { return m_container; }
    // Position in the panel, from 1.
    int index() const;
    // A disabled item is drawn dimmed and cannot be chosen with the mouse.
    bool isEnabled() const { return m_enabled; }

    void setCaption(const QString &caption);
    void setIcon(const QIcon &icon);
    void setEnabled(bool enabled);

private:
    friend class kxNavPanel;
    kxNavItem(kxNavPanel *panel, const QString &caption, const QString &key, const QIcon &icon, QWidget *container,
              bool enabled);

    kxNavPanel *m_panel;
    QString m_caption;
    QString m_key;
    QIcon m_icon;
    QPointer<QWidget> m_container;
    bool m_enabled;
};

class kxNavPanel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int visibleRowCount READ visibleRowCount WRITE setVisibleRowCount NOTIFY visibleRowCountChanged)
    Q_PROPERTY(bool redraw READ redraw WRITE setRedraw)

public:
    explicit kxNavPanel(QWidget *parent = nullptr);
    ~kxNavPanel() override;

    // The panel's own item container ("NavContainer"): a plain widget the
    // owner puts its controls on with absolute positions. It scrolls when
    // its children reach below the visible area (worked out when the event
    // loop next runs, so a column of moves costs one pass).
    QWidget *container() const { return m_container; }

    // Appends an item. container is the widget shown while the item is active;
    // nullptr means the panel's own container() (all catalogs share it). A
    // non-empty key must be unique (compared without regard to case, as the
    // database compares codes); a duplicate adds nothing and returns nullptr.
    kxNavItem *add(const QString &caption, const QString &key, const QIcon &icon = QIcon(),
                   QWidget *container = nullptr, bool enabled = true);
    // Removes every item; no item is active afterwards.
    void clear();

    int count() const { return int(m_items.size()); }
    // Item by position (from 1) or by key; nullptr when there is none.
    kxNavItem *item(int index) const;
    kxNavItem *item(const QString &key) const;

    // The active item, or nullptr.
    kxNavItem *activeItem() const { return m_active; }
    // Makes item active and raises itemChosen, also when it already was
    // active (choosing a catalog again rebuilds its buttons). nullptr or an
    // item of another panel does nothing.
    void setActiveItem(kxNavItem *item);
    // By key; false (and nothing changes) for an unknown key.
    bool setActiveItem(const QString &key);

    // How many items are shown as large rows; the others are small icons.
    // The value is kept as set (a remembered count may exceed today's items);
    // shownRowCount() is what fits now.
    int visibleRowCount() const { return m_visibleRows; }
    void setVisibleRowCount(int rows);
    int shownRowCount() const;

    // Off: no painting and no relayout (the owner is moving many controls);
    // on again: one relayout and one repaint.
    bool redraw() const { return m_redraw; }
    void setRedraw(bool on);

    // Where an item is drawn (a large row or a small icon), in widget
    // coordinates; empty for an unknown item or before the first layout.
    QRect itemRect(const kxNavItem *item) const;
    // The grip above the rows.
    QRect gripRect() const { return m_gripRect; }
    // The area between the header and the grip that shows the container.
    QRect containerArea() const { return m_contentRect; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // An item was chosen: clicked, or made active by setActiveItem.
    void itemChosen(kxNavItem *item);
    // The row count changed (by setVisibleRowCount or the grip).
    void visibleRowCountChanged(int rows);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class kxNavItem;
    void itemChanged();
    void relayout();
    void showContainerOf(kxNavItem *item);
    QScrollArea *pageFor(QWidget *container);
    void updateContainerExtent(QWidget *container);
    void watchChild(QObject *child);
    void scheduleExtent(QWidget *container);
    void flushExtents();
    kxNavItem *itemAt(const QPoint &pos) const;
    int rowHeight() const;
    int headerHeight() const;
    void paintIcon(QPainter &p, const kxNavItem *item, const QRect &r, bool active) const;

    std::vector<std::unique_ptr<kxNavItem>> m_items;
    kxNavItem *m_active = nullptr;
    QWidget *m_container = nullptr;
    QStackedWidget *m_pages = nullptr;
    int m_visibleRows = 3;
    int m_shownRows = 0;
    bool m_redraw = true;
    bool m_layoutPending = false;

    QRect m_headerRect;
    QRect m_contentRect;
    QRect m_gripRect;
    QRect m_smallBarRect;
    std::vector<QRect> m_itemRects; // by item position
    QList<QPointer<QWidget>> m_dirtyContainers;

    kxNavItem *m_hover = nullptr;
    kxNavItem *m_pressed = nullptr;
    bool m_hoverGrip = false;
    bool m_draggingGrip = false;
    int m_dragStartY = 0;
    int m_dragStartRows = 0;
};
