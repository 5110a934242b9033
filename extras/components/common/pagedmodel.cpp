#include "pagedmodel.h"

#include "decimal.h"

#include "components/database.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <algorithm>

namespace lwcommon {

std::pair<QString, QString> splitOrderBy(const QString &sql)
{
    int depth = 0;
    bool quoted = false;
    qsizetype at = -1;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (quoted)
            continue;
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (depth == 0 && (c == u'o' || c == u'O') && (i == 0 || sql.at(i - 1).isSpace())
                 && sql.mid(i, 5).compare(QLatin1String("order"), Qt::CaseInsensitive) == 0) {
            qsizetype j = i + 5;
            while (j < sql.size() && sql.at(j).isSpace())
                ++j;
            if (j > i + 5 && sql.mid(j, 2).compare(QLatin1String("by"), Qt::CaseInsensitive) == 0)
                at = i;
        }
    }
    if (at < 0)
        return {sql.trimmed(), QString()};
    return {sql.left(at).trimmed(), sql.mid(at).trimmed()};
}

QString likePattern(const QString &text)
{
    QString t;
    t.reserve(text.size() + 2);
    t += u'%';
    for (const QChar c : text) {
        if (c == u'%' || c == u'_' || c == u'\\')
            t += u'\\';
        t += c;
    }
    t += u'%';
    return t;
}

namespace {
qsizetype indexOfName(const QStringList &names, const QString &name)
{
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
} // namespace

PagedModel::PagedModel(QObject *parent) : QAbstractTableModel(parent) {}

void PagedModel::setColumns(const QList<Column> &columns, bool grouped)
{
    beginResetModel();
    m_columns = columns;
    m_grouped = grouped;
    endResetModel();
}

int PagedModel::columnIndex(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void PagedModel::clear()
{
    beginResetModel();
    m_db = nullptr;
    m_count = 0;
    m_extra.clear();
    m_extraPos.clear();
    m_pages.clear();
    m_recent.clear();
    endResetModel();
}

bool PagedModel::setQuery(Database *db, const QString &sql, const QVariantList &bound, const QString &order, QString *error,
                          qint64 knownRows)
{
    clear();
    if (!db || !db->isConnected()) {
        *error = QStringLiteral("没有数据库连接。");
        return false;
    }
    db->ClearError();
    qint64 count = knownRows;
    if (count < 0) {
        RecordSetPtr rs = db->query(QStringLiteral("select count(*) from (%1) t").arg(sql), bound);
        if (!rs || rs->recordCount() == 0 || !db->LastError().isEmpty()) {
            *error = db->LastError().description;
            return false;
        }
        count = rs->firstValue().toLongLong();
    }
    beginResetModel();
    m_db = db;
    m_sql = sql;
    m_bound = bound;
    m_order = order;
    m_count = count;
    m_reported = false;
    if (m_firstDb == db && m_firstSql == sql && m_firstOrder == order && m_firstBound == bound) {
        m_pages.insert(0, std::move(m_first));
        m_recent << 0;
    }
    m_first = Page();
    m_firstDb = nullptr;
    endResetModel();
    return true;
}

void PagedModel::setExtraRows(QList<ExtraRow> rows)
{
    beginResetModel();
    std::stable_sort(rows.begin(), rows.end(), [](const ExtraRow &a, const ExtraRow &b) { return a.after < b.after; });
    m_extra = rows;
    m_extraPos.clear();
    for (int i = 0; i < m_extra.size(); ++i)
        m_extraPos << m_extra.at(i).after + i;
    endResetModel();
}

int PagedModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(qMin<qint64>(m_count + m_extra.size(), std::numeric_limits<int>::max()));
}

int PagedModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_columns.size()); }

int PagedModel::extraAt(int row, qint64 *queryRow) const
{
    const auto it = std::upper_bound(m_extraPos.cbegin(), m_extraPos.cend(), qint64(row));
    const int before = int(it - m_extraPos.cbegin());
    if (before > 0 && m_extraPos.at(before - 1) == row)
        return before - 1;
    *queryRow = row - before;
    return -1;
}

PagedModel::RowKind PagedModel::rowKind(int row) const
{
    qint64 q = 0;
    const int e = extraAt(row, &q);
    return e >= 0 ? m_extra.at(e).kind : DataRow;
}

const PagedModel::Page *PagedModel::page(qint64 index) const
{
    if (!m_db || index < 0 || index >= m_count)
        return nullptr;
    const qint64 number = index / m_pageSize;
    auto it = m_pages.find(number);
    if (it != m_pages.end()) {
        m_recent.removeOne(number);
        m_recent << number;
        return it->ok ? &*it : nullptr;
    }
    Page p;
    QString error;
    ++m_pagesRead;
    if (!fetch(m_db, m_sql, m_bound, m_order, number, m_pageSize, &p, &error) && !m_reported) {
        m_reported = true;
        Q_EMIT failed(QStringLiteral("读取第 %1 行起的记录失败：%2").arg(number * m_pageSize + 1).arg(error));
    }
    while (m_pages.size() >= m_maxPages && !m_recent.isEmpty())
        m_pages.remove(m_recent.takeFirst());
    it = m_pages.insert(number, p);
    m_recent << number;
    return it->ok ? &*it : nullptr;
}

