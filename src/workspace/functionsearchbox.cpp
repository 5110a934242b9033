#include "workspace/functionsearchbox.h"

#include "components/kx/kxlinklabel.h"
#include "components/kx/kxstyle.h"
#include "components/sysservices.h"
#include "core/functionlists.h"
#include "core/imenurunner.h"
#include "core/session.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace workspace {

namespace {

enum Role { CodeRole = Qt::UserRole, KindRole, NameRole, PathRole, PinnedRole };
enum Kind { EntryRow = 0, HeadingRow = 1, NothingRow = 2 };

constexpr int kEntryHeight = 42;
constexpr int kHeadingHeight = 26;
constexpr int kStarWidth = 30;

const QString kPin = QStringLiteral("固定到常用");
const QString kUnpin = QStringLiteral("取消固定");

bool selectable(const QListWidgetItem *item)
{
    return item && item->data(KindRole).toInt() == EntryRow;
}

// A function's own menu (a search result's, a home-area link's): open it (as
// the caller opens it), or pin or unpin it.
void showFunctionMenu(FunctionLauncher &launcher, const QString &code, const QPoint &globalPos, QWidget *parent,
                      const std::function<void()> &open)
{
    const bool pinned = launcher.isPinned(code);
    QMenu menu(parent);
    QAction *opens = menu.addAction(QStringLiteral("打开"));
    QAction *pin = menu.addAction(pinned ? kUnpin : kPin);
    QAction *chosen = menu.exec(globalPos);
    if (chosen == opens)
        open();
    else if (chosen == pin)
        launcher.setPinned(code, !pinned);
}

// A result row: the name, under it the catalog path, the code on the right and the pin star.
class ResultDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int kind = index.data(KindRole).toInt();
        return QSize(option.rect.width(), kind == EntryRow ? kEntryHeight : kHeadingHeight);
    }

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        p->save();
        const QRect r = option.rect;
        const int kind = index.data(KindRole).toInt();
        QFont f = option.font;
        if (kind == HeadingRow) {
            f.setBold(true);
            f.setPixelSize(12);
            p->setFont(f);
            p->setPen(kxstyle::mutedText());
            p->drawText(r.adjusted(12, 4, -12, 0), Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
            p->restore();
            return;
        }
        if (kind == NothingRow) {
            p->setFont(f);
            p->setPen(kxstyle::mutedText());
            p->drawText(r.adjusted(12, 0, -12, 0), Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
            p->restore();
            return;
        }
        const bool current = option.state & QStyle::State_Selected;
        const bool hovered = option.state & QStyle::State_MouseOver;
        if (current)
            p->fillRect(r, kxstyle::selection());
        else if (hovered)
            p->fillRect(r, kxstyle::hover());
        const QString code = index.data(CodeRole).toString();
        const QString path = index.data(PathRole).toString();
        const bool pinned = index.data(PinnedRole).toBool();

        QFont small = f;
        small.setPixelSize(std::max(10, f.pixelSize() > 0 ? f.pixelSize() - 2 : 11));
        const QFontMetrics sm(small);
        const int codeWidth = sm.horizontalAdvance(code) + 8;
        const QRect text = r.adjusted(12, 3, -(kStarWidth + codeWidth + 8), -3);

        QFont nameFont = f;
        nameFont.setPixelSize(14);
        p->setFont(nameFont);
        p->setPen(kxstyle::text());
        const QRect nameRect(text.left(), text.top(), text.width(), text.height() / 2 + 2);
        p->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                    QFontMetrics(nameFont).elidedText(index.data(NameRole).toString(), Qt::ElideRight, nameRect.width()));
        p->setFont(small);
        p->setPen(kxstyle::mutedText());
        const QRect pathRect(text.left(), nameRect.bottom(), text.width(), text.bottom() - nameRect.bottom());
        p->drawText(pathRect, Qt::AlignLeft | Qt::AlignVCenter, sm.elidedText(path, Qt::ElideMiddle, pathRect.width()));
        p->drawText(QRect(r.right() - kStarWidth - codeWidth, r.top(), codeWidth, r.height()), Qt::AlignRight | Qt::AlignVCenter, code);

        QFont star = f;
        star.setPixelSize(16);
        p->setFont(star);
        p->setPen(pinned ? QColor(0xe0, 0x8a, 0x1e) : (current || hovered ? kxstyle::mutedText() : kxstyle::border()));
        p->drawText(QRect(r.right() - kStarWidth, r.top(), kStarWidth, r.height()), Qt::AlignCenter,
                    pinned ? QStringLiteral("★") : QStringLiteral("☆"));
        p->restore();
    }
};

} // namespace

// ------------------------------------------------------------------ FunctionLauncher

