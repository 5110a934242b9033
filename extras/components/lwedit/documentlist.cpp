#include "documentlist.h"

#include "../common/decimal.h"

#include "components/database.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace lwedit {

namespace {

QString columnList(const QList<Column> &cols)
{
    QStringList names;
    for (const Column &c : cols)
        names << c.name;
    return names.join(QStringLiteral(", "));
}

// " and col = ? ..." for the program's scope, its values appended to params.
QString scopeCondition(const Definition &d, QVariantList *params)
{
    QString sql;
    for (const auto &[col, value] : d.scope) {
        sql += QStringLiteral(" and %1 = ?").arg(col);
        *params << value;
    }
    return sql;
}

} // namespace

DocumentList::DocumentList(const Definition &definition, QWidget *parent) : QWidget(parent), m_def(definition)
{
    auto *lv = new QVBoxLayout(this);
    lv->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("查找：")));
    m_filterEdit = new QLineEdit;
    m_filterEdit->setPlaceholderText(QStringLiteral("输入编号、名称等"));
    bar->addWidget(m_filterEdit, 1);
    auto *btnNew = new QPushButton(QStringLiteral("新增"));
    btnNew->setVisible(!m_def.readOnly);
    auto *btnOpen = new QPushButton(QStringLiteral("打开"));
    bar->addWidget(btnNew);
    bar->addWidget(btnOpen);
    lv->addLayout(bar);
    m_list = new QTableWidget;
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSortingEnabled(true);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    lv->addWidget(m_list);
    connect(m_filterEdit, &QLineEdit::textChanged, this, &DocumentList::setFilter);
    connect(btnNew, &QPushButton::clicked, this, &DocumentList::newRequested);
    auto openRow = [this](int row) {
        if (row >= 0 && m_list->item(row, 0))
            Q_EMIT openRequested(m_list->item(row, 0)->data(Qt::UserRole));
    };
    connect(btnOpen, &QPushButton::clicked, this, [this, openRow] { openRow(m_list->currentRow()); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this, openRow);
}

bool DocumentList::reload()
{
    m_lastError.clear();
    if (!m_list || !m_db)
        return false;
    QString sql = QStringLiteral("select %1, %2 from %3 where 1 = 1").arg(m_def.key, columnList(m_def.columns), m_def.table);
    QVariantList params;
    sql += scopeCondition(m_def, &params);
    if (!m_filter.isEmpty()) {
        QStringList conds;
        for (const Column &c : m_def.columns)
            if (c.type == QLatin1Char('t')) {
                conds << QStringLiteral("%1 like ?").arg(c.name);
                params << QStringLiteral("%%1%").arg(m_filter);
            }
        if (!conds.isEmpty())
            sql += QStringLiteral(" and (") + conds.join(QStringLiteral(" or ")) + u')';
    }
    sql += QStringLiteral(" order by %1").arg(m_def.key);
    m_db->ClearError();
    RecordSetPtr rs = m_db->query(sql, params);
    m_list->setSortingEnabled(false);
    m_list->clear();
    m_list->setColumnCount(int(m_def.columns.size()));
    QStringList heads;
    for (int i = 0; i < m_def.columns.size(); ++i) {
        heads << m_def.columns.at(i).caption;
        m_list->setColumnWidth(i, m_def.columns.at(i).width);
    }
    m_list->setHorizontalHeaderLabels(heads);
    m_list->setRowCount(rs ? rs->recordCount() : 0);
    int row = 0;
    for (; rs && !rs->isEOF(); rs->moveNext(), ++row) {
        for (int i = 0; i < m_def.columns.size(); ++i) {
            const Column &c = m_def.columns.at(i);
            auto *item = new QTableWidgetItem(c.type == QLatin1Char('n') ? lwcommon::formatNumber(rs->field(c.name), c.decimals)
                                                                        : rs->text(c.name));
            if (m_def.columns.at(i).type == QLatin1Char('n'))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (i == 0)
                item->setData(Qt::UserRole, rs->field(m_def.key));
            m_list->setItem(row, i, item);
        }
    }
    m_list->setSortingEnabled(true);
    if (!rs || (!m_db->LastError().isEmpty() && rs->recordCount() == 0)) {
        m_lastError = QStringLiteral("读取“%1”失败：%2").arg(m_def.caption, m_db->LastError().description);
        Q_EMIT failed(m_lastError);
        return false;
    }
    return true;
}

void DocumentList::setFilter(const QString &text)
{
    m_filter = text.trimmed();
    reload();
}

int DocumentList::rowCount() const { return m_list ? m_list->rowCount() : 0; }

QString DocumentList::text(int row, const QString &column) const
{
    for (int i = 0; m_list && i < m_def.columns.size(); ++i)
        if (m_def.columns.at(i).name.compare(column, Qt::CaseInsensitive) == 0)
            return m_list->item(row, i) ? m_list->item(row, i)->text() : QString();
    return QString();
}

} // namespace lwedit
