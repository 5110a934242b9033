#pragma once
// The document editor's list page: a filter box, 新增 / 打开 and the rows of the
// program's table (within its scope), a double click opening one. The rows come
// through a paged model: a page at a time as the operator scrolls; sorting (a
// click on a column's header) and filtering are done by the database. A
// reference column shows the master record's name beside its code; the filter
// finds a text in the number, the text columns, and a reference's code, name
// or the pinyin initials of the name.
#include "../common/pagedmodel.h"
#include "../common/progdef.h"

#include <QMap>
#include <QVariant>
#include <QWidget>

class Database;
class QLabel;
class QLineEdit;
class QTableView;
class QTimer;

namespace lwedit {

using lwcommon::Column;
using lwcommon::Definition;

class DocumentList : public QWidget
{
    Q_OBJECT
public:
    // references: master table -> code -> name, of the definition's reference columns.
    DocumentList(const Definition &definition, const QMap<QString, QMap<QString, QString>> &references,
                 QWidget *parent = nullptr);

    void setDatabase(Database *db) { m_db = db; }
    // Reads the rows again (after a save, a delete, a new filter); false with lastError().
    bool reload();
    void setFilter(const QString &text);
    // Sorts by a shown column (its index among the list's columns), then by number.
    void sortBy(int column, Qt::SortOrder order);
    int rowCount() const;
    // A shown cell by column name; a reference's name is the column's name + "_name".
    QString text(int row, const QString &column) const;
    QVariant key(int row) const;
    QString lastError() const { return m_lastError; }
    lwcommon::PagedModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }

    // The condition and values that find the filter text (for tests and the benchmark: "" when no filter).
    QString filterCondition(const QString &text, QVariantList *bound) const;

Q_SIGNALS:
    void newRequested();
    void openRequested(const QVariant &key);
    void failed(const QString &text);

private:
    Definition m_def;
    QMap<QString, QMap<QString, QString>> m_references;
    Database *m_db = nullptr;
    QString m_filter, m_lastError;
    int m_sortColumn = -1; // -1: by number
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QList<Column> m_shown;
    QStringList m_sortExpr; // per shown column
    QLineEdit *m_filterEdit = nullptr;
    QLabel *m_count = nullptr;
    QTableView *m_view = nullptr;
    lwcommon::PagedModel *m_model = nullptr;
    QTimer *m_typing = nullptr;
};

} // namespace lwedit
