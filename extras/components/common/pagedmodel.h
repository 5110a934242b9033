#pragma once
// A table model over one query of the database access object that reads its
// rows a page at a time, as the view asks for them: opening a list of a hundred
// thousand documents reads their count and the rows on screen. Pages read are
// kept up to a bound; the rest are read again when scrolled back to. Sorting and
// filtering are the query's (the caller gives the SQL again), never done over
// loaded rows. Rows of its own (subtotals, a total) can be placed between the
// query's rows by their position.
#include "progdef.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariantList>

#include <functional>

class Database;

namespace lwcommon {

class PagedModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum RowKind { DataRow, SubtotalRow, TotalRow };
    // A row of the model's own, shown after the first `after` rows of the query.
    struct ExtraRow {
        qint64 after = 0;
        RowKind kind = SubtotalRow;
        QStringList texts; // one per column
    };
    static constexpr int kKindRole = Qt::UserRole + 1;

    explicit PagedModel(QObject *parent = nullptr);

    // The columns shown: their names in the query's result and how they read.
    // grouped: numbers with thousands separators (reports).
    void setColumns(const QList<Column> &columns, bool grouped);
    const QList<Column> &columns() const { return m_columns; }
    int columnIndex(const QString &name) const;

    // sql: one select without its "order by"; order: "order by ..." or "". Counts the
    // rows and drops the pages read before; false with *error (the model is then empty).
    // knownRows: the result's row count when the caller has it already (-1: counted here).
    bool setQuery(Database *db, const QString &sql, const QVariantList &bound, const QString &order, QString *error,
                  qint64 knownRows = -1);
    // Reads the first page of a query before its row count is known (the caller counts it at
    // the same time on another connection); the setQuery that follows with the same query
    // keeps that page instead of reading it again. False with *error when it cannot be read.
    bool readFirstPage(Database *db, const QString &sql, const QVariantList &bound, const QString &order, QString *error);
    void clear();
    void setExtraRows(QList<ExtraRow> rows);
    void setPageSize(int rows) { m_pageSize = qMax(1, rows); }
    void setMaxPages(int pages) { m_maxPages = qMax(1, pages); }

    qint64 queryRows() const { return m_count; }
    RowKind rowKind(int row) const;
    // The query's value of a field (any field of its result, shown or not); invalid for rows of the model's own.
    QVariant value(int row, const QString &field) const;
    QString text(int row, int column) const;
    // Pages read so far (for the benchmark and the tests: rows are read as scrolled).
    int pagesRead() const { return m_pagesRead; }
    int pagesKept() const { return int(m_pages.size()); }

    // Every row of the query in its order, with the model's own rows where they stand,
    // as texts of the columns: for exports. The callback returns false to stop.
    bool forEachRow(const std::function<bool(RowKind kind, const QStringList &texts)> &f, QString *error) const;

    // A number as the columns show it (the column's decimals, grouped when asked).
    static QString numberText(const QVariant &v, int decimals, bool grouped);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // A page could not be read (e.g. the connection dropped): said once until the query is set again.
    void failed(const QString &text) const;

private:
    struct Page {
        QStringList names;
        std::vector<QVariantList> rows;
        bool ok = false;
    };
    // Where a shown row lies: the index of an extra row (>= 0) or of a query row (*queryRow).
    int extraAt(int row, qint64 *queryRow) const;
    const Page *page(qint64 index) const;
    // One page of the query; false with *error.
    static bool fetch(Database *db, const QString &sql, const QVariantList &bound, const QString &order, qint64 number, int size,
                      Page *out, QString *error);
    QString cellText(const Column &c, const QVariant &v) const;

    Database *m_db = nullptr;
    QString m_sql, m_order;
    QVariantList m_bound;
    QList<Column> m_columns;
    bool m_grouped = false;
    qint64 m_count = 0;
    QList<ExtraRow> m_extra;
    QList<qint64> m_extraPos; // shown row of each extra row
    int m_pageSize = 200;
    int m_maxPages = 16;
    mutable QHash<qint64, Page> m_pages;
    mutable QList<qint64> m_recent; // least recently used first
    mutable int m_pagesRead = 0;
    mutable bool m_reported = false;
    // The page read by readFirstPage and the query it belongs to, until setQuery takes it.
    Page m_first;
    Database *m_firstDb = nullptr;
    QString m_firstSql, m_firstOrder;
    QVariantList m_firstBound;
};

// Splits a select at its last "order by" outside parentheses and quotes: {body, "order by ..."}.
std::pair<QString, QString> splitOrderBy(const QString &sql);
// Text for "like ? escape '\'": the operator's characters found anywhere, % and _ as themselves.
QString likePattern(const QString &text);

} // namespace lwcommon
