#pragma once
// The pieces of a report's parameter row: a line edit never narrower than a whole date, and the
// layout that puts the row's pieces side by side and goes on in a second line when it is narrow.
#include <QLayout>
#include <QLineEdit>
#include <QList>

namespace lwcommon {

// Never narrower than a whole date, measured with the font, margins and frame the box has when it
// is laid out (the style sheet of the window it is shown in included).
class DateLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    QSize minimumSizeHint() const override;
};

// Its pieces (a caption with its box, the run button) side by side, going on in a second line
// when the report is narrower than the row, never squeezed below their size.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(int spacing);
    ~FlowLayout() override;
    void addItem(QLayoutItem *item) override { m_items << item; }
    int count() const override { return int(m_items.size()); }
    QLayoutItem *itemAt(int i) const override { return m_items.value(i); }
    QLayoutItem *takeAt(int i) override { return i >= 0 && i < m_items.size() ? m_items.takeAt(i) : nullptr; }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return place(QRect(0, 0, width, 0), false); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &r) override;

private:
    // Lays the pieces out in r (when apply) and gives the height they take.
    int place(const QRect &r, bool apply) const;
    QList<QLayoutItem *> m_items;
};

} // namespace lwcommon
