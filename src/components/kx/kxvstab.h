#pragma once
// The strip of open functions below the work area: one tab per function
// opened in the main window, plus tab 1, the home tab. Tabs are numbered
// from 1 and carry a unique key ("menu code-counter"); the owner shows the
// page of a tab when it is activated and hides it when it is deactivated.
#include <QList>
#include <QWidget>

class kxVSTab : public QWidget
{
    Q_OBJECT
public:
    struct Tab {
        QString caption;
        QString key;
    };

    explicit kxVSTab(QWidget *parent = nullptr);

    // Appends a tab and returns its index (from 1). With select the new tab
    // becomes the active tab at once and quietly (no signals): its owner is
    // about to show the new page itself. A key already present (compared
    // without regard to case) is refused: nothing is added, 0 is returned.
    // An empty key is allowed more than once.
    int add(const QString &caption, const QString &key, bool select = true);

    // Removes a tab. Removing the active tab first reports it deactivated
    // (while it still exists, so the owner can read its key), then activates
    // its left neighbour, which is reported activated. False for an unknown
    // index or key.
    bool remove(int index);
    bool remove(const QString &key);

    int count() const { return int(m_tabs.size()); }
    // The tab at index (from 1); nullptr outside 1..count().
    const Tab *tab(int index) const;
    // Index of the tab with that key (without regard to case), 0 when none.
    int indexOf(const QString &key) const;
    void setCaption(int index, const QString &caption);

    // The active tab's index, 0 when there is none.
    int activeIndex() const { return m_active; }
    bool isActive(int index) const { return index >= 1 && index == m_active; }
    // Makes a tab active: tabDeactivated for the old tab, then tabActivated
    // for the new. The active tab again, or an index outside 1..count(), does
    // nothing.
    void setActive(int index);

    // Redraws the strip (after captions changed, or as the owner's "refresh").
    void refresh();

    // Geometry for tests and tool tips, in widget coordinates; empty when
    // the tab is out of range or scrolled out of view.
    QRect tabRect(int index) const;
    // The close button of a tab; tab 1 (home) has none.
    QRect closeButtonRect(int index) const;
    // With more tabs than the strip holds, two buttons at its right end scroll it: -1 the
    // left one, +1 the right one (empty rects while everything fits).
    QRect scrollButtonRect(int direction) const;
    bool canScroll(int direction) const;
    void scrollTabs(int direction);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void tabActivated(int index);
    void tabDeactivated(int index);
    // The close button (or a middle click) on tab index >= 2. The owner decides.
    void tabCloseRequested(int index);
    // A right click (or the menu key) over a tab: index from 1, position on the screen.
    void tabMenuRequested(int index, const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool event(QEvent *event) override;

private:
    void relayout();
    int tabsRight() const; // where the tabs end: before the scroll buttons when they show
    void ensureVisible(int index);
    int tabAt(const QPoint &pos) const;
    bool overClose(int index, const QPoint &pos) const;

    QList<Tab> m_tabs;
    QList<QRect> m_rects; // unscrolled, one per tab
    int m_active = 0;
    int m_hover = 0;
    bool m_hoverClose = false;
    int m_hoverScroll = 0; // the scroll button under the pointer: -1, +1 or 0
    int m_pressed = 0;
    bool m_pressedClose = false;
    int m_scroll = 0;
    bool m_overflow = false; // more tabs than the strip holds: the scroll buttons show
};