FunctionLauncher::FunctionLauncher(Session &session, std::function<IMenuRunner *()> runner, QObject *parent)
    : QObject(parent), m_session(session), m_runner(std::move(runner))
{
    connect(functionlists::notifier(session), &functionlists::Notifier::changed, this, &FunctionLauncher::changed);
}

void FunctionLauncher::reload()
{
    if (m_session.db && m_session.sys) {
        SystemServices *sys = m_session.sys.get();
        m_index = FunctionIndex::fromRows(FunctionIndex::readRows(*m_session.db),
                                          [sys](int32_t number) { return sys->rights(number).right(1); });
    } else {
        m_index = FunctionIndex();
    }
    Q_EMIT changed();
}

QList<int> FunctionLauncher::pinnedEntries() const
{
    return m_index.entriesOf(functionlists::pinned(m_session));
}

QList<int> FunctionLauncher::recentEntries() const
{
    return m_index.entriesOf(functionlists::recent(m_session));
}

bool FunctionLauncher::isPinned(const QString &code) const
{
    return functionlists::isPinned(m_session, code);
}

bool FunctionLauncher::setPinned(const QString &code, bool pin)
{
    // Only the operator's own functions are pinned; unpinning always works.
    if (pin && m_index.find(code) < 0)
        return false;
    return functionlists::setPinned(m_session, code, pin);
}

bool FunctionLauncher::run(const QString &code)
{
    const int i = m_index.find(code);
    IMenuRunner *runner = m_runner ? m_runner() : nullptr;
    if (i < 0 || !runner)
        return false;
    bool inEditWindow = false;
    bool executed = false;
    runner->ExecuteMenu(m_index.entry(i).code, inEditWindow, executed);
    return executed;
}

// ------------------------------------------------------------------ FunctionSearchBox

FunctionSearchBox::FunctionSearchBox(FunctionLauncher &launcher, QWidget *parent)
    : QLineEdit(parent), m_launcher(launcher)
{
    setObjectName(QStringLiteral("txtFunctionSearch"));
    setPlaceholderText(QStringLiteral("搜索功能 (Ctrl+F)"));
    setClearButtonEnabled(true);
    // Reached by a click or Ctrl+F; the window's first focus and the Tab order stay as they were.
    setFocusPolicy(Qt::ClickFocus);
    // No one types a function's name this long; the cap also keeps pasted text in bounds.
    setMaxLength(FunctionIndex::maxQueryLength * 5);
    setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid rgba(255,255,255,150); border-radius: 4px;"
                                 " padding: 2px 8px; background: rgba(255,255,255,235); color: #1f2933; }"
                                 "QLineEdit:focus { background: white; border-color: white; }"));
    connect(this, &QLineEdit::textEdited, this, [this] { refill(); });
    connect(&m_launcher, &FunctionLauncher::changed, this, [this] {
        if (resultsVisible())
            refill();
    });
}

FunctionSearchBox::~FunctionSearchBox()
{
    // The list's viewport would report its own destruction to a box half gone.
    if (m_viewport)
        m_viewport->removeEventFilter(this);
    delete m_list.data();
}

QListWidget *FunctionSearchBox::resultList() const
{
    return m_list.data();
}

bool FunctionSearchBox::resultsVisible() const
{
    return m_list && m_list->isVisible();
}

QStringList FunctionSearchBox::shownCodes() const
{
    QStringList out;
    if (!m_list)
        return out;
    for (int i = 0; i < m_list->count(); ++i)
        if (selectable(m_list->item(i)))
            out << m_list->item(i)->data(CodeRole).toString();
    return out;
}

void FunctionSearchBox::ensureList()
{
    if (m_list)
        return;
    QWidget *top = window();
    m_list = new QListWidget(top);
    m_list->setObjectName(QStringLiteral("lstFunctionSearch"));
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setMouseTracking(true);
    m_list->setUniformItemSizes(false);
    m_list->setItemDelegate(new ResultDelegate(m_list));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setStyleSheet(QStringLiteral("QListWidget { background: white; border: 1px solid #c5ced8; border-radius: 4px; }"));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->hide();
    m_viewport = m_list->viewport();
    m_viewport->installEventFilter(this);
    top->installEventFilter(this);
    connect(m_list, &QListWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        showItemMenu(m_list->itemAt(at), m_list->viewport()->mapToGlobal(at));
    });
}

void FunctionSearchBox::addHeading(const QString &text)
{
    auto *item = new QListWidgetItem(text, m_list);
    item->setData(KindRole, HeadingRow);
    item->setFlags(Qt::NoItemFlags);
}

void FunctionSearchBox::addEntry(int i, bool pinned)
{
    const FunctionEntry &e = m_launcher.index().entry(i);
    auto *item = new QListWidgetItem(m_list);
    item->setData(KindRole, EntryRow);
    item->setData(CodeRole, e.code);
    item->setData(NameRole, e.name);
    item->setData(PathRole, e.path);
    item->setData(PinnedRole, pinned);
    item->setToolTip(e.path.isEmpty() ? e.name : e.path + FunctionIndex::pathSeparator + e.name);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}