bool PagedModel::fetch(Database *db, const QString &sql, const QVariantList &bound, const QString &order, qint64 number, int size,
                       Page *out, QString *error)
{
    QVariantList values = bound;
    QString text;
    if (db->dialect() == SqlDialect::SqlServer) {
        // SQL Server pages with offset / fetch, which needs an order even where the query has none.
        text = QStringLiteral("%1 %2 offset ? rows fetch next ? rows only")
                   .arg(sql, order.isEmpty() ? QStringLiteral("order by (select null)") : order);
        values << number * size << size;
    } else {
        text = QStringLiteral("%1 %2 limit ? offset ?").arg(sql, order);
        values << size << number * size;
    }
    db->ClearError();
    RecordSetPtr rs = db->query(text, values);
    if (!rs || !db->LastError().isEmpty()) {
        *error = db->LastError().description;
        return false;
    }
    for (int i = 0; i < rs->fieldCount(); ++i)
        out->names << rs->fieldName(i);
    for (; !rs->isEOF(); rs->moveNext()) {
        QVariantList row;
        for (int i = 0; i < rs->fieldCount(); ++i)
            row << rs->value(i);
        out->rows.push_back(std::move(row));
    }
    out->ok = true;
    return true;
}

bool PagedModel::readFirstPage(Database *db, const QString &sql, const QVariantList &bound, const QString &order, QString *error)
{
    m_first = Page();
    m_firstDb = nullptr;
    if (!db || !db->isConnected()) {
        *error = QStringLiteral("没有数据库连接。");
        return false;
    }
    if (!fetch(db, sql, bound, order, 0, m_pageSize, &m_first, error))
        return false;
    ++m_pagesRead;
    m_firstDb = db;
    m_firstSql = sql;
    m_firstOrder = order;
    m_firstBound = bound;
    return true;
}

QVariant PagedModel::value(int row, const QString &field) const
{
    qint64 q = 0;
    if (extraAt(row, &q) >= 0)
        return QVariant();
    const Page *p = page(q);
    if (!p)
        return QVariant();
    const qsizetype r = q % m_pageSize;
    const qsizetype f = indexOfName(p->names, field);
    if (r >= qsizetype(p->rows.size()) || f < 0)
        return QVariant();
    return p->rows.at(r).at(f);
}

QString PagedModel::numberText(const QVariant &v, int decimals, bool grouped)
{
    QString t = formatNumber(v, decimals);
    if (!grouped || t.isEmpty())
        return t;
    const bool negative = t.startsWith(u'-');
    qsizetype end = t.indexOf(u'.');
    if (end < 0)
        end = t.size();
    for (qsizetype i = end - 3; i > (negative ? 1 : 0); i -= 3)
        t.insert(i, u',');
    return t;
}

QString PagedModel::cellText(const Column &c, const QVariant &v) const
{
    if (c.type == u'n')
        return numberText(v, c.decimals >= 0 ? c.decimals : (m_grouped ? 2 : -1), m_grouped);
    if (c.type == u'd')
        return v.toString().left(10);
    return v.toString();
}

QString PagedModel::text(int row, int column) const
{
    if (column < 0 || column >= m_columns.size())
        return QString();
    qint64 q = 0;
    const int e = extraAt(row, &q);
    if (e >= 0)
        return m_extra.at(e).texts.value(column);
    return cellText(m_columns.at(column), value(row, m_columns.at(column).name));
}

QVariant PagedModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const Column &c = m_columns.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return c.type == u'n' ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case kKindRole:
        return int(rowKind(index.row()));
    case Qt::FontRole:
        if (rowKind(index.row()) != DataRow) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return QVariant();
    case Qt::BackgroundRole: {
        const RowKind k = rowKind(index.row());
        if (k == DataRow)
            return QVariant();
        return QBrush(k == TotalRow ? QColor(0xdd, 0xe6, 0xf4) : QColor(0xf0, 0xf3, 0xf8));
    }
    default:
        return QVariant();
    }
}

QVariant PagedModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns.size())
        return m_columns.at(section).caption;
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool PagedModel::forEachRow(const std::function<bool(RowKind, const QStringList &)> &f, QString *error) const
{
    if (!m_db) {
        *error = QStringLiteral("没有数据库连接。");
        return false;
    }
    int nextExtra = 0;
    qint64 done = 0;
    bool stopped = false;
    auto extrasUpTo = [&](qint64 after) {
        while (!stopped && nextExtra < m_extra.size() && m_extra.at(nextExtra).after <= after) {
            if (!f(m_extra.at(nextExtra).kind, m_extra.at(nextExtra).texts))
                stopped = true;
            ++nextExtra;
        }
    };
    QList<int> fields;
    extrasUpTo(0);
    const bool ok = stopped || m_db->forEachRow(QStringLiteral("%1 %2").arg(m_sql, m_order), m_bound,
                                                [&](const QStringList &names, const QVariantList &row) {
        if (fields.isEmpty())
            for (const Column &c : m_columns)
                fields << int(indexOfName(names, c.name));
        QStringList texts;
        for (int i = 0; i < m_columns.size(); ++i)
            texts << (fields.at(i) >= 0 ? cellText(m_columns.at(i), row.at(fields.at(i))) : QString());
        if (!f(DataRow, texts)) {
            stopped = true;
            return false;
        }
        extrasUpTo(++done);
        return !stopped;
    });
    if (!ok) {
        *error = m_db->LastError().description;
        return false;
    }
    if (!stopped)
        extrasUpTo(std::numeric_limits<qint64>::max());
    return true;
}

} // namespace lwcommon
