#include "documentlist.h"

#include "components/database.h"
#include "workspace/pinyininitials.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace lwedit {

namespace {

// Codes of a master table whose name or initials hold the typed text ("宁波" or "nbwj" finds
// 宁波五金制品公司), bound as values up to this many.
constexpr int kMaxNameCodes = 500;

} // namespace

DocumentList::DocumentList(const Definition &definition, const QMap<QString, QMap<QString, QString>> &references,
                           QWidget *parent)
    : QWidget(parent), m_def(definition), m_references(references)
{
    int ref = 0;
    for (const Column &c : std::as_const(m_def.columns)) {
        m_shown << c;
        m_sortExpr << QStringLiteral("d.") + c.name;
        if (!c.reference.isEmpty()) {
            Column name;
            name.name = c.name + QStringLiteral("_name");
            name.caption = c.caption + QStringLiteral("名称");
            name.width = 180;
            m_shown << name;
            m_sortExpr << QStringLiteral("r%1.name").arg(ref);
            ++ref;
        }
    }
    auto *lv = new QVBoxLayout(this);
    lv->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("查找：")));
    m_filterEdit = new QLineEdit;
    m_filterEdit->setPlaceholderText(QStringLiteral("输入编号、名称等"));
    m_filterEdit->setClearButtonEnabled(true);
    bar->addWidget(m_filterEdit, 1);
    m_count = new QLabel;
    bar->addWidget(m_count);
    auto *btnNew = new QPushButton(QStringLiteral("新增"));
    btnNew->setVisible(!m_def.readOnly);
    auto *btnOpen = new QPushButton(QStringLiteral("打开"));
    bar->addWidget(btnNew);
    bar->addWidget(btnOpen);
    lv->addLayout(bar);
    m_model = new lwcommon::PagedModel(this);
    m_model->setColumns(m_shown, false);
    m_view = new QTableView;
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 8);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->horizontalHeader()->setSectionsClickable(true);
    m_view->horizontalHeader()->setSortIndicatorShown(true);
    m_view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    for (int i = 0; i < m_shown.size(); ++i)
        m_view->setColumnWidth(i, m_shown.at(i).width);
    lv->addWidget(m_view);
    connect(m_model, &lwcommon::PagedModel::failed, this, [this](const QString &text) {
        m_lastError = QStringLiteral("读取“%1”失败：%2").arg(m_def.caption, text);
        Q_EMIT failed(m_lastError);
    });
    connect(m_view->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, &DocumentList::sortBy);
    // Typing waits for a pause before the database is asked.
    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(250);
    connect(m_typing, &QTimer::timeout, this, [this] { setFilter(m_filterEdit->text()); });
    connect(m_filterEdit, &QLineEdit::textEdited, m_typing, qOverload<>(&QTimer::start));
    connect(m_filterEdit, &QLineEdit::returnPressed, this, [this] { setFilter(m_filterEdit->text()); });
    connect(btnNew, &QPushButton::clicked, this, &DocumentList::newRequested);
    auto openRow = [this](int row) {
        const QVariant k = key(row);
        if (k.isValid() && !k.toString().isEmpty())
            Q_EMIT openRequested(k);
    };
    connect(btnOpen, &QPushButton::clicked, this, [this, openRow] { openRow(m_view->currentIndex().row()); });
    connect(m_view, &QTableView::doubleClicked, this, [openRow](const QModelIndex &index) { openRow(index.row()); });
}