void FunctionSearchBox::refill()
{
    ensureList();
    m_list->clear();
    const QString q = text();
    // The stored list is read once per fill, not once per row.
    const QList<int> pinned = m_launcher.pinnedEntries();
    if (q.trimmed().isEmpty()) {
        const QList<int> recent = m_launcher.recentEntries();
        if (!pinned.isEmpty()) {
            addHeading(QStringLiteral("常用功能"));
            for (int i : pinned)
                addEntry(i, true);
        }
        if (!recent.isEmpty()) {
            addHeading(QStringLiteral("最近使用"));
            for (int i : recent)
                addEntry(i, pinned.contains(i));
        }
        if (m_list->count() == 0) {
            auto *item = new QListWidgetItem(QStringLiteral("输入功能名称、编码或拼音首字母查找功能"), m_list);
            item->setData(KindRole, NothingRow);
            item->setFlags(Qt::NoItemFlags);
        }
    } else {
        const QList<int> hits = m_launcher.index().search(q, maxResults);
        for (int i : hits)
            addEntry(i, pinned.contains(i));
        if (hits.isEmpty()) {
            auto *item = new QListWidgetItem(QStringLiteral("没有找到可以使用的功能"), m_list);
            item->setData(KindRole, NothingRow);
            item->setFlags(Qt::NoItemFlags);
        }
    }
    for (int i = 0; i < m_list->count(); ++i) {
        if (selectable(m_list->item(i)) && !q.trimmed().isEmpty()) {
            m_list->setCurrentRow(i);
            break;
        }
    }
    placeList();
    m_list->show();
    m_list->raise();
}

void FunctionSearchBox::placeList()
{
    if (!m_list)
        return;
    QWidget *top = window();
    const QPoint at = mapTo(top, QPoint(0, height() + 2));
    int h = 2;
    for (int i = 0; i < m_list->count(); ++i)
        h += m_list->item(i)->data(KindRole).toInt() == EntryRow ? kEntryHeight : kHeadingHeight;
    h = std::min(h, std::max(120, top->height() - at.y() - 20));
    const int w = std::max(width(), 440);
    const int x = std::max(0, std::min(at.x(), top->width() - w - 4));
    m_list->setGeometry(x, at.y(), w, h);
}

void FunctionSearchBox::hideResults()
{
    if (m_list)
        m_list->hide();
}

void FunctionSearchBox::activateSearch()
{
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
    refill();
}

void FunctionSearchBox::moveCurrent(int step)
{
    if (!resultsVisible())
        refill();
    const int n = m_list->count();
    int row = m_list->currentRow();
    for (int k = 0; k < n; ++k) {
        row = row < 0 ? (step > 0 ? 0 : n - 1) : ((row + step) % n + n) % n;
        if (selectable(m_list->item(row))) {
            m_list->setCurrentRow(row);
            m_list->scrollToItem(m_list->item(row));
            return;
        }
    }
}

bool FunctionSearchBox::runCurrent()
{
    if (!m_list || !resultsVisible())
        refill();
    QListWidgetItem *item = m_list->currentItem();
    if (!selectable(item)) {
        item = nullptr;
        for (int i = 0; i < m_list->count() && !item; ++i)
            if (selectable(m_list->item(i)))
                item = m_list->item(i);
    }
    if (!item)
        return false;
    runItem(item);
    return true;
}

void FunctionSearchBox::runItem(QListWidgetItem *item)
{
    if (!selectable(item))
        return;
    const QString code = item->data(CodeRole).toString();
    hideResults();
    clear();
    m_launcher.run(code);
}

void FunctionSearchBox::showItemMenu(QListWidgetItem *item, const QPoint &globalPos)
{
    if (!selectable(item))
        return;
    showFunctionMenu(m_launcher, item->data(CodeRole).toString(), globalPos, this, [this, item] { runItem(item); });
}

void FunctionSearchBox::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // The operator came here (click, Tab, Ctrl+F); a window that merely gets active opens no list.
    switch (event->reason()) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        refill();
        break;
    default:
        break;
    }
}

void FunctionSearchBox::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // A context menu of a row takes the focus for a moment; the list stays for it.
    if (event->reason() != Qt::PopupFocusReason)
        hideResults();
}

