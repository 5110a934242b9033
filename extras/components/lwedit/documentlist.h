#pragma once
// The document editor's list page: a filter box, 新增 / 打开 and the rows of the
// program's table (within its scope), a double click opening one.
#include "../common/progdef.h"

#include <QVariant>
#include <QWidget>

class Database;
class QLineEdit;
class QTableWidget;

namespace lwedit {

using lwcommon::Column;
using lwcommon::Definition;

class DocumentList : public QWidget
{
    Q_OBJECT
public:
    DocumentList(const Definition &definition, QWidget *parent = nullptr);

    void setDatabase(Database *db) { m_db = db; }
    // Reads the rows again (after a save, a delete, a new filter); false with lastError().
    bool reload();
    // Rows whose text columns contain the filter (all rows for "").
    void setFilter(const QString &text);
    int rowCount() const;
    QString text(int row, const QString &column) const;
    QString lastError() const { return m_lastError; }

Q_SIGNALS:
    void newRequested();
    void openRequested(const QVariant &key);
    void failed(const QString &text);

private:
    Definition m_def;
    Database *m_db = nullptr;
    QString m_filter, m_lastError;
    QLineEdit *m_filterEdit = nullptr;
    QTableWidget *m_list = nullptr;
};

} // namespace lwedit