QString DocumentList::filterCondition(const QString &text, QVariantList *bound) const
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QString();
    const QString pattern = lwcommon::likePattern(t);
    const QString lower = t.toLower();
    // Initials are letters: a text with anything else cannot be initials.
    bool letters = true;
    for (const QChar c : lower)
        letters = letters && ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'));
    QStringList conds;
    int ref = 0;
    for (const Column &c : m_def.columns) {
        if (c.type == u't' || c.type == u'd') {
            conds << QStringLiteral("d.%1 like ? escape '\\'").arg(c.name);
            *bound << pattern;
        }
        if (c.reference.isEmpty())
            continue;
        // Names (and their initials) are matched here over the master table read with the
        // definition, so the database filters the document table on its own indexed codes and
        // joins no master row for it; a text that matches too many names is left to the join.
        QStringList codes;
        bool tooMany = false;
        const QMap<QString, QString> names = m_references.value(c.reference);
        for (auto it = names.cbegin(); it != names.cend() && !tooMany; ++it)
            if (it.value().contains(t, Qt::CaseInsensitive) || (letters && pinyin::containsInitials(it.value(), lower))) {
                tooMany = codes.size() >= kMaxNameCodes;
                codes << it.key();
            }
        if (tooMany) {
            conds << QStringLiteral("r%1.name like ? escape '\\'").arg(ref);
            *bound << pattern;
        } else if (!codes.isEmpty()) {
            QStringList marks;
            for (const QString &code : std::as_const(codes)) {
                marks << QStringLiteral("?");
                *bound << code;
            }
            conds << QStringLiteral("d.%1 in (%2)").arg(c.name, marks.join(QStringLiteral(", ")));
        }
        ++ref;
    }
    return conds.isEmpty() ? QString() : u'(' + conds.join(QStringLiteral(" or ")) + u')';
}

bool DocumentList::reload()
{
    m_lastError.clear();
    if (!m_db)
        return false;
    QStringList fields{QStringLiteral("d.%1 as doc_key").arg(m_def.key)};
    QString joins;
    int ref = 0;
    for (const Column &c : std::as_const(m_def.columns)) {
        fields << QStringLiteral("d.") + c.name;
        if (!c.reference.isEmpty()) {
            // An outer join: a document whose master record is missing still shows, with its code.
            fields << QStringLiteral("r%1.name as %2_name").arg(ref).arg(c.name);
            joins += QStringLiteral(" left join %1 r%2 on r%2.code = d.%3").arg(c.reference).arg(ref).arg(c.name);
            ++ref;
        }
    }
    QString sql = QStringLiteral("select %1 from %2 d%3 where 1 = 1").arg(fields.join(QStringLiteral(", ")), m_def.table, joins);
    QVariantList bound;
    for (const auto &[col, value] : m_def.scope) {
        sql += QStringLiteral(" and d.%1 = ?").arg(col);
        bound << value;
    }
    const QString filter = filterCondition(m_filter, &bound);
    if (!filter.isEmpty())
        sql += QStringLiteral(" and ") + filter;
    const QString dir = m_sortOrder == Qt::DescendingOrder ? QStringLiteral(" desc") : QString();
    QString order = QStringLiteral("order by ");
    if (m_sortColumn >= 0 && m_sortColumn < m_sortExpr.size() && m_sortExpr.at(m_sortColumn) != QStringLiteral("d.") + m_def.key)
        order += m_sortExpr.at(m_sortColumn) + dir + QStringLiteral(", ");
    order += QStringLiteral("d.") + m_def.key + dir;
    QString error;
    const bool ok = m_model->setQuery(m_db, sql, bound, order, &error);
    m_count->setText(ok ? QStringLiteral("共 %1 条").arg(QLocale(QLocale::Chinese, QLocale::China).toString(m_model->queryRows()))
                        : QString());
    if (!ok) {
        m_lastError = QStringLiteral("读取“%1”失败：%2").arg(m_def.caption, error);
        Q_EMIT failed(m_lastError);
        return false;
    }
    return true;
}

void DocumentList::setFilter(const QString &text)
{
    m_typing->stop();
    m_filter = text.trimmed();
    if (m_filterEdit->text() != text)
        m_filterEdit->setText(text);
    // A new filter's result is read from its first row: the place scrolled to in the
    // previous result means nothing in this one (and would read a page far down it).
    m_view->scrollToTop();
    reload();
}

void DocumentList::sortBy(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    reload();
}

int DocumentList::rowCount() const { return m_model->rowCount(); }

QString DocumentList::text(int row, const QString &column) const { return m_model->text(row, m_model->columnIndex(column)); }

QVariant DocumentList::key(int row) const { return row >= 0 ? m_model->value(row, QStringLiteral("doc_key")) : QVariant(); }

} // namespace lwedit