void FunctionSearchBox::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Down:
        moveCurrent(1);
        return;
    case Qt::Key_Up:
        moveCurrent(-1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        runCurrent();
        return;
    case Qt::Key_Escape:
        if (resultsVisible())
            hideResults();
        else
            clear();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

bool FunctionSearchBox::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by the viewport's own pointer: the list may be in the middle of
    // its destruction when its viewport's last events arrive.
    if (m_viewport && watched == m_viewport.data()) {
        if (event->type() == QEvent::MouseButtonRelease && m_list) {
            auto *me = static_cast<QMouseEvent *>(event);
            QListWidgetItem *item = m_list->itemAt(me->position().toPoint());
            if (me->button() == Qt::LeftButton && selectable(item)) {
                // The star pins and unpins; the rest of the row runs the function.
                if (me->position().x() >= m_list->viewport()->width() - kStarWidth)
                    m_launcher.setPinned(item->data(CodeRole).toString(), !item->data(PinnedRole).toBool());
                else
                    runItem(item);
                return true;
            }
        }
    } else if (event->type() == QEvent::Resize && watched == window() && m_list) {
        if (resultsVisible())
            placeList();
    }
    return QLineEdit::eventFilter(watched, event);
}

// ------------------------------------------------------------------ FunctionShortcutsPanel

FunctionShortcutsPanel::FunctionShortcutsPanel(FunctionLauncher &launcher, QWidget *parent)
    : QWidget(parent), m_launcher(launcher)
{
    setObjectName(QStringLiteral("picFunctions"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(16, 8, 12, 12);
    m_layout->setSpacing(2);
    connect(&m_launcher, &FunctionLauncher::changed, this, &FunctionShortcutsPanel::rebuild);
    if (parent)
        parent->installEventFilter(this);
    rebuild();
}

QWidget *FunctionShortcutsPanel::makeLink(int i)
{
    const FunctionEntry &e = m_launcher.index().entry(i);
    auto *link = new kxLinkLabel(e.name, QString(), this);
    link->setObjectName(QStringLiteral("lnkFunction_") + e.code);
    link->setProperty("menucode", e.code);
    link->setToolTip(e.path.isEmpty() ? e.name : e.path + FunctionIndex::pathSeparator + e.name);
    link->setContextMenuPolicy(Qt::CustomContextMenu);
    const QString code = e.code;
    connect(link, &kxLinkLabel::linkClicked, this, [this, code] { m_launcher.run(code); });
    connect(link, &QWidget::customContextMenuRequested, this, [this, link, code](const QPoint &at) {
        showFunctionMenu(m_launcher, code, link->mapToGlobal(at), this, [this, code] { m_launcher.run(code); });
    });
    return link;
}

void FunctionShortcutsPanel::rebuild()
{
    while (QLayoutItem *item = m_layout->takeAt(0)) {
        if (QWidget *w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    m_pinnedCodes.clear();
    m_recentCodes.clear();
    const QList<int> pinned = m_launcher.pinnedEntries();
    const QList<int> recent = m_launcher.recentEntries().mid(0, maxRecentShown);
    auto heading = [this](const QString &text) {
        auto *l = new QLabel(text, this);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, kxstyle::text());
        l->setPalette(p);
        l->setContentsMargins(0, 8, 0, 2);
        m_layout->addWidget(l);
    };
    auto note = [this](const QString &text) {
        auto *l = new QLabel(text, this);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, kxstyle::mutedText());
        l->setPalette(p);
        l->setWordWrap(true);
        m_layout->addWidget(l);
    };
    heading(QStringLiteral("常用功能"));
    for (int i : pinned) {
        m_layout->addWidget(makeLink(i));
        m_pinnedCodes << m_launcher.index().entry(i).code;
    }
    if (pinned.isEmpty())
        note(QStringLiteral("在功能标签或搜索结果上右键可固定到常用"));
    heading(QStringLiteral("最近使用"));
    for (int i : recent) {
        m_layout->addWidget(makeLink(i));
        m_recentCodes << m_launcher.index().entry(i).code;
    }
    if (recent.isEmpty())
        note(QStringLiteral("暂无"));
    m_layout->addStretch(1);
    placeInParent();
}

bool FunctionShortcutsPanel::clickLink(const QString &code)
{
    for (auto *link : findChildren<kxLinkLabel *>()) {
        if (link->property("menucode").toString() == code && !link->isHidden()) {
            link->activate();
            return true;
        }
    }
    return false;
}

void FunctionShortcutsPanel::placeInParent()
{
    QWidget *p = parentWidget();
    if (!p)
        return;
    const int h = std::min(sizeHint().height(), p->height() / 2 + 40);
    setGeometry(0, std::max(0, p->height() - h), p->width(), h);
    raise();
}

void FunctionShortcutsPanel::paintEvent(QPaintEvent *)
{
    // A rule between the report buttons above and the functions.
    QPainter p(this);
    p.setPen(kxstyle::separator());
    p.drawLine(16, 0, width() - 12, 0);
}

bool FunctionShortcutsPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        placeInParent();
    return QWidget::eventFilter(watched, event);
}

} // namespace workspace
